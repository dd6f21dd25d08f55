#pragma once

#include "task/projectstream.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QString>

class Di_riror_adiRIZ;
class TaskListOBJ;

// The project file (".wtarnix"): the whole batch as one Qt data stream, header then task records.
class ProjectFile
{
    Q_DECLARE_TR_FUNCTIONS(ProjectFile)
public:
    static constexpr qint16 formatVersion = ProjectStream::formatVersion;
    static constexpr qint16 recordVersion = ProjectStream::recordVersion;
    static constexpr qint64 minimumRecordBytes = ProjectStream::minimumRecordBytes;

    // Replaces the file only once everything was written; the old file survives any failure.
    static bool save(const QString &path, const TaskListOBJ &list, QString *errorText = nullptr);
    // Reads into `into` (an empty list) and opens each task's video. On failure `into` is left
    // empty and errorText says why; nothing else is touched.
    static bool load(const QString &path, TaskListOBJ &into, QString *errorText = nullptr);
    // The reading half of load: every record read and checked, no video opened.
    static bool read(QIODevice *device, TaskListOBJ &into, QString *errorText = nullptr);

    static void writeTask(QDataStream &out, const Di_riror_adiRIZ &task);
    // Fills a restored task; false at the first stream error, and for a record version newer
    // than recordVersion (stream status ReadCorruptData, nothing after the version read).
    static bool readTask(QDataStream &in, Di_riror_adiRIZ &task);
};

QDataStream &operator<<(QDataStream &out, const TaskListOBJ &list);
// Appends one restored (not yet opened) task per sound record and stops at the first damage, with
// the stream's status telling why. A count the remaining bytes cannot hold reads no task at all.
QDataStream &operator>>(QDataStream &in, TaskListOBJ &list);
