#pragma once

#include "core/srtentry.h"

// Turns the readings of a fast scan into entries. Every sample stands for a stretch of frames
// lasting until the next sample's time (the last one, empty, marks where the scan ended).
// Neighbouring stretches join when they read the same text, allowing for recognition noise, or
// when one of them is a brief step of a fade with similar text; a stretch with different text
// after a visible change starts a new entry even when the texts are alike.
class StretchSegmentation
{
public:
    // Samples of several areas are segmented area by area; entries come out by start time.
    static QList<SRTEntry> segment(QList<FrameSample> samples);

    // Text with its white space collapsed, for comparisons.
    static QString comparable(const QStringList &lines);
    // Same text but for recognition noise: at most one edit in twenty characters.
    static bool sameText(const QString &a, const QString &b);
    static int editDistance(const QString &a, const QString &b);

private:
    static QList<SRTEntry> segmentTrack(QList<FrameSample> samples);
};
