#pragma once

// Helpers shared by the batch tests: fixtures, hand-made tasks, modal answers and file questions.

#include "fixtures.h"
#include "modalanswers.h"
#include "taskrewrite.h"
#include "testfiles.h"
#include "task/di_riror_adiriz.h"
#include "batch/filedialogs.h"
#include "batch/projectfile.h"
#include "batch/taskcustomitem.h"
#include "batch/tasklistobj.h"
#include "batch/tasklistwidgetsclass.h"
#include "batch/taskqlistwidget.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace TasksTest {

using TestFiles::readAll;
using TestFiles::writeAll;

// Settings and standard folders under `home`, away from the user's own.
inline void useHome(const QString &home)
{
    qputenv("HOME", home.toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    QStandardPaths::setTestModeEnabled(true);
}

// A task without media, as the project reader makes them. It has a range, so that a position
// report of its idle player does not look like the end of a run, and scans by playback: its idle
// player keeps a started run Running until the test ends it (a fast scan would fail at once).
inline Di_riror_adiRIZ *handMadeTask(TaskListOBJ &list, const QString &videoPath, TaskState state)
{
    auto *task = new Di_riror_adiRIZ(&list);
    rewrite(task, [&](TaskRecord &r) {
        r.scanMode = ScanMode::Playback;
        r.videoPath = videoPath;
        r.videoFileName = videoPath.section(QLatin1Char('/'), -1);
        r.state = TaskState(state);
        r.timeRange_in = 0;
        r.timeRange_out = r.duration = 60000;
    });
    list.appendTask(task);
    return task;
}

inline QStringList pathsOf(const TaskListOBJ &list)
{
    QStringList paths;
    for (const Di_riror_adiRIZ *task : list.taskList())
        paths.append(task->videoPath);
    return paths;
}

inline QByteArray streamed(const TaskListOBJ &list)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << list;
    return bytes;
}

inline QPushButton *button(TaskListWidgetsClass &page, const char *name)
{
    return page.findChild<QPushButton *>(name);
}

inline TaskQListWidget *listOf(TaskListWidgetsClass &page)
{
    return page.findChild<TaskQListWidget *>("listWidget");
}

inline QString stateShown(TaskListWidgetsClass &page, int row)
{
    return listOf(page)->rowWidget(row)->findChild<QLabel *>("state_label")->text();
}

inline void dropOn(QWidget *target, const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    drop.ignore();
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
}

// Ends a run the way the worker does.
inline void finish(Di_riror_adiRIZ *task, TaskState state = TaskState::Done)
{
    rewrite(task, [state](TaskRecord &r) { r.state = TaskState(state); });
    emit task->completedSig();
}

// Starts the batch and waits for its end; false when it did not end in time.
inline bool runToEnd(TaskListOBJ &list, int timeoutMs = 10000)
{
    QSignalSpy completed(&list, &TaskListOBJ::completedSig);
    list.runAll();
    return !completed.isEmpty() || completed.wait(timeoutMs);
}

// Plays the part of the worker: whenever a task turns Running, hands it to `onRunning`, which by
// default finishes it the way a run that reached its end does.
class BatchDriver : public QObject
{
public:
    using Action = std::function<void(Di_riror_adiRIZ *)>;

    explicit BatchDriver(TaskListOBJ &list, Action action = [](Di_riror_adiRIZ *task) { finish(task); })
        : list(list)
        , onRunning(std::move(action))
    {
        // Tasks that were Running before the batch started are not the runner's doing.
        for (Di_riror_adiRIZ *task : list.taskList()) {
            if (task->state == TaskState::Running)
                seen.append(task);
        }
        connect(&poll, &QTimer::timeout, this, [this] { look(); });
        poll.start(5);
    }

    QStringList ran; // video paths, in the order the runner started them

private:
    void look()
    {
        for (Di_riror_adiRIZ *task : list.taskList()) {
            if (task->state == TaskState::Running && !seen.contains(task)) {
                seen.append(task);
                ran.append(task->videoPath);
                onRunning(task);
                return;
            }
        }
    }

    TaskListOBJ &list;
    Action onRunning;
    QTimer poll;
    QList<Di_riror_adiRIZ *> seen;
};

// Answers every file question with `answers` for the lifetime of the object, recording the questions.
class FileAnswers
{
public:
    explicit FileAnswers(QStringList answers = {})
        : answers(std::move(answers))
    {
        FileDialogs::setHandler([this](const FileDialogs::Request &request) {
            asked.append(request);
            return this->answers;
        });
    }
    ~FileAnswers() { FileDialogs::setHandler({}); }
    FileAnswers(const FileAnswers &) = delete;
    FileAnswers &operator=(const FileAnswers &) = delete;

    QStringList answers;
    QList<FileDialogs::Request> asked;
};

} // namespace TasksTest
