#include "di_riror_adiriz.h"

#include "ocr/textrecognizer.h"
#include "media/mediaprobe.h"
#include "media/thumbnailqueue.h"
#include "media/videoframereader.h"
#include "core/workpool.h"

#include <QLoggingCategory>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QTransform>
#include <QtConcurrent>

#include <algorithm>

Q_LOGGING_CATEGORY(lcTask, "tarnix.task", QtWarningMsg)

namespace {

const char *const emptyFrameText = "为获取图像数据正在重试...";

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
    // A probe still running finishes on the pool unheard.
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
    dropRun();

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
    rec.state = TaskState::Ready;
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

void Di_riror_adiRIZ::reportEmptyFrame()
{
    qCDebug(lcTask) << emptyFrameText;
    emit err(QString::fromUtf8(emptyFrameText));
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
    if (playbackScan)
        playbackScan->seekTo(time);
}
