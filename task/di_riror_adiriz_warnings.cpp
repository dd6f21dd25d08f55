// How a task's run ends: the readings become entries, and what the run met that the user should
// know of becomes the task's warning (shown on its row, exit 3 from the command line).
#include "di_riror_adiriz.h"


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
