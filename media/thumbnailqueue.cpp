#include "thumbnailqueue.h"

#include "framethumbnail.h"
#include "getvideothumbnail.h"

#include "core/workpool.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// Under Linux's normal scheduling Qt's thread priorities change nothing; a thread's nice value
// does. 10 gives the thumbnails a tenth of a core that the GUI thread also wants: it wins every
// turn it asks for, while a busy machine still lets the pictures come.
constexpr int decoderNice = 10;

void lowerThisThreadsPriority()
{
#ifdef Q_OS_LINUX
    setpriority(PRIO_PROCESS, id_t(gettid()), decoderNice);
#else
    QThread::currentThread()->setPriority(QThread::LowestPriority);
#endif
}

} // namespace

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
    , wake(new QTimer(this))
{
    wake->setSingleShot(true);
    connect(wake, &QTimer::timeout, this, &ThumbnailQueue::startNext);
}

ThumbnailQueue::~ThumbnailQueue()
{
    // Waits for the frame being decoded, a fraction of a second.
    if (decoderThread) {
        decoderThread->quit();
        decoderThread->wait();
        delete decoderContext;
        delete decoderThread;
    }
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
    Request request{context, path, std::move(deliver), {}, delayMs, chosen};
    request.since.start();
    (chosen == Way::Player ? forPlayers : waiting).push_back(std::move(request));
    startNext();
}

void ThumbnailQueue::cancel(QObject *context)
{
    for (std::deque<Request> *queue : {&waiting, &forPlayers}) {
        queue->erase(std::remove_if(queue->begin(), queue->end(),
                                    [context](const Request &request) { return request.context == context; }),
                     queue->end());
    }
}

void ThumbnailQueue::startNext()
{
    while (running.size() < size_t(concurrentGrabs) && !forPlayers.empty()) {
        Request next = std::move(forPlayers.front());
        forPlayers.pop_front();
        if (next.context)
            grabByPlayer(std::move(next));
    }
    while (!decoding && !waiting.empty()) {
        if (!waiting.front().context) {
            waiting.pop_front();
            continue;
        }
        const qint64 due = waiting.front().delayMs - waiting.front().since.elapsed();
        if (due > 0) {
            wake->start(int(due));
            return;
        }
        Request next = std::move(waiting.front());
        waiting.pop_front();
        decode(std::move(next));
    }
}

void ThumbnailQueue::decode(Request request)
{
    if (!decoderThread) {
        decoderThread = new QThread;
        decoderContext = new QObject;
        decoderContext->moveToThread(decoderThread);
        connect(decoderThread, &QThread::started, decoderContext, &lowerThisThreadsPriority, Qt::DirectConnection);
        decoderThread->start();
    }
    const QString path = request.path;
    decoding = std::move(request);
    QMetaObject::invokeMethod(decoderContext, [this, path] {
        const QSize box(GetVideoThumbnail::thumbnailWidth, GetVideoThumbnail::thumbnailHeight);
        const std::optional<QImage> picture = FrameThumbnail::take(path, box);
        QMetaObject::invokeMethod(this, [this, picture] { onDecoded(picture); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
}

void ThumbnailQueue::onDecoded(const std::optional<QImage> &picture)
{
    Request done = std::move(*decoding);
    decoding.reset();
    if (!picture) {
        // The player may know a way into a file our decoder cannot open.
        done.delayMs = 0;
        if (done.context)
            forPlayers.push_back(std::move(done));
    } else if (done.context) {
        done.deliver(QPixmap::fromImage(*picture));
    }
    startNext();
}

void ThumbnailQueue::grabByPlayer(Request request)
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
