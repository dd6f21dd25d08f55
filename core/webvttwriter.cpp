#include "webvttwriter.h"

#include "srtqtime.h"

namespace {

// A blank line would end the cue early, and "<" or "&" would be read as markup.
QString cuePayload(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            continue;
        QString escaped = line;
        escaped.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
        escaped.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
        escaped.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
        lines.append(escaped);
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

QString WebVttWriter::toText(const QList<SRTEntry> &entries)
{
    QString result = QStringLiteral("WEBVTT\n\n");
    int number = 1;
    for (const SRTEntry &entry : entries) {
        result += QStringLiteral("%1\n%2 --> %3\n%4\n")
                      .arg(QString::number(number++), SRTQTime::clockText(entry.intime, SRTQTime::Form::WebVtt),
                           SRTQTime::clockText(entry.outtime, SRTQTime::Form::WebVtt), cuePayload(entry.text));
    }
    return result;
}
