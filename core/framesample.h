#pragma once

#include <QDataStream>
#include <QDebug>
#include <QList>
#include <QMap>
#include <QStringList>

// One recognised video frame: the media position and the lines read from it.
struct FrameSample
{
    qint64 time = 0;
    QStringList lines;
    // Which of the task's subtitle areas it was read in: 0 the main one. Each area is a track of
    // its own; the list streams below keep times and lines only, the project stores areas apart.
    int area = 0;

    bool operator==(const FrameSample &other) const
    {
        return time == other.time && lines == other.lines && area == other.area;
    }
};

// The samples of each subtitle area, in their order, by area (each area is a track of its own).
QMap<int, QList<FrameSample>> samplesByArea(const QList<FrameSample> &samples);

QDataStream &operator<<(QDataStream &out, const QList<FrameSample> &samples);
// A stream error while reading leaves the list empty.
QDataStream &operator>>(QDataStream &in, QList<FrameSample> &samples);

QDebug operator<<(QDebug debug, const FrameSample &sample);
