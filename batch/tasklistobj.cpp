#include "tasklistobj.h"

#include "batchlog.h"
#include "task/batchrunner.h"
#include "task/di_riror_adiriz.h"
#include "videoimportcheck.h"

#include <QDebug>

TaskListOBJ::TaskListOBJ(QObject *parent)
    : QObject(parent)
    , runner(new BatchRunner(this))
{
    connect(runner, &BatchRunner::nextWanted, this, &TaskListOBJ::offerNext);
    connect(runner, &BatchRunner::taskProgress, this, [this](Di_riror_adiRIZ *task) {
        const int index = int(tasks.indexOf(task));
        if (index >= 0)
            emit progress_updataSig(index);
    });
    connect(runner, &BatchRunner::finished, this, &TaskListOBJ::completedSig);
    connect(this, &TaskListOBJ::stopSig, runner, &BatchRunner::requestStop);
}

TaskListOBJ::~TaskListOBJ() = default;

void TaskListOBJ::addTask(const QUrl &url)
{
    const QString path = url.toLocalFile();
    appendTask(new Di_riror_adiRIZ(path));
    QStringList paths;
    for (const Di_riror_adiRIZ *task : std::as_const(tasks))
        paths.append(task->videoPath);
    qCDebug(lcBatch) << path << paths;
}

void TaskListOBJ::appendTask(Di_riror_adiRIZ *task)
{
    if (auto *before = qobject_cast<TaskListOBJ *>(task->parent()); before && before != this)
        before->tasks.removeAll(task);
    task->setParent(this);
    tasks.append(task);
}

QList<Di_riror_adiRIZ *> TaskListOBJ::takeAll()
{
    return std::exchange(tasks, {});
}

void TaskListOBJ::deleteAll()
{
    qDeleteAll(std::exchange(tasks, {}));
}

void TaskListOBJ::removeTask(int index)
{
    if (index < 0 || index >= tasks.size())
        return;
    delete tasks.takeAt(index);
}

bool TaskListOBJ::isPlayableVideo(const QUrl &url)
{
    return url.isLocalFile() && VideoImportCheck::check(url.toLocalFile()) == VideoImportCheck::Verdict::Video;
}

bool TaskListOBJ::canRun(const Di_riror_adiRIZ *task)
{
    // A task whose video is gone would never report a position, so the batch would wait for ever.
    // A stopped task goes on from where it stopped.
    return (task->state == TaskState::Ready || task->state == TaskState::Cancelled) && !task->fileMissing;
}

bool TaskListOBJ::isRunning() const
{
    return runner->isRunning();
}

void TaskListOBJ::setStallLimitMs(int ms)
{
    runner->setStallLimitMs(ms);
}

void TaskListOBJ::runAll()
{
    if (runner->isRunning())
        return;
    batchStopRequested = false;
    cursor = 0;
    runner->start();
}

void TaskListOBJ::offerNext(Di_riror_adiRIZ *previous)
{
    // The list may have changed while the task ran; go on after it, or where it was.
    if (previous && tasks.contains(previous))
        cursor = tasks.indexOf(previous) + 1;
    while (cursor < tasks.size() && !canRun(tasks.at(cursor)))
        ++cursor;
    Di_riror_adiRIZ *next = cursor < tasks.size() ? tasks.at(cursor) : nullptr;
    // Back to Ready keeping its samples and resume point.
    if (next && next->state == TaskState::Cancelled)
        next->makeReady();
    runner->offer(next);
}

void TaskListOBJ::requestStop()
{
    batchStopRequested = true;
    emit stopSig();
}
