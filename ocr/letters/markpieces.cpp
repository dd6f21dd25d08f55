#include "markpieces.h"

#include "ocr/ink/inkplane.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

bool MarkPieces::close(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
           && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

bool MarkPieces::enclosed(const QImage &picture, const QRect &region, const PixelBox &box, QRgb around, int tolerance,
                          int distance)
{
    int samples = 0, inColour = 0;
    const QRect ring = QRect(region.left() + box.left - distance, region.top() + box.top - distance,
                             box.width() + 2 * distance, box.height() + 2 * distance);
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

ComponentLabelling::Labels MarkPieces::piecesOf(const QImage &picture, const QRect &region, QRgb colour, int tolerance)
{
    return ComponentLabelling::label(InkPlane(picture.copy(region), Ink{InkKind::Closeness, colour}), 255 - tolerance);
}

QList<QRect> MarkPieces::ticksIn(const QImage &picture, const QRect &region, QRgb colour, QRgb around, int tolerance,
                                 const QRect &line, int enclosedAt)
{
    const ComponentLabelling::Labels labels = piecesOf(picture, region, colour, tolerance);
    const int h = line.height();
    const int middle = line.center().y() - region.top();
    QList<QRect> ticks;
    for (const ComponentLabelling::Component &piece : labels.components) {
        const PixelBox &b = piece.box;
        const int slack = std::min(b.width(), b.height()) >= 3 ? 1 : 0;
        const bool tickShaped = b.height() * 2 <= h && b.height() * 6 >= h && b.width() <= b.height() + slack;
        if (tickShaped && b.bottom <= middle && b.left > 0 && b.top > 0 && b.right < region.width() - 1
            && piece.area >= 2 && enclosed(picture, region, b, around, tolerance, enclosedAt))
            ticks << QRect(QPoint(region.left() + b.left, region.top() + b.top),
                           QPoint(region.left() + b.right, region.top() + b.bottom));
    }
    std::sort(ticks.begin(), ticks.end(), [](const QRect &a, const QRect &b) { return a.left() < b.left(); });
    return ticks;
}

int MarkPieces::pixelAt(const QRect &crop, const CtcDecoder::Result &read, int step)
{
    return crop.left() + int(std::lround(step * read.pixelsPerStep));
}

std::optional<int> MarkPieces::baselineOf(const QImage &picture, const QRect &line, QRgb colour, int tolerance)
{
    const QRect region = line & picture.rect();
    const ComponentLabelling::Labels labels = piecesOf(picture, region, colour, tolerance);
    const int h = region.height();
    std::vector<int> feet;
    for (const ComponentLabelling::Component &piece : labels.components) {
        const PixelBox &b = piece.box;
        // Ink the box cuts is texture running on out of it.
        const bool inside = b.top > 0 && b.bottom < h - 1;
        if (inside && b.height() * 5 >= h * 2 && b.width() <= h)
            feet.push_back(b.bottom);
    }
    constexpr std::size_t fewestLetters = 5;
    if (feet.size() < fewestLetters)
        return std::nullopt;
    std::nth_element(feet.begin(), feet.begin() + std::ptrdiff_t(feet.size() / 2), feet.end());
    return region.top() + feet[feet.size() / 2];
}
