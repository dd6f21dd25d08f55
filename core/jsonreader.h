#pragma once

#include "srtentry.h"

#include <QByteArray>

#include <optional>

// Reads back what JsonWriter writes: each entry's start, end and lines, and the readings it was
// built from. Nothing for bytes of another shape.
class JsonReader
{
public:
    static std::optional<QList<SRTEntry>> fromText(const QByteArray &text);
};
