#include "srtqtime.h"

namespace {

constexpr qint64 msPerHour = 3600 * 1000;

QString pattern(SRTQTime::Form form)
{
    switch (form) {
    case SRTQTime::Form::WebVtt:
        return QStringLiteral("hh:mm:ss.zzz");
    case SRTQTime::Form::Seconds:
        return QStringLiteral("hh:mm:ss");
    case SRTQTime::Form::Subtitle:
        break;
    }
    return QStringLiteral("hh:mm:ss,zzz");
}

} // namespace

SRTQTime::SRTQTime(QObject *parent)
    : QObject(parent)
{
}

SRTQTime::SRTQTime(qint64 t, QObject *parent)
    : QObject(parent)
{
    const qint64 hours = t / msPerHour;
    const qint64 withinHour = t - hours * msPerHour;
    // Hours narrow to 8 bits as the stored files expect, so past 255 hours they wrap round.
    const qint64 hourOfDay = static_cast<qint8>(hours);
    if (withinHour >= 0 && hourOfDay >= 0 && hourOfDay < 24)
        QTime::operator=(QTime::fromMSecsSinceStartOfDay(int(hourOfDay * msPerHour + withinHour)));
}

bool SRTQTime::parseTime(const QString &text)
{
    const QTime parsed = QTime::fromString(text, pattern(Form::Subtitle));
    if (!parsed.isValid())
        return false;
    QTime::operator=(parsed);
    return true;
}

qint64 SRTQTime::toMilliseconds() const
{
    return ((qint64(hour()) * 60 + minute()) * 60 + second()) * 1000 + msec();
}

QString SRTQTime::text(Form form) const
{
    return toString(pattern(form));
}

QString SRTQTime::clockText(qint64 ms, Form form)
{
    return SRTQTime(ms).text(form);
}
