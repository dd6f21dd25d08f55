#include "di_riror_adiriz.h"

#include "ocr/textrecognizer.h"
#include "media/mediaprobe.h"
#include "media/mediasource.h"
#include "recognition/fastscanreport.h"
#include "core/segmentation.h"
#include "core/srtqtime.h"
#include "core/stretchsegmentation.h"
#include "core/subtitlewriter.h"
#include "media/getvideothumbnail.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>

namespace {

const char *const notReadyText = "状态不是就绪";
const char *const emptyFrameText = "为获取图像数据正在重试...";

// How far before the out point the media may end without the run calling it cut short.
constexpr qint64 earlyEndToleranceMs = 1000;

// Position reports a seek can still deliver from before it; further off than this they are stale.
constexpr qint64 seekToleranceMs = 1000;

void pumpEvents(int milliseconds)
{
    const QTime deadline = QTime::currentTime().addMSecs(milliseconds);
    while (QTime::currentTime() < deadline)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
}

} // namespace

Di_riror_adiRIZ::Di_riror_adiRIZ(QObject *parent)
    : QObject(parent)
    , recognizer(std::make_unique<TextRecognizer>())
{
    createMediaObjects();
}

Di_riror_adiRIZ::Di_riror_adiRIZ(const QString &path, QObject *parent)
    : Di_riror_adiRIZ(parent)
{
    applyDefaultLanguage();
    openVideo(path);
}

Di_riror_adiRIZ::~Di_riror_adiRIZ()
{
    qDebug() << "释放对象" << videoPath;
    thread->quit();
    thread->wait();
    delete thumbnailGrabber;
    delete player;
    delete sink;
}

void Di_riror_adiRIZ::createMediaObjects()
{
    player = new QMediaPlayer(this);
    sink = new QVideoSink(this);
    thread = new QThread(this);
    connect(player, &QMediaPlayer::positionChanged, this, &Di_riror_adiRIZ::onPositionChanged);
    // Back ends may report from their own threads; the context object brings it to ours.
    connect(player, &QMediaPlayer::hasVideoChanged, this, &Di_riror_adiRIZ::onHasVideoChanged);
    connect(player, &QMediaPlayer::durationChanged, this, [this] { takeMediaFacts(); });
    connect(player, &QMediaPlayer::metaDataChanged, this, [this] { takeMediaFacts(); });
    connect(player, &QMediaPlayer::mediaStatusChanged, this, &Di_riror_adiRIZ::onMediaStatusChanged);
    connect(player, &QMediaPlayer::errorOccurred, this, &Di_riror_adiRIZ::onPlayerError);
}

void Di_riror_adiRIZ::applyDefaultLanguage()
{
    setLanguage(recognizer->userProfileLanguage());
}

void Di_riror_adiRIZ::openVideo(const QString &path)
{
    videoPath = path;
    videoFileName = QFileInfo(path).fileName();
    videoReported = false;
    mediaFactsTaken = false;

    // A restored task carries its language only as data; give it to the recogniser so it can run.
    if (restoredFromProject && !languages.isEmpty() && !recognizer->hasEngine()) {
        const QString answer = recognizer->selectLanguage(languages.join(QLatin1Char('+')));
        if (answer != QLatin1String("ok")) {
            errorText = answer;
            emit err(answer);
        }
    }

    MediaSource::setPlayerSource(player, path);
    player->setVideoSink(sink);
    startThumbnailGrab();
}

void Di_riror_adiRIZ::startThumbnailGrab()
{
    if (thumbnailGrabber) {
        // A grab of the previous source may still run on the thread; its picture is no longer wanted.
        disconnect(thumbnailGrabber, nullptr, this, nullptr);
        thumbnailGrabber->deleteLater();
    }
    thumbnailGrabber = new GetVideoThumbnail;
    thumbnailGrabber->setSourcePath(videoPath);
    thumbnailGrabber->moveToThread(thread);
    connect(thumbnailGrabber, &GetVideoThumbnail::outImageSig, this, &Di_riror_adiRIZ::onThumbnail);
    thread->start(QThread::InheritPriority);
    QMetaObject::invokeMethod(thumbnailGrabber, "grabAfter", Qt::QueuedConnection, Q_ARG(int, 500));
}

void Di_riror_adiRIZ::onThumbnail(const QPixmap &picture)
{
    thumbnail = picture;
    thumbnailLoaded = true;
    if (thumbnailGrabber) {
        thumbnailGrabber->deleteLater();
        thumbnailGrabber = nullptr;
    }
    emit loadThumbnail_ok();
}

