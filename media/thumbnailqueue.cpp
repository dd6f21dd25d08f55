#include "thumbnailqueue.h"

#include "getvideothumbnail.h"

#include "core/workpool.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>

#ifdef __GLIBC__
#include <QThreadPool>

#include <atomic>
#include <malloc.h>

namespace {

// A grab's player frees its buffers on its own threads; glibc keeps those pages in the threads'
// arenas unless asked, so a batch of grabs would leave hundreds of megabytes behind. Trimming
// walks every arena (tens of milliseconds), so it runs on the pool; grabs ending meanwhile share it.
void trimHeapSoon()
{
    static std::atomic<bool> queued{false};
    if (queued.exchange(true))
        return;
    WorkPool::instance()->start([] {
        queued = false;
        malloc_trim(0);
    });
}

} // namespace
#endif

ThumbnailQueue *ThumbnailQueue::instance()
{
    static QPointer<ThumbnailQueue> queue;
    if (!queue)
        queue = new ThumbnailQueue(QCoreApplication::instance());
    return queue;
}

ThumbnailQueue::ThumbnailQueue(QObject *parent)
    : QObject(parent)
{
}

ThumbnailQueue::~ThumbnailQueue()
{
    // Quitting a thread ends the grab's waits too, so the application does not wait for them.
    for (QThread *thread : running) {
        thread->disconnect(this);
        thread->quit();
        thread->wait();
        delete thread;
    }
}

void ThumbnailQueue::request(QObject *context, const QString &path, Delivery deliver, int delayMs)
{
    Request request{context, path, std::move(deliver), {}, delayMs};
    request.since.start();
    waiting.push_back(std::move(request));
    startNext();
}

void ThumbnailQueue::cancel(QObject *context)
{
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [context](const Request &request) { return request.context == context; }),
                  waiting.end());
}

void ThumbnailQueue::startNext()
{
    while (running.size() < size_t(concurrentGrabs) && !waiting.empty()) {
        Request next = std::move(waiting.front());
        waiting.pop_front();
        if (next.context)
            start(std::move(next));
    }
}

void ThumbnailQueue::start(Request request)
{
    auto *thread = new QThread;
    auto *grabber = new GetVideoThumbnail;
    grabber->setSourcePath(request.path);
    grabber->moveToThread(thread);
    running.push_back(thread);
    connect(grabber, &GetVideoThumbnail::outImageSig, this, [thread, request](const QImage &picture) {
        thread->quit();
        if (request.context)
            request.deliver(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
    });
    // Deleted on its own thread as that thread ends, also when the queue itself is torn down at exit.
    connect(thread, &QThread::finished, grabber, [grabber] { delete grabber; }, Qt::DirectConnection);
    connect(thread, &QThread::finished, this, [this, thread] {
        running.erase(std::find(running.begin(), running.end(), thread));
        // The thread still tears the player down after saying it finished, and deleting it waits
        // for that: it is waited for on the pool and deleted here once it is done.
        WorkPool::instance()->start([this, thread] {
            thread->wait();
            QMetaObject::invokeMethod(this, [thread] { delete thread; }, Qt::QueuedConnection);
        });
#ifdef __GLIBC__
        trimHeapSoon();
#endif
        startNext();
    });
    thread->start(QThread::InheritPriority);
    const int delay = int(std::max<qint64>(0, request.delayMs - request.since.elapsed()));
    QMetaObject::invokeMethod(grabber, "grabAfter", Qt::QueuedConnection, Q_ARG(int, delay));
}
