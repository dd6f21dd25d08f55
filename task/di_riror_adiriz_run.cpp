// Starting, stopping and ending a task's run, in either way; the fast scan's own part is in
// di_riror_adiriz_fastscan.cpp.
#include "di_riror_adiriz.h"

#include "recognition/fastscanreport.h"
#include "recognition/playbackscan.h"
#include "recognition/segmentation.h"
#include "core/srtqtime.h"

namespace {

const char *const notReadyText = "状态不是就绪";

} // namespace

void Di_riror_adiRIZ::run_mian()
{
    if (state != TaskState::Ready) {
        rec.errorText = QString::fromUtf8(notReadyText);
        emit err(errorText);
        return;
    }
    rec.stopRequested = false;
    rec.errorText.clear();
    // Readings on the streams' clock cannot be continued on the player's: the run starts afresh.
    if (rec.streamClockTimes) {
        clearSamplesAndResumePoint();
        rec.streamClockTimes = false;
    }
    if (scanMode == ScanMode::Fast)
        runFast();
    else
        runPlayback();
}

bool Di_riror_adiRIZ::isRunning() const
{
    return (playbackScan && playbackScan->isRunning()) || (fastScan && fastScan->isRunning());
}

void Di_riror_adiRIZ::runPlayback()
{
    const bool loaded = prepareLanguage();
    if (loaded) {
        if (const auto refusal = recognizer->setPlaybackRate(Frame_rate)) {
            rec.errorText = refusal->text();
            emit err(errorText);
            return;
        }
    }
    if (!playbackScan) {
        playbackScan = new PlaybackScan(this);
        connect(playbackScan, &PlaybackScan::progress, this, &Di_riror_adiRIZ::onRunProgress);
        connect(playbackScan, &PlaybackScan::frameMissed, this, &Di_riror_adiRIZ::reportEmptyFrame);
        connect(playbackScan, &PlaybackScan::sampleRead, this, [this](const FrameSample &sample) { rec.samples.append(sample); });
        connect(playbackScan, &PlaybackScan::finished, this, &Di_riror_adiRIZ::onPlaybackFinished);
    }
    const bool resumes = lastPosition != 0 && lastPosition > timeRange_in && lastPosition < timeRange_out;
    PlaybackScan::Settings settings;
    settings.path = videoPath;
    settings.crop = cropRect;
    settings.fromMs = resumes ? lastPosition : timeRange_in;
    settings.rangeStartMs = timeRange_in;
    settings.toMs = timeRange_out;
    settings.durationMs = duration;
    settings.rate = Frame_rate;
    settings.storedRotation = storedRotation;
    settings.playerOffsetMs = playerOffset;
    // The player loads the video while the engine loads on the pool.
    playbackScan->start(settings);
    rec.state = TaskState::Running;
    if (loaded)
        playbackScan->play(recognizer->reader());
}

void Di_riror_adiRIZ::onLanguageLoaded(const TextRecognizer::Selection &selection)
{
    const bool waiting = playbackScan && playbackScan->isWaitingForEngine();
    // A language left meanwhile (a reset, or setLanguage) is not taken.
    if (selection.tag == languageTag()) {
        if (const auto refusal = recognizer->adopt(selection)) {
            rec.errorText = refusal->text();
            if (waiting) {
                // Refused as a start is: the task stays Ready, and the batch goes on to the next.
                playbackScan->cancel();
                rec.state = TaskState::Ready;
                emit err(errorText);
                emit completedSig();
            } else {
                emit err(errorText);
            }
            emit languageLoaded(false);
            return;
        }
        emit languageLoaded(true);
    }
    // A run stopped or failed meanwhile keeps the engine for its next start; one still waiting
    // plays, unless its language or rate changed meanwhile and it waits for another load.
    if (waiting && prepareLanguage())
        playbackScan->play(recognizer->reader());
}

void Di_riror_adiRIZ::stop_slots()
{
    rec.stopRequested = true;
    if (fastScan)
        fastScan->stop();
    if (playbackScan)
        playbackScan->stop();
}

void Di_riror_adiRIZ::failStalledRun()
{
    if (state != TaskState::Running)
        return;
    const QString reason = QStringLiteral("playback stopped making progress");
    if (playbackScan && playbackScan->isRunning()) {
        playbackScan->fail(reason);
        return;
    }
    // A decoder stuck in a call may never come back, so the run is failed now; a scan that does
    // come back later only hands over what it read.
    if (fastScan && fastScan->isRunning()) {
        fastScan->stop();
        abandonedFastScan = true;
    }
    rec.state = TaskState::Failed;
    rec.errorText = reason;
    emit err(reason);
    emit completedSig();
}

void Di_riror_adiRIZ::onRunProgress(qint64 timeMs, double fraction)
{
    if (state != TaskState::Running)
        return;
    rec.lastPosition = timeMs;
    rec.progress = float(fraction);
    emit progress_updata(progress);
}

void Di_riror_adiRIZ::onPlaybackFinished(const PlaybackScan::Outcome &outcome)
{
    // The samples and the resume point stay whatever the end, so a stopped or failed run goes on later.
    rec.lastPosition = outcome.resumeMs;
    switch (outcome.status) {
    case PlaybackScan::Status::Stopped:
        rec.state = TaskState::Cancelled;
        emit completedSig();
        return;
    case PlaybackScan::Status::Failed:
        rec.state = TaskState::Failed;
        rec.errorText = outcome.detail;
        emit err(errorText);
        emit completedSig();
        return;
    case PlaybackScan::Status::Finished:
        break;
    }
    rec.state = TaskState::Done;
    rec.entries = Segmentation::segmentSamples(samples);
    m_refused.clear();
    if (outcome.endedEarlyAtMs >= 0)
        rec.errorText = QStringLiteral("the video ended early, at %1 of %2; the subtitles up to there are kept")
                            .arg(SRTQTime(outcome.endedEarlyAtMs).toString(QStringLiteral("hh:mm:ss,zzz")),
                                 SRTQTime(timeRange_out).toString(QStringLiteral("hh:mm:ss,zzz")));
    addWarning(FastScanReport::damageText(outcome.damagedFrames));
    if (!otherAreas.isEmpty())
        addWarning(QStringLiteral("playback read the main subtitle area only; the fast scan reads every area"));
    addWarning(noSubtitlesText());
    if (!errorText.isEmpty())
        emit err(errorText);
    emit completedSig();
}
