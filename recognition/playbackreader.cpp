#include "playbackreader.h"

#include "ocr/sharedreader.h"

#include <QThread>
#include <QTransform>
#include <QVideoFrame>

PlaybackReader::PlaybackReader(QObject *parent)
    : QObject(parent)
    , thread(new QThread)
    , worker(new QObject)
{
    worker->moveToThread(thread);
    thread->start();
}

PlaybackReader::~PlaybackReader()
{
    thread->requestInterruption();
    thread->quit();
    thread->wait();
    delete worker;
    delete thread;
}

void PlaybackReader::submit(qint64 timeMs, const QVideoFrame &frame, const QRect &crop,
                            std::shared_ptr<SharedReader> reader)
{
    ++inFlight;
    // Both hops are queued, and a queue keeps its order: readings return as the frames came.
    QMetaObject::invokeMethod(worker, [this, timeMs, frame, crop, turn = rotation, reader = std::move(reader)] {
        // A reader being torn down drops what is still queued.
        if (QThread::currentThread()->isInterruptionRequested())
            return;
        QImage picture = frame.toImage().copy(crop);
        if (turn != 0 && !picture.isNull())
            picture = picture.transformed(QTransform().rotate(-turn));
        const bool unreadable = picture.isNull();
        const QStringList lines = unreadable ? QStringList() : reader->read(picture);
        QMetaObject::invokeMethod(this, [this, timeMs, lines, unreadable] {
            --inFlight;
            if (unreadable)
                emit frameUnreadable(timeMs);
            else
                emit frameRead(timeMs, lines);
        }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}
