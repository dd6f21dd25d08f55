#include "asswriter.h"

namespace {

// Without PlayRes a reader assumes this, so an unknown resolution keeps it.
const QSize defaultResolution(384, 288);

QString dialogueText(const QString &text)
{
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            continue;
        // Braces would open an override block.
        QString escaped = line;
        escaped.replace(QLatin1Char('{'), QStringLiteral("\\{"));
        escaped.replace(QLatin1Char('}'), QStringLiteral("\\}"));
        lines.append(escaped);
    }
    return lines.join(QStringLiteral("\\N"));
}

QString header(const QSize &resolution, int marginV)
{
    const int fontSize = std::max(8, resolution.height() / 18);
    const int outline = std::max(1, resolution.height() / 540);
    return QStringLiteral("[Script Info]\n"
                          "ScriptType: v4.00+\n"
                          "PlayResX: %1\n"
                          "PlayResY: %2\n"
                          "WrapStyle: 0\n"
                          "ScaledBorderAndShadow: yes\n"
                          "\n"
                          "[V4+ Styles]\n"
                          "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
                          "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
                          "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
                          "Style: Default,Arial,%3,&H00FFFFFF,&H000000FF,&H00000000,&H80000000,0,0,0,0,100,100,"
                          "0,0,1,%4,0,2,10,10,%5,1\n"
                          "\n"
                          "[Events]\n"
                          "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n")
        .arg(resolution.width())
        .arg(resolution.height())
        .arg(fontSize)
        .arg(outline)
        .arg(marginV);
}

// An event's margin of 0 means the style's.
QString dialogueLine(const SRTEntry &entry, int marginV, const QString &place)
{
    return QStringLiteral("Dialogue: 0,%1,%2,Default,,0,0,%3,,%4%5\n")
        .arg(AssWriter::clockText(entry.intime), AssWriter::clockText(entry.outtime))
        .arg(marginV)
        .arg(place, dialogueText(entry.text));
}

} // namespace

bool AssWriter::isUpperBand(const QRect &crop, const QSize &frame)
{
    if (crop.isNull() || !frame.isValid())
        return false;
    return crop.center().y() < frame.height() / 2;
}

QString AssWriter::clockText(qint64 ms)
{
    const qint64 cs = (std::max<qint64>(ms, 0) + 5) / 10;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(cs / 360000)
        .arg(cs / 6000 % 60, 2, 10, QLatin1Char('0'))
        .arg(cs / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(cs % 100, 2, 10, QLatin1Char('0'));
}

QString AssWriter::toText(const QList<SRTEntry> &entries, const QSize &frame, const QRect &crop)
{
    const QSize resolution = frame.isValid() ? frame : defaultResolution;
    const bool upper = isUpperBand(crop, frame);
    // The style's margin puts the text where it was read: above the band's lower edge, or below
    // its upper edge for a band at the top.
    int marginV = resolution.height() / 20;
    if (!crop.isNull() && frame.isValid())
        marginV = upper ? crop.top() : frame.height() - crop.bottom() - 1;
    marginV = std::max(0, marginV);

    QString result = header(resolution, marginV);
    const QString lift = upper ? QStringLiteral("{\\an8}") : QString();
    for (const SRTEntry &entry : entries) {
        result += dialogueLine(entry, 0, lift);
    }
    return result;
}

QString AssWriter::toText(const QList<SRTEntry> &entries, const QSize &frame, const QList<QRect> &areas)
{
    if (areas.size() <= 1 || !frame.isValid())
        return toText(entries, frame, areas.value(0));
    QString result = header(frame, frame.height() / 20);
    for (const SRTEntry &entry : entries) {
        const QRect band = areas.value(entry.area);
        // An event's margin of 0 means the style's, so a band touching the edge keeps 1 pixel.
        int marginV = 0;
        QString place;
        if (band.isNull()) {
            // An area the task no longer has: the style's place at the bottom.
        } else if (band.center().y() < frame.height() / 3) {
            place = QStringLiteral("{\\an8}");
            marginV = std::max(1, band.top());
        } else if (band.center().y() >= frame.height() * 2 / 3) {
            marginV = std::max(1, frame.height() - band.bottom() - 1);
        } else {
            place = QStringLiteral("{\\an5\\pos(%1,%2)}").arg(band.center().x()).arg(band.center().y());
        }
        result += dialogueLine(entry, marginV, place);
    }
    return result;
}
