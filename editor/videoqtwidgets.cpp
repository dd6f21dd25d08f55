#include "videoqtwidgets.h"

#include "ui_videoqtwidgets.h"
#include "editor/editorlog.h"

#include "platform/appconstants.h"
#include "platform/platform.h"
#include "editor/arearectangles.h"
#include "editor/myslider.h"
#include "editor/srtqlistwidget.h"
#include "editor/webpagenotice.h"
#include "task/di_riror_adiriz.h"
#include "media/mediasource.h"
#include "ocr/textrecognizer.h"
#include "core/srtqtime.h"

#include <QAudioOutput>
#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QGraphicsVideoItem>
#include <QKeyEvent>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QMetaEnum>
#include <QStandardPaths>
#include <QTimer>
#include <QVideoFrame>
#include <QVideoSink>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 startupPauseAfterMs = 100;
constexpr qint64 arrowSeekMs = 2000;
constexpr double shuttleStep = 0.5;

bool isKnownSize(const QSize &size)
{
    return size.isValid() && !size.isEmpty();
}

} // namespace

VideoQtWidgets::VideoQtWidgets(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::VideoQtWidgetsClass>())
{
    ui->setupUi(this);
    ui->pushButton_3->hide();
    ui->pushButton->hide();
    ui->infolabel->hide();
}

VideoQtWidgets::~VideoQtWidgets()
{
    releaseMedia();
    qCDebug(lcEditor) << "del obj";
}

bool VideoQtWidgets::loadTask(Di_riror_adiRIZ *task)
{
    if (!task)
        return false;
    shownTask = task;
    setWindowTitle(shownTask->videoFileName);
    // The task list may delete the task while this window is open.
    connect(shownTask, &QObject::destroyed, this, &VideoQtWidgets::detachFromDeletedTask);

    connect(shownTask, &Di_riror_adiRIZ::languageLoaded, this, &VideoQtWidgets::onLanguageLoaded);
    connect(ui->LanguagesHelpPushButton, &QPushButton::clicked, this,
            [this] { WebPageNotice::open(this, AppConstants::languageHelpPage); });
    // The second list is filled first: filling the first applies the language, both of them.
    fillSecondLanguages();
    connect(ui->LanguagescomboBox, &QComboBox::currentIndexChanged, this, &VideoQtWidgets::applySelectedLanguage);
    connect(ui->SecondLanguagecomboBox, &QComboBox::currentIndexChanged, this, &VideoQtWidgets::applySelectedLanguage);
    fillLanguages();

    createPlayer();
    connect(ui->horizontalSlider, &MySlider::inTimeUpdate, this,
            [this](double fraction) { onRangeMarkerMoved(fraction, true); });
    connect(ui->horizontalSlider, &MySlider::outTimeUpdate, this,
            [this](double fraction) { onRangeMarkerMoved(fraction, false); });
    connect(ui->horizontalSlider, &MySlider::nowTimeUpdate, this, &VideoQtWidgets::onPlayheadMoved);
    createScene();

    player->setVideoOutput(videoItem);
    MediaSource::setPlayerSource(player, shownTask->videoPath);

    ui->FrameNumber_double->setValue(shownTask->Frame_rate);
    connect(ui->FrameNumber_double, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        if (shownTask)
            shownTask->setFrameNumber_orc(value);
    });
    connectScanChoice();

    showSubtitlesOrHideDock();
    connectControls();
    setFocus(Qt::OtherFocusReason);
    player->play();
    return true;
}

// Fast scan (index 0) or playback at the rate beside it (index 1); the rate only counts for playback.
void VideoQtWidgets::connectScanChoice()
{
    const bool fast = shownTask->scanMode == ScanMode::Fast;
    ui->ScanMode_comboBox->setCurrentIndex(fast ? 0 : 1);
    ui->FrameNumber_double->setEnabled(!fast);
    connect(ui->ScanMode_comboBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        ui->FrameNumber_double->setEnabled(index == 1);
        if (shownTask)
            shownTask->setScanMode(index == 0 ? ScanMode::Fast : ScanMode::Playback);
    });
}

