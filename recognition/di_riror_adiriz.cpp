#include "di_riror_adiriz.h"

#include "ocr/textrecognizer.h"
#include "media/mediaprobe.h"
#include "media/mediasource.h"
#include "media/thumbnailqueue.h"
#include "media/videoframereader.h"
#include "recognition/playbackreader.h"
#include "core/segmentation.h"
#include "damagecount.h"
#include "core/srtqtime.h"
#include "core/workpool.h"

#include <QDebug>
#include <QLoggingCategory>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QTransform>
#include <QVideoFrame>
#include <QVideoSink>
#include <QtConcurrent>

#include <algorithm>

Q_LOGGING_CATEGORY(lcTask, "tarnix.task", QtWarningMsg)

namespace {

const char *const notReadyText = "状态不是就绪";
const char *const emptyFrameText = "为获取图像数据正在重试...";

// How far before the out point the media may end without the run calling it cut short.
constexpr qint64 earlyEndToleranceMs = 1000;

// Position reports a seek can still deliver from before it; further off than this they are stale.
constexpr qint64 seekToleranceMs = 1000;

// Frames waiting for their reading; past this a position report takes no sample, as it did
// while recognition held the thread the reports come on.
constexpr int maximumReadingsInFlight = 2;

} // namespace

Di_riror_adiRIZ::Di_riror_adiRIZ(QObject *parent)
    : QObject(parent)
    , recognizer(std::make_unique<TextRecognizer>())
{
}

Di_riror_adiRIZ::Di_riror_adiRIZ(const QString &path, QObject *parent)
    : Di_riror_adiRIZ(parent)
{
    applyDefaultLanguage();
    openVideo(path);
}

Di_riror_adiRIZ::~Di_riror_adiRIZ()
{
    qCDebug(lcTask) << "释放对象" << videoPath;
    ThumbnailQueue::instance()->cancel(this);
    // Waits for a reading in hand; a probe still running finishes on the pool unheard.
    delete reader;
}

void Di_riror_adiRIZ::createMediaObjects()
{
    if (player)
        return;
    player = new QMediaPlayer(this);
    sink = new QVideoSink(this);
    connect(player, &QMediaPlayer::positionChanged, this, &Di_riror_adiRIZ::onPositionChanged);
    connect(player, &QMediaPlayer::mediaStatusChanged, this, &Di_riror_adiRIZ::onMediaStatusChanged);
    connect(player, &QMediaPlayer::errorOccurred, this, &Di_riror_adiRIZ::onPlayerError);
    MediaSource::setPlayerSource(player, videoPath);
    player->setVideoSink(sink);
}

void Di_riror_adiRIZ::releaseMediaObjects()
{
    if (!player)
        return;
    // Often called from one of the player's own signals, so the objects go once it has returned.
    player->disconnect(this);
    player->stop();
    player->deleteLater();
    sink->deleteLater();
    player = nullptr;
    sink = nullptr;
}

// The default is known installed; its engine is loaded when the task first reads, so that a
// drop of many videos or a project of hundreds of tasks loads nothing on the GUI thread.
void Di_riror_adiRIZ::applyDefaultLanguage()
{
    const QString tag = recognizer->userProfileLanguage();
    if (const auto refusal = TextRecognizer::checkInstalled(tag)) {
        rec.errorText = refusal->text();
        emit err(errorText);
        return;
    }
    rec.languages = tag.split(QLatin1Char('+'), Qt::SkipEmptyParts);
}

QString Di_riror_adiRIZ::languageTag() const
{
    return languages.join(QLatin1Char('+'));
}

// For the previews, which answer at once: the task's language loaded here if it is not yet.
bool Di_riror_adiRIZ::selectLanguageNow()
{
    const QString tag = languageTag();
    if (tag.isEmpty())
        return true; // recognition then says that no language is selected
    if (const auto refusal = recognizer->chooseLanguage(tag)) {
        rec.errorText = refusal->text();
        emit err(errorText);
        return false;
    }
    return true;
}

