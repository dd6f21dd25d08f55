#pragma once

#include <QRect>
#include "srtentry.h"

#include <QByteArray>

#include <optional>

// Reads back what JsonWriter writes: each entry's start, end and lines, and the readings it was
// built from. Nothing for bytes of another shape.
class JsonReader
{
public:
    static std::optional<QList<SRTEntry>> fromText(const QByteArray &text);
    // The subtitle areas a file names ("areas"), the main one first; empty when it names none.
    static QList<QRect> areasOf(const QByteArray &text);
};
