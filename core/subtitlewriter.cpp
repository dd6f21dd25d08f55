#include "subtitlewriter.h"

#include "srtqtime.h"

namespace {

QString withFinalLineFeed(QString text)
{
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    return text;
}

} // namespace

QString SubtitleWriter::toSrtText(const QList<SRTEntry> &entries)
{
    QString result;
    int number = 1;
    for (const SRTEntry &entry : entries) {
        // No leading space on the time line: SRT readers reject " 00:00:01,500 --> ...".
        const QString timeLine = QStringLiteral("%1 --> %2")
                                     .arg(SRTQTime::clockText(entry.intime), SRTQTime::clockText(entry.outtime));
        result += QStringLiteral("%1\n%2\n%3\n").arg(QString::number(number++), timeLine, withFinalLineFeed(entry.text));
    }
    return result;
}

QString SubtitleWriter::toTxtText(const QList<SRTEntry> &entries)
{
    QString result;
    for (const SRTEntry &entry : entries)
        result += withFinalLineFeed(entry.text);
    return result;
}

QString SubtitleWriter::summaryText(qint64 timeRangeIn, qint64 timeRangeOut, const QStringList &languages,
                                    double frameRate, const QRect &cropRect)
{
    using Form = SRTQTime::Form;
    QString text;
    text += QStringLiteral("TimeRange: ") + SRTQTime::clockText(timeRangeIn, Form::Seconds) + QStringLiteral("<->")
            + SRTQTime::clockText(timeRangeOut, Form::Seconds) + QLatin1Char('\n');
    text += QStringLiteral("Languages: ") + languages.join(QLatin1Char('+')) + QLatin1Char('\n');
    text += QStringLiteral("Frame_rate: ") + QString::number(frameRate, 'f', 2) + QLatin1Char('\n');
    text += QStringLiteral("cropRect: %1,%2,%3,%4\n")
                .arg(cropRect.x())
                .arg(cropRect.y())
                .arg(cropRect.width())
                .arg(cropRect.height());
    return text;
}