void Di_riror_adiRIZ::openVideo(const QString &path)
{
    rec.videoPath = path;
    rec.videoFileName = QFileInfo(path).fileName();
    releaseMediaObjects();

    // A restored task carries its language only as data; its engine is loaded when it reads, but
    // a language no longer installed is told now.
    if (restoredFromProject && !languages.isEmpty() && !recognizer->hasEngine()) {
        if (const auto refusal = TextRecognizer::checkInstalled(languageTag())) {
            rec.errorText = refusal->text();
            emit err(errorText);
        }
    }

    // The container tells length, picture size and rate at once, without a player; it is read on
    // the pool so that opening a project of hundreds of tasks does not hold the window.
    delete probeWatcher;
    probeWatcher = new QFutureWatcher<MediaFacts>(this);
    QFutureWatcher<MediaFacts> *watcher = probeWatcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        const MediaFacts facts = watcher->result();
        watcher->deleteLater();
        if (watcher != probeWatcher)
            return;
        probeWatcher = nullptr;
        onProbed(facts);
        emit mediaProbed();
    });
    watcher->setFuture(QtConcurrent::run(WorkPool::instance(), &MediaProbe::probe, path));
}

void Di_riror_adiRIZ::onProbed(const MediaFacts &facts)
{
    if (facts.verdict != MediaFacts::Playable || facts.durationMs <= 0) {
        // Nothing to grab from: the row gets its empty picture at once.
        onThumbnail(QPixmap());
        return;
    }
    rec.duration = facts.durationMs;
    storedRotation = facts.rotation;
    playerOffset = facts.startMs;
    m_textStreams = facts.textSubtitles;
    wholeFrame = facts.storedSize;
    m_metaData.clear();
    // As the player shows it: Qt 6.4's player ignores the stream's rotation.
    m_metaData.insert(QMediaMetaData::Resolution, facts.storedSize);
    m_metaData.insert(QMediaMetaData::Duration, facts.durationMs);
    if (facts.frameRate > 0)
        m_metaData.insert(QMediaMetaData::VideoFrameRate, facts.frameRate);
    ThumbnailQueue::instance()->request(this, videoPath, [this](const QPixmap &picture) { onThumbnail(picture); });
    if (restoredFromProject)
        return;
    rec.state = Ready;
    if (timeRange_in == -1)
        rec.timeRange_in = 0;
    if (timeRange_out == -1)
        rec.timeRange_out = duration;
    const QSize size = videoResolution();
    rec.cropRect = QRect(0, 0, size.width(), size.height());
}

void Di_riror_adiRIZ::setThumbnail(const QPixmap &picture)
{
    onThumbnail(picture);
}

void Di_riror_adiRIZ::onThumbnail(const QPixmap &picture)
{
    m_thumbnail = picture;
    m_thumbnailLoaded = true;
    emit loadThumbnail_ok();
}

QSize Di_riror_adiRIZ::videoResolution() const
{
    return metaData.value(QMediaMetaData::Resolution).toSize();
}

QSize Di_riror_adiRIZ::pictureSize() const
{
    const QSize shown = videoResolution();
    return shown.isValid() ? shown : wholeFrame;
}

void Di_riror_adiRIZ::onMediaStatusChanged(QMediaPlayer::MediaStatus status)
{
    if (phase != RunPhase::Playing)
        return;
    if (status == QMediaPlayer::LoadedMedia && player->playbackState() != QMediaPlayer::PlayingState)
        startPlayback();
    // Not every back end reports a position at or past the end; the end of the media ends the run.
    if (status == QMediaPlayer::EndOfMedia) {
        if (stopRequested) {
            onPositionChanged(player->position());
        } else {
            qCDebug(lcTask) << "结束";
            noteEarlyEnd();
            endRun(Done);
        }
    }
}

void Di_riror_adiRIZ::onPlayerError(QMediaPlayer::Error error, const QString &errorString)
{
    if (error == QMediaPlayer::NoError || state != Running)
        return;
    abortRun(errorString.isEmpty() ? QStringLiteral("playback error") : errorString);
}

