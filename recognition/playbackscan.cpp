#include "playbackscan.h"

#include "damagecount.h"
#include "playbackreader.h"

#include "media/mediasource.h"
#include "ocr/sharedreader.h"
#include "ocr/textrecognizer.h"

#include <QLoggingCategory>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <utility>

Q_LOGGING_CATEGORY(lcPlayback, "tarnix.recognition.playback", QtWarningMsg)

namespace {

// How far before the out point the media may end without the run calling it cut short.
constexpr qint64 earlyEndToleranceMs = 1000;

// Position reports a seek can still deliver from before it; further off than this they are stale.
constexpr qint64 seekToleranceMs = 1000;

// Frames waiting for their reading; past this a position report takes no sample, as it did
// while recognition held the thread the reports come on.
constexpr int maximumReadingsInFlight = 2;

} // namespace

PlaybackScan::PlaybackScan(QObject *parent)
    : QObject(parent)
{
}

PlaybackScan::~PlaybackScan()
{
    // Waits for a reading in hand.
    delete reader;
}

void PlaybackScan::start(const Settings &runSettings)
{
    if (phase != Phase::Idle)
        return;
    settings = runSettings;
    result = Outcome{};
    result.resumeMs = settings.fromMs;
    stopRequested = false;
    lastSampleMs = -1;
    engine.reset();
    mediaPlayer = new QMediaPlayer(this);
    sink = new QVideoSink(this);
    connect(mediaPlayer, &QMediaPlayer::positionChanged, this, &PlaybackScan::onPositionChanged);
    connect(mediaPlayer, &QMediaPlayer::mediaStatusChanged, this, &PlaybackScan::onMediaStatusChanged);
    connect(mediaPlayer, &QMediaPlayer::errorOccurred, this, &PlaybackScan::onPlayerError);
    MediaSource::setPlayerSource(mediaPlayer, settings.path);
    mediaPlayer->setVideoSink(sink);
    reader = new PlaybackReader(this);
    reader->setRotation(settings.storedRotation);
    connect(reader, &PlaybackReader::frameRead, this, &PlaybackScan::onFrameRead);
    connect(reader, &PlaybackReader::frameUnreadable, this, &PlaybackScan::onFrameUnreadable);
    // The player hides damaged frames, so they are counted beside it.
    if (!damageCount)
        damageCount = new DamageCount(this);
    damageCount->start(settings.path, settings.fromMs, settings.toMs);
    phase = Phase::Loading;
}

void PlaybackScan::play(std::shared_ptr<SharedReader> readingEngine)
{
    if (phase != Phase::Loading)
        return;
    engine = std::move(readingEngine);
    phase = Phase::Playing;
    // A back end that loads in the background is not ready for a seek yet; it says when it is.
    if (mediaPlayer->mediaStatus() != QMediaPlayer::LoadingMedia)
        startPlayer();
}

void PlaybackScan::startPlayer()
{
    awaitingSeek = true;
    mediaPlayer->setPosition(settings.fromMs + settings.playerOffsetMs);
    mediaPlayer->setPlaybackRate(settings.rate);
    mediaPlayer->play();
}

void PlaybackScan::stop()
{
    stopRequested = true;
    // Nothing played yet: the run ends without waiting for the engine.
    if (phase == Phase::Loading)
        endRun(Status::Stopped);
}

void PlaybackScan::fail(const QString &reason)
{
    if (phase == Phase::Idle)
        return;
    // Frames still being read are dropped, so the resume point goes back to the last one read.
    if (reader->pending() > 0)
        result.resumeMs = lastSampleMs < 0 ? settings.fromMs : std::min(result.resumeMs, lastSampleMs);
    result.status = Status::Failed;
    result.detail = reason;
    if (damageCount)
        damageCount->stop();
    release();
    emit finished(result);
}

void PlaybackScan::cancel()
{
    if (damageCount)
        damageCount->stop();
    release();
}

void PlaybackScan::seekTo(qint64 timeMs)
{
    if (mediaPlayer)
        mediaPlayer->setPosition(timeMs + settings.playerOffsetMs);
}

void PlaybackScan::onMediaStatusChanged(QMediaPlayer::MediaStatus status)
{
    if (phase != Phase::Playing)
        return;
    if (status == QMediaPlayer::LoadedMedia && mediaPlayer->playbackState() != QMediaPlayer::PlayingState)
        startPlayer();
    // Not every back end reports a position at or past the end; the end of the media ends the run.
    if (status == QMediaPlayer::EndOfMedia) {
        if (stopRequested) {
            onPositionChanged(mediaPlayer->position());
        } else {
            qCDebug(lcPlayback) << "结束";
            noteEarlyEnd();
            endRun(Status::Finished);
        }
    }
}

void PlaybackScan::onPlayerError(QMediaPlayer::Error error, const QString &errorString)
{
    if (error == QMediaPlayer::NoError || phase == Phase::Idle)
        return;
    fail(errorString.isEmpty() ? QStringLiteral("playback error") : errorString);
}

