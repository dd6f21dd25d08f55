#pragma once

#include "core/framesample.h"
#include "linelook.h"
#include "media/videoframereader.h"

#include <QLoggingCategory>
#include <QObject>
#include <QRect>

#include <atomic>
#include <functional>
#include <utility>

class QThread;
class StretchTracker;
struct Stretch;

// Reads a video's subtitles without playing it: decodes every frame of the range on a thread of
// its own, recognises a frame only where the subtitle picture changed, and reports by signals.
// Where a scan's time goes ("profile: …" lines), for the benchmarks; off unless asked for.
Q_DECLARE_LOGGING_CATEGORY(lcProfile)

class FastScan : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        QString path;
        QString language;
        QRect crop;              // in the picture as the editor shows it
        QList<QRect> moreCrops;  // further subtitle areas, each read as a track of its own
        // Size of the picture the crop was drawn on, telling whether that picture was rotated by
        // the display matrix (the player may show frames as stored). Empty: rotated.
        QSize shownSize;
        qint64 fromMs = 0;
        qint64 rangeStartMs = -1; // start of the range for the progress share; -1: fromMs
        qint64 toMs = -1;        // -1: to the end of the video
        int readers = 0;         // recognition threads; 0: one per core
        bool recognise = true;   // off: decode and compare only (for measuring)
    };

    enum class Status { Finished, Stopped, Failed };
    enum class Failure { None, Unreadable, NoVideoStream, UnsupportedCodec, CropOutside, Recogniser };

    struct Outcome
    {
        Status status = Status::Finished;
        Failure failure = Failure::None;
        QString detail;          // the library's or recogniser's words for a failure
        QList<FrameSample> samples;
        AreaLineLooks looks;     // what the pictures showed of the lines read, by area and sample time
        qint64 resumeMs = 0;     // where a stopped scan goes on
        int damagedFrames = 0;
        bool truncated = false;
        qint64 frames = 0;
        qint64 readings = 0;
        // Where the time went, for the benchmarks: decoding (with the crop's conversion), the
        // signatures and stretches that decide what is read, and the wait for the readers.
        qint64 decodingNs = 0;
        qint64 changeDetectionNs = 0;
        qint64 handingNs = 0;    // handing stretches to the readers: waiting while their queue is full
        qint64 durationMs = 0;   // from probe: the container's length
        QSize pictureSize;       // from probe: the picture as shown (display matrix applied)
    };

    explicit FastScan(QObject *parent = nullptr);
    ~FastScan() override;

    // Opens the file and its video decoder only: Failed with the reason, or Finished with the
    // length and picture size.
    static Outcome probe(const QString &path);

    // Starts the scan; ignored while one runs.
    void start(const Settings &settings);
    // Asks the running scan to stop at the next frame; `finished` follows.
    void stop();
    bool isRunning() const;

signals:
    // Time of the frame being decoded and the share of the range done (0 to 1).
    void progress(qint64 timeMs, double fraction);
    void finished(const FastScan::Outcome &outcome);

private:
    Outcome scan(const Settings &settings);
    static bool prepare(const Settings &settings, VideoFrameReader &reader, Outcome &outcome);
    // A closed stretch and the area it belongs to.
    using Dispatch = std::function<void(Stretch, int)>;
    // Feeds the range's frames to one tracker per area; returns where the scan ended or resumes.
    // Ends early, as if stopped, once `giveUp` says so.
    qint64 runFrames(const Settings &settings, VideoFrameReader &reader, const std::function<bool()> &giveUp,
                     const Dispatch &dispatch, Outcome &outcome);
    // The networks' process totals, taken before the scan.
    struct NetworkUse
    {
        qint64 detectionNs = 0;
        qint64 recognitionNs = 0;
        qint64 detections = 0;
        qint64 recognitions = 0;
        static NetworkUse now();
    };
    static void reportProfile(const Outcome &outcome, qint64 readingNs, int threads, const NetworkUse &before);

    QThread *thread = nullptr;
    Outcome result; // written by the scan's thread, read once it has finished
    std::atomic_bool stopRequested{false};
};
