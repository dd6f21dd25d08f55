#pragma once

#include "taskrecord.h"

#include <QDataStream>
#include <QString>

// The bytes of a project file (".wtarnix"), without the batch list that holds the tasks in the
// program: a header, then one record per task, as one Qt data stream. The program's project file
// and the command-line extractor read and write projects through this.
class ProjectStream
{
public:
    struct Header
    {
        qint16 projectVersion = 1;
        QString platformTag = QStringLiteral("win");
        qint64 count = 0;
    };

    static constexpr qint16 formatVersion = 1;
    // Task records: 1 as first made, 2 adds the scan mode (a version-1 task scans by playback), 3
    // counts every time from the presentation's start (earlier ones used the streams' own clock,
    // minutes off for a TV recording: Di_riror_adiRIZ::savedClockLead), 4 adds the further
    // subtitle areas, the area of every sample and entry, and whether the times still count on
    // the streams' clock (3 was written as 2 for that).
    static constexpr qint16 recordVersion = 4;
    // Bytes of the smallest possible task record; a count the rest of a file cannot hold is damage.
    static constexpr qint64 minimumRecordBytes = 99;

    static void writeHeader(QDataStream &out, const Header &header);
    // False (stream status ReadCorruptData) for a count the remaining bytes cannot hold.
    static bool readHeader(QDataStream &in, Header *header);
    static void writeRecord(QDataStream &out, const TaskRecord &record);
    // False at the first stream error, and for a record version newer than recordVersion (stream
    // status ReadCorruptData, nothing after the version read). The record holds what was read.
    static bool readRecord(QDataStream &in, TaskRecord *record);
};
