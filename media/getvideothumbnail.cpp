#include "getvideothumbnail.h"

#include "media/mediasource.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMediaPlayer>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

namespace {

// Runs a local loop until `signal` of `sender` fires or the time limit passes.
template<typename Signal>
void waitFor(const QMediaPlayer *sender, Signal signal, int limitMs)
{
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(sender, signal, &loop, [&loop] { loop.quit(); });
    limit.start(limitMs);
    loop.exec();
}

} // namespace

GetVideoThumbnail::GetVideoThumbnail(QObject *parent)
    : QObject(parent)
{
}

void GetVideoThumbnail::grabAfter(int delayMs)
{
    if (!delay) {
        delay = new QTimer(this);
        delay->setSingleShot(true);
        connect(delay, &QTimer::timeout, this, [this] {
            const QImage image = grabImage();
            // Ended by the application going away: there is no GUI left to make a pixmap for.
            if (!QCoreApplication::closingDown())
                deliver(image);
        });
    }
    delay->start(delayMs);
}

QPixmap GetVideoThumbnail::getVideoThumbnail()
{
    return deliver(grabImage());
}

QImage GetVideoThumbnail::grabImage()
{
    QImage image;
    {
        QMediaPlayer player;
        QVideoSink sink;
        player.setVideoSink(&sink);
        MediaSource::setPlayerSource(&player, source);
        if (player.error() == QMediaPlayer::NoError && player.mediaStatus() != QMediaPlayer::LoadedMedia)
            waitFor(&player, &QMediaPlayer::mediaStatusChanged, waitLimitMs);
        if (player.error() == QMediaPlayer::NoError && player.hasVideo()) {
            player.setPosition(player.duration() / 2);
            player.play();
            waitFor(&player, &QMediaPlayer::positionChanged, waitLimitMs);
            // Stopping may drop the sink's frame, so take it first.
            image = sink.videoFrame().toImage();
            player.stop();
        }
    }
    return image;
}

QPixmap GetVideoThumbnail::deliver(const QImage &image)
{
    QPixmap picture;
    if (!image.isNull())
        picture = QPixmap::fromImage(image.scaled(thumbnailWidth, thumbnailHeight, Qt::KeepAspectRatio,
                                                  Qt::FastTransformation));
    emit outImageSig(picture);
    return picture;
}
