#pragma once

#include "task/di_riror_adiriz.h"

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <memory>

class AreaDetectionJob;
class AreaRectangles;
class CropItem;
class QGraphicsVideoItem;
class QLabel;
class QMediaPlayer;

namespace Ui {
class VideoQtWidgetsClass;
}

// The editor window of one task: plays the video, sets the subtitle areas, the range, the
// language and the rate, previews the frame on screen and edits a finished task's subtitles.
// Every edit goes into the task at once; closing only reports it (closeSig).
class VideoQtWidgets : public QWidget
{
    Q_OBJECT
public:
    explicit VideoQtWidgets(QWidget *parent = nullptr);
    ~VideoQtWidgets() override;

    bool loadTask(Di_riror_adiRIZ *shownTask);

    void setInPoint();
    void setOutPoint();
    void shuttleBackward();
    void shuttleForward();
    void previewCurrentFrame();
    // Draws the task's areas over the picture once the frame size is known; writes nothing.
    void placeAreas();
    void storeAreas();
    // Finds the subtitle bands off the GUI thread and puts a rectangle on each.
    void detectSubtitleArea();
    // A new area in the upper part of the picture; the chosen one removed or made the main one.
    void addArea();
    void removeArea();
    void makeMainArea();

    Di_riror_adiRIZ *task() const { return shownTask; }
    QMediaPlayer *mediaPlayer() const { return player; }
    QGraphicsVideoItem *videoOutputItem() const { return videoItem; }
    // The main area's rectangle, and the reference pair its mapping works from.
    CropItem *cropRectItem() const;
    QRect pictureReferenceRect() const;
    QRect cropReferenceRect() const;
    // Every area's rectangle, the main one first.
    QList<CropItem *> areaItems() const;
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
    void setVideoPosition(qlonglong time);
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
    void fitCropToPicture();
    void enableAreaButtons();
    void onSubtitleAreaDetected(const QRect &band);
    void seekBy(qint64 milliseconds);
    void detachFromDeletedTask();
    void releaseMedia();

    std::unique_ptr<Ui::VideoQtWidgetsClass> ui;
    QMediaPlayer *player = nullptr;
    QGraphicsVideoItem *videoItem = nullptr;
    AreaRectangles *areaRects = nullptr;
    AreaDetectionJob *areaJob = nullptr;
    QPointer<Di_riror_adiRIZ> shownTask;
    bool firstFrameShown = false;
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
