#include "subtitleformat.h"

#include "core/asswriter.h"
#include "di_riror_adiriz.h"
#include "core/jsonwriter.h"
#include "core/subtitlewriter.h"
#include "core/textfilewriter.h"
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
    if (format == SubtitleFormat::Json)
        return JsonWriter::toText(task.entries, task.refusedEntries());
    return textOf(task.entries, format, task.videoResolution(), task.cropRect);
}

QString SubtitleFormats::textOf(const QList<SRTEntry> &entries, SubtitleFormat format, const QSize &frame,
                                const QRect &crop)
{
    switch (format) {
    case SubtitleFormat::Srt:
        return SubtitleWriter::toSrtText(entries);
    case SubtitleFormat::Txt:
        return SubtitleWriter::toTxtText(entries);
    case SubtitleFormat::Vtt:
        return WebVttWriter::toText(entries);
    case SubtitleFormat::Ass:
        return AssWriter::toText(entries, frame, crop);
    case SubtitleFormat::Json:
        return JsonWriter::toText(entries);
    }
    return QString();
}

std::optional<QByteArray> SubtitleFormats::streamFile(const QString &video, const SubtitleStream &stream,
                                                     SubtitleFormat format)
{
    if (SubtitleStreams::ownExtension(stream) == extension(format))
        return SubtitleStreams::copy(video, stream);
    if (const std::optional<QList<SRTEntry>> cues = SubtitleStreams::entries(video, stream))
        return TextFileWriter::encode(textOf(*cues, format));
    return std::nullopt;
}
