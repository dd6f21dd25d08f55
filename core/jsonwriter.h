#pragma once

#include "srtentry.h"

// JSON for scripts: {"entries": [{"start": ms, "end": ms, "lines": [...],
// "readings": [{"time": ms, "lines": [...]}, ...]}, ...]}; readings are the samples the entry
// was built from.
class JsonWriter
{
public:
    static QString toText(const QList<SRTEntry> &entries);
};
