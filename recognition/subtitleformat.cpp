#include "subtitleformat.h"

#include "core/asswriter.h"
#include "di_riror_adiriz.h"
#include "core/jsonwriter.h"
#include "core/subtitlewriter.h"
#include "core/webvttwriter.h"

QList<SubtitleFormat> SubtitleFormats::all()
{
    return {SubtitleFormat::Srt, SubtitleFormat::Txt, SubtitleFormat::Vtt, SubtitleFormat::Ass, SubtitleFormat::Json};
}

QString SubtitleFormats::extension(SubtitleFormat format)
{
    switch (format) {
    case SubtitleFormat::Srt:
        return QStringLiteral("srt");
    case SubtitleFormat::Txt:
        return QStringLiteral("txt");
    case SubtitleFormat::Vtt:
        return QStringLiteral("vtt");
    case SubtitleFormat::Ass:
        return QStringLiteral("ass");
    case SubtitleFormat::Json:
        return QStringLiteral("json");
    }
    return QString();
}

std::optional<SubtitleFormat> SubtitleFormats::fromExtension(const QString &extension)
{
    for (SubtitleFormat format : all()) {
        if (SubtitleFormats::extension(format) == extension)
            return format;
    }
    return std::nullopt;
}

QString SubtitleFormats::text(const Di_riror_adiRIZ &task, SubtitleFormat format)
{
    switch (format) {
    case SubtitleFormat::Srt:
        return SubtitleWriter::toSrtText(task.entries);
    case SubtitleFormat::Txt:
        return SubtitleWriter::toTxtText(task.entries);
    case SubtitleFormat::Vtt:
        return WebVttWriter::toText(task.entries);
    case SubtitleFormat::Ass:
        return AssWriter::toText(task.entries, task.videoResolution(), task.cropRect);
    case SubtitleFormat::Json:
        return JsonWriter::toText(task.entries);
    }
    return QString();
}
