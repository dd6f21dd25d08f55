#pragma once

#include "core/srtentry.h"

// Cuts per-frame samples into runs of similar text and turns every run of at least three
// samples into one timed entry carrying the run's most frequent exact text.
class Segmentation
{
public:
    static QList<SRTEntry> segmentSamples(QList<FrameSample> samples);

    // Longest common subsequence of two byte strings; two rows of the table are enough.
    static int lcsLength(const QByteArray &a, const QByteArray &b);
    // LCS over the larger UTF-8 length of the joined lines; NaN when both are empty.
    static double similarityRatio(const FrameSample &a, const FrameSample &b);
    static bool isSimilar(const FrameSample &a, const FrameSample &b);
};
