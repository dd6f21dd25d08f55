#include "videoimportcheck.h"

#include "core/workpool.h"
#include "tasks/tasklistobj.h"

#include <QFileInfo>
#include <QUrl>
#include <QtConcurrent/QtConcurrentMap>

VideoImportCheck::VideoImportCheck(QObject *parent)
    : QObject(parent)
{
    connect(&watcher, &QFutureWatcher<Verdict>::resultReadyAt, this, &VideoImportCheck::reportReady);
    connect(&watcher, &QFutureWatcher<Verdict>::finished, this, &VideoImportCheck::reportReady);
}

VideoImportCheck::~VideoImportCheck()
{
    // The files still queued are not wanted; the one being probed is let finish.
    watcher.cancel();
    watcher.waitForFinished();
}

VideoImportCheck::Verdict VideoImportCheck::check(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return Verdict::NotAFile;
    return TaskListOBJ::isPlayableVideo(QUrl::fromLocalFile(path)) ? Verdict::Video : Verdict::NotAVideo;
}

void VideoImportCheck::start(const QStringList &files)
{
    paths = files;
    rejected.clear();
    reported = 0;
    running = true;
    watcher.setFuture(QtConcurrent::mapped(WorkPool::instance(), paths, &VideoImportCheck::check));
}

// Results arrive in any order; hand them on in the order given, one video per pass of the event
// loop, since each becomes a row and a task.
void VideoImportCheck::reportReady()
{
    if (!running)
        return;
    const QFuture<Verdict> future = watcher.future();
    while (reported < paths.size() && future.isResultReadyAt(reported)) {
        const QString &path = paths.at(reported);
        const Verdict verdict = future.resultAt(reported++);
        if (verdict == Verdict::NotAVideo)
            rejected.append(path);
        if (verdict != Verdict::Video)
            continue;
        emit videoFound(path);
        // What is known already goes on in the next pass; the rest comes with its own signal.
        if (reported == paths.size() || future.isResultReadyAt(reported))
            QMetaObject::invokeMethod(this, &VideoImportCheck::reportReady, Qt::QueuedConnection);
        return;
    }
    if (reported == paths.size() || watcher.isFinished()) {
        running = false;
        emit finished(rejected);
    }
}
