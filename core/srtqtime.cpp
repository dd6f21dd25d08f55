#include "srtqtime.h"

SRTQTime::SRTQTime(QObject *parent)
    : QObject(parent)
{
}

SRTQTime::SRTQTime(qint64 t, QObject *parent)
    : QObject(parent)
{
    const qint64 s = t / 1000;
    const qint64 ms = t - 1000 * s;
    const qint64 hours = s / 3600;
    const qint64 minutes = (s - 3600 * hours) / 60;
    const qint64 seconds = s - 3600 * hours - 60 * minutes;
    // Hours narrow to 8 bits as the stored files expect; setHMS rejects what is out of a day.
    setHMS(qint8(hours), qint8(minutes), qint8(seconds), int(ms));
}

bool SRTQTime::parseTime(const QString &text)
{
    const QTime parsed = QTime::fromString(text, QStringLiteral("hh:mm:ss,zzz"));
    if (parsed.hour() == -1)
        return false;
    setHMS(parsed.hour(), parsed.minute(), parsed.second(), parsed.msec());
    return true;
}

qint64 SRTQTime::toMilliseconds() const
{
    return ((qint64(hour()) * 60 + minute()) * 60 + second()) * 1000 + msec();
}
