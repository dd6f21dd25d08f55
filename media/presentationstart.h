#pragma once

#include <QtGlobal>

struct AVFormatContext;

// The moment a presentation starts, on its streams' own clock: the earliest start of any of its
// streams, as players take it for 00:00:00. An MPEG-TS recording starts wherever the broadcast
// clock stood (often minutes, up to 26 hours), an MP4 with a leading edit or an MKV whose first
// frame is late a little after zero; every time we show or write is counted from here.
namespace PresentationStart {

// In milliseconds; 0 when the container does not say.
qint64 ofContainer(const AVFormatContext *format);

} // namespace PresentationStart
