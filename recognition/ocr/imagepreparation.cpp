#include "imagepreparation.h"

#include <QRect>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

namespace {

// Letters smaller than this (in analysis pixels) cannot be read anyway; specks below it are noise.
constexpr int minimumLetterHeight = 6;
// Where between the typical background level and the text level the ink threshold may lie.
constexpr std::array<double, 3> thresholdFractions{0.45, 0.65, 0.82};
// Border of white around the text: Tesseract finds lines poorly when ink touches the edge.
constexpr int outputBorder = 12;

struct Plane
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values;

    std::uint8_t at(int x, int y) const { return values[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

struct Component
{
    int left = 0;
    int top = 0;
    int right = 0; // inclusive
    int bottom = 0; // inclusive
    int area = 0;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    int centreY() const { return (top + bottom) / 2; }
};

struct Labelling
{
    std::vector<int> labels; // -1 for background, else an index into components
    std::vector<Component> components;
};

struct Row
{
    std::vector<int> members; // letter-like components standing in line
    int left = 0, top = 0, right = 0, bottom = 0;
    int letterHeight = 0;
};

struct Reading
{
    bool lightText = true;
    int threshold = 0;
    int score = 0;
    Labelling labelling;
    std::vector<Row> rows;
};

// Luma of light text, or its inverse for dark text: either way the text is the high values.
Plane inkPlane(const QImage &rgb, bool lightText)
{
    Plane plane;
    plane.width = rgb.width();
    plane.height = rgb.height();
    plane.values.resize(std::size_t(plane.width) * std::size_t(plane.height));
    for (int y = 0; y < plane.height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        std::uint8_t *out = plane.values.data() + std::size_t(y) * std::size_t(plane.width);
        for (int x = 0; x < plane.width; ++x) {
            const QRgb pixel = line[x];
            const int luma = (77 * qRed(pixel) + 150 * qGreen(pixel) + 29 * qBlue(pixel)) >> 8;
            out[x] = std::uint8_t(lightText ? luma : 255 - luma);
        }
    }
    return plane;
}

int percentile(const std::array<int, 256> &histogram, int total, double fraction)
{
    const int wanted = int(std::lround(fraction * total));
    int seen = 0;
    for (int value = 0; value < 256; ++value) {
        seen += histogram[std::size_t(value)];
        if (seen >= wanted)
            return value;
    }
    return 255;
}

std::vector<int> candidateThresholds(const Plane &ink)
{
    std::array<int, 256> histogram{};
    for (const std::uint8_t value : ink.values)
        ++histogram[value];
    const int total = int(ink.values.size());
    const int background = percentile(histogram, total, 0.5);
    const int text = percentile(histogram, total, 0.997);
    std::vector<int> thresholds;
    if (text - background < 40)
        return thresholds;
    for (const double fraction : thresholdFractions)
        thresholds.push_back(background + int(fraction * (text - background)));
    return thresholds;
}

int findRoot(std::vector<int> &parents, int node)
{
    while (parents[std::size_t(node)] != node) {
        parents[std::size_t(node)] = parents[std::size_t(parents[std::size_t(node)])];
        node = parents[std::size_t(node)];
    }
    return node;
}

void unite(std::vector<int> &parents, int a, int b)
{
    a = findRoot(parents, a);
    b = findRoot(parents, b);
    if (a != b)
        parents[std::size_t(std::max(a, b))] = std::min(a, b);
}

// Eight-connected components of the pixels at or above the threshold.
Labelling labelComponents(const Plane &ink, int threshold)
{
    const int w = ink.width;
    const int h = ink.height;
    Labelling result;
    result.labels.assign(ink.values.size(), -1);
    std::vector<int> parents;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t index = std::size_t(y) * std::size_t(w) + std::size_t(x);
            if (ink.values[index] < threshold)
                continue;
            int label = -1;
            const auto join = [&](int nx, int ny) {
                if (nx < 0 || nx >= w || ny < 0)
                    return;
                const int other = result.labels[std::size_t(ny) * std::size_t(w) + std::size_t(nx)];
                if (other < 0)
                    return;
                if (label < 0)
                    label = other;
                else
                    unite(parents, label, other);
            };
            join(x - 1, y);
            join(x - 1, y - 1);
            join(x, y - 1);
            join(x + 1, y - 1);
            if (label < 0) {
                label = int(parents.size());
                parents.push_back(label);
            }
            result.labels[index] = label;
        }
    }
    std::vector<int> compact(parents.size(), -1);
    for (std::size_t index = 0; index < result.labels.size(); ++index) {
        int &label = result.labels[index];
        if (label < 0)
            continue;
        const int root = findRoot(parents, label);
        if (compact[std::size_t(root)] < 0) {
            compact[std::size_t(root)] = int(result.components.size());
            const int x = int(index % std::size_t(w));
            const int y = int(index / std::size_t(w));
            result.components.push_back(Component{x, y, x, y, 0});
        }
        label = compact[std::size_t(root)];
        Component &c = result.components[std::size_t(label)];
        const int x = int(index % std::size_t(w));
        const int y = int(index / std::size_t(w));
        c.left = std::min(c.left, x);
        c.right = std::max(c.right, x);
        c.top = std::min(c.top, y);
        c.bottom = std::max(c.bottom, y);
        ++c.area;
    }
    return result;
}

bool isLetterLike(const Component &c, int planeHeight)
{
    const int w = c.width();
    const int h = c.height();
    if (h < minimumLetterHeight || h > planeHeight * 95 / 100 || w > 4 * h || c.area < 12)
        return false;
    const double fill = double(c.area) / double(w * h);
    // Letters leave some of their box empty; solid blocks wider than a stroke are background.
    if (fill < 0.08 || (fill > 0.88 && w * 10 > h * 4))
        return false;
    return true;
}

int median(std::vector<int> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

int upperHeight(std::vector<int> heights)
{
    std::sort(heights.begin(), heights.end());
    return heights[std::min(heights.size() - 1, heights.size() * 4 / 5)];
}

// Keeps the members whose top or bottom lines up with the others: text stands on a baseline and
// shares a cap or x-height, texture does not.
std::vector<int> alignedMembers(const std::vector<int> &members, const std::vector<Component> &components)
{
    std::vector<int> heights, tops, bottoms;
    for (const int m : members) {
        const Component &c = components[std::size_t(m)];
        heights.push_back(c.height());
        tops.push_back(c.top);
        bottoms.push_back(c.bottom);
    }
    const int typicalHeight = median(heights);
    const int typicalTop = median(tops);
    const int typicalBottom = median(bottoms);
    const int tolerance = std::max(2, typicalHeight / 4);
    std::vector<int> aligned;
    for (const int m : members) {
        const Component &c = components[std::size_t(m)];
        if (c.height() * 10 > typicalHeight * 16)
            continue;
        if (std::abs(c.bottom - typicalBottom) <= tolerance || std::abs(c.top - typicalTop) <= tolerance)
            aligned.push_back(m);
    }
    return aligned;
}

std::vector<Row> findRows(const Labelling &labelling, int planeHeight)
{
    const std::vector<Component> &components = labelling.components;
    std::vector<int> letters;
    for (int i = 0; i < int(components.size()); ++i) {
        if (isLetterLike(components[std::size_t(i)], planeHeight))
            letters.push_back(i);
    }
    std::sort(letters.begin(), letters.end(), [&](int a, int b) {
        return components[std::size_t(a)].height() > components[std::size_t(b)].height();
    });
    std::vector<bool> taken(components.size(), false);
    std::vector<Row> rows;
    for (const int seed : letters) {
        if (taken[std::size_t(seed)])
            continue;
        const Component &s = components[std::size_t(seed)];
        std::vector<int> members;
        for (const int other : letters) {
            if (taken[std::size_t(other)])
                continue;
            const Component &c = components[std::size_t(other)];
            const int overlap = std::min(c.bottom, s.bottom) - std::max(c.top, s.top) + 1;
            if (overlap * 2 >= c.height() && c.height() * 10 >= s.height() * 3)
                members.push_back(other);
        }
        for (const int m : members)
            taken[std::size_t(m)] = true;
        Row row;
        row.members = alignedMembers(members, components);
        if (row.members.size() < 2)
            continue;
        std::vector<int> heights;
        row.left = row.top = INT32_MAX;
        row.right = row.bottom = -1;
        for (const int m : row.members) {
            const Component &c = components[std::size_t(m)];
            heights.push_back(c.height());
            row.left = std::min(row.left, c.left);
            row.top = std::min(row.top, c.top);
            row.right = std::max(row.right, c.right);
            row.bottom = std::max(row.bottom, c.bottom);
        }
        row.letterHeight = upperHeight(heights);
        rows.push_back(row);
    }
    return rows;
}

Reading readAt(const Plane &ink, bool lightText, int threshold)
{
    Reading reading;
    reading.lightText = lightText;
    reading.threshold = threshold;
    reading.labelling = labelComponents(ink, threshold);
    reading.rows = findRows(reading.labelling, ink.height);
    for (const Row &row : reading.rows)
        reading.score += int(row.members.size());
    return reading;
}

// The region holding the rows, with room for accents, dots and punctuation around them.
QRect textRegion(const std::vector<Row> &rows, int width, int height)
{
    QRect region;
    for (const Row &row : rows) {
        const int margin = std::max(2, row.letterHeight * 2 / 5);
        region |= QRect(QPoint(row.left - margin, row.top - margin), QPoint(row.right + margin, row.bottom + margin));
    }
    return region & QRect(0, 0, width, height);
}

// Everything of the reading's ink inside the region that could belong to the text: the row
// members and the small marks near them, but no shape taller than the letters.
std::vector<std::uint8_t> textMask(const Reading &reading, const QRect &region, int width, int letterHeight)
{
    const std::vector<Component> &components = reading.labelling.components;
    std::vector<bool> keep(components.size(), false);
    for (std::size_t i = 0; i < components.size(); ++i) {
        const Component &c = components[i];
        const QRect box(QPoint(c.left, c.top), QPoint(c.right, c.bottom));
        keep[i] = region.contains(box) && c.height() * 10 <= letterHeight * 15 && c.width() <= 4 * letterHeight;
    }
    for (const Row &row : reading.rows) {
        for (const int m : row.members)
            keep[std::size_t(m)] = true;
    }
    std::vector<std::uint8_t> mask(std::size_t(region.width()) * std::size_t(region.height()), 0);
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            const int label = reading.labelling.labels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            if (label >= 0 && keep[std::size_t(label)])
                mask[std::size_t(y - region.top()) * std::size_t(region.width()) + std::size_t(x - region.left())] = 1;
        }
    }
    // Grown by a pixel so that the sharper outline traced at full size stays inside.
    std::vector<std::uint8_t> grown(mask.size(), 0);
    const int w = region.width();
    const int h = region.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bool any = false;
            for (int dy = -1; dy <= 1 && !any; ++dy) {
                for (int dx = -1; dx <= 1 && !any; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    any = nx >= 0 && ny >= 0 && nx < w && ny < h && mask[std::size_t(ny) * std::size_t(w) + std::size_t(nx)];
                }
            }
            grown[std::size_t(y) * std::size_t(w) + std::size_t(x)] = any;
        }
    }
    return grown;
}

} // namespace

