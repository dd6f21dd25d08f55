#pragma once

#include "recognition/fastscan.h"
#include "recognition/playbackscan.h"
#include "recognition/linelook.h"
#include "taskrecord.h"

#include "core/refusedentry.h"
#include "media/subtitlestreams.h"
#include "ocr/textrecognizer.h"

#include <QImage>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QObject>
#include <QPixmap>
#include <QRect>

#include <memory>

struct MediaFacts;
template<typename T>
class QFutureWatcher;

// One task of the batch: a video, its recognition settings, its samples and subtitles, and
// the recognition itself: either play the range and recognise every reported frame, or decode
// every frame and read the subtitle where it changes (fast scan); segment at the end.
//
// An idle task is light: what it knows of its video comes from the container, its recogniser
// loads nothing until the task reads and then shares the engine with every task of the same
// language, and a player, a sink and a thread exist only while it plays, previews or grabs its
// thumbnail. Its data is read through the
// read-only fields below and changed only through its operations, which keep its rules.
class Di_riror_adiRIZ : public QObject
{
    Q_OBJECT

    // The storage behind the read-only fields; declared first, as they refer to it.
    TaskRecord rec;
    QPixmap m_thumbnail;
    bool m_thumbnailLoaded = false;
    bool m_restoredFromProject = false;
    bool m_fileMissing = false;
    QList<SubtitleStream> m_textStreams;
    QMediaMetaData m_metaData;

public:
    // A new task for a video: applies the user's default language, then opens the video.
    explicit Di_riror_adiRIZ(const QString &path, QObject *parent = nullptr);
    // A task to be filled from a project; the reader calls openVideo itself.
    explicit Di_riror_adiRIZ(QObject *parent = nullptr);
    ~Di_riror_adiRIZ() override;

    void openVideo(const QString &path);
    // Makes a task created without a video ready for a fast scan of `path` without a player:
    // whole length, whole picture as shown, `language` as its language when given (the scan loads
    // its own recognisers). False with errorText naming the file otherwise.
    bool openForScan(const QString &path, const QString &language = QString());
    void resetTask();

    // Everything a project file keeps of the task.
    const TaskRecord &record() const { return rec; }
    // Takes a record read from a project: its state and settings stay when the video is opened.
    void restore(const TaskRecord &record);
    // Export wrote the task's subtitles to `path`.
    void setExportPath(const QString &path);
    void setFileMissing(bool missing);
    // Keeps `picture` as the thumbnail (one grabbed earlier) and tells the row.
    void setThumbnail(const QPixmap &picture);
    // Back to Ready keeping results and resume point, so a stopped task goes on where it was.
    // Refused (false) while a run is under way.
    bool makeReady();
    // Edits of the subtitle list; false for an index outside it.
    bool insertEntry(qsizetype index, const SRTEntry &entry);
    bool removeEntry(qsizetype index);
    bool setEntry(qsizetype index, const SRTEntry &entry);
    // The subtitles were changed by hand since recognition made them; a new run would replace them.
    bool hasHandEdits() const;
    // What the last fast scan read from the picture itself and set apart, with the reason: kept
    // in memory only, for JSON export.
    const QList<RefusedEntry> &refusedEntries() const { return m_refused; }

    QString toSrtText() const;
    QString toTxtText() const;
    QString summaryText() const;
    QPixmap thumbnailPixmap() const { return m_thumbnail; }

    // Null while no run needs one.
    QMediaPlayer *mediaPlayer() const { return playbackScan ? playbackScan->player() : nullptr; }
    TextRecognizer *textRecognizer() const { return recognizer.get(); }
    // Resolution of the decoded frames once known; invalid before.
    QSize videoResolution() const;
    // The picture the task's areas are drawn on: the player's as above, or for a task opened for
    // a scan alone, the picture the scan reads.
    QSize pictureSize() const;
    // Qt 6.4's player reports and seeks positions on the streams' own clock, while the task's
    // times (and so every entry) count from the presentation's start: a player's position is this
    // much more than the task's time of the same frame.
    qint64 playerClockOffset() const { return playerOffset; }
    // How far ahead of the player's times a task restored from an older project has its
    // subtitles: those counted on the streams' own clock. 0 when its times need nothing, once the
    // video is probed. The user decides: shiftToPlayerTimes, or keepSavedTimes.
    qint64 savedClockLead() const;
    void shiftToPlayerTimes();
    void keepSavedTimes();
    // The container is still being read; the state says what it held once this is false.
    bool isProbingMedia() const { return probeWatcher != nullptr; }
    // Every subtitle area, the main one (cropRect) first; an entry's area indexes this.
    QList<QRect> areas() const;
    // Cuts cropRect out of a frame image; a null rectangle keeps the whole picture.
    QImage cropFrame(const QImage &frame) const;

