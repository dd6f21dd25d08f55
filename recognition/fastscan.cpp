#include "fastscan.h"

#include "cropsignature.h"
#include "readingpool.h"
#include "stretchtracker.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace {

constexpr int progressIntervalMs = 100;

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

// Whether the crop was drawn on the rotated picture. Qt 6.4's ffmpeg back end shows frames as
// stored, whatever their display matrix says; a half turn keeps the size, so it counts as not
// shown unless the sizes say otherwise.
VideoFrameReader::CropSpace cropSpace(const VideoFrameReader &reader, const QSize &shown)
{
    const bool rotated = shown.isEmpty() || reader.rotation() == 0
                         || (reader.rotation() != 180 && shown == reader.codedSize().transposed());
    return rotated ? VideoFrameReader::CropSpace::Shown : VideoFrameReader::CropSpace::Stored;
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
    }
    return outcome;
}

void FastScan::start(const Settings &settings)
{
    if (isRunning())
        return;
    delete thread;
    stopRequested = false;
    thread = QThread::create([this, settings] {
        Outcome outcome = scan(settings);
        QMetaObject::invokeMethod(this, [this, outcome] { emit finished(outcome); }, Qt::QueuedConnection);
    });
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

FastScan::Outcome FastScan::scan(const Settings &settings)
{
    Outcome outcome;
    VideoFrameReader reader;
    if (!reader.open(settings.path)) {
        outcome.status = Status::Failed;
        outcome.failure = failureOf(reader.openError());
        outcome.detail = reader.openErrorDetail();
        return outcome;
    }
    reader.setCropSpace(cropSpace(reader, settings.shownSize));
    if (!settings.crop.isNull() && reader.setCrop(settings.crop) == VideoFrameReader::CropFit::Outside) {
        outcome.status = Status::Failed;
        outcome.failure = Failure::CropOutside;
        return outcome;
    }
    const int threads = settings.readers > 0 ? settings.readers : std::max(1, QThread::idealThreadCount());
    ReadingPool pool(threads, threads * 2);
    if (settings.recognise && !pool.start(settings.language, &outcome.detail)) {
        outcome.status = Status::Failed;
        outcome.failure = Failure::Recogniser;
        return outcome;
    }

    const qint64 from = std::max(settings.rangeStartMs >= 0 ? settings.rangeStartMs : settings.fromMs, reader.startTimeMs());
    const qint64 to = settings.toMs >= 0 ? settings.toMs : reader.startTimeMs() + reader.durationMs();
    reader.seek(settings.fromMs);
    StretchTracker tracker;
    QList<FrameSample> blanks;
    auto dispatch = [&](Stretch stretch) {
        if (!stretch.hasText)
            blanks.append(FrameSample{stretch.startMs, {}});
        else if (settings.recognise)
            pool.submit({stretch.startMs, std::move(stretch.clearest), std::move(stretch.spare)});
    };
    QElapsedTimer sinceReport;
    sinceReport.start();
    qint64 endMs = from;
    qint64 lastTime = -1;
    bool stopped = false;
    while (true) {
        if (stopRequested) {
            stopped = true;
            break;
        }
        if (reader.readFrame() == VideoFrameReader::ReadResult::End) {
            endMs = lastTime >= 0 ? lastTime + reader.frameDurationMs() : from;
            break;
        }
        const qint64 time = reader.frameTimeMs();
        endMs = time;
        if (settings.toMs >= 0 && time >= settings.toMs)
            break;
        lastTime = time;
        ++outcome.frames;
        const CropSignature signature(reader.grayCrop());
        if (std::optional<Stretch> closed = tracker.addFrame(time, signature, [&] { return reader.colourCrop(); }))
            dispatch(std::move(*closed));
        if (sinceReport.elapsed() >= progressIntervalMs) {
            sinceReport.restart();
            const double fraction = to > from ? std::clamp(double(time - from) / double(to - from), 0.0, 1.0) : 1.0;
            QMetaObject::invokeMethod(this, [this, time, fraction] { emit progress(time, fraction); },
                                      Qt::QueuedConnection);
        }
    }
    if (stopped) {
        // The open stretch is read again from its start when the scan resumes.
        outcome.status = Status::Stopped;
        outcome.resumeMs = tracker.openStart() >= 0 ? tracker.openStart() : settings.fromMs;
    } else if (std::optional<Stretch> last = tracker.finish(endMs)) {
        dispatch(std::move(*last));
    }
    outcome.samples = pool.finish();
    outcome.readings = outcome.samples.size();
    outcome.samples.append(blanks);
    if (!stopped)
        outcome.samples.append(FrameSample{endMs, {}});
    std::stable_sort(outcome.samples.begin(), outcome.samples.end(),
                     [](const FrameSample &a, const FrameSample &b) { return a.time < b.time; });
    if (!pool.failure().isEmpty()) {
        outcome.status = Status::Failed;
        outcome.failure = Failure::Recogniser;
        outcome.detail = pool.failure();
    }
    outcome.damagedFrames = reader.damagedFrames();
    outcome.truncated = reader.truncated();
    return outcome;
}
