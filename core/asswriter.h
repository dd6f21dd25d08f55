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
    // Entries of several areas (`areas[entry.area]`, the first the main one) in one script, each
    // where it was seen: a band in the upper third lifted to the top ("\an8"), one in the lower
    // third at the bottom, each with its own margin, and one between them centred on its band
    // ("\pos").
    static QString toText(const QList<SRTEntry> &entries, const QSize &frame, const QList<QRect> &areas);
    static bool isUpperBand(const QRect &crop, const QSize &frame);
    // "h:mm:ss.cc", centiseconds rounded to the nearest.
    static QString clockText(qint64 ms);
};
