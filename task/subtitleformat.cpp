#include "subtitleformat.h"

#include "core/asswriter.h"
#include "di_riror_adiriz.h"
#include "core/jsonwriter.h"
#include "core/outputnaming.h"
#include "core/subtitlewriter.h"
#include "core/textfilewriter.h"
#include "core/webvttwriter.h"

#include <algorithm>
#include <iterator>

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

namespace {

QList<SRTEntry> entriesOfArea(const QList<SRTEntry> &entries, int area)
{
    QList<SRTEntry> kept;
    std::copy_if(entries.cbegin(), entries.cend(), std::back_inserter(kept),
                 [area](const SRTEntry &entry) { return entry.area == area; });
    return kept;
}

} // namespace

bool SubtitleFormats::holdsEveryArea(SubtitleFormat format)
{
    return format == SubtitleFormat::Ass || format == SubtitleFormat::Json;
}

QString SubtitleFormats::text(const Di_riror_adiRIZ &task, SubtitleFormat format)
{
    // JSON also keeps what was refused as read from the picture, so nothing is lost for good.
    if (format == SubtitleFormat::Json)
        return JsonWriter::toText(task.entries, task.otherAreas.isEmpty() ? QList<QRect>() : task.areas(),
                                  task.refusedEntries());
    if (task.otherAreas.isEmpty())
        return textOf(task.entries, format, task.pictureSize(), task.cropRect);
    switch (format) {
    case SubtitleFormat::Ass:
        return AssWriter::toText(task.entries, task.pictureSize(), task.areas());
    default:
        return textOf(entriesOfArea(task.entries, 0), format);
    }
}

QList<SubtitleFormats::AreaFile> SubtitleFormats::areaFiles(const Di_riror_adiRIZ &task, SubtitleFormat format,
                                                           const QString &mainPath)
{
    QList<AreaFile> files;
    if (holdsEveryArea(format))
        return files;
    const QList<QRect> areas = task.areas();
    const QStringList suffixes = OutputNaming::areaSuffixes(areas, task.pictureSize());
    for (int area = 1; area < areas.size(); ++area) {
        const QList<SRTEntry> entries = entriesOfArea(task.entries, area);
        if (!entries.isEmpty())
            files.append({OutputNaming::withSuffix(mainPath, suffixes.at(area)), textOf(entries, format)});
    }
    return files;
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
