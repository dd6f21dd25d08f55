#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QThread;
class QTimer;

// Takes the thumbnails of a whole batch. Our own decoder takes them one at a time on a thread of
// low priority, so a drop of many videos leaves the GUI thread its core; a file it cannot decode
// goes to a player grab (GetVideoThumbnail), a few at a time, each with a thread for as long as it runs.
class ThumbnailQueue : public QObject
{
    Q_OBJECT
public:
    using Delivery = std::function<void(const QPixmap &)>;
    enum class Way { Decoder, Player };
    Q_ENUM(Way)

    // The queue of the application, made on first use; lives on the GUI thread.
    static ThumbnailQueue *instance();

    // Grabs the middle frame of `path` no sooner than `delayMs` after now and hands it to `deliver`
    // on the GUI thread, unless `context` is gone by then.
    void request(QObject *context, const QString &path, Delivery deliver, int delayMs = 500);
    // Drops what `context` still waits for; a grab already running for it is not delivered.
    void cancel(QObject *context);
    int runningGrabs() const { return int(running.size()) + (decoding ? 1 : 0); }
    // Requests from now on are taken by the decoder (falling back to a player) or by players alone.
    void setWay(Way way) { chosen = way; }
    Way way() const { return chosen; }

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
        Way way = Way::Decoder;
    };
    void startNext();
    void decode(Request request);
    void onDecoded(const std::optional<QImage> &picture);
    void grabByPlayer(Request request);

    Way chosen = Way::Decoder;
    std::deque<Request> waiting;
    std::deque<Request> forPlayers;
    std::vector<QThread *> running;
    QThread *decoderThread = nullptr;
    QObject *decoderContext = nullptr;
    std::optional<Request> decoding;
    QTimer *wake = nullptr;
};
