#include "videoimportcheck.h"

#include "core/workpool.h"
#include "tasks/tasklistobj.h"

#include <QFileInfo>
#include <QUrl>
#include <QtConcurrent/QtConcurrentMap>

VideoImportCheck::VideoImportCheck(QObject *parent)
    : QObject(parent)
{
    connect(&watcher, &QFutureWatcher<Verdict>::resultReadyAt, this, &VideoImportCheck::reportSoon);
    connect(&watcher, &QFutureWatcher<Verdict>::finished, this, &VideoImportCheck::reportSoon);
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

// Results that came while the GUI thread was busy each bring a signal of their own; answered at
// once, one pass of the loop would make a row for each of them (25 rows held it 70 ms). They only
// ask for the next pass, which hands on one video.
void VideoImportCheck::reportSoon()
{
    if (reportAsked)
        return;
    reportAsked = true;
    QMetaObject::invokeMethod(this, &VideoImportCheck::reportReady, Qt::QueuedConnection);
}

// Results arrive in any order; hand them on in the order given, one video per pass of the event
// loop, since each becomes a row and a task.
void VideoImportCheck::reportReady()
{
    reportAsked = false;
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
            reportSoon();
        return;
    }
    if (reported == paths.size() || watcher.isFinished()) {
        running = false;
        emit finished(rejected);
    }
}
