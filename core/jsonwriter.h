#pragma once

#include "refusedentry.h"
#include "srtentry.h"

#include <QRect>

// JSON for scripts: {"entries": [{"start": ms, "end": ms, "area": n, "lines": [...],
// "readings": [{"time": ms, "lines": [...]}, ...]}, ...]}; readings are the samples the entry
// was built from, area the index of the subtitle area it was read in (0 the main one). Given
// the areas, "areas": [{"x", "y", "width", "height"}, ...] says where each is. Entries refused as
// read from the picture follow in "refused", each flagged "refused": true with its "reason";
// readers of "entries" never see them.
class JsonWriter
{
public:
    static QString toText(const QList<SRTEntry> &entries, const QList<QRect> &areas = {},
                          const QList<RefusedEntry> &refused = {});
};