void Di_riror_adiRIZ::onHasVideoChanged(bool hasVideo)
{
    if (!hasVideo)
        return;
    videoReported = true;
    takeMediaFacts();
}

QSize Di_riror_adiRIZ::videoResolution() const
{
    return metaData.value(QMediaMetaData::Resolution).toSize();
}

void Di_riror_adiRIZ::takeMediaFacts()
{
    if (!videoReported || mediaFactsTaken)
        return;
    // Some back ends report video before they know the duration and the frame size; both are
    // needed for the default range and crop, so wait for them (or for the media to be loaded).
    const QSize resolution = player->metaData().value(QMediaMetaData::Resolution).toSize();
    const bool loaded = player->mediaStatus() == QMediaPlayer::LoadedMedia
                        || player->mediaStatus() == QMediaPlayer::BufferedMedia;
    qint64 length = player->duration();
    if (length <= 0 && loaded)
        length = MediaProbe::containerDurationMs(videoPath);
    if (length <= 0 || (!resolution.isValid() && !loaded))
        return;
    mediaFactsTaken = true;
    duration = length;
    metaData = player->metaData();
    if (restoredFromProject)
        return;
    state = Ready;
    if (timeRange_in == -1)
        timeRange_in = 0;
    if (timeRange_out == -1)
        timeRange_out = duration;
    const QSize size = videoResolution();
    cropRect = QRect(0, 0, size.width(), size.height());
}

