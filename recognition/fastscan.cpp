#include "fastscan.h"

#include "recognition/change/cropsignature.h"
#include "recognition/change/edgemap.h"
#include "media/croporientation.h"
#include "readingcache.h"
#include "readingpool.h"
#include "recognition/change/stretchtracker.h"
#include "ocr/ppocr/networktimes.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QThread>

#include <algorithm>
#include <limits>

Q_LOGGING_CATEGORY(lcProfile, "tarnix.profile", QtWarningMsg)

namespace {

constexpr int progressIntervalMs = 100;
constexpr int contextFrames = 2;

FastScan::Failure failureOf(VideoFrameReader::OpenError error)
{
    switch (error) {
    case VideoFrameReader::OpenError::NoVideoStream:
        return FastScan::Failure::NoVideoStream;
    case VideoFrameReader::OpenError::UnsupportedCodec:
        return FastScan::Failure::UnsupportedCodec;
    default:
        return FastScan::Failure::Unreadable;
    }
}

VideoFrameReader::CropSpace cropSpace(const VideoFrameReader &reader, const QSize &shown)
{
    return CropOrientation::drawnOnStored(shown, reader.codedSize(), reader.rotation())
               ? VideoFrameReader::CropSpace::Stored
               : VideoFrameReader::CropSpace::Shown;
}

} // namespace

FastScan::FastScan(QObject *parent)
    : QObject(parent)
{
}

FastScan::~FastScan()
{
    stop();
    if (thread) {
        thread->wait();
        delete thread;
    }
}

FastScan::Outcome FastScan::probe(const QString &path)
{
    Outcome outcome;
    VideoFrameReader reader;
    if (!reader.open(path)) {
        outcome.status = Status::Failed;
        outcome.failure = failureOf(reader.openError());
        outcome.detail = reader.openErrorDetail();
        return outcome;
    }
    outcome.durationMs = reader.durationMs();
    outcome.pictureSize = reader.displaySize();
    return outcome;
}

void FastScan::start(const Settings &settings)
{
    if (isRunning())
        return;
    delete thread;
    stopRequested = false;
    // Reported once the thread has ended, so a new scan can start from the handler.
    thread = QThread::create([this, settings] { result = scan(settings); });
    connect(thread, &QThread::finished, this, [this] { emit finished(result); });
    thread->start();
}

void FastScan::stop()
{
    stopRequested = true;
}

bool FastScan::isRunning() const
{
    return thread && thread->isRunning();
}

bool FastScan::prepare(const Settings &settings, VideoFrameReader &reader, Outcome &outcome)
{
    if (!reader.open(settings.path)) {
        outcome.status = Status::Failed;
        outcome.failure = failureOf(reader.openError());
        outcome.detail = reader.openErrorDetail();
        return false;
    }
    reader.setCropSpace(cropSpace(reader, settings.shownSize));
    bool inside = settings.crop.isNull() || reader.setCrop(settings.crop) != VideoFrameReader::CropFit::Outside;
    for (const QRect &area : settings.moreCrops)
        inside = inside && reader.addCrop(area) != VideoFrameReader::CropFit::Outside;
    if (!inside) {
        outcome.status = Status::Failed;
        outcome.failure = Failure::CropOutside;
        return false;
    }
    return true;
}

