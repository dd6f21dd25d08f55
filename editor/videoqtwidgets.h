#pragma once

#include "recognition/di_riror_adiriz.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <memory>

class AreaDetectionJob;
class CropItem;
class QGraphicsVideoItem;
class QLabel;
class QMediaPlayer;

namespace Ui {
class VideoQtWidgetsClass;
}

// The editor window of one task: plays the video, sets the crop rectangle, the range, the
// language and the rate, previews the frame on screen and edits a finished task's subtitles.
// Every edit goes into the task at once; closing only reports it (closeSig).
class VideoQtWidgets : public QWidget
{
    Q_OBJECT
public:
    explicit VideoQtWidgets(QWidget *parent = nullptr);
    ~VideoQtWidgets() override;

    bool loadTask(Di_riror_adiRIZ *worker);

    void setInPoint();
    void setOutPoint();
    void shuttleBackward();
    void shuttleForward();
    void previewCurrentFrame();
    void placeCropRect();
    void storeCropRect();
    // Finds the subtitle band off the GUI thread and moves the crop rectangle there.
    void detectSubtitleArea();

    Di_riror_adiRIZ *task() const { return worker; }
    QMediaPlayer *mediaPlayer() const { return player; }
    QGraphicsVideoItem *videoOutputItem() const { return videoItem; }
    CropItem *cropRectItem() const { return cropItem; }
    // The reference pair the crop mapping works from.
    QRect pictureReferenceRect() const { return videoItemRect; }
    QRect cropReferenceRect() const { return cropSceneRect; }
    // The frame size of the task's video, or an invalid size while it is not known.
    QSize videoSize() const;
    // Milliseconds, 0 while the media is not known.
    qint64 mediaDuration() const;
    // Times on the task's time line; Qt 6.4's player counts on the streams' clock.
    qint64 clockOffset() const;
    qint64 playerTime() const;
    void seekTo(qint64 time);

signals:
    void closeSig();
    void run_min();
    void setVideoPosition(qlonglong time);
    void preview_ORC(qlonglong time, QString *outText, QImage *outimage);
    void subtitleAreaPlaced(const QRect &band);

public slots:
    void openFile();
    void play();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitVideoToView();
    void fillLanguages();
    void fillSecondLanguages();
    void offerOtherSecondLanguages(const QString &first);
    void connectScanChoice();
    void applySelectedLanguage();
    void onLanguageLoaded(bool taken);
    void showPreview(QImage frame);
    void showPreviewResult(const QString &text, const QImage &cut);
    void createPlayer();
    void createScene();
    void showSubtitlesOrHideDock();
    void connectControls();

    void onPositionChanged(qint64 position);
    void placeRangeMarkers();
    void onRangeMarkerMoved(double fraction, bool inPoint);
    void onPlayheadMoved(double fraction);
    void setRangePoint(qint64 position, bool inPoint);
    void showTime(QLabel *label, qint64 milliseconds);
    void onCropUpdate(const QRect &rect);
    void fitCropToPicture();
    void onSubtitleAreaDetected(const QRect &band);
    QRect pictureRect() const;
    void seekBy(qint64 milliseconds);
    void detachFromDeletedTask();
    void releaseMedia();

    std::unique_ptr<Ui::VideoQtWidgetsClass> ui;
    QMediaPlayer *player = nullptr;
    QGraphicsVideoItem *videoItem = nullptr;
    CropItem *cropItem = nullptr;
    AreaDetectionJob *areaJob = nullptr;
    QRect videoItemRect = QRect(0, 0, 0, 0);
    QRect cropSceneRect = QRect(0, 0, 200, 200);
    QPointer<Di_riror_adiRIZ> worker;
    bool firstFrameShown = false;
    bool cropPlaced = false;
    bool rangeMarkersPlaced = false;
    // A preview asked for while the language was loading.
    QImage framePendingPreview;
    // A preview reads on the pool; one asked for meanwhile waits for it and then reads the latest frame.
    bool previewReading = false;
    QImage framePendingRead;
    // The fractions the markers were placed at from the task; a release there changes nothing.
    double placedInFraction = 0.0;
    double placedOutFraction = 1.0;
};
