#include "trailingdots.h"

#include "linecolours.h"
#include "linetextrules.h"
#include "ocr/ink/componentlabelling.h"
#include "ocr/ink/inkplane.h"

#include <algorithm>
#include <cmath>

namespace {

bool close(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// Whether the pixels two steps around `box` (in `region` of `picture`) are mostly `around`: a
// stop's outline, shadow or panel encloses it, a speck of texture has the texture around it.
bool enclosed(const QImage &picture, const QRect &region, const PixelBox &box, QRgb around, int tolerance)
{
    int samples = 0, inColour = 0;
    const QRect ring = QRect(region.left() + box.left - 2, region.top() + box.top - 2, box.width() + 4, box.height() + 4);
    for (int y = ring.top(); y <= ring.bottom(); ++y)
        for (int x = ring.left(); x <= ring.right(); ++x) {
            const bool edge = y == ring.top() || y == ring.bottom() || x == ring.left() || x == ring.right();
            if (!edge || !picture.rect().contains(x, y))
                continue;
            ++samples;
            inColour += close(picture.pixel(x, y), around, tolerance);
        }
    return samples > 0 && inColour * 10 >= samples * 7;
}

// Dots of `colour` in `region` enclosed by `around`: pieces of ink no larger than a third of the
// line's height each way, nearly as wide as high, in the lower half of the line. What touches the
// region's left edge is a piece of the last letter, which the region cuts.
int dotsIn(const QImage &picture, const QRect &region, QRgb colour, QRgb around, int tolerance, const QRect &line)
{
    const InkPlane plane(picture.copy(region), Ink{InkKind::Closeness, colour});
    const ComponentLabelling::Labels labels = ComponentLabelling::label(plane, 255 - tolerance);
    const int h = line.height();
    const int middle = line.center().y() - region.top();
    return int(std::count_if(labels.components.cbegin(), labels.components.cend(),
                             [&](const ComponentLabelling::Component &piece) {
                                 const PixelBox &b = piece.box;
                                 return b.width() * 3 <= h && b.height() * 3 <= h && b.width() * 2 <= b.height() * 3
                                        && b.height() * 2 <= b.width() * 3 && b.top >= middle && b.left > 0 && piece.area >= 2
                                        && enclosed(picture, region, b, around, tolerance);
                             }));
}

int dotsAfter(const QImage &picture, const QRect &line, const QRect &crop, const CtcDecoder::Result &read,
              qsizetype lastLetter, int reach)
{
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (!colours)
        return -1;
    const int from = crop.left() + int(std::lround((read.characters[lastLetter].last + 1) * read.pixelsPerStep));
    // A stop the detector left out of the line's box lies past the crop.
    const int to = reach > 0 ? from + reach : crop.right();
    const QRect region = QRect(QPoint(from, crop.top()), QPoint(to, crop.bottom())) & picture.rect();
    if (region.width() < 2)
        return -1;
    return std::max(dotsIn(picture, region, colours->light, colours->dark, colours->tolerance, line),
                    dotsIn(picture, region, colours->dark, colours->light, colours->tolerance, line));
}

} // namespace

namespace TrailingDots {

bool dropUnseen(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    qsizetype firstDot = characters.size();
    while (firstDot > 0 && characters[firstDot - 1].text == QLatin1String("."))
        --firstDot;
    const qsizetype dots = characters.size() - firstDot;
    if (dots < 2 || firstDot == 0 || read.pixelsPerStep <= 0)
        return false;
    // From the end of the last letter to the end of the crop.
    const int seen = dotsAfter(picture, line, crop, read, firstDot - 1, 0);
    if (seen != 1)
        return false;
    characters.erase(characters.begin() + firstDot + 1, characters.end());
    read.text = CtcDecoder::Result::joined(characters);
    return true;
}

bool addSeen(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    if (characters.isEmpty() || read.pixelsPerStep <= 0)
        return false;
    const QString last = characters.last().text;
    // Ideographs end with their own full stop, which the recogniser reads.
    if (last.size() != 1 || !last.front().isLetterOrNumber() || LineTextRules::isUnspacedScript(last.front().unicode()))
        return false;
    // A stop stands close to the letter it ends; further on is the ground.
    if (dotsAfter(picture, line, crop, read, characters.size() - 1, line.height()) != 1)
        return false;
    CtcDecoder::Character stop;
    stop.text = QStringLiteral(".");
    stop.first = stop.last = characters.last().last + 1;
    characters << stop;
    read.text = CtcDecoder::Result::joined(characters);
    return true;
}

} // namespace TrailingDots