void Di_riror_adiRIZ::abortRun(const QString &reason)
{
    // The samples and the resume point stay, so resetting the state lets the run go on later;
    // frames still being read are dropped, so the resume point goes back to the last one read.
    if (reader && reader->pending() > 0 && !samples.isEmpty())
        rec.lastPosition = std::min(lastPosition, samples.last().time);
    endPlayback();
    rec.state = Failed;
    rec.errorText = reason;
    emit err(reason);
    emit completedSig();
}

void Di_riror_adiRIZ::pausePlayer()
{
    if (player && player->playbackState() == QMediaPlayer::PlayingState)
        player->pause();
}

void Di_riror_adiRIZ::run_mian()
{
    if (state != Ready) {
        rec.errorText = QString::fromUtf8(notReadyText);
        emit err(errorText);
        return;
    }
    rec.stopRequested = false;
    rec.errorText.clear();
    // Readings on the streams' clock cannot be continued on the player's: the run starts afresh.
    if (rec.streamClockTimes) {
        clearSamplesAndResumePoint();
        rec.streamClockTimes = false;
    }
    if (scanMode == ScanMode::Fast) {
        runFast();
        return;
    }
    const bool resumes = lastPosition != 0 && lastPosition > timeRange_in && lastPosition < timeRange_out;
    runStart = resumes ? lastPosition : timeRange_in;
    const bool loaded = prepareLanguage();
    if (loaded) {
        if (const auto refusal = recognizer->setPlaybackRate(Frame_rate)) {
            rec.errorText = refusal->text();
            emit err(errorText);
            return;
        }
    }
    // The player loads the video while the engine loads on the pool.
    createMediaObjects();
    reader = new PlaybackReader(this);
    reader->setRotation(storedRotation);
    countDamage();
    connect(reader, &PlaybackReader::frameRead, this, &Di_riror_adiRIZ::onFrameRead);
    connect(reader, &PlaybackReader::frameUnreadable, this, &Di_riror_adiRIZ::onFrameUnreadable);
    rec.state = Running;
    if (!loaded) {
        phase = RunPhase::Loading;
        return;
    }
    phase = RunPhase::Playing;
    // A back end that loads in the background is not ready for a seek yet; it says when it is.
    if (player->mediaStatus() != QMediaPlayer::LoadingMedia)
        startPlayback();
}

bool Di_riror_adiRIZ::prepareLanguage()
{
    const QString tag = languageTag();
    if (tag.isEmpty() || !recognizer->needsLoading(tag, Frame_rate))
        return true; // without a tag, recognition says that no language is selected
    // A run waiting for the load an editor started takes that one.
    if (languageWatcher && loadingTag == tag && loadingRate == Frame_rate)
        return false;
    delete languageWatcher;
    languageWatcher = new QFutureWatcher<TextRecognizer::Selection>(this);
    loadingTag = tag;
    loadingRate = Frame_rate;
    QFutureWatcher<TextRecognizer::Selection> *watcher = languageWatcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (watcher != languageWatcher)
            return;
        languageWatcher = nullptr;
        onLanguageLoaded(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(WorkPool::instance(), &TextRecognizer::load, tag,
                                         TextRecognizer::Sharing::Shared, double(Frame_rate)));
    return false;
}

void Di_riror_adiRIZ::onLanguageLoaded(const TextRecognizer::Selection &selection)
{
    // A language left meanwhile (a reset, or setLanguage) is not taken.
    if (selection.tag == languageTag()) {
        if (const auto refusal = recognizer->adopt(selection)) {
            rec.errorText = refusal->text();
            if (phase == RunPhase::Loading) {
                // Refused as a start is: the task stays Ready, and the batch goes on to the next.
                endPlayback();
                rec.state = Ready;
                emit err(errorText);
                emit completedSig();
            } else {
                emit err(errorText);
            }
            emit languageLoaded(false);
            return;
        }
        emit languageLoaded(true);
    }
    // A run stopped or failed meanwhile keeps the engine for its next start; one still waiting
    // plays, unless its language or rate changed meanwhile and it waits for another load.
    if (phase != RunPhase::Loading || !prepareLanguage())
        return;
    phase = RunPhase::Playing;
    if (player->mediaStatus() != QMediaPlayer::LoadingMedia)
        startPlayback();
}

