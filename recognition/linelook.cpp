#include "linelook.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr int endShare = 10; // per cent of the box at each end of the brightness

QColor meanOf(const std::vector<QRgb> &pixels, size_t from, size_t to)
{
    std::array<qint64, 3> sum{0, 0, 0};
    for (size_t i = from; i < to; ++i) {
        sum[0] += qRed(pixels[i]);
        sum[1] += qGreen(pixels[i]);
        sum[2] += qBlue(pixels[i]);
    }
    const qint64 n = qint64(std::max<size_t>(1, to - from));
    return QColor(int(sum[0] / n), int(sum[1] / n), int(sum[2] / n));
}

} // namespace

LineLook LineLook::measured(const QImage &picture, const LineReading &reading)
{
    LineLook look{reading, QColor(), QColor()};
    const QRect box = reading.box & picture.rect();
    if (box.isEmpty())
        return look;
    const QImage rgb = picture.format() == QImage::Format_RGB32 ? picture
                                                                : picture.convertToFormat(QImage::Format_RGB32);
    std::vector<QRgb> pixels;
    pixels.reserve(size_t(box.width()) * size_t(box.height()));
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        pixels.insert(pixels.end(), line + box.left(), line + box.right() + 1);
    }
    std::sort(pixels.begin(), pixels.end(), [](QRgb a, QRgb b) { return qGray(a) < qGray(b); });
    const size_t end = std::max<size_t>(1, pixels.size() * endShare / 100);
    look.dark = meanOf(pixels, 0, end);
    look.light = meanOf(pixels, pixels.size() - end, pixels.size());
    return look;
}
