// How a task's run ends: the readings become entries, and what the run met that the user should
// know of becomes the task's warning (shown on its row, exit 3 from the command line).
#include "di_riror_adiriz.h"

#include "damagecount.h"
#include "fastscanreport.h"
#include "core/segmentation.h"

void Di_riror_adiRIZ::finishRun()
{
    // The player hides damaged frames, so the count runs beside it; it is usually long done.
    if (damageCount && !damageCount->hasFinished()) {
        connect(damageCount, &DamageCount::finished, this, &Di_riror_adiRIZ::finishRun, Qt::SingleShotConnection);
        return;
    }
    rec.state = Done;
    rec.entries = Segmentation::segmentSamples(samples);
    m_refused.clear();
    if (damageCount)
        addWarning(FastScanReport::damageText(damageCount->damagedFrames()));
    if (!otherAreas.isEmpty())
        addWarning(QStringLiteral("playback read the main subtitle area only; the fast scan reads every area"));
    addWarning(noSubtitlesText());
    if (!errorText.isEmpty())
        emit err(errorText);
    emit completedSig();
}

void Di_riror_adiRIZ::countDamage()
{
    if (!damageCount)
        damageCount = new DamageCount(this);
    damageCount->start(videoPath, runStart, timeRange_out);
}

void Di_riror_adiRIZ::addWarning(const QString &warning)
{
    if (warning.isEmpty())
        return;
    rec.errorText = errorText.isEmpty() ? warning : errorText + QStringLiteral("; ") + warning;
}

// An empty result is a warning, never a quiet success: the area may miss the subtitles.
QString Di_riror_adiRIZ::noSubtitlesText() const
{
    if (!entries.isEmpty())
        return QString();
    if (cropRect.isNull() || cropRect == QRect(QPoint(0, 0), wholeFrame))
        return QStringLiteral("no subtitles found in the whole frame");
    return areaFound ? QStringLiteral("no subtitles found in the area found by itself")
                     : QStringLiteral("no subtitles found in the area set by hand");
}
