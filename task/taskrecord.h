#pragma once

#include "core/framesample.h"
#include "scanmode.h"
#include "core/srtentry.h"
#include "taskstate.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// What a task keeps of its own and a project file stores: settings, results and the place a run
// reached. The task holds one privately and shows each field read-only under the same name.
struct TaskRecord
{
    qint16 recordVersion = 1;
    QString videoPath;
    QString videoFileName;
    qint64 timeRange_in = -1;
    qint64 timeRange_out = -1;
    qint64 lastPosition = 0;
    float progress = 0;
    QString exportPath;
    qint64 duration = 0;
    TaskState state = TaskState::Unknown;
    double Frame_rate = 1.0;
    ScanMode scanMode = ScanMode::Fast;
    QString errorText;
    QStringList languages;
    QRect cropRect;           // the main subtitle area
    QList<QRect> otherAreas;  // read too, each as a track of its own (area 1, 2, …)
    QList<FrameSample> samples;
    QList<SRTEntry> entries;
    bool stopRequested = false;
    // Read from a project saved before times counted from the presentation's start; written back
    // as such until the user has moved or kept them, so that the question is never lost.
    bool streamClockTimes = false;
};
