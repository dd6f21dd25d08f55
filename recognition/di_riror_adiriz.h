#pragma once

#include "fastscan.h"
#include "core/framesample.h"
#include "core/scanmode.h"
#include "core/srtentry.h"
#include "core/taskstate.h"

#include <QImage>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QObject>
#include <QPixmap>
#include <QRect>

#include <memory>

class QThread;
class QVideoSink;
class TextRecognizer;
class GetVideoThumbnail;

// One task of the batch: a video, its recognition settings, its samples and subtitles, and
// the recognition itself: either play the range and recognise every reported frame, or decode
// every frame and read the subtitle where it changes (fast scan); segment at the end.
class Di_riror_adiRIZ : public QObject
{
    Q_OBJECT
public:
    // A new task for a video: applies the user's default language, then opens the video.
    explicit Di_riror_adiRIZ(const QString &path, QObject *parent = nullptr);
    // A task to be filled from a project; the reader calls openVideo itself.
    explicit Di_riror_adiRIZ(QObject *parent = nullptr);
    ~Di_riror_adiRIZ() override;

    void openVideo(const QString &path);
    // Makes a task created without a video ready for a fast scan of `path` without a player:
    // whole length, whole picture as shown. False with errorText naming the file otherwise.
    bool openForScan(const QString &path);
    void resetTask();

    QString toSrtText() const;
    QString toTxtText() const;
    QString summaryText() const;
    QPixmap thumbnailPixmap() const { return thumbnail; }

    QMediaPlayer *mediaPlayer() const { return player; }
    TextRecognizer *textRecognizer() const { return recognizer.get(); }
    // Resolution of the decoded frames once known; invalid before.
    QSize videoResolution() const;
    // Cuts cropRect out of a frame image; a null rectangle keeps the whole picture.
    QImage cropFrame(const QImage &frame) const;

    qint16 recordVersion = 1;
    QString videoPath;
    QString videoFileName;
    qint64 timeRange_in = -1;
    qint64 timeRange_out = -1;
    qint64 lastPosition = 0;
    float progress = 0;
    QString exportPath;
    qint64 duration = 0;
    qint32 state = Unknown;
    double Frame_rate = 1.0;
    ScanMode scanMode = ScanMode::Fast;
    QString errorText;
    QStringList languages;
    QRect cropRect;
    QList<FrameSample> samples;
    QList<SRTEntry> entries;
    bool stopRequested = false;
    QPixmap thumbnail;
    bool thumbnailLoaded = false;
    bool restoredFromProject = false;
    bool fileMissing = false;
    QMediaMetaData metaData;

signals:
    void err(QString errinfo);
    void test_info(QString errinfo);
    void progress_updata(float f);
    void completedSig();
    void loadThumbnail_ok();

public slots:
    void run_mian();
    void stop_slots();
    // Ends a run whose back end stopped reporting: Failed, with the reason, samples kept.
    void failStalledRun();
    bool preview_ORC(qlonglong time, QString *outText, QImage *outimage);
    bool preview_ORC_V2(QImage *rawimage, QString *outText, QImage *outimage);
    void setVideoPosition(qlonglong time);
    void setCropRect(QRect _cropRect);
    void setInTimeRange(qlonglong timeRange_in);
    void setoutTimeRange(qlonglong timeRange_out);
    // One tag, or several read together joined by "+"; `languages` then holds each of them.
    bool setLanguage(QString language);
    void setFrameNumber_orc(double Num);
    // A different mode drops the samples and the resume point of the other.
    void setScanMode(ScanMode mode);

private:
    void createMediaObjects();
    void applyDefaultLanguage();
    void onPositionChanged(qint64 position);
    void onHasVideoChanged(bool hasVideo);
    void onMediaStatusChanged(QMediaPlayer::MediaStatus status);
    void onPlayerError(QMediaPlayer::Error error, const QString &errorString);
    void takeMediaFacts();
    void recogniseFrameAt(qint64 position);
    void noteEarlyEnd();
    void finishRun();
    void abortRun(const QString &reason);
    void pausePlayer();
    QImage stillGrab(qint64 time);
    bool recogniseForPreview(const QImage &cut, QStringList *lines);
    void startThumbnailGrab();
    void runFast();
    void onFastProgress(qint64 timeMs, double fraction);
    void onFastFinished(const FastScan::Outcome &outcome);
    void onThumbnail(const QPixmap &picture);

    QMediaPlayer *player = nullptr;
    QVideoSink *sink = nullptr;
    std::unique_ptr<TextRecognizer> recognizer;
    QThread *thread = nullptr;
    GetVideoThumbnail *thumbnailGrabber = nullptr;
    bool videoReported = false;
    bool awaitingSeek = false;
    qint64 seekTarget = 0;
    bool mediaFactsTaken = false;
    FastScan *fastScan = nullptr;
};
