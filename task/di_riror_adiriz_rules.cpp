// The task's rules: every change another class makes to a task goes through these operations,
// which keep what depends on it consistent (a range change drops the samples and the resume point).
#include "di_riror_adiriz.h"

#include "recognition/segmentation.h"
#include "recognition/stretchsegmentation.h"
#include "recognition/subtitlelook.h"
#include "core/subtitlewriter.h"
#include "ocr/textrecognizer.h"

#include <QRegularExpression>

#include <algorithm>

void Di_riror_adiRIZ::setCropRect(QRect _cropRect)
{
    // Past the frame's edge there is nothing to read; a rectangle wholly outside is kept as given
    // rather than turned into the null rectangle that would mean the whole frame.
    const QSize frame = videoResolution();
    const QRect inside = _cropRect.intersected(QRect(QPoint(0, 0), frame));
    rec.cropRect = frame.isValid() && !inside.isEmpty() ? inside : _cropRect;
    areaFound = false;
}

void Di_riror_adiRIZ::setFoundArea(const QRect &band)
{
    setCropRect(band);
    areaFound = true;
}

QList<QRect> Di_riror_adiRIZ::areas() const
{
    return QList<QRect>{cropRect} + otherAreas;
}

void Di_riror_adiRIZ::setAreas(const QList<QRect> &areas)
{
    if (areas.isEmpty())
        return;
    setCropRect(areas.first());
    rec.otherAreas.clear();
    const QSize frame = videoResolution();
    for (qsizetype i = 1; i < areas.size(); ++i) {
        const QRect inside = frame.isValid() ? areas[i].intersected(QRect(QPoint(0, 0), frame)) : areas[i];
        if (!inside.isEmpty())
            rec.otherAreas.append(inside);
    }
}

void Di_riror_adiRIZ::setFoundAreas(QList<QRect> bands)
{
    if (bands.isEmpty())
        return;
    // Dialogue sits lowest: it is the main area, signs and translations above it.
    std::stable_sort(bands.begin(), bands.end(), [](const QRect &a, const QRect &b) { return a.bottom() > b.bottom(); });
    setAreas(bands);
    areaFound = true;
}

void Di_riror_adiRIZ::clearSamplesAndResumePoint()
{
    rec.samples.clear();
    lineLooks.clear();
    rec.lastPosition = 0;
}

void Di_riror_adiRIZ::setInTimeRange(qlonglong timeRange_in)
{
    rec.timeRange_in = timeRange_in;
    clearSamplesAndResumePoint();
}

void Di_riror_adiRIZ::setoutTimeRange(qlonglong timeRange_out)
{
    rec.timeRange_out = timeRange_out;
    clearSamplesAndResumePoint();
}

bool Di_riror_adiRIZ::setLanguage(QString language)
{
    // The task's own language again loads nothing yet; its engine is loaded when it reads.
    if (!language.isEmpty() && language == languageTag())
        return true;
    if (const auto refusal = recognizer->chooseLanguage(language)) {
        rec.errorText = refusal->text();
        emit err(errorText);
        return false;
    }
    // "zh-Hans+en" keeps both tags, the first one leading.
    rec.languages = language.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    return true;
}

bool Di_riror_adiRIZ::takeLanguage(const QString &language)
{
    if (const auto refusal = TextRecognizer::checkInstalled(language)) {
        rec.errorText = refusal->text();
        emit err(errorText);
        return false;
    }
    rec.languages = language.split(QLatin1Char('+'), Qt::SkipEmptyParts);
    prepareLanguage();
    return true;
}

void Di_riror_adiRIZ::setFrameNumber_orc(double Num)
{
    rec.Frame_rate = Num;
}

void Di_riror_adiRIZ::setScanMode(ScanMode mode)
{
    if (mode == scanMode)
        return;
    rec.scanMode = mode;
    clearSamplesAndResumePoint();
}

void Di_riror_adiRIZ::restore(const TaskRecord &record)
{
    dropRun();
    rec = record;
    m_restoredFromProject = true;
}

void Di_riror_adiRIZ::setExportPath(const QString &path)
{
    rec.exportPath = path;
}

void Di_riror_adiRIZ::setFileMissing(bool missing)
{
    m_fileMissing = missing;
}

