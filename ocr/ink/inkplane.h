#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

// Ways of turning colour into "ink", where text is high: luma for light text, inverted luma
// for dark text, the weakest channel for white or grey text on saturated colours (where luma
// alone cannot tell white letters from a yellow or cyan background), and, once the text's colour
// is known, closeness to that colour, which parts letters from any differently coloured
// background they touch.
enum class InkKind { Luma, InverseLuma, Whiteness, Closeness };

struct Ink
{
    InkKind kind = InkKind::Luma;
    QRgb colour = 0; // for Closeness
};

// One byte of ink per pixel of a picture.
struct InkPlane
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values;

    InkPlane() = default;
    InkPlane(int width, int height);
    // The picture must be in QImage::Format_RGB32.
    InkPlane(const QImage &rgb, const Ink &ink);

    const std::uint8_t *row(int y) const { return values.data() + std::size_t(y) * std::size_t(width); }
    std::uint8_t *row(int y) { return values.data() + std::size_t(y) * std::size_t(width); }
};
