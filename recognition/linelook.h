#pragma once

#include "ocr/linereading.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>

// One line read, with what the picture showed of it: its reading (box, pieces, confidence) and
// the colours at the two ends of its brightness, which for a subtitle are its fill and its
// outline. Kept in memory only; a project file stores the text alone.
struct LineLook
{
    LineReading reading;
    QColor light; // mean of the brightest tenth of the box
    QColor dark;  // mean of the darkest tenth

    bool hasBox() const { return reading.box.isValid(); }
    // The reading with its colours measured in `picture`, the image it was read from.
    static LineLook measured(const QImage &picture, const LineReading &reading);
};

// The lines of each reading by its time, in the order of the reading's lines.
using LineLooks = QHash<qint64, QList<LineLook>>;
// Each subtitle area's, by its index: two areas may be read at the same time.
using AreaLineLooks = QHash<int, LineLooks>;
