#include "inkplane.h"

#include <algorithm>
#include <cstdlib>

namespace {

// ITU-R BT.601 luma weights in 1/256: the brightness people see, so that light text on a
// coloured background stands out as it does to the eye.
constexpr int redWeight = 77;
constexpr int greenWeight = 150;
constexpr int blueWeight = 29;

int luma(int r, int g, int b)
{
    return (redWeight * r + greenWeight * g + blueWeight * b) >> 8;
}

} // namespace

InkPlane::InkPlane(int width, int height)
    : width(width), height(height), values(std::size_t(width) * std::size_t(height), 0)
{
}

InkPlane::InkPlane(const QImage &rgb, const Ink &ink) : InkPlane(rgb.width(), rgb.height())
{
    const int cr = qRed(ink.colour);
    const int cg = qGreen(ink.colour);
    const int cb = qBlue(ink.colour);
    for (int y = 0; y < height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        std::uint8_t *out = row(y);
        for (int x = 0; x < width; ++x) {
            const int r = qRed(line[x]);
            const int g = qGreen(line[x]);
            const int b = qBlue(line[x]);
            int value = 0;
            switch (ink.kind) {
            case InkKind::Luma: value = luma(r, g, b); break;
            case InkKind::InverseLuma: value = 255 - luma(r, g, b); break;
            case InkKind::Whiteness: value = std::min({r, g, b}); break;
            case InkKind::Closeness:
                value = 255 - std::max({std::abs(r - cr), std::abs(g - cg), std::abs(b - cb)});
                break;
            }
            out[x] = std::uint8_t(value);
        }
    }
}
