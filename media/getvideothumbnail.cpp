#include "getvideothumbnail.h"

#include "media/mediasource.h"

#include <QMediaPlayer>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

GetVideoThumbnail::GetVideoThumbnail(QObject *parent)
    : QObject(parent)
    , limit(new QTimer(this))
{
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, this, &GetVideoThumbnail::onTimeLimit);
}

GetVideoThumbnail::~GetVideoThumbnail()
{
    // A player torn down mid-grab still reports its status; the grab must not answer from here.
    if (player)
        player->disconnect(this);
    delete player;
}

void GetVideoThumbnail::grabAfter(int delayMs)
{
    if (!delay) {
        delay = new QTimer(this);
        delay->setSingleShot(true);
        connect(delay, &QTimer::timeout, this, &GetVideoThumbnail::getVideoThumbnail);
    }
    delay->start(delayMs);
}

void GetVideoThumbnail::getVideoThumbnail()
{
    if (player)
        return;
    player = new QMediaPlayer;
    // The player's child, so it outlives the player's own teardown.
    sink = new QVideoSink(player);
    playing = false;
    player->setVideoSink(sink);
    connect(player, &QMediaPlayer::mediaStatusChanged, this, &GetVideoThumbnail::onStatus);
    connect(player, &QMediaPlayer::errorOccurred, this, &GetVideoThumbnail::onStatus);
    MediaSource::setPlayerSource(player, source);
    limit->start(waitLimitMs);
    onStatus();
}

void GetVideoThumbnail::onStatus()
{
    if (!player || playing)
        return;
    if (player->error() != QMediaPlayer::NoError || player->mediaStatus() == QMediaPlayer::InvalidMedia)
        finish();
    else if (player->mediaStatus() == QMediaPlayer::LoadedMedia)
        onLoaded();
}

void GetVideoThumbnail::onLoaded()
{
    if (!player->hasVideo()) {
        finish();
        return;
    }
    playing = true;
    player->setPosition(player->duration() / 2);
    player->play();
    // Only now: the seek itself reports a position before the frame is there.
    connect(player, &QMediaPlayer::positionChanged, this, &GetVideoThumbnail::onPosition);
    limit->start(waitLimitMs);
}

void GetVideoThumbnail::onPosition()
{
    // The first position after the seek comes with its frame in the sink.
    finish();
}

void GetVideoThumbnail::onTimeLimit()
{
    // A back end that never says it loaded may still play; one that never moves gives what it has.
    if (player && !playing && player->error() == QMediaPlayer::NoError && player->hasVideo())
        onLoaded();
    else
        finish();
}

void GetVideoThumbnail::finish()
{
    limit->stop();
    QImage image;
    if (playing) {
        // Stopping may drop the sink's frame, so take it first.
        image = sink->videoFrame().toImage();
    }
    player->disconnect(this);
    player->stop();
    // Not from inside the player's own signal.
    player->deleteLater();
    player = nullptr;
    sink = nullptr;
    playing = false;
    if (!image.isNull())
        image = image.scaled(thumbnailWidth, thumbnailHeight, Qt::KeepAspectRatio, Qt::FastTransformation);
    emit outImageSig(image);
}
