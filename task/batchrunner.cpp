#include "batchrunner.h"

#include "di_riror_adiriz.h"

#include <QTimer>

#include <algorithm>

BatchRunner::BatchRunner(QObject *parent)
    : QObject(parent)
    , watchdog(new QTimer(this))
{
    connect(watchdog, &QTimer::timeout, this, &BatchRunner::checkStall);
}

BatchRunner::~BatchRunner()
{
    unwatch();
}

void BatchRunner::setStallLimitMs(int ms)
{
    stallLimit = ms;
}

void BatchRunner::start()
{
    if (running)
        return;
    running = true;
    stopRequested = false;
    awaitingOffer = true;
    emit nextWanted(nullptr);
}

void BatchRunner::offer(Di_riror_adiRIZ *task)
{
    if (!running || !awaitingOffer)
        return;
    awaitingOffer = false;
    if (!task || stopRequested) {
        finish();
        return;
    }
    watch(task);
    emit taskStarted(task);
    task->run_mian();
    // A refused start reports nothing more; a run may also have ended inside run_mian.
    if (!ending && (!current || current->state != TaskState::Running))
        onTaskOver();
}

void BatchRunner::requestStop()
{
    if (!running)
        return;
    stopRequested = true;
    if (current && !ending)
        current->stop_slots();
}

void BatchRunner::watch(Di_riror_adiRIZ *task)
{
    current = task;
    links = {
        connect(task, &Di_riror_adiRIZ::completedSig, this, &BatchRunner::onTaskOver),
        connect(task, &QObject::destroyed, this, &BatchRunner::onTaskOver),
        connect(task, &Di_riror_adiRIZ::progress_updata, this,
                [this, task](float fraction) { emit taskProgress(task, fraction); }),
    };
    sinceMove.invalidate();
    seenPosition = -1;
    // A quarter of the limit finds a stall soon enough; more often would only cost wake-ups.
    watchdog->start(std::clamp(stallLimit / 4, 10, 1000));
}

void BatchRunner::unwatch()
{
    for (const QMetaObject::Connection &link : std::as_const(links))
        disconnect(link);
    links.clear();
    watchdog->stop();
}

void BatchRunner::onTaskOver()
{
    if (ending)
        return;
    ending = true;
    unwatch();
    // Not inside the task's own signal: the owner may delete the task when told it ended.
    QMetaObject::invokeMethod(this, &BatchRunner::endCurrent, Qt::QueuedConnection);
}

void BatchRunner::endCurrent()
{
    ending = false;
    Di_riror_adiRIZ *task = current.data();
    const QPointer<Di_riror_adiRIZ> guard(task);
    current = nullptr;
    emit taskEnded(task);
    if (stopRequested) {
        finish();
        return;
    }
    awaitingOffer = true;
    // The owner may have deleted the task when told it ended.
    emit nextWanted(guard.data());
}

void BatchRunner::checkStall()
{
    Di_riror_adiRIZ *task = current.data();
    if (!task || ending)
        return;
    if (!sinceMove.isValid() || task->lastPosition != seenPosition) {
        seenPosition = task->lastPosition;
        sinceMove.start();
    } else if (sinceMove.elapsed() > stallLimit && task->state == TaskState::Running) {
        task->failStalledRun();
    }
}

void BatchRunner::finish()
{
    running = false;
    awaitingOffer = false;
    current = nullptr;
    emit finished();
}
