#pragma once

#include "framesample.h"

#include <QString>

// One timed subtitle and the samples it was built from.
struct SRTEntry
{
    qint64 intime = 0;
    qint64 outtime = 0;
    QString text;
    QList<FrameSample> list;
    QString test_text;
    // The subtitle area it was read in (0: the main one), as its samples' area.
    int area = 0;
};

QDataStream &operator<<(QDataStream &out, const QList<SRTEntry> &entries);
// A stream error while reading leaves the list empty; an empty test_text reads back as "默认文字".
QDataStream &operator>>(QDataStream &in, QList<SRTEntry> &entries);

QDebug operator<<(QDebug debug, const SRTEntry &entry);