ImagePreparation::ImagePreparation(const Settings &settings) : settings(settings) {}

QImage ImagePreparation::prepare(const QImage &frame) const
{
    if (frame.isNull() || frame.width() < 4 || frame.height() < 4)
        return {};
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    const double area = double(rgb.width()) * double(rgb.height());
    const double analysisScale = std::min(1.0, std::sqrt(settings.analysisArea / area));
    const QImage small = analysisScale < 1.0
                             ? rgb.scaled(std::max(4, int(rgb.width() * analysisScale)),
                                          std::max(4, int(rgb.height() * analysisScale)), Qt::IgnoreAspectRatio,
                                          Qt::SmoothTransformation)
                             : rgb;

    Reading best;
    for (const bool lightText : {true, false}) {
        const Plane ink = inkPlane(small, lightText);
        for (const int threshold : candidateThresholds(ink)) {
            Reading reading = readAt(ink, lightText, threshold);
            if (reading.score > best.score)
                best = std::move(reading);
        }
    }
    if (best.score == 0)
        return {};

    std::vector<int> heights;
    for (const Row &row : best.rows)
        heights.push_back(row.letterHeight);
    const int letterHeight = median(heights);
    const QRect region = textRegion(best.rows, small.width(), small.height());
    const std::vector<std::uint8_t> mask = textMask(best, region, small.width(), letterHeight);

    // Trace the letters again at the output size from the full-resolution picture, so that small
    // text gains smooth edges instead of enlarged analysis pixels.
    const double factor = double(settings.letterHeight) / double(letterHeight); // output px per analysis px
    const int outWidth = std::max(1, int(std::lround(region.width() * factor)));
    const int outHeight = std::max(1, int(std::lround(region.height() * factor)));
    const QRect source(int(region.left() / analysisScale), int(region.top() / analysisScale),
                       std::max(1, int(region.width() / analysisScale)), std::max(1, int(region.height() / analysisScale)));
    const QImage scaled = rgb.copy(source).scaled(outWidth, outHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const Plane ink = inkPlane(scaled, best.lightText);

    QImage out(ink.width + 2 * outputBorder, ink.height + 2 * outputBorder, QImage::Format_Grayscale8);
    out.fill(255);
    for (int y = 0; y < ink.height; ++y) {
        uchar *line = out.scanLine(y + outputBorder) + outputBorder;
        const int my = std::min(region.height() - 1, int(y / factor));
        for (int x = 0; x < ink.width; ++x) {
            const int mx = std::min(region.width() - 1, int(x / factor));
            if (mask[std::size_t(my) * std::size_t(region.width()) + std::size_t(mx)] && ink.at(x, y) >= best.threshold)
                line[x] = 0;
        }
    }
    return out;
}
