#include "trailingdots.h"

#include "linecolours.h"
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
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (!colours)
        return false;
    // From the end of the last letter to the end of the crop.
    const int from = crop.left() + int(std::lround((characters[firstDot - 1].last + 1) * read.pixelsPerStep));
    const QRect region = QRect(QPoint(from, crop.top()), crop.bottomRight()) & picture.rect();
    if (region.width() < 2)
        return false;
    const int seen = std::max(dotsIn(picture, region, colours->light, colours->dark, colours->tolerance, line),
                              dotsIn(picture, region, colours->dark, colours->light, colours->tolerance, line));
    if (seen != 1)
        return false;
    characters.erase(characters.begin() + firstDot + 1, characters.end());
    read.text = CtcDecoder::Result::joined(characters);
    return true;
}

} // namespace TrailingDots
