#pragma once

#include "srtentry.h"

#include <QRect>
#include <QSize>

// Advanced SubStation Alpha for retiming and restyling: the video's resolution as the script's,
// one style, and every entry lifted to the top ("\an8") when the task read a band in the upper
// half of the frame.
class AssWriter
{
public:
    // `frame` invalid: the format's own default resolution; `crop` null: the whole frame.
    static QString toText(const QList<SRTEntry> &entries, const QSize &frame, const QRect &crop);
    static bool isUpperBand(const QRect &crop, const QSize &frame);
    // "h:mm:ss.cc", centiseconds rounded to the nearest.
    static QString clockText(qint64 ms);
};