    const qint16 &recordVersion = rec.recordVersion;
    const bool &streamClockTimes = rec.streamClockTimes;
    const QString &videoPath = rec.videoPath;
    const QString &videoFileName = rec.videoFileName;
    const qint64 &timeRange_in = rec.timeRange_in;
    const qint64 &timeRange_out = rec.timeRange_out;
    const qint64 &lastPosition = rec.lastPosition;
    const float &progress = rec.progress;
    const QString &exportPath = rec.exportPath;
    const qint64 &duration = rec.duration;
    const TaskState &state = rec.state;
    const double &Frame_rate = rec.Frame_rate;
    const ScanMode &scanMode = rec.scanMode;
    const QString &errorText = rec.errorText;
    const QStringList &languages = rec.languages;
    const QRect &cropRect = rec.cropRect;
    const QList<QRect> &otherAreas = rec.otherAreas;
    const QList<FrameSample> &samples = rec.samples;
    const QList<SRTEntry> &entries = rec.entries;
    const bool &stopRequested = rec.stopRequested;
    const QPixmap &thumbnail = m_thumbnail;
    const bool &thumbnailLoaded = m_thumbnailLoaded;
    const bool &restoredFromProject = m_restoredFromProject;
    const bool &fileMissing = m_fileMissing;
    // The subtitles the video carries as text, from its probe; not kept in a project.
    const QList<SubtitleStream> &textStreams = m_textStreams;
    const QMediaMetaData &metaData = m_metaData;

signals:
    void err(QString errinfo);
    void progress_updata(float f);
    void completedSig();
    void loadThumbnail_ok();
    // The container probe is done: the task is Ready, or stays as it was for a file it cannot read.
    void mediaProbed();
    // A load of the task's language on the pool ended: its engine was taken, or refused (with err).
    void languageLoaded(bool taken);

public slots:
    void run_mian();
    void stop_slots();
    // Ends a run whose back end stopped reporting: Failed, with the reason, samples kept.
    void failStalledRun();
    bool preview_ORC(qlonglong time, QString *outText, QImage *outimage);
    bool preview_ORC_V2(QImage *rawimage, QString *outText, QImage *outimage);
    void setVideoPosition(qlonglong time);
    void setCropRect(QRect _cropRect);
    // The band the area detector found: a crop like any other, but a run that reads nothing in
    // it says the area was not the user's.
    void setFoundArea(const QRect &band);
    // Several subtitle areas, the first the main one, each read as a track of its own (a fast
    // scan reads them all; playback reads the main one). Empty rectangles are left out.
    void setAreas(const QList<QRect> &areas);
    // Every band the area detector found; the lowest becomes the main area.
    void setFoundAreas(QList<QRect> bands);
    void setInTimeRange(qlonglong timeRange_in);
    void setoutTimeRange(qlonglong timeRange_out);
    // One tag, or several read together joined by "+"; `languages` then holds each of them.
    bool setLanguage(QString language);
    // The same choice without loading on the calling thread: a part not installed is refused at
    // once, as setLanguage refuses it; otherwise the tag is taken and its engine loads on the pool.
    bool takeLanguage(const QString &language);
    // True when the task's language can be read at its rate now; otherwise starts (or keeps) its
    // load on the pool, and languageLoaded tells when it is done.
    bool prepareLanguage();
    void setFrameNumber_orc(double Num);
    // A different mode drops the samples and the resume point of the other.
    void setScanMode(ScanMode mode);

private:
    void applyDefaultLanguage();
    QString languageTag() const;
    bool selectLanguageNow();
    void onLanguageLoaded(const TextRecognizer::Selection &selection);
    void onProbed(const MediaFacts &facts);
    void reportEmptyFrame();
    void addWarning(const QString &warning);
    QString noSubtitlesText() const;
    void clearSamplesAndResumePoint();
    QImage stillGrab(qint64 time);
    bool recogniseForPreview(const QImage &cut, QStringList *lines);
    void onThumbnail(const QPixmap &picture);
    bool isRunning() const;
    void runPlayback();
    void onPlaybackFinished(const PlaybackScan::Outcome &outcome);
    void runFast();
    void onRunProgress(qint64 timeMs, double fraction);
    void onFastFinished(const FastScan::Outcome &outcome);
    // Drops a run under way without a report.
    void dropRun();

    std::unique_ptr<TextRecognizer> recognizer;
    QFutureWatcher<MediaFacts> *probeWatcher = nullptr;
    QFutureWatcher<TextRecognizer::Selection> *languageWatcher = nullptr;
    // What languageWatcher loads.
    QString loadingTag;
    double loadingRate = 0.0;
    int storedRotation = 0; // of the picture the player shows, from the probe
    qint64 playerOffset = 0; // how far Qt 6.4's player positions run ahead of the task's times
    bool areaFound = false; // the crop came from the area detector, not the user
    QSize wholeFrame;       // in the crop's pixels
    PlaybackScan *playbackScan = nullptr;
    FastScan *fastScan = nullptr;
    bool abandonedFastScan = false; // failed as stalled while its thread still ran
    AreaLineLooks lineLooks; // of the fast scan's readings, by area and time; not kept in a project
    QList<RefusedEntry> m_refused;
};
