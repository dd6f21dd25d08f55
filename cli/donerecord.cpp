#include "donerecord.h"

#include "manifest.h"

#include "platform/platform.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>
#include <QSysInfo>

namespace {

QRect cropFrom(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return {};
    return QRect(parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt());
}

} // namespace

QString DoneRecord::pathFor(const QString &output)
{
    return output + QStringLiteral(".done.json");
}

QJsonObject DoneRecord::settings(const CommandLineExtractor::Options &line)
{
    QJsonObject settings{
        {QStringLiteral("lang"), line.language},
        {QStringLiteral("crop"), Manifest::cropText(line.crop)},
        {QStringLiteral("scan"), line.scan == ScanMode::Fast ? QStringLiteral("fast") : QStringLiteral("playback")},
        {QStringLiteral("format"), SubtitleFormats::extension(line.format)},
        {QStringLiteral("engine"), line.engine},
    };
    if (line.rangeIn >= 0)
        settings.insert(QStringLiteral("range"), QStringLiteral("%1-%2").arg(line.rangeIn).arg(line.rangeOut));
    if (line.scan == ScanMode::Playback)
        settings.insert(QStringLiteral("rate"), line.rate);
    return settings;
}

// Size and modification time say whether the file is the one read, without reading it again.
QJsonObject DoneRecord::videoFacts(const QString &video)
{
    const QFileInfo info(video);
    return {{QStringLiteral("path"), info.absoluteFilePath()},
            {QStringLiteral("size"), info.size()},
            {QStringLiteral("modified"), info.lastModified().toUTC().toString(Qt::ISODateWithMs)}};
}

QJsonObject DoneRecord::load(const QString &output)
{
    QFile file(pathFor(output));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool DoneRecord::matches(const CommandLineExtractor::Options &line)
{
    const QJsonObject record = load(line.output);
    const int exitCode = record.value(QStringLiteral("run")).toObject().value(QStringLiteral("exit")).toInt(-1);
    const bool finished = exitCode == CommandLineExtractor::Success
                          || exitCode == CommandLineExtractor::FinishedWithWarnings;
    return finished && QFileInfo(line.output).isFile()
           && record.value(QStringLiteral("video")).toObject() == videoFacts(line.videos.value(0))
           && record.value(QStringLiteral("settings")).toObject() == settings(line);
}

bool DoneRecord::write(const CommandLineExtractor::Options &line, const Run &run, QString *error)
{
    const CommandLineExtractor::VideoOutcome &outcome = run.outcome;
    const QJsonObject figures{
        {QStringLiteral("exit"), outcome.exitCode},
        {QStringLiteral("seconds"), run.seconds},
        {QStringLiteral("entries"), outcome.entries},
        {QStringLiteral("duration"), outcome.durationMs},
        {QStringLiteral("crop"), Manifest::cropText(outcome.crop)},
        {QStringLiteral("message"), outcome.message},
        {QStringLiteral("host"), QSysInfo::machineHostName()},
        {QStringLiteral("finished"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
    };
    const QJsonObject record{{QStringLiteral("video"), videoFacts(line.videos.value(0))},
                             {QStringLiteral("settings"), settings(line)},
                             {QStringLiteral("version"), versionString()},
                             {QStringLiteral("run"), figures}};
    QSaveFile file(pathFor(line.output));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(record).toJson()) < 0 || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

std::optional<DoneRecord::Run> DoneRecord::read(const QString &output)
{
    const QJsonObject figures = load(output).value(QStringLiteral("run")).toObject();
    if (!figures.contains(QStringLiteral("exit")))
        return std::nullopt;
    Run run;
    run.seconds = figures.value(QStringLiteral("seconds")).toDouble();
    run.outcome.exitCode = figures.value(QStringLiteral("exit")).toInt();
    run.outcome.entries = figures.value(QStringLiteral("entries")).toInteger();
    run.outcome.durationMs = figures.value(QStringLiteral("duration")).toInteger();
    run.outcome.crop = cropFrom(figures.value(QStringLiteral("crop")).toString());
    run.outcome.message = figures.value(QStringLiteral("message")).toString();
    return run;
}
