// The fast-scan way of running a task; the rest of a run is in di_riror_adiriz_run.cpp.
#include "di_riror_adiriz.h"

#include "recognition/fastscanreport.h"
#include "recognition/subtitlelook.h"
#include "recognition/stretchsegmentation.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

bool Di_riror_adiRIZ::openForScan(const QString &path, const QString &language)
{
    rec.videoPath = path;
    rec.videoFileName = QFileInfo(path).fileName();
    const FastScan::Outcome facts = FastScan::probe(path);
    if (facts.status == FastScan::Status::Failed) {
        rec.errorText = FastScanReport::failureText(facts, videoFileName);
        return false;
    }
    rec.scanMode = ScanMode::Fast;
    rec.duration = facts.durationMs;
    rec.timeRange_in = 0;
    rec.timeRange_out = duration;
    rec.cropRect = QRect(QPoint(0, 0), facts.pictureSize);
    wholeFrame = facts.pictureSize;
    if (!language.isEmpty())
        rec.languages = QStringList{language};
    rec.state = TaskState::Ready;
    return true;
}

void Di_riror_adiRIZ::runFast()
{
    if (!fastScan) {
        fastScan = new FastScan(this);
        connect(fastScan, &FastScan::progress, this, &Di_riror_adiRIZ::onRunProgress);
        connect(fastScan, &FastScan::finished, this, &Di_riror_adiRIZ::onFastFinished);
    }
    // A stopped scan leaves its readings and the start of the stretch it did not finish.
    const bool resumes = lastPosition > timeRange_in && !samples.isEmpty() && samples.last().time < lastPosition;
    if (!resumes) {
        rec.samples.clear();
        lineLooks.clear();
    }
    FastScan::Settings settings;
    settings.path = videoPath;
    settings.language = languages.value(0);
    const QSize shown = videoResolution();
    if (cropRect != QRect(QPoint(0, 0), shown))
        settings.crop = cropRect;
    settings.moreCrops = otherAreas;
    settings.shownSize = shown;
    settings.fromMs = resumes ? lastPosition : timeRange_in;
    settings.rangeStartMs = timeRange_in;
    // The player's length can fall short of the last time stamp (streams starting late).
    settings.toMs = timeRange_out >= duration ? -1 : timeRange_out;
    rec.errorText.clear();
    rec.state = TaskState::Running;
    fastScan->start(settings);
}

void Di_riror_adiRIZ::onFastFinished(const FastScan::Outcome &outcome)
{
    rec.samples.append(outcome.samples);
    for (auto area = outcome.looks.cbegin(); area != outcome.looks.cend(); ++area)
        lineLooks[area.key()].insert(area.value());
    std::stable_sort(rec.samples.begin(), rec.samples.end(),
                     [](const FrameSample &a, const FrameSample &b) { return a.time < b.time; });
    if (std::exchange(abandonedFastScan, false)) {
        // Failed and reported when it stalled: it keeps its readings and where to go on, no more.
        if (outcome.status == FastScan::Status::Stopped)
            rec.lastPosition = outcome.resumeMs;
        return;
    }
    switch (outcome.status) {
    case FastScan::Status::Stopped:
        rec.state = TaskState::Cancelled;
        rec.lastPosition = outcome.resumeMs;
        break;
    case FastScan::Status::Failed:
        rec.state = TaskState::Failed;
        rec.errorText = FastScanReport::failureText(outcome, videoFileName);
        emit err(errorText);
        break;
    case FastScan::Status::Finished:
        rec.state = TaskState::Done;
        rec.lastPosition = samples.isEmpty() ? timeRange_out : samples.last().time;
        rec.progress = 1.0f;
        {
            SubtitleLook::Verdict verdict = SubtitleLook::judge(samples, lineLooks);
            rec.entries = std::move(verdict.accepted);
            m_refused = std::move(verdict.refused);
        }
        rec.errorText = FastScanReport::warningText(outcome);
        addWarning(noSubtitlesText());
        if (!errorText.isEmpty())
            emit err(errorText);
        break;
    }
    emit completedSig();
}