void Di_riror_adiRIZ::onMediaStatusChanged(QMediaPlayer::MediaStatus status)
{
    if (status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferedMedia)
        takeMediaFacts();
    // Not every back end reports a position at or past the end; the end of the media ends the run.
    if (status == QMediaPlayer::EndOfMedia && state == Running) {
        if (stopRequested) {
            onPositionChanged(player->position());
        } else {
            qDebug() << "结束";
            noteEarlyEnd();
            finishRun();
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
    // The samples and the resume point stay, so resetting the state lets the run go on later.
    pausePlayer();
    state = Failed;
    errorText = reason;
    emit err(reason);
    emit completedSig();
}

void Di_riror_adiRIZ::pausePlayer()
{
    if (player->playbackState() == QMediaPlayer::PlayingState)
        player->pause();
}

void Di_riror_adiRIZ::run_mian()
{
    if (state != Ready) {
        errorText = QString::fromUtf8(notReadyText);
        emit err(errorText);
        return;
    }
    stopRequested = false;
    errorText.clear();
    if (scanMode == ScanMode::Fast) {
        runFast();
        return;
    }
    const bool resumes = lastPosition != 0 && lastPosition > timeRange_in && lastPosition < timeRange_out;
    const qint64 start = resumes ? lastPosition : timeRange_in;
    if (const QString answer = recognizer->setPlaybackRate(Frame_rate); answer != QLatin1String("ok")) {
        errorText = answer;
        emit err(answer);
        return;
    }
    seekTarget = start;
    awaitingSeek = true;
    player->setPosition(start);
    player->setPlaybackRate(Frame_rate);
    state = Running;
    player->play();
}

void Di_riror_adiRIZ::failStalledRun()
{
    if (state == Running)
        abortRun(QStringLiteral("playback stopped making progress"));
}

void Di_riror_adiRIZ::stop_slots()
{
    stopRequested = true;
    if (fastScan)
        fastScan->stop();
}

void Di_riror_adiRIZ::onPositionChanged(qint64 position)
{
    qDebug() << "time:" << position;
    if (stopRequested) {
        pausePlayer();
        state = Cancelled;
        lastPosition = position;
        emit completedSig();
        return;
    }
    if (state != Running) {
        pausePlayer();
        return;
    }
    if (awaitingSeek) {
        // A report from before the seek took effect would end or skew the run.
        if (position < seekTarget - seekToleranceMs || position > std::max(seekTarget, timeRange_in) + seekToleranceMs)
            return;
        awaitingSeek = false;
    }
    if (position > timeRange_out || position == duration) {
        pausePlayer();
        qDebug() << "结束";
        noteEarlyEnd();
        finishRun();
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
    progress = float(std::clamp(fraction, 0.0, 1.0));
    emit progress_updata(progress);
    lastPosition = position;

    const QImage cut = cropFrame(sink->videoFrame().toImage());
    if (cut.width() == 0 || cut.height() == 0) {
        qDebug() << emptyFrameText;
        emit err(QString::fromUtf8(emptyFrameText));
        return;
    }
    const QStringList lines = recognizer->recognize(cut);
    if (!recognizer->lastError().isEmpty()) {
        // Without a working recogniser every sample would be empty; say so instead of "finishing".
        abortRun(recognizer->lastError());
        return;
    }
    samples.append(FrameSample{position, lines});
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
    errorText = QStringLiteral("the video ended early, at %1 of %2; the subtitles up to there are kept")
                    .arg(SRTQTime(reached).toString(QStringLiteral("hh:mm:ss,zzz")),
                         SRTQTime(timeRange_out).toString(QStringLiteral("hh:mm:ss,zzz")));
}

void Di_riror_adiRIZ::finishRun()
{
    state = Done;
    entries = Segmentation::segmentSamples(samples);
    qDebug() << "完成" << entries;
    emit completedSig();
}

QImage Di_riror_adiRIZ::cropFrame(const QImage &frame) const
{
    return frame.copy(cropRect);
}

QImage Di_riror_adiRIZ::stillGrab(qint64 time)
{
    player->setPosition(time);
    pumpEvents(500);
    player->play();
    pumpEvents(500);
    player->setPosition(time);
    player->pause();
    const QImage cut = cropFrame(sink->videoFrame().toImage());
    if (cut.width() == 0 || cut.height() == 0) {
        errorText = QString::fromUtf8(emptyFrameText);
        emit err(errorText);
        return QImage();
    }
    return cut;
}

bool Di_riror_adiRIZ::recogniseForPreview(const QImage &cut, QStringList *lines)
{
    qDebug() << cut.width() << cropRect;
    *lines = recognizer->recognize(cut);
    if (recognizer->lastError().isEmpty())
        return true;
    errorText = recognizer->lastError();
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
        errorText = QString::fromUtf8(emptyFrameText);
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
    player->setPosition(time);
}

void Di_riror_adiRIZ::setCropRect(QRect _cropRect)
{
    // Past the frame's edge there is nothing to read; a rectangle wholly outside is kept as given
    // rather than turned into the null rectangle that would mean the whole frame.
    const QSize frame = videoResolution();
    const QRect inside = _cropRect.intersected(QRect(QPoint(0, 0), frame));
    cropRect = frame.isValid() && !inside.isEmpty() ? inside : _cropRect;
}

void Di_riror_adiRIZ::setInTimeRange(qlonglong timeRange_in)
{
    this->timeRange_in = timeRange_in;
    samples.clear();
    lastPosition = 0;
}

void Di_riror_adiRIZ::setoutTimeRange(qlonglong timeRange_out)
{
    this->timeRange_out = timeRange_out;
    samples.clear();
    lastPosition = 0;
}

bool Di_riror_adiRIZ::setLanguage(QString language)
{
    const QString answer = recognizer->selectLanguage(language);
    if (answer != QLatin1String("ok")) {
        errorText = answer;
        emit err(answer);
        return false;
    }
    // "zh-Hans+en" keeps both tags, the first one leading.
    languages = language.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    return true;
}

void Di_riror_adiRIZ::setFrameNumber_orc(double Num)
{
    Frame_rate = Num;
}

void Di_riror_adiRIZ::setScanMode(ScanMode mode)
{
    if (mode == scanMode)
        return;
    scanMode = mode;
    samples.clear();
    lastPosition = 0;
}

void Di_riror_adiRIZ::resetTask()
{
    lastPosition = 0;
    samples.clear();
    state = Ready;
    entries.clear();
    stopRequested = false;
    player->stop();
    timeRange_in = 0;
    timeRange_out = duration;
    progress = 0;
    Frame_rate = 1.0;
    scanMode = ScanMode::Fast;
    languages.clear();
    applyDefaultLanguage();
    const QSize size = videoResolution();
    cropRect = QRect(0, 0, size.width(), size.height());
}

QString Di_riror_adiRIZ::toSrtText() const
{
    return SubtitleWriter::toSrtText(entries);
}

QString Di_riror_adiRIZ::toTxtText() const
{
    return SubtitleWriter::toTxtText(entries);
}

QString Di_riror_adiRIZ::summaryText() const
{
    QString text = SubtitleWriter::summaryText(timeRange_in, timeRange_out, languages, Frame_rate, cropRect);
    // The rate means nothing to a fast scan: its line names the scan instead.
    if (scanMode == ScanMode::Fast)
        text.replace(QRegularExpression(QStringLiteral("Frame_rate: [^\n]*\n")), QStringLiteral("Scan: fast\n"));
    return text;
}
