#include "readingcache.h"

#include <QLoggingCategory>

#include <algorithm>
#include <numeric>

Q_LOGGING_CATEGORY(lcReadingCache, "tarnix.recognition.cache", QtWarningMsg)

bool ReadingCache::answers(const InkPrint &ink, qint64 timeMs, int area)
{
    std::deque<Read> &reads = recent[area];
    for (auto read = reads.rbegin(); read != reads.rend(); ++read) {
        if (read->ink.sameInkAs(ink)) {
            qCDebug(lcReadingCache) << "area" << area << "at" << timeMs << "answered by" << read->timeMs
                                    << read->ink.strayShare(ink);
            echoes.push_back(Echo{timeMs, read->timeMs, area});
            return true;
        }
    }
    // The arguments are only worked out with the category on.
    qCDebug(lcReadingCache) << "area" << area << "at" << timeMs << "read, closest"
                            << std::accumulate(reads.cbegin(), reads.cend(), 1.0, [&ink](double closest, const Read &read) {
                                   return std::min(closest, read.ink.strayShare(ink));
                               })
                            << ink.pixels();
    reads.push_back(Read{ink, timeMs});
    if (reads.size() > kept)
        reads.pop_front();
    return false;
}

void ReadingCache::fill(QList<FrameSample> &samples, AreaLineLooks &looks, qint64 untilMs) const
{
    const qsizetype read = samples.size();
    for (const Echo &echo : echoes) {
        if (echo.timeMs >= untilMs)
            continue;
        for (qsizetype i = 0; i < read; ++i) {
            if (samples[i].time == echo.sourceMs && samples[i].area == echo.area)
                samples.append(FrameSample{echo.timeMs, samples[i].lines, echo.area});
        }
        LineLooks &areaLooks = looks[echo.area];
        const auto source = areaLooks.constFind(echo.sourceMs);
        if (source != areaLooks.cend()) {
            const QList<LineLook> seen = *source;
            areaLooks.insert(echo.timeMs, seen);
        }
    }
}