bool Di_riror_adiRIZ::makeReady()
{
    if (isRunning())
        return false;
    rec.state = TaskState::Ready;
    return true;
}

bool Di_riror_adiRIZ::insertEntry(qsizetype index, const SRTEntry &entry)
{
    if (index < 0 || index > entries.size())
        return false;
    rec.entries.insert(index, entry);
    return true;
}

bool Di_riror_adiRIZ::removeEntry(qsizetype index)
{
    if (index < 0 || index >= entries.size())
        return false;
    rec.entries.removeAt(index);
    return true;
}

bool Di_riror_adiRIZ::setEntry(qsizetype index, const SRTEntry &entry)
{
    if (index < 0 || index >= entries.size())
        return false;
    rec.entries[index] = entry;
    return true;
}

bool Di_riror_adiRIZ::hasHandEdits() const
{
    if (entries.isEmpty())
        return false;
    // Kept nowhere as a flag: the entries differ from what the samples make, so the answer
    // survives a project's save and reopen.
    const QList<SRTEntry> found = scanMode == ScanMode::Fast ? SubtitleLook::judge(samples, lineLooks).accepted
                                                             : Segmentation::segmentSamples(samples);
    return !std::equal(found.cbegin(), found.cend(), entries.cbegin(), entries.cend(),
                       [](const SRTEntry &a, const SRTEntry &b) {
                           return a.intime == b.intime && a.outtime == b.outtime && a.text == b.text;
                       });
}

void Di_riror_adiRIZ::resetTask()
{
    // A run still going is dropped with its readings in flight, without a report.
    dropRun();
    rec.lastPosition = 0;
    rec.samples.clear();
    lineLooks.clear();
    m_refused.clear();
    rec.state = TaskState::Ready;
    rec.entries.clear();
    rec.stopRequested = false;
    rec.timeRange_in = 0;
    rec.timeRange_out = duration;
    rec.progress = 0;
    rec.Frame_rate = 1.0;
    rec.scanMode = ScanMode::Fast;
    rec.languages.clear();
    applyDefaultLanguage();
    const QSize size = videoResolution();
    rec.cropRect = QRect(0, 0, size.width(), size.height());
    rec.otherAreas.clear();
}

QString Di_riror_adiRIZ::toSrtText() const
{
    return SubtitleWriter::toSrtText(entries);
}

QString Di_riror_adiRIZ::toTxtText() const
{
    return SubtitleWriter::toTxtText(entries);
}

QString Di_riror_adiRIZ::summaryText() const
{
    QString text = SubtitleWriter::summaryText(timeRange_in, timeRange_out, languages, Frame_rate, cropRect);
    // The rate means nothing to a fast scan: its line names the scan instead.
    if (scanMode == ScanMode::Fast)
        text.replace(QRegularExpression(QStringLiteral("Frame_rate: [^\n]*\n")), QStringLiteral("Scan: fast\n"));
    return text;
}

qint64 Di_riror_adiRIZ::savedClockLead() const
{
    return rec.streamClockTimes ? playerOffset : 0;
}

void Di_riror_adiRIZ::shiftToPlayerTimes()
{
    const qint64 lead = savedClockLead();
    rec.streamClockTimes = false;
    if (lead == 0)
        return;
    const auto earlier = [lead](qint64 time) { return std::max<qint64>(0, time - lead); };
    for (SRTEntry &entry : rec.entries) {
        entry.intime = earlier(entry.intime);
        entry.outtime = earlier(entry.outtime);
    }
    for (FrameSample &sample : rec.samples)
        sample.time = earlier(sample.time);
    rec.lastPosition = earlier(lastPosition);
    // A range the user set was on the same clock; the default one spans the video either way.
    if (timeRange_in > 0)
        rec.timeRange_in = earlier(timeRange_in);
    if (timeRange_out >= 0 && timeRange_out < duration)
        rec.timeRange_out = std::max(rec.timeRange_in, earlier(timeRange_out));
}

void Di_riror_adiRIZ::keepSavedTimes()
{
    rec.streamClockTimes = false;
}

void Di_riror_adiRIZ::dropRun()
{
    if (playbackScan)
        playbackScan->cancel();
}
