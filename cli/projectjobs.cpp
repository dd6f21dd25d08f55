#include "projectjobs.h"

#include "donerecord.h"
#include "manifest.h"

#include "core/jsonreader.h"
#include "core/outputnaming.h"
#include "task/projectstream.h"
#include "task/taskrecordcheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>
#include <QSaveFile>

namespace {

struct Project
{
    ProjectStream::Header header;
    QList<TaskRecord> records;
};

void say(FILE *err, const QString &text)
{
    std::fprintf(err, "tarnix-cli: %s\n", qPrintable(text));
    std::fflush(err);
}

// Every record read and checked as the program checks it on opening, or the reason.
std::optional<Project> readProject(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    QDataStream in(&file);
    Project project;
    if (!ProjectStream::readHeader(in, &project.header)) {
        *error = QStringLiteral("not a project file, or a damaged one");
        return std::nullopt;
    }
    for (qint64 i = 0; i < project.header.count; ++i) {
        TaskRecord record;
        if (!ProjectStream::readRecord(in, &record) || TaskRecordCheck::check(record)) {
            *error = record.recordVersion > ProjectStream::recordVersion
                ? QStringLiteral("task %1 was saved by a newer version").arg(i + 1)
                : QStringLiteral("task %1 is damaged").arg(i + 1);
            return std::nullopt;
        }
        project.records.append(record);
    }
    return project;
}

bool writeProject(const QString &path, const Project &project, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    QDataStream out(&file);
    ProjectStream::writeHeader(out, {project.header.projectVersion, project.header.platformTag,
                                     qint64(project.records.size())});
    for (const TaskRecord &record : project.records)
        ProjectStream::writeRecord(out, record);
    if (out.status() != QDataStream::Ok || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QJsonObject manifestLine(qsizetype row, const TaskRecord &record, const QString &output)
{
    QJsonObject line{{QStringLiteral("task"), row},
                     {QStringLiteral("video"), record.videoPath},
                     {QStringLiteral("output"), output},
                     {QStringLiteral("scan"), record.scanMode == ScanMode::Fast ? QStringLiteral("fast")
                                                                                : QStringLiteral("playback")},
                     {QStringLiteral("format"), QStringLiteral("json")}};
    if (!record.languages.isEmpty())
        line.insert(QStringLiteral("lang"), record.languages.join(QLatin1Char('+')));
    const QRect &crop = record.cropRect;
    if (!record.otherAreas.isEmpty()) {
        QJsonArray crops{Manifest::cropText(crop)};
        for (const QRect &area : record.otherAreas)
            crops.append(Manifest::cropText(area));
        line.insert(QStringLiteral("crop"), crops);
    } else if (!crop.isNull()) {
        line.insert(QStringLiteral("crop"), Manifest::cropText(crop));
    }
    // A range that is the whole video is no range: the line then reads the video however long.
    const bool wholeVideo = record.timeRange_in <= 0 && (record.timeRange_out < 0 || record.timeRange_out >= record.duration);
    if (!wholeVideo && record.timeRange_out > record.timeRange_in)
        line.insert(QStringLiteral("range"), QStringLiteral("%1-%2").arg(std::max<qint64>(0, record.timeRange_in)).arg(record.timeRange_out));
    if (record.scanMode == ScanMode::Playback)
        line.insert(QStringLiteral("rate"), record.Frame_rate);
    return line;
}

// The row a line belongs to: the one it names when that row holds its video, else the first that does.
qsizetype rowOf(const Manifest::Line &line, const QList<TaskRecord> &records)
{
    const QString video = QDir::cleanPath(line.options.videos.constFirst());
    const auto holds = [&](qsizetype row) { return QDir::cleanPath(records.at(row).videoPath) == video; };
    if (line.task >= 0 && line.task < records.size() && holds(line.task))
        return line.task;
    for (qsizetype row = 0; row < records.size(); ++row) {
        if (holds(row))
            return row;
    }
    return -1;
}

enum class Collected { Done, Warned, Failed, Unfinished, NotJson };

// The line's settings as it ran them, so the editor shows the crop and range that were read.
void takeSettings(const CommandLineExtractor::Options &line, const CommandLineExtractor::VideoOutcome &outcome,
                  TaskRecord *record)
{
    if (!line.language.isEmpty())
        record->languages = line.language.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    record->scanMode = line.scan;
    // A fast scan has no rate; the task keeps the one it would play at.
    if (line.scan == ScanMode::Playback)
        record->Frame_rate = line.rate;
    if (!outcome.crop.isNull())
        record->cropRect = outcome.crop;
    if (outcome.durationMs > 0)
        record->duration = outcome.durationMs;
    if (line.rangeIn >= 0) {
        record->timeRange_in = line.rangeIn;
        record->timeRange_out = std::min(line.rangeOut, record->duration);
    }
}

Collected collectLine(const CommandLineExtractor::Options &line, TaskRecord *record)
{
    const std::optional<DoneRecord::Run> run = DoneRecord::read(line.output);
    if (!run)
        return Collected::Unfinished;
    const CommandLineExtractor::VideoOutcome &outcome = run->outcome;
    takeSettings(line, outcome, record);
    if (outcome.exitCode != CommandLineExtractor::Success && outcome.exitCode != CommandLineExtractor::FinishedWithWarnings) {
        record->state = TaskState::Failed;
        record->errorText = outcome.message.isEmpty() ? QStringLiteral("recognition failed") : outcome.message;
        return Collected::Failed;
    }
    QFile file(line.output);
    const QByteArray json = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const std::optional<QList<SRTEntry>> entries = JsonReader::fromText(json);
    if (!entries)
        return Collected::NotJson;
    // Where the line read several areas, the task holds them all, its entries each in its own.
    if (const QList<QRect> areas = JsonReader::areasOf(json); areas.size() > 1) {
        record->cropRect = areas.first();
        record->otherAreas = areas.mid(1);
    }
    record->entries = *entries;
    record->streamClockTimes = false;
    record->samples.clear();
    for (const SRTEntry &entry : *entries)
        record->samples.append(entry.list);
    record->state = TaskState::Done;
    record->progress = 1;
    record->lastPosition = record->timeRange_out >= 0 ? record->timeRange_out : record->duration;
    record->errorText = outcome.message;
    record->stopRequested = false;
    return outcome.message.isEmpty() ? Collected::Done : Collected::Warned;
}

} // namespace

int ProjectJobs::writeManifest(const QString &project, FILE *out, FILE *err)
{
    QString error;
    const std::optional<Project> read = readProject(project, &error);
    if (!read) {
        say(err, QStringLiteral("--manifest-from: %1: %2").arg(project, error));
        return CommandLineExtractor::BadInput;
    }
    QStringList videos;
    for (const TaskRecord &record : read->records)
        videos.append(record.videoPath);
    const QStringList outputs = OutputNaming::uniqueTargets(QString(), videos, QStringLiteral("json"));
    for (qsizetype row = 0; row < read->records.size(); ++row) {
        const QJsonObject line = manifestLine(row, read->records.at(row), QFileInfo(outputs.at(row)).fileName());
        std::fprintf(out, "%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
    }
    std::fflush(out);
    return CommandLineExtractor::Success;
}

int ProjectJobs::collect(const QString &project, const QString &manifestPath,
                         const CommandLineExtractor::Options &defaults, FILE *err)
{
    QString error;
    std::optional<Project> read = readProject(project, &error);
    if (!read) {
        say(err, QStringLiteral("--collect: %1: %2").arg(project, error));
        return CommandLineExtractor::BadInput;
    }
    Manifest manifest;
    const Manifest::Reading reading = manifest.read(manifestPath, defaults);
    for (const Manifest::Problem &problem : std::as_const(manifest.problems))
        say(err, QStringLiteral("%1:%2: %3").arg(manifestPath).arg(problem.lineNumber).arg(problem.text));
    if (reading != Manifest::Reading::Read) {
        if (reading == Manifest::Reading::Unreadable)
            say(err, QStringLiteral("--collect: cannot read %1: %2").arg(manifestPath, manifest.error));
        return CommandLineExtractor::BadInput;
    }
    int counts[5] = {};
    int strays = 0;
    for (const Manifest::Line &line : std::as_const(manifest.lines)) {
        const qsizetype row = rowOf(line, read->records);
        if (row < 0) {
            say(err, QStringLiteral("line %1: %2 is no task of %3").arg(line.lineNumber).arg(line.options.videos.constFirst(), project));
            ++strays;
            continue;
        }
        const Collected collected = collectLine(line.options, &read->records[row]);
        if (collected == Collected::NotJson)
            say(err, QStringLiteral("line %1: %2 is no JSON output; only --format json comes back into a project")
                         .arg(line.lineNumber).arg(line.options.output));
        ++counts[int(collected)];
    }
    if (!writeProject(project, *read, &error)) {
        say(err, QStringLiteral("--collect: cannot write %1: %2").arg(project, error));
        return CommandLineExtractor::RunFailed;
    }
    say(err, QStringLiteral("collected into %1: %2 done, %3 with warnings, %4 failed; %5 not finished, %6 left out")
                 .arg(project).arg(counts[0]).arg(counts[1]).arg(counts[2]).arg(counts[3]).arg(counts[4] + strays));
    const bool whole = counts[3] == 0 && counts[4] == 0 && strays == 0;
    return whole ? CommandLineExtractor::Success : CommandLineExtractor::FinishedWithWarnings;
}
