#pragma once

#include <QImage>
#include <QRect>

#include <optional>

// The two colours of a line of subtitle text: the commonest colour on either side of the Otsu
// split of its box's middle rows. The letters' fill is one flat colour (the outline or a plain
// background the other), textures are not.
struct LineColours
{
    QRgb light = 0;
    QRgb dark = 0;
    int tolerance = 0; // largest channel difference still counted as ink

    // The picture must be in QImage::Format_RGB32; nothing where a side has no pixel.
    static std::optional<LineColours> of(const QImage &picture, const QRect &box);
    // The same for a line's box as far as it lies in the picture; nothing for a box too small to
    // hold letters (under 8 pixels high, or narrower than high).
    static std::optional<LineColours> ofLine(const QImage &picture, const QRect &line);
};
