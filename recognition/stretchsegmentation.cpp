#include "stretchsegmentation.h"

#include "segmentation.h"

#include <algorithm>
#include <vector>

namespace {

// Stretches shorter than this are steps of a fade or a flicker, not a subtitle of their own.
constexpr qint64 briefStretchMs = 160;
// Entries shorter than this are fragments of a transition.
constexpr qint64 shortestEntryMs = 200;
constexpr double fadeSimilarity = 0.6;

struct Span
{
    qint64 start = 0;
    qint64 end = 0;
    FrameSample sample;
    QString text;
};

// One sample per time: a second reading of a stretch replaces an empty first one.
QList<FrameSample> oneReadingPerTime(QList<FrameSample> samples)
{
    std::stable_sort(samples.begin(), samples.end(),
                     [](const FrameSample &a, const FrameSample &b) { return a.time < b.time; });
    QList<FrameSample> kept;
    for (const FrameSample &sample : samples) {
        if (!kept.isEmpty() && kept.last().time == sample.time) {
            if (kept.last().lines.join(QString()).trimmed().isEmpty())
                kept.last() = sample;
            continue;
        }
        kept.append(sample);
    }
    return kept;
}

bool joins(const Span &last, const Span &next)
{
    if (last.end != next.start)
        return false;
    if (StretchSegmentation::sameText(last.text, next.text))
        return true;
    const bool brief = last.end - last.start < briefStretchMs || next.end - next.start < briefStretchMs;
    return brief && Segmentation::similarityRatio(last.sample, next.sample) >= fadeSimilarity;
}

SRTEntry entryFrom(const std::vector<Span> &group)
{
    // The text of the longest stretch: the steady picture, not a step of its fade.
    const Span *longest = &group.front();
    for (const Span &span : group) {
        if (span.end - span.start > longest->end - longest->start)
            longest = &span;
    }
    SRTEntry entry;
    entry.intime = group.front().start;
    entry.outtime = group.back().end;
    entry.area = group.front().sample.area;
    for (const QString &line : longest->sample.lines)
        entry.text += line + QLatin1Char('\n');
    for (const Span &span : group)
        entry.list.append(span.sample);
    return entry;
}

} // namespace

QString StretchSegmentation::comparable(const QStringList &lines)
{
    return lines.join(QLatin1Char(' ')).simplified();
}

int StretchSegmentation::editDistance(const QString &a, const QString &b)
{
    std::vector<int> previous(size_t(b.size()) + 1);
    std::vector<int> current(size_t(b.size()) + 1);
    for (size_t j = 0; j < previous.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int substitution = previous[size_t(j) - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[size_t(j)] = std::min({previous[size_t(j)] + 1, current[size_t(j) - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return previous[size_t(b.size())];
}

bool StretchSegmentation::sameText(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const qsizetype longer = std::max(a.size(), b.size());
    return editDistance(a, b) <= std::max<qsizetype>(1, longer / 20);
}

QList<SRTEntry> StretchSegmentation::segment(QList<FrameSample> samples)
{
    // Each area is a track of its own: a sign coming or going at the top never cuts the dialogue.
    const QMap<int, QList<FrameSample>> tracks = samplesByArea(samples);
    if (tracks.size() <= 1)
        return segmentTrack(std::move(samples));
    QList<SRTEntry> entries;
    for (const QList<FrameSample> &track : tracks)
        entries.append(segmentTrack(track));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const SRTEntry &a, const SRTEntry &b) { return a.intime < b.intime; });
    return entries;
}

QList<SRTEntry> StretchSegmentation::segmentTrack(QList<FrameSample> samples)
{
    const QList<FrameSample> readings = oneReadingPerTime(std::move(samples));
    QList<SRTEntry> entries;
    std::vector<Span> group;
    auto close = [&] {
        if (!group.empty() && group.back().end - group.front().start >= shortestEntryMs)
            entries.append(entryFrom(group));
        group.clear();
    };
    for (qsizetype i = 0; i + 1 < readings.size(); ++i) {
        const Span span{readings[i].time, readings[i + 1].time, readings[i], comparable(readings[i].lines)};
        if (span.text.isEmpty()) {
            close();
            continue;
        }
        if (!group.empty() && !joins(group.back(), span))
            close();
        group.push_back(span);
    }
    close();
    return entries;
}