void Di_riror_adiRIZ::startPlayback()
{
    seekTarget = runStart;
    awaitingSeek = true;
    player->setPosition(runStart + playerOffset);
    player->setPlaybackRate(Frame_rate);
    player->play();
}

void Di_riror_adiRIZ::failStalledRun()
{
    if (state == Running)
        abortRun(QStringLiteral("playback stopped making progress"));
}

void Di_riror_adiRIZ::stop_slots()
{
    rec.stopRequested = true;
    if (fastScan)
        fastScan->stop();
    // Nothing played yet: the run ends without waiting for the engine.
    if (phase == RunPhase::Loading)
        endRun(Cancelled);
}

void Di_riror_adiRIZ::onPositionChanged(qint64 playerPosition)
{
    const qint64 position = playerPosition - playerOffset;
    qCDebug(lcTask) << "time:" << position;
    if (phase != RunPhase::Playing) {
        pausePlayer();
        return;
    }
    if (stopRequested) {
        rec.lastPosition = position;
        endRun(Cancelled);
        return;
    }
    if (awaitingSeek) {
        // A report from before the seek took effect would end or skew the run.
        if (position < seekTarget - seekToleranceMs || position > std::max(seekTarget, timeRange_in) + seekToleranceMs)
            return;
        awaitingSeek = false;
    }
    if (position > timeRange_out || position == duration) {
        qCDebug(lcTask) << "结束";
        noteEarlyEnd();
        endRun(Done);
        return;
    }
    if (position < timeRange_in)
        return;
    // At the end of a Matroska file the back end reports position 0; a run never goes backwards.
    if (position + seekToleranceMs < lastPosition)
        return;
    recogniseFrameAt(position);
}

void Di_riror_adiRIZ::recogniseFrameAt(qint64 position)
{
    const qint64 span = timeRange_out - timeRange_in;
    const double fraction = span > 0 ? double(position - timeRange_in) / double(span) : 1.0;
    rec.progress = float(std::clamp(fraction, 0.0, 1.0));
    emit progress_updata(progress);
    rec.lastPosition = position;

    std::shared_ptr<SharedReader> engine = recognizer->reader();
    if (!engine) {
        // Without a working recogniser every sample would be empty; say so instead of "finishing".
        abortRun(TextRecognizer::noLanguageText());
        return;
    }
    if (reader->pending() >= maximumReadingsInFlight)
        return;
    const QVideoFrame frame = sink->videoFrame();
    if (!frame.isValid()) {
        reportEmptyFrame();
        return;
    }
    // The reading comes back later; the sample keeps the time of the frame read.
    reader->submit(position, frame, cropRect, std::move(engine));
}

void Di_riror_adiRIZ::reportEmptyFrame()
{
    qCDebug(lcTask) << emptyFrameText;
    emit err(QString::fromUtf8(emptyFrameText));
}

void Di_riror_adiRIZ::onFrameRead(qint64 time, const QStringList &lines)
{
    if (phase == RunPhase::Idle)
        return;
    rec.samples.append(FrameSample{time, lines});
    if (phase == RunPhase::Draining && reader->pending() == 0)
        completeRun();
}

void Di_riror_adiRIZ::onFrameUnreadable()
{
    if (phase == RunPhase::Idle)
        return;
    reportEmptyFrame();
    if (phase == RunPhase::Draining && reader->pending() == 0)
        completeRun();
}

void Di_riror_adiRIZ::endRun(TaskState outcome)
{
    pausePlayer();
    phase = RunPhase::Draining;
    endingAs = outcome;
    if (reader->pending() == 0)
        completeRun();
}