void VideoQtWidgets::createPlayer()
{
    player = new QMediaPlayer(this);
    auto *audio = new QAudioOutput(player);
    audio->setVolume(50.0f);
    player->setAudioOutput(audio);

    connect(player, &QMediaPlayer::hasVideoChanged, this, [this](bool hasVideo) {
        if (hasVideo)
            placeRangeMarkers();
    });
    // The duration may arrive after the video is reported; the markers wait for both.
    connect(player, &QMediaPlayer::durationChanged, this, &VideoQtWidgets::placeRangeMarkers);
    connect(player, &QMediaPlayer::metaDataChanged, this, [this] {
        if (firstFrameShown && !areaRects->isPlaced())
            placeAreas();
    });
    connect(player, &QMediaPlayer::positionChanged, this, &VideoQtWidgets::onPositionChanged);
}

void VideoQtWidgets::createScene()
{
    auto *scene = new QGraphicsScene(this);
    videoItem = new QGraphicsVideoItem;
    ui->graphicsView->setScene(scene);
    // The view also changes size without the window doing so (a preview's text growing below it).
    ui->graphicsView->installEventFilter(this);
    qCDebug(lcEditor) << "大小：" << contentsRect();
    scene->addItem(videoItem);

    areaRects = new AreaRectangles(videoItem, this);
    areaRects->showUnplaced();
    connect(areaRects, &AreaRectangles::changed, this, &VideoQtWidgets::storeAreas);
    enableAreaButtons();

    connect(videoItem, &QGraphicsVideoItem::nativeSizeChanged, this, [this] {
        if (firstFrameShown && !areaRects->isPlaced())
            placeAreas();
        else
            fitCropToPicture();
    });
}

void VideoQtWidgets::showSubtitlesOrHideDock()
{
    if (shownTask->state != TaskState::Done) {
        ui->dockWidget->hide();
        return;
    }
    ui->listWidget->setTask(shownTask);
    ui->listWidget->refreshItems();
    connect(ui->listWidget, &SRTQListWidget::setVideoPosition, this, [this](qlonglong time) {
        if (player)
            seekTo(time);
    });
}

void VideoQtWidgets::connectControls()
{
    connect(ui->Preview_pushButton, &QPushButton::clicked, this, &VideoQtWidgets::previewCurrentFrame);
    connect(ui->DetectArea_pushButton, &QPushButton::clicked, this, &VideoQtWidgets::detectSubtitleArea);
    connect(ui->AddArea_pushButton, &QPushButton::clicked, this, &VideoQtWidgets::addArea);
    connect(ui->RemoveArea_pushButton, &QPushButton::clicked, this, &VideoQtWidgets::removeArea);
    connect(ui->MainArea_pushButton, &QPushButton::clicked, this, &VideoQtWidgets::makeMainArea);
    connect(ui->tohomepushButton, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->pushButton_2, &QPushButton::clicked, this, &VideoQtWidgets::play);
    connect(ui->JtoolButton, &QPushButton::clicked, this, &VideoQtWidgets::shuttleBackward);
    connect(ui->LtoolButton, &QPushButton::clicked, this, &VideoQtWidgets::shuttleForward);
    connect(ui->setInTimetoolButton, &QPushButton::clicked, this, &VideoQtWidgets::setInPoint);
    connect(ui->setOutTimetoolButton, &QPushButton::clicked, this, &VideoQtWidgets::setOutPoint);
}

QSize VideoQtWidgets::videoSize() const
{
    if (shownTask && isKnownSize(shownTask->videoResolution()))
        return shownTask->videoResolution();
    if (player) {
        const QSize size = player->metaData().value(QMediaMetaData::Resolution).toSize();
        if (isKnownSize(size))
            return size;
    }
    return QSize();
}

qint64 VideoQtWidgets::clockOffset() const
{
    return shownTask ? shownTask->playerClockOffset() : 0;
}

