#pragma once

#include <QDataStream>
#include <QDebug>
#include <QList>
#include <QStringList>

// One recognised video frame: the media position and the lines read from it.
struct FrameSample
{
    qint64 time = 0;
    QStringList lines;

    bool operator==(const FrameSample &other) const { return time == other.time && lines == other.lines; }
};

QDataStream &operator<<(QDataStream &out, const QList<FrameSample> &samples);
// A stream error while reading leaves the list empty.
QDataStream &operator>>(QDataStream &in, QList<FrameSample> &samples);

QDebug operator<<(QDebug debug, const FrameSample &sample);