FastScan::Outcome FastScan::scan(const Settings &settings)
{
    Outcome outcome;
    VideoFrameReader reader;
    reader.setSkipDeblocking(true);
    if (!prepare(settings, reader, outcome))
        return outcome;
    const int threads = settings.readers > 0 ? settings.readers : std::max(1, QThread::idealThreadCount());
    ReadingPool pool(threads, threads * 4);
    // The recogniser loads while the first frames are decoded; a language it refuses ends the
    // scan as soon as that is known.
    if (settings.recognise)
        pool.start(settings.language);
    const NetworkUse networksBefore = NetworkUse::now();
    QList<FrameSample> blanks;
    ReadingCache cache;
    const qint64 endMs = runFrames(settings, reader, [&] { return pool.refused(); }, [&](Stretch stretch, int area) {
        if (!stretch.hasText)
            blanks.append(FrameSample{stretch.startMs, {}, area});
        else if (settings.recognise && !cache.answers(stretch.ink, stretch.startMs, area))
            pool.submit({stretch.startMs, std::move(stretch.clearest), std::move(stretch.spare), area});
    }, outcome);
    // A stop answers at once: what is queued is read again when the scan resumes.
    if (outcome.status == Status::Stopped) {
        if (const std::optional<qint64> dropped = pool.abandon())
            outcome.resumeMs = std::min(outcome.resumeMs, *dropped);
        blanks.erase(std::remove_if(blanks.begin(), blanks.end(),
                                    [&](const FrameSample &blank) { return blank.time >= outcome.resumeMs; }),
                     blanks.end());
    }
    outcome.samples = pool.finish();
    // Known by now even where the video ended while the recogniser was still loading.
    if (const std::optional<QString> refusal = pool.refusal()) {
        Outcome refused;
        refused.status = Status::Failed;
        refused.failure = Failure::Recogniser;
        refused.detail = *refusal;
        return refused;
    }
    outcome.looks = pool.looks();
    outcome.readings = outcome.samples.size();
    cache.fill(outcome.samples, outcome.looks,
               outcome.status == Status::Stopped ? outcome.resumeMs : std::numeric_limits<qint64>::max());
    outcome.samples.append(blanks);
    if (outcome.status != Status::Stopped) {
        for (int area = 0; area < reader.cropCount(); ++area)
            outcome.samples.append(FrameSample{endMs, {}, area});
    }
    std::stable_sort(outcome.samples.begin(), outcome.samples.end(),
                     [](const FrameSample &a, const FrameSample &b) { return a.time < b.time; });
    if (!pool.failure().isEmpty()) {
        outcome.status = Status::Failed;
        outcome.failure = Failure::Recogniser;
        outcome.detail = pool.failure();
    }
    outcome.damagedFrames = reader.damagedFrames();
    outcome.truncated = reader.truncated();
    reportProfile(outcome, pool.readingNs(), pool.readers(), networksBefore);
    return outcome;
}

FastScan::NetworkUse FastScan::NetworkUse::now()
{
    return {NetworkTimes::totalNs(NetworkTimes::Network::TextDetection),
            NetworkTimes::totalNs(NetworkTimes::Network::Recognition), NetworkTimes::runs(NetworkTimes::Network::TextDetection),
            NetworkTimes::runs(NetworkTimes::Network::Recognition)};
}

void FastScan::reportProfile(const Outcome &outcome, qint64 readingNs, int threads, const NetworkUse &before)
{
    const auto seconds = [](qint64 ns) { return QString::number(double(ns) / 1e9, 'f', 2); };
    const NetworkUse after = NetworkUse::now();
    qCInfo(lcProfile).noquote() << QStringLiteral("profile: %1 frames, decoding %2 s, change detection %3 s, "
                                                  "reading %4 s on %5 threads (text detection %6 s, recognition %7 s), "
                                                  "%8 readings, waiting for readers %9 s, %10 detections, %11 recognitions")
                                       .arg(outcome.frames).arg(seconds(outcome.decodingNs))
                                       .arg(seconds(outcome.changeDetectionNs), seconds(readingNs))
                                       .arg(threads)
                                       .arg(seconds(after.detectionNs - before.detectionNs),
                                            seconds(after.recognitionNs - before.recognitionNs))
                                       .arg(outcome.readings).arg(seconds(outcome.handingNs))
                                       .arg(after.detections - before.detections)
                                       .arg(after.recognitions - before.recognitions);
}

