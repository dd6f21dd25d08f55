#pragma once

#include "srtentry.h"

#include <QRect>

// Turns a task's entries into SubRip or plain text, and its settings into the row summary.
class SubtitleWriter
{
public:
    static QString toSrtText(const QList<SRTEntry> &entries);
    static QString toTxtText(const QList<SRTEntry> &entries);
    static QString summaryText(qint64 timeRangeIn, qint64 timeRangeOut, const QStringList &languages,
                               double frameRate, const QRect &cropRect);
};