qint64 VideoQtWidgets::playerTime() const
{
    return player ? player->position() - clockOffset() : 0;
}

void VideoQtWidgets::seekTo(qint64 time)
{
    if (player)
        player->setPosition(time + clockOffset());
}

qint64 VideoQtWidgets::mediaDuration() const
{
    if (player && player->duration() > 0)
        return player->duration();
    return shownTask ? std::max<qint64>(shownTask->duration, 0) : 0;
}

void VideoQtWidgets::onPositionChanged(qint64 playerPosition)
{
    const qint64 position = playerPosition - clockOffset();
    const qint64 duration = mediaDuration();
    if (!firstFrameShown && position > startupPauseAfterMs && position < duration) {
        player->pause();
        firstFrameShown = true;
        placeAreas();
    }
    if (duration > 0) {
        ui->horizontalSlider->setNowTime(double(position) / double(duration));
        ui->horizontalSlider->update();
    }
    showTime(ui->nowtimelabel, position);
    ui->listWidget->nowTime(position);
}

void VideoQtWidgets::placeRangeMarkers()
{
    // Only shows the task's range: opening the editor must not rewrite it or drop its samples.
    const qint64 duration = mediaDuration();
    if (rangeMarkersPlaced || !shownTask || !player || !player->hasVideo() || duration <= 0)
        return;
    rangeMarkersPlaced = true;
    placedOutFraction = shownTask->timeRange_out >= 0 ? double(shownTask->timeRange_out) / double(duration) : 1.0;
    placedInFraction = shownTask->timeRange_in >= 0 ? double(shownTask->timeRange_in) / double(duration) : 0.0;
    ui->horizontalSlider->setOutTime(placedOutFraction);
    ui->horizontalSlider->setInTime(placedInFraction);
    if (shownTask->timeRange_in >= 0)
        showTime(ui->in_timelabel, shownTask->timeRange_in);
    if (shownTask->timeRange_out >= 0)
        showTime(ui->out_timelabel, shownTask->timeRange_out);
    ui->horizontalSlider->update();
}

void VideoQtWidgets::onRangeMarkerMoved(double fraction, bool inPoint)
{
    const qint64 duration = mediaDuration();
    if (!shownTask || !player || duration <= 0 || !std::isfinite(fraction))
        return;
    const qint64 time = qint64(double(duration) * fraction);
    seekTo(time);
    double &placed = inPoint ? placedInFraction : placedOutFraction;
    if (fraction == placed)
        return; // a click on the marker without moving it
    placed = fraction;
    if (inPoint)
        shownTask->setInTimeRange(time);
    else
        shownTask->setoutTimeRange(time);
    showTime(inPoint ? ui->in_timelabel : ui->out_timelabel, time);
}

void VideoQtWidgets::onPlayheadMoved(double fraction)
{
    const qint64 duration = mediaDuration();
    if (!player || duration <= 0 || !std::isfinite(fraction))
        return;
    const qint64 time = qint64(double(duration) * fraction);
    seekTo(time);
    showTime(ui->nowtimelabel, time);
}

void VideoQtWidgets::setInPoint()
{
    const qint64 duration = mediaDuration();
    if (!shownTask || !player || duration <= 0)
        return;
    const qint64 position = playerTime();
    ui->horizontalSlider->setInTime(double(position) / double(duration));
    ui->horizontalSlider->update();
    placedInFraction = ui->horizontalSlider->inTime();
    setRangePoint(position, true);
}

void VideoQtWidgets::setOutPoint()
{
    const qint64 duration = mediaDuration();
    if (!shownTask || !player || duration <= 0)
        return;
    const qint64 position = playerTime();
    ui->horizontalSlider->setOutTime(double(position) / double(duration));
    ui->horizontalSlider->update();
    placedOutFraction = ui->horizontalSlider->outTime();
    setRangePoint(position, false);
}