qint64 FastScan::runFrames(const Settings &settings, VideoFrameReader &reader, const std::function<bool()> &giveUp,
                           const Dispatch &dispatch, Outcome &outcome)
{
    const qint64 from = std::max(settings.rangeStartMs >= 0 ? settings.rangeStartMs : settings.fromMs, reader.startTimeMs());
    const qint64 to = settings.toMs >= 0 ? settings.toMs : reader.startTimeMs() + reader.durationMs();
    // Frames just before the start are decoded too: the first frames' edges are judged by them.
    reader.seek(settings.fromMs - contextFrames * reader.frameDurationMs());
    // Every subtitle area is a track of its own, cut from the same decoded frame. A frame is
    // judged once the next one is decoded; until then each track holds it with its edges.
    struct Held { qint64 time = -1; EdgeMap edges; };
    struct Track { Held before, held; StretchTracker tracker; };
    std::vector<Track> tracks(size_t(reader.cropCount()));
    bool stretchClosed = false;
    // Kept apart from change detection: a full queue holds the scan here until a reader is free.
    const auto hand = [&](Stretch stretch, int area) {
        QElapsedTimer handing;
        handing.start();
        dispatch(std::move(stretch), area);
        outcome.handingNs += handing.nsecsElapsed();
    };
    auto judge = [&](int area, const EdgeMap *after) {
        Track &track = tracks[size_t(area)];
        if (track.held.time < settings.fromMs)
            return;
        const CropSignature signature(track.held.edges, track.before.time >= 0 ? &track.before.edges : nullptr, after);
        const auto grab = [&] { return reader.colourCrop(VideoFrameReader::Which::Previous); };
        for (Stretch &closed : track.tracker.addFrame(track.held.time, signature, grab)) {
            hand(std::move(closed), area);
            stretchClosed = true;
        }
    };
    const auto finishAll = [&](qint64 endMs) {
        for (size_t area = 0; area < tracks.size(); ++area) {
            for (Stretch &last : tracks[area].tracker.finish(endMs))
                hand(std::move(last), int(area));
        }
        return endMs;
    };
    QElapsedTimer sinceReport;
    sinceReport.start();
    QElapsedTimer clock;
    while (!stopRequested && !giveUp()) {
        clock.start();
        const VideoFrameReader::ReadResult read = reader.readFrame();
        outcome.decodingNs += clock.nsecsElapsed();
        const qint64 lastHeld = tracks.front().held.time;
        if (read == VideoFrameReader::ReadResult::End) {
            for (size_t area = 0; area < tracks.size(); ++area) {
                reader.selectCrop(int(area));
                judge(int(area), nullptr);
            }
            outcome.frames += lastHeld >= settings.fromMs;
            return finishAll(lastHeld >= 0 ? lastHeld + reader.frameDurationMs() : from);
        }
        const qint64 time = reader.frameTimeMs();
        const qint64 handedBefore = outcome.handingNs;
        clock.start();
        for (size_t area = 0; area < tracks.size(); ++area) {
            reader.selectCrop(int(area));
            Track &track = tracks[area];
            EdgeMap edges(reader.grayCrop());
            if (track.held.time >= 0)
                judge(int(area), &edges);
            track.before = std::move(track.held);
            track.held = Held{time, std::move(edges)};
        }
        outcome.frames += lastHeld >= settings.fromMs;
        outcome.changeDetectionNs += clock.nsecsElapsed() - (outcome.handingNs - handedBefore);
        if (settings.toMs >= 0 && time >= settings.toMs)
            return finishAll(time);
        // Reported now and then, and where a stretch ends (a short video may take less than the interval).
        if (sinceReport.elapsed() >= progressIntervalMs || stretchClosed) {
            sinceReport.restart();
            stretchClosed = false;
            const double fraction = to > from ? std::clamp(double(time - from) / double(to - from), 0.0, 1.0) : 1.0;
            QMetaObject::invokeMethod(this, [this, time, fraction] { emit progress(time, fraction); },
                                      Qt::QueuedConnection);
        }
    }
    // The open stretches are read again from the earliest start when the scan resumes.
    outcome.status = Status::Stopped;
    outcome.resumeMs = settings.fromMs;
    qint64 earliestOpen = -1;
    for (const Track &track : tracks) {
        const qint64 open = track.tracker.openStart();
        if (open >= 0 && (earliestOpen < 0 || open < earliestOpen))
            earliestOpen = open;
    }
    if (earliestOpen >= 0)
        outcome.resumeMs = earliestOpen;
    return outcome.resumeMs;
}