void PlaybackScan::onPositionChanged(qint64 playerPosition)
{
    const qint64 position = playerPosition - settings.playerOffsetMs;
    qCDebug(lcPlayback) << "time:" << position;
    if (phase != Phase::Playing) {
        if (mediaPlayer->playbackState() == QMediaPlayer::PlayingState)
            mediaPlayer->pause();
        return;
    }
    if (stopRequested) {
        result.resumeMs = position;
        endRun(Status::Stopped);
        return;
    }
    if (awaitingSeek) {
        // A report from before the seek took effect would end or skew the run.
        if (position < settings.fromMs - seekToleranceMs
            || position > std::max(settings.fromMs, settings.rangeStartMs) + seekToleranceMs)
            return;
        awaitingSeek = false;
    }
    if (position > settings.toMs || position == settings.durationMs) {
        qCDebug(lcPlayback) << "结束";
        noteEarlyEnd();
        endRun(Status::Finished);
        return;
    }
    if (position < settings.rangeStartMs)
        return;
    // At the end of a Matroska file the back end reports position 0; a run never goes backwards.
    if (position + seekToleranceMs < result.resumeMs)
        return;
    readFrameAt(position);
}

void PlaybackScan::readFrameAt(qint64 position)
{
    const qint64 span = settings.toMs - settings.rangeStartMs;
    const double fraction = span > 0 ? double(position - settings.rangeStartMs) / double(span) : 1.0;
    result.resumeMs = position;
    emit progress(position, std::clamp(fraction, 0.0, 1.0));
    if (!engine) {
        // Without a working recogniser every sample would be empty; say so instead of "finishing".
        fail(TextRecognizer::noLanguageText());
        return;
    }
    if (reader->pending() >= maximumReadingsInFlight)
        return;
    const QVideoFrame frame = sink->videoFrame();
    if (!frame.isValid()) {
        emit frameMissed();
        return;
    }
    // The reading comes back later; the sample keeps the time of the frame read.
    reader->submit(position, frame, settings.crop, engine);
}

void PlaybackScan::onFrameRead(qint64 time, const QStringList &lines)
{
    if (phase == Phase::Idle)
        return;
    lastSampleMs = time;
    emit sampleRead(FrameSample{time, lines});
    if (phase == Phase::Draining && reader->pending() == 0)
        completeRun();
}

void PlaybackScan::onFrameUnreadable()
{
    if (phase == Phase::Idle)
        return;
    emit frameMissed();
    if (phase == Phase::Draining && reader->pending() == 0)
        completeRun();
}

void PlaybackScan::endRun(Status status)
{
    if (mediaPlayer->playbackState() == QMediaPlayer::PlayingState)
        mediaPlayer->pause();
    phase = Phase::Draining;
    result.status = status;
    if (reader->pending() == 0)
        completeRun();
}

void PlaybackScan::completeRun()
{
    release();
    if (result.status != Status::Finished) {
        damageCount->stop();
        emit finished(result);
        return;
    }
    // The count is usually long done; otherwise the outcome waits for it.
    if (!damageCount->hasFinished()) {
        connect(damageCount, &DamageCount::finished, this, &PlaybackScan::report, Qt::SingleShotConnection);
        return;
    }
    report();
}

void PlaybackScan::report()
{
    result.damagedFrames = damageCount->damagedFrames();
    emit finished(result);
}

void PlaybackScan::noteEarlyEnd()
{
    // Position reports come about every 100 ms of wall time, so at a higher rate the last one
    // lands further from the true end.
    const qint64 tolerance = qint64(earlyEndToleranceMs * std::max(1.0, settings.rate));
    // A cut file ends with the player jumping to the duration it was promised, so only the last
    // frame actually read tells how far the picture went.
    if (result.resumeMs + tolerance < settings.toMs)
        result.endedEarlyAtMs = result.resumeMs;
}

// The player, the sink and the reading thread go with the run. The player pauses at once, but a
// frame in the reading thread's hands is still the player's decoder's to map: the player is
// stopped and deleted only once the thread has ended (its end waits for the reading in hand).
void PlaybackScan::release()
{
    phase = Phase::Idle;
    engine.reset();
    QMediaPlayer *player = std::exchange(mediaPlayer, nullptr);
    QVideoSink *frames = std::exchange(sink, nullptr);
    if (player) {
        // Often called from one of the player's own signals, so the objects go once it has returned.
        player->disconnect(this);
        player->pause();
    }
    const auto endPlayer = [player, frames] {
        if (player) {
            player->stop();
            player->deleteLater();
        }
        if (frames)
            frames->deleteLater();
    };
    if (!reader) {
        endPlayer();
        return;
    }
    reader->disconnect(this);
    if (player)
        connect(reader, &QObject::destroyed, player, endPlayer);
    else if (frames)
        frames->deleteLater();
    reader->deleteLater();
    reader = nullptr;
}
