#pragma once

#include "core/srtentry.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Subtitles a video carries as text (SubRip, ASS, WebVTT, MP4's timed text): they need no reading
// of the picture, only taking out.
struct SubtitleStream
{
    int index = -1;   // in the container
    QString codec;    // ffmpeg's name: "subrip", "ass", "webvtt", "mov_text", ...
    QString language; // the container's tag ("eng", "chi"), empty when it has none
};

namespace SubtitleStreams {

QList<SubtitleStream> textStreams(const QString &path);
// The first stream in `language` (a recognition tag such as "en" or "zh-Hans"; empty: any); a
// stream without a tag matches any language. Nothing when the video carries none.
std::optional<SubtitleStream> inLanguage(const QList<SubtitleStream> &streams, const QString &language);
// The extension of the file the stream is as it is: "srt", "ass" or "vtt"; empty for a codec that
// has no file of its own (mov_text).
QString ownExtension(const SubtitleStream &stream);
// That file: the stream's packets unchanged, times from the presentation's start.
std::optional<QByteArray> copy(const QString &path, const SubtitleStream &stream);
// The stream's cues as entries, their text without styling, for any output format.
std::optional<QList<SRTEntry>> entries(const QString &path, const SubtitleStream &stream);

} // namespace SubtitleStreams
