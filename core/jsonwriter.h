#pragma once

#include "refusedentry.h"
#include "srtentry.h"

// JSON for scripts: {"entries": [{"start": ms, "end": ms, "lines": [...],
// "readings": [{"time": ms, "lines": [...]}, ...]}, ...]}; readings are the samples the entry
// was built from. Entries refused as read from the picture follow in "refused", each flagged
// "refused": true with its "reason"; readers of "entries" never see them.
class JsonWriter
{
public:
    static QString toText(const QList<SRTEntry> &entries, const QList<RefusedEntry> &refused = {});
};
