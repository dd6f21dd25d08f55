#include "tasklistobj.h"

#include "recognition/di_riror_adiriz.h"
#include "media/mediaprobe.h"

#include <QDebug>

#include <algorithm>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaPlayer>
#include <QPointer>
#include <QTimer>
#include <QVideoSink>

TaskListOBJ::TaskListOBJ(QObject *parent)
    : QObject(parent)
{
}

TaskListOBJ::~TaskListOBJ() = default;

void TaskListOBJ::addTask(const QUrl &url)
{
    const QString path = url.toLocalFile();
    appendTask(new Di_riror_adiRIZ(path));
    QStringList paths;
    for (const Di_riror_adiRIZ *task : std::as_const(tasks))
        paths.append(task->videoPath);
    qDebug() << path << paths;
}

void TaskListOBJ::appendTask(Di_riror_adiRIZ *task)
{
    task->setParent(this);
    tasks.append(task);
}

void TaskListOBJ::removeTask(int index)
{
    if (index < 0 || index >= tasks.size())
        return;
    delete tasks.takeAt(index);
}

bool TaskListOBJ::isPlayableVideo(const QUrl &url)
{
    // The container answers at once; a player would take seconds to give up on an audio file.
    if (!url.isLocalFile())
        return false;
    const MediaFacts facts = MediaProbe::probe(url.toLocalFile());
    return facts.verdict == MediaFacts::Playable && facts.durationMs > 0;
}

bool TaskListOBJ::canRun(const Di_riror_adiRIZ *task)
{
    // A task whose video is gone would never report a position, so the batch would wait for ever.
    return task->state == Ready && !task->fileMissing;
}

void TaskListOBJ::runAll()
{
    if (running)
        return;
    running = true;
    batchStopRequested = false;
    qsizetype index = 0;
    while (index < tasks.size()) {
        QPointer<Di_riror_adiRIZ> task = tasks.at(index);
        if (canRun(task))
            runTask(task);
        if (batchStopRequested)
            break;
        // The list may have changed while the task ran; go on after it, or where it was.
        if (task)
            index = tasks.indexOf(task.data()) + 1;
    }
    running = false;
    emit completedSig();
}

void TaskListOBJ::runTask(Di_riror_adiRIZ *task)
{
    QEventLoop loop;
    bool completed = false;
    auto finish = [&loop, &completed] {
        completed = true;
        loop.quit();
    };
    const int tag = int(tasks.indexOf(task));
    const QList<QMetaObject::Connection> links = {
        connect(task, &Di_riror_adiRIZ::completedSig, &loop, finish),
        // A task deleted while it runs never completes; its end is the end of the wait.
        connect(task, &QObject::destroyed, &loop, finish),
        connect(this, &TaskListOBJ::stopSig, task, &Di_riror_adiRIZ::stop_slots),
        connect(task, &Di_riror_adiRIZ::progress_updata, this, [this, task, tag] {
            const int now = int(tasks.indexOf(task));
            emit progress_updataSig(now >= 0 ? now : tag);
        }),
    };
    // A back end that stops reporting would hold the batch for ever.
    QTimer watchdog;
    QElapsedTimer sinceMove;
    qint64 seenPosition = -1;
    connect(&watchdog, &QTimer::timeout, &loop, [&, task] {
        if (!sinceMove.isValid() || task->lastPosition != seenPosition) {
            seenPosition = task->lastPosition;
            sinceMove.start();
        } else if (sinceMove.elapsed() > stallLimitMs && task->state == Running) {
            task->failStalledRun();
        }
    });
    watchdog.start(std::clamp(stallLimitMs / 4, 10, 1000));
    task->run_mian();
    // A refused run, or one that ended inside run_mian, has nothing left to wait for.
    if (!completed && task->state == Running)
        loop.exec();
    for (const QMetaObject::Connection &link : links)
        disconnect(link);
}

void TaskListOBJ::requestStop()
{
    batchStopRequested = true;
    emit stopSig();
}
