#pragma once

#include "core/srtentry.h"
#include "media/subtitlestreams.h"

#include <QByteArray>

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class Di_riror_adiRIZ;

// The formats a task's subtitles are exported in; the values are stored nowhere, only passed.
enum class SubtitleFormat { Srt, Txt, Vtt, Ass, Json };

class SubtitleFormats
{
public:
    static QList<SubtitleFormat> all();
    // File extension and command-line name: "srt", "txt", "vtt", "ass", "json".
    static QString extension(SubtitleFormat format);
    static std::optional<SubtitleFormat> fromExtension(const QString &extension);
    // ASS and JSON hold every subtitle area of the task; SRT, WebVTT and text the main one.
    static QString text(const Di_riror_adiRIZ &task, SubtitleFormat format);
    static bool holdsEveryArea(SubtitleFormat format);
    // The files of the task's further areas that go beside `mainPath` in a format holding one
    // ("NAME.top.srt", "NAME.area3.srt"); only areas that have entries.
    struct AreaFile
    {
        QString path;
        QString text;
    };
    static QList<AreaFile> areaFiles(const Di_riror_adiRIZ &task, SubtitleFormat format, const QString &mainPath);
    // Entries that belong to no task; ASS places them at the bottom of a frame of `frame`'s size.
    static QString textOf(const QList<SRTEntry> &entries, SubtitleFormat format, const QSize &frame = QSize(),
                          const QRect &crop = QRect());
    // The file of a subtitle stream the video carries as text: byte for byte when `format` is the
    // stream's own, else its cues written anew. Nothing when the stream cannot be taken out.
    static std::optional<QByteArray> streamFile(const QString &video, const SubtitleStream &stream,
                                                SubtitleFormat format);
};
