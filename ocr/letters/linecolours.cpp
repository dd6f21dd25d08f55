#include "linecolours.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace {

int luma(QRgb c)
{
    return (77 * qRed(c) + 150 * qGreen(c) + 29 * qBlue(c)) >> 8;
}

int otsuThreshold(const std::array<int, 256> &histogram)
{
    long total = 0, sum = 0;
    for (int i = 0; i < 256; ++i) {
        total += histogram[std::size_t(i)];
        sum += long(i) * histogram[std::size_t(i)];
    }
    long below = 0, belowSum = 0;
    double best = -1;
    int threshold = 128;
    for (int t = 0; t < 255; ++t) {
        below += histogram[std::size_t(t)];
        belowSum += long(t) * histogram[std::size_t(t)];
        const long above = total - below;
        if (below == 0 || above == 0)
            continue;
        const double difference = double(belowSum) / double(below) - double(sum - belowSum) / double(above);
        const double between = double(below) * double(above) * difference * difference;
        if (between > best) {
            best = between;
            threshold = t;
        }
    }
    return threshold;
}

} // namespace

std::optional<LineColours> LineColours::of(const QImage &picture, const QRect &box)
{
    std::array<int, 256> histogram{};
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = box.left(); x <= box.right(); ++x)
            ++histogram[std::size_t(luma(line[x]))];
    }
    const int threshold = otsuThreshold(histogram);
    std::vector<int> bins(2 * 4096, 0);
    const auto bin = [](QRgb c) { return (qRed(c) >> 4) << 8 | (qGreen(c) >> 4) << 4 | qBlue(c) >> 4; };
    const int h = box.height();
    for (int y = box.top() + h * 3 / 10; y <= box.top() + h * 7 / 10; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = box.left(); x <= box.right(); ++x)
            ++bins[std::size_t(bin(line[x]) + (luma(line[x]) > threshold ? 4096 : 0))];
    }
    const auto darkest = std::max_element(bins.cbegin(), bins.cbegin() + 4096);
    const auto lightest = std::max_element(bins.cbegin() + 4096, bins.cend());
    if (*darkest == 0 || *lightest == 0)
        return std::nullopt;
    const auto colour = [](long index) {
        const int b = int(index % 4096);
        return qRgb((b >> 8) * 16 + 8, ((b >> 4) & 15) * 16 + 8, (b & 15) * 16 + 8);
    };
    const QRgb dark = colour(darkest - bins.cbegin()), light = colour(lightest - bins.cbegin());
    const int distance = std::max({std::abs(qRed(light) - qRed(dark)), std::abs(qGreen(light) - qGreen(dark)),
                                   std::abs(qBlue(light) - qBlue(dark))});
    return LineColours{light, dark, std::clamp(distance / 3, 24, 64)};
}

std::optional<LineColours> LineColours::ofLine(const QImage &picture, const QRect &line)
{
    const QRect box = line & picture.rect();
    if (box.height() < 8 || box.width() < box.height())
        return std::nullopt;
    return of(picture, box);
}
