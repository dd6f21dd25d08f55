#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

class QThread;

// Takes the thumbnails of a whole batch a few at a time. Each grab gets a thread (and the grabber
// its player) for as long as it runs; a batch of hundreds of videos never holds hundreds of them.
class ThumbnailQueue : public QObject
{
    Q_OBJECT
public:
    using Delivery = std::function<void(const QPixmap &)>;

    // The queue of the application, made on first use; lives on the GUI thread.
    static ThumbnailQueue *instance();

    // Grabs the middle frame of `path` no sooner than `delayMs` after now and hands it to `deliver`
    // on the GUI thread, unless `context` is gone by then.
    void request(QObject *context, const QString &path, Delivery deliver, int delayMs = 500);
    // Drops what `context` still waits for; a grab already running for it is not delivered.
    void cancel(QObject *context);
    int runningGrabs() const { return int(running.size()); }

    static constexpr int concurrentGrabs = 2;

private:
    explicit ThumbnailQueue(QObject *parent);
    ~ThumbnailQueue() override;

    struct Request
    {
        QPointer<QObject> context;
        QString path;
        Delivery deliver;
        QElapsedTimer since;
        int delayMs = 0;
    };
    void startNext();
    void start(Request request);

    std::deque<Request> waiting;
    std::vector<QThread *> running;
};