void VideoQtWidgets::setRangePoint(qint64 position, bool inPoint)
{
    showTime(inPoint ? ui->in_timelabel : ui->out_timelabel, position);
    // Setting the point where it already is keeps the gathered samples.
    if (inPoint && shownTask->timeRange_in != position)
        shownTask->setInTimeRange(position);
    else if (!inPoint && shownTask->timeRange_out != position)
        shownTask->setoutTimeRange(position);
}

void VideoQtWidgets::showTime(QLabel *label, qint64 milliseconds)
{
    label->setText(SRTQTime::clockText(milliseconds));
}

void VideoQtWidgets::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitVideoToView();
}

bool VideoQtWidgets::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->graphicsView && event->type() == QEvent::Resize)
        fitVideoToView();
    return QWidget::eventFilter(watched, event);
}

void VideoQtWidgets::fitVideoToView()
{
    if (!videoItem)
        return;
    videoItem->setSize(QSizeF(ui->graphicsView->geometry().size() - QSize(2, 2)));
    fitCropToPicture();
}

void VideoQtWidgets::play()
{
    if (!player)
        return;
    qCDebug(lcEditor) << QMetaEnum::fromType<QMediaPlayer::PlaybackState>().valueToKey(player->playbackState())
             << player->isAvailable();
    if (player->playbackRate() != 1.0)
        player->setPlaybackRate(1.0);
    if (player->playbackState() == QMediaPlayer::PlayingState)
        player->pause();
    else
        player->play();
    setFocus(Qt::OtherFocusReason);
}

void VideoQtWidgets::shuttleBackward()
{
    if (player)
        player->setPlaybackRate(std::min(player->playbackRate(), 0.0) - shuttleStep);
}

void VideoQtWidgets::shuttleForward()
{
    if (player)
        player->setPlaybackRate(std::max(player->playbackRate(), 0.0) + shuttleStep);
}

void VideoQtWidgets::seekBy(qint64 milliseconds)
{
    if (player)
        seekTo(std::max<qint64>(0, playerTime() + milliseconds));
}

void VideoQtWidgets::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
        play();
        break;
    case Qt::Key_I:
        setInPoint();
        break;
    case Qt::Key_O:
        setOutPoint();
        break;
    case Qt::Key_J:
        shuttleBackward();
        break;
    case Qt::Key_L:
        shuttleForward();
        break;
    case Qt::Key_Left:
        seekBy(-arrowSeekMs);
        break;
    case Qt::Key_Right:
        seekBy(arrowSeekMs);
        break;
    default:
        QWidget::keyPressEvent(event);
        break;
    }
}

void VideoQtWidgets::openFile()
{
    const QStringList movies = QStandardPaths::standardLocations(QStandardPaths::MoviesLocation);
    const QString start = movies.isEmpty() ? QDir::homePath() : movies.first();
    QFileDialog dialog(this, tr("选择视频文件"), start);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedUrls().isEmpty() || !player)
        return;
    const QUrl url = dialog.selectedUrls().first();
    if (url.isLocalFile())
        MediaSource::setPlayerSource(player, url.toLocalFile());
    else
        player->setSource(url);
    qCDebug(lcEditor) << "loadvideo" << url;
}

void VideoQtWidgets::closeEvent(QCloseEvent *event)
{
    qCDebug(lcEditor) << "close";
    emit closeSig();
    releaseMedia();
    event->accept();
    // Nobody keeps a reference to an editor; it is not reused once closed.
    deleteLater();
}

void VideoQtWidgets::releaseMedia()
{
    // The player first: it renders into the video item.
    delete player;
    player = nullptr;
    if (areaRects)
        areaRects->clear();
    delete videoItem;
    videoItem = nullptr;
}

void VideoQtWidgets::detachFromDeletedTask()
{
    // The task is half destroyed here and the task list is still removing it: drop every
    // reference now, close once the list is done.
    ui->listWidget->setTask(nullptr);
    if (player)
        player->stop();
    QTimer::singleShot(0, this, [this] { close(); });
}
