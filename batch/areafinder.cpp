#include "areafinder.h"

#include "recognition/areadetectionjob.h"
#include "task/di_riror_adiriz.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcAreaFinder, "tarnix.batch.area", QtWarningMsg)

namespace {

QRect wholeFrameOf(const Di_riror_adiRIZ &task)
{
    return QRect(QPoint(0, 0), task.videoResolution());
}

} // namespace

AreaFinder::AreaFinder(QObject *parent)
    : QObject(parent)
{
}

void AreaFinder::add(Di_riror_adiRIZ *task)
{
    // A task deleted while it waits must not keep a Start waiting for it.
    connect(task, &QObject::destroyed, this, &AreaFinder::forget);
    if (!task->isProbingMedia()) {
        onProbed(task);
        return;
    }
    probing.append(task);
    connect(task, &Di_riror_adiRIZ::mediaProbed, this, [this, task] {
        disconnect(task, &Di_riror_adiRIZ::mediaProbed, this, nullptr);
        probing.removeOne(task);
        onProbed(task);
    });
}

bool AreaFinder::isBusy() const
{
    return !probing.isEmpty() || !queue.isEmpty() || (job && job->isRunning());
}

void AreaFinder::onProbed(Di_riror_adiRIZ *task)
{
    const QRect frame = wholeFrameOf(*task);
    const bool wholeFrame = task->cropRect.isNull() || task->cropRect == frame;
    if (task->state != TaskState::Ready || frame.isEmpty() || !wholeFrame) {
        reportIdle();
        return;
    }
    queue.append({task, task->cropRect});
    startNext();
}

void AreaFinder::startNext()
{
    if (job && job->isRunning())
        return;
    while (!queue.isEmpty() && !queue.first().task)
        queue.removeFirst();
    if (queue.isEmpty()) {
        reportIdle();
        return;
    }
    current = queue.takeFirst();
    if (!job) {
        job = new AreaDetectionJob(this);
        connect(job, &AreaDetectionJob::finished, this, &AreaFinder::onDetected);
    }
    // The same detection the editor's "find the subtitle area" runs, over the task's range.
    job->start(current.task->videoPath, current.task->timeRange_in, current.task->timeRange_out,
               current.task->videoResolution());
}

void AreaFinder::onDetected(const QRect &band)
{
    const Pending done = current;
    current = {};
    Di_riror_adiRIZ *task = done.task;
    if (task && !band.isNull() && task->cropRect == done.frame) {
        // Playback reads one area: the first found, the dialogue below before signs above.
        task->setFoundAreas(task->scanMode == ScanMode::Fast ? job->bands() : QList<QRect>{band});
        emit areaFound(task);
    } else if (task) {
        qCDebug(lcAreaFinder) << "area kept for" << task->videoPath << task->cropRect << "found" << band;
    }
    startNext();
}

void AreaFinder::forget(QObject *task)
{
    probing.removeOne(task);
    reportIdle();
}

void AreaFinder::reportIdle()
{
    if (!isBusy())
        emit idle();
}
