#include "segmentation.h"

#include <QDebug>
#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <vector>

Q_LOGGING_CATEGORY(lcSegmentation, "tarnix.recognition.segmentation", QtWarningMsg)

namespace {

constexpr double similarityThreshold = 0.6;
constexpr int minimumGroupSize = 3;

QByteArray joinedUtf8(const FrameSample &sample)
{
    return sample.lines.join(QString()).toUtf8();
}

SRTEntry entryFromGroup(const QList<FrameSample> &group)
{
    // Ties go to the earliest sample: only a strictly greater count replaces the choice.
    int bestCount = 0;
    QStringList bestLines;
    for (const FrameSample &candidate : group) {
        const auto count = std::count_if(group.cbegin(), group.cend(),
                                         [&](const FrameSample &s) { return s.lines == candidate.lines; });
        if (count > bestCount) {
            bestCount = int(count);
            bestLines = candidate.lines;
        }
    }
    SRTEntry entry;
    entry.intime = group.first().time;
    entry.outtime = group.last().time;
    for (const QString &line : bestLines)
        entry.text += line + QLatin1Char('\n');
    entry.list = group;
    return entry;
}

} // namespace

int Segmentation::lcsLength(const QByteArray &a, const QByteArray &b)
{
    std::vector<int> previous(size_t(b.size()) + 1, 0);
    std::vector<int> current(size_t(b.size()) + 1, 0);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j) {
            current[j] = a[i - 1] == b[j - 1] ? previous[j - 1] + 1 : std::max(previous[j], current[j - 1]);
        }
        std::swap(previous, current);
    }
    return previous[size_t(b.size())];
}

double Segmentation::similarityRatio(const FrameSample &a, const FrameSample &b)
{
    const QByteArray textA = joinedUtf8(a);
    const QByteArray textB = joinedUtf8(b);
    const qsizetype longest = std::max(textA.size(), textB.size());
    if (longest == 0)
        return std::nan("");
    return double(lcsLength(textA, textB)) / double(longest);
}

bool Segmentation::isSimilar(const FrameSample &a, const FrameSample &b)
{
    const double ratio = similarityRatio(a, b);
    return std::isnan(ratio) || ratio >= similarityThreshold;
}

QList<SRTEntry> Segmentation::segmentSamples(QList<FrameSample> samples)
{
    QList<QList<FrameSample>> groups;
    QList<FrameSample> current;
    bool inRun = true;
    bool pushAtEnd = false;
    const qsizetype n = samples.size();

    for (qsizetype i = 1; i < n; ++i) {
        current.append(samples[i - 1]);
        if (!isSimilar(samples[i - 1], samples[i])) {
            if (inRun) {
                inRun = false;
                groups.append(current);
                current.clear();
                pushAtEnd = false;
            } else {
                pushAtEnd = true;
            }
        } else {
            if (!inRun) {
                inRun = true;
                current.clear();
            }
            pushAtEnd = true;
        }
        if (i == n - 1) {
            inRun = false;
            if (pushAtEnd)
                groups.append(current);
        }
    }

    QList<SRTEntry> entries;
    for (const QList<FrameSample> &group : groups) {
        if (group.size() < minimumGroupSize)
            continue;
        QString allText;
        for (const FrameSample &sample : group)
            allText += sample.lines.join(QString());
        if (allText.isEmpty()) {
            qCDebug(lcSegmentation) << "判断为空";
            continue;
        }
        entries.append(entryFromGroup(group));
    }
    return entries;
}