void Di_riror_adiRIZ::completeRun()
{
    endPlayback();
    if (endingAs == Done) {
        finishRun();
        return;
    }
    if (damageCount)
        damageCount->stop();
    rec.state = Cancelled;
    emit completedSig();
}

// The player, the sink and the reading thread go with the run.
void Di_riror_adiRIZ::endPlayback()
{
    phase = RunPhase::Idle;
    releaseMediaObjects();
    if (reader) {
        reader->disconnect(this);
        reader->deleteLater();
        reader = nullptr;
    }
}

void Di_riror_adiRIZ::noteEarlyEnd()
{
    // Position reports come about every 100 ms of wall time, so at a higher rate the last one
    // lands further from the true end.
    const qint64 tolerance = qint64(earlyEndToleranceMs * std::max(1.0, Frame_rate));
    // A cut file ends with the player jumping to the duration it was promised, so only the last
    // frame actually recognised tells how far the picture went.
    const qint64 reached = lastPosition;
    if (reached + tolerance >= timeRange_out)
        return;
    rec.errorText = QStringLiteral("the video ended early, at %1 of %2; the subtitles up to there are kept")
                        .arg(SRTQTime(reached).toString(QStringLiteral("hh:mm:ss,zzz")),
                             SRTQTime(timeRange_out).toString(QStringLiteral("hh:mm:ss,zzz")));
}

QImage Di_riror_adiRIZ::cropFrame(const QImage &frame) const
{
    return frame.copy(cropRect);
}

// Decoded straight from the file, so nothing waits for a player's reports; the player of a
// run, if any, is left where it is.
QImage Di_riror_adiRIZ::stillGrab(qint64 time)
{
    VideoFrameReader frames;
    QImage frame;
    if (frames.open(videoPath) && frames.seek(time) && frames.readFrame() == VideoFrameReader::ReadResult::Frame)
        frame = frames.colourCrop();
    // The crop is drawn on the picture as Qt 6.4's player shows it, which is as stored; what it
    // holds is read upright, as the fast scan reads it.
    const int rotation = frames.rotation();
    if (!frame.isNull() && rotation != 0)
        frame = frame.transformed(QTransform().rotate(rotation));
    QImage cut = frame.isNull() ? QImage() : cropFrame(frame);
    if (!cut.isNull() && rotation != 0)
        cut = cut.transformed(QTransform().rotate(-rotation));
    if (cut.width() == 0 || cut.height() == 0) {
        rec.errorText = QString::fromUtf8(emptyFrameText);
        emit err(errorText);
        return QImage();
    }
    return cut;
}

bool Di_riror_adiRIZ::recogniseForPreview(const QImage &cut, QStringList *lines)
{
    if (!selectLanguageNow())
        return false;
    *lines = recognizer->recognize(cut);
    if (recognizer->lastError().isEmpty())
        return true;
    rec.errorText = recognizer->lastError();
    emit err(errorText);
    return false;
}

bool Di_riror_adiRIZ::preview_ORC(qlonglong time, QString *outText, QImage *outimage)
{
    const QImage cut = stillGrab(time);
    if (cut.isNull())
        return false;
    QStringList lines;
    if (!recogniseForPreview(cut, &lines))
        return false;
    *outText = lines.join(QString());
    *outimage = cut;
    return true;
}

bool Di_riror_adiRIZ::preview_ORC_V2(QImage *rawimage, QString *outText, QImage *outimage)
{
    const QImage cut = cropFrame(*rawimage);
    if (cut.width() == 0 || cut.height() == 0) {
        rec.errorText = QString::fromUtf8(emptyFrameText);
        emit err(errorText);
        return false;
    }
    QStringList lines;
    if (!recogniseForPreview(cut, &lines))
        return false;
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1Char('\n');
    *outText = text;
    *outimage = cut;
    return true;
}

void Di_riror_adiRIZ::setVideoPosition(qlonglong time)
{
    // Only a task that is playing has a player to move.
    if (player)
        player->setPosition(time + playerOffset);
}
