#pragma once

#include <QCoreApplication>
#include <QList>
#include <QStringList>

class Di_riror_adiRIZ;

// Which finished tasks export-all writes, to which files, and what the user is told afterwards.
class ExportPlanner
{
    Q_DECLARE_TR_FUNCTIONS(ExportPlanner)
public:
    // Same order as SubtitleFormat.
    enum Format { Srt = 0, Txt = 1, Vtt = 2, Ass = 3, Json = 4 };

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

    static QString extension(int format);
    // "Files (*.ext)" for the save dialog.
    static QString fileFilter(int format);
    static Plan plan(const QList<Di_riror_adiRIZ *> &tasks, const QString &folder, int format);
    // Writes every planned task; a task's exportPath is set only when its file was written.
    static Outcome write(const Plan &plan, int format);
    static QString textOf(const Di_riror_adiRIZ &task, int format);
    // The files of the task's further subtitle areas beside `mainPath` ("NAME.top.srt"), for the
    // formats that hold one area; what could not be written, with the reason.
    static QStringList writeAreaFiles(const Di_riror_adiRIZ &task, int format, const QString &mainPath);
    // "成功： n / total", a blank line, "失败: m / total", then each failure on a line of its own.
    static QString statisticsText(int succeeded, const QStringList &failures);
};
