#pragma once

#include "task/subtitleformat.h"

#include <QCoreApplication>
#include <QList>
#include <QStringList>

class Di_riror_adiRIZ;

// Which finished tasks export-all writes, to which files, and what the user is told afterwards.
class ExportPlanner
{
    Q_DECLARE_TR_FUNCTIONS(ExportPlanner)
public:
    struct Plan
    {
        QList<Di_riror_adiRIZ *> tasks; // finished tasks, in list order
        QStringList targets;            // one per task, all distinct
        QStringList existing;           // targets that exist before anything is written
        QStringList skipped;            // file names of the tasks that are not finished
    };

    struct Outcome
    {
        QStringList written;
        QStringList failed; // what could not be written, with the reason
    };

    static QString extension(SubtitleFormat format);
    // "Files (*.ext)" for the save dialog.
    static QString fileFilter(SubtitleFormat format);
    static Plan plan(const QList<Di_riror_adiRIZ *> &tasks, const QString &folder, SubtitleFormat format);
    // Writes every planned task; a task's exportPath is set only when its file was written.
    static Outcome write(const Plan &plan, SubtitleFormat format);
    static QString textOf(const Di_riror_adiRIZ &task, SubtitleFormat format);
    // The files of the task's further subtitle areas beside `mainPath` ("NAME.top.srt"), for the
    // formats that hold one area; what could not be written, with the reason.
    static QStringList writeAreaFiles(const Di_riror_adiRIZ &task, SubtitleFormat format, const QString &mainPath);
    // "成功： n / total", a blank line, "失败: m / total", then each failure on a line of its own.
    static QString statisticsText(int succeeded, const QStringList &failures);
};
