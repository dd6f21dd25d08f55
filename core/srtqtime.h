#pragma once

#include <QObject>
#include <QTime>

// A subtitle time: milliseconds to and from the text "hh:mm:ss,zzz".
// Negative counts and counts of a day or more are invalid and print as an empty string.
class SRTQTime : public QObject, public QTime
{
    Q_OBJECT
public:
    // Subtitle times, WebVTT cue times (a full stop before the milliseconds), and whole seconds
    // for summaries and durations.
    enum class Form { Subtitle, WebVtt, Seconds };

    explicit SRTQTime(QObject *parent = nullptr);
    explicit SRTQTime(qint64 t, QObject *parent = nullptr);

    bool parseTime(const QString &text);
    qint64 toMilliseconds() const;
    QString text(Form form = Form::Subtitle) const;

    static QString clockText(qint64 ms, Form form = Form::Subtitle);
};
