#include "manifest.h"

#include "core/outputnaming.h"
#include "task/subtitleformat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QStringList knownKeys = {QStringLiteral("video"), QStringLiteral("output"), QStringLiteral("lang"),
                               QStringLiteral("crop"),  QStringLiteral("range"),  QStringLiteral("scan"),
                               QStringLiteral("rate"),  QStringLiteral("format"), QStringLiteral("task")};

// A crop or range may be written as the command line's text or as a JSON array of its numbers.
QString settingText(const QJsonValue &value, QString separator)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 17);
    if (!value.isArray())
        return {};
    QStringList parts;
    for (const QJsonValue &part : value.toArray())
        parts.append(part.isDouble() ? QString::number(part.toDouble(), 'g', 17) : QStringLiteral("?"));
    return parts.join(separator);
}

QString separatorOf(const QString &key)
{
    return key == QLatin1String("range") ? QStringLiteral("-") : QStringLiteral(",");
}

QString extensionOf(const CommandLineExtractor::Options &options)
{
    return SubtitleFormats::extension(options.format);
}

} // namespace

QString Manifest::cropText(const QRect &crop)
{
    if (crop.isNull())
        return QStringLiteral("auto");
    return QStringLiteral("%1,%2,%3,%4").arg(crop.x()).arg(crop.y()).arg(crop.width()).arg(crop.height());
}

Manifest::Reading Manifest::read(const QString &path, const CommandLineExtractor::Options &defaults)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return Reading::Unreadable;
    }
    folder = QFileInfo(path).absolutePath();
    // -o is the command line's, relative to the current folder as there.
    outputFolder = defaults.output.isEmpty() ? folder : QFileInfo(defaults.output).absoluteFilePath();
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QByteArray text = file.readLine().trimmed();
        ++lineNumber;
        // Blank lines (a trailing one, a gap between groups) are no jobs and take no index.
        if (text.isEmpty())
            continue;
        Line line;
        line.lineNumber = lineNumber;
        if (parseLine(text, defaults, &line))
            lines.append(line);
    }
    findSharedOutputs();
    if (lines.isEmpty() && problems.isEmpty()) {
        error = QStringLiteral("no lines");
        return Reading::Unreadable;
    }
    return problems.isEmpty() ? Reading::Read : Reading::BadLines;
}

bool Manifest::parseLine(const QByteArray &text, const CommandLineExtractor::Options &defaults, Line *line)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        refuse(line->lineNumber, QStringLiteral("not JSON (%1 at character %2)")
                                     .arg(parseError.errorString()).arg(parseError.offset + 1));
        return false;
    }
    if (!document.isObject()) {
        refuse(line->lineNumber, QStringLiteral("not a JSON object"));
        return false;
    }
    const QJsonObject object = document.object();
    const QString video = object.value(QStringLiteral("video")).toString();
    if (video.isEmpty()) {
        refuse(line->lineNumber, QStringLiteral("no \"video\""));
        return false;
    }
    line->options = defaults;
    line->options.output.clear();
    line->options.manifest.clear();
    line->options.index = -1;
    line->options.videos = {QDir::cleanPath(QDir(folder).absoluteFilePath(video))};
    if (!takeSettings(object, line))
        return false;
    const QJsonValue output = object.value(QStringLiteral("output"));
    if (!output.isUndefined() && (!output.isString() || output.toString().isEmpty())) {
        refuse(line->lineNumber, QStringLiteral("\"output\" is not a file name"));
        return false;
    }
    line->options.output = output.isUndefined()
        ? QDir(outputFolder).filePath(OutputNaming::baseName(video) + QLatin1Char('.') + extensionOf(line->options))
        : QDir::cleanPath(QDir(folder).absoluteFilePath(output.toString()));
    return true;
}

// Several subtitle areas: ["X,Y,W,H", "X,Y,W,H", …], the main one first.
bool Manifest::takeCrops(const QJsonArray &crops, Line *line)
{
    for (qsizetype i = 0; i < crops.size(); ++i) {
        const QString value = crops.at(i).toString();
        const QString fault = i == 0 ? CommandLineExtractor::applySetting(QStringLiteral("crop"), value, &line->options)
                                     : CommandLineExtractor::addCropSetting(value, &line->options);
        if (!fault.isEmpty()) {
            refuse(line->lineNumber, fault.mid(2));
            return false;
        }
    }
    return true;
}

// Every key but video and output; the first fault of the line is refused.
bool Manifest::takeSettings(const QJsonObject &object, Line *line)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        if (!knownKeys.contains(key)) {
            refuse(line->lineNumber, QStringLiteral("unknown key \"%1\"").arg(key));
            return false;
        }
        if (key == QLatin1String("video") || key == QLatin1String("output"))
            continue;
        if (key == QLatin1String("task")) {
            line->task = it.value().toInteger(-1);
            if (line->task < 0) {
                refuse(line->lineNumber, QStringLiteral("\"task\" is not a row number"));
                return false;
            }
            continue;
        }
        if (key == QLatin1String("crop") && it.value().isArray() && it.value().toArray().first().isString()) {
            if (!takeCrops(it.value().toArray(), line))
                return false;
            continue;
        }
        const QString value = settingText(it.value(), separatorOf(key));
        const QString fault = value.isEmpty()
            ? QStringLiteral("--%1: not a value").arg(key)
            : CommandLineExtractor::applySetting(key, value, &line->options);
        if (!fault.isEmpty()) {
            // The command line's words without its dashes: the manifest has keys, not options.
            refuse(line->lineNumber, fault.mid(2));
            return false;
        }
    }
    if (line->options.rateGiven && line->options.scan == ScanMode::Fast) {
        refuse(line->lineNumber, QStringLiteral("rate: only for scan playback (the fast scan reads every frame)"));
        return false;
    }
    return true;
}

// Two lines writing one file would undo each other's work and share one record.
void Manifest::findSharedOutputs()
{
    QHash<QString, int> owner;
    for (const Line &line : std::as_const(lines)) {
        const QString output = QDir::cleanPath(line.options.output);
        if (owner.contains(output))
            refuse(line.lineNumber, QStringLiteral("output %1 is line %2's too").arg(output).arg(owner.value(output)));
        else
            owner.insert(output, line.lineNumber);
    }
    std::sort(problems.begin(), problems.end(),
              [](const Problem &a, const Problem &b) { return a.lineNumber < b.lineNumber; });
}
