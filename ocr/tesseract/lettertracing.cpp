#include "lettertracing.h"

#include "ocr/ink/componentlabelling.h"
#include "ocr/ink/ratio.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace LetterTracing {

namespace {

// Beyond this many pixels the picture for Tesseract is scaled down (a few lines of subtitle text
// at the usual letter height take a third of it at most).
constexpr double maximumOutputArea = 300000;
// White around the text: Tesseract finds lines poorly when ink comes near the edge.
constexpr int outputBorder = 12;
// The traced plane holds only full ink and none; any level between splits them.
constexpr std::uint8_t tracedInk = 255;
constexpr int tracedThreshold = 128;
// A shape with over a quarter of its pixels away from the letters is background of their colour
// touching them through a break in the outline.
constexpr Ratio maximumSpill{1, 4};

int median(const std::array<int, 256> &histogram, int total)
{
    const int wanted = std::max(1, int(std::lround(0.5 * total)));
    int seen = 0;
    for (std::size_t value = 0; value < histogram.size(); ++value) {
        seen += histogram[value];
        if (seen >= wanted)
            return int(value);
    }
    return 255;
}

// Output pixels and the analysis pixels they were found on.
struct Grid
{
    QRect region;
    double factor = 1; // output pixels per analysis pixel

    int analysisX(int x) const { return region.left() + std::min(region.width() - 1, int(x / factor)); }
    int analysisY(int y) const { return region.top() + std::min(region.height() - 1, int(y / factor)); }
};

// A region too large for its letters (texture taken for text) is drawn smaller rather than handed
// to Tesseract at a size that takes it seconds.
double outputFactor(const QRect &region, int foundHeight, int letterHeight)
{
    double factor = double(letterHeight) / double(foundHeight);
    const double outputArea = double(region.width()) * region.height() * factor * factor;
    if (outputArea > maximumOutputArea)
        factor *= std::sqrt(maximumOutputArea / outputArea);
    return factor;
}

QImage outputPicture(const QImage &rgb, double analysisScale, const Grid &grid)
{
    const QRect &region = grid.region;
    const int outWidth = std::max(1, int(std::lround(region.width() * grid.factor)));
    const int outHeight = std::max(1, int(std::lround(region.height() * grid.factor)));
    const QRect source = QRect(int(region.left() / analysisScale), int(region.top() / analysisScale),
                               std::max(1, int(std::lround(region.width() / analysisScale))),
                               std::max(1, int(std::lround(region.height() / analysisScale))))
                         & rgb.rect();
    return rgb.copy(source).scaled(outWidth, outHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Ink at the threshold inside the grown mask.
InkPlane maskedInk(const InkPlane &ink, const TextMask &text, const Grid &grid, int threshold)
{
    InkPlane traced(ink.width, ink.height);
    for (int y = 0; y < ink.height; ++y) {
        const std::uint8_t *values = ink.row(y);
        std::uint8_t *line = traced.row(y);
        const int my = grid.analysisY(y);
        for (int x = 0; x < ink.width; ++x) {
            if (values[x] >= threshold && text.at(text.mask, grid.analysisX(x), my))
                line[x] = tracedInk;
        }
    }
    return traced;
}

// Pixels at most one analysis pixel from the letters: where a letter traced at a lower level
// than the analysis used may reach. Laid out as the mask's planes.
std::vector<std::uint8_t> nearLetters(const TextMask &text)
{
    const int width = text.region.width();
    const int height = text.region.height();
    std::vector<std::uint8_t> near(text.core.size(), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!text.core[std::size_t(y) * std::size_t(width) + std::size_t(x)])
                continue;
            for (int ny = std::max(0, y - 1); ny <= std::min(height - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(width - 1, x + 1); ++nx)
                    near[std::size_t(ny) * std::size_t(width) + std::size_t(nx)] = 1;
            }
        }
    }
    return near;
}

// Of each traced shape: whether it touches the letters, and whether it spills far beyond them.
struct Shapes
{
    ComponentLabelling::Labels labels;
    std::vector<bool> onLetters;
    std::vector<bool> spills;
};

Shapes shapesOf(const InkPlane &traced, const TextMask &text, const std::vector<std::uint8_t> &near, const Grid &grid)
{
    Shapes shapes;
    shapes.labels = ComponentLabelling::label(traced, tracedThreshold);
    const std::size_t count = shapes.labels.components.size();
    shapes.onLetters.assign(count, false);
    std::vector<int> farPixels(count, 0);
    for (const ComponentLabelling::Run &run : shapes.labels.runs) {
        const int my = grid.analysisY(run.y);
        const std::size_t label = std::size_t(run.label);
        for (int x = run.left; x <= run.right; ++x) {
            const int mx = grid.analysisX(x);
            shapes.onLetters[label] = shapes.onLetters[label] || text.at(text.core, mx, my);
            farPixels[label] += !text.at(near, mx, my);
        }
    }
    shapes.spills.assign(count, false);
    for (std::size_t i = 0; i < count; ++i)
        shapes.spills[i] = maximumSpill.exceededBy(farPixels[i], shapes.labels.components[i].area);
    return shapes;
}

} // namespace

QRgb textColour(const QImage &picture, const TextMask &text)
{
    std::array<std::array<int, 256>, 3> histograms{};
    int count = 0;
    for (int y = text.region.top(); y <= text.region.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = text.region.left(); x <= text.region.right(); ++x) {
            if (!text.at(text.core, x, y))
                continue;
            ++histograms[0][std::size_t(qRed(line[x]))];
            ++histograms[1][std::size_t(qGreen(line[x]))];
            ++histograms[2][std::size_t(qBlue(line[x]))];
            ++count;
        }
    }
    return qRgb(median(histograms[0], count), median(histograms[1], count), median(histograms[2], count));
}

int threshold(const InkPlane &ink, const TextMask &text, int fallback)
{
    std::array<int, 256> inside{}, border{};
    int insideCount = 0, borderCount = 0;
    for (int y = text.region.top(); y <= text.region.bottom(); ++y) {
        const std::uint8_t *values = ink.row(y);
        for (int x = text.region.left(); x <= text.region.right(); ++x) {
            if (text.at(text.core, x, y)) {
                ++inside[values[x]];
                ++insideCount;
            } else if (text.at(text.mask, x, y)) {
                ++border[values[x]];
                ++borderCount;
            }
        }
    }
    if (insideCount == 0 || borderCount == 0)
        return fallback;
    const int level = median(inside, insideCount);
    const int around = median(border, borderCount);
    return level > around ? (level + around + 1) / 2 : fallback;
}

QImage trace(const QImage &rgb, double analysisScale, const Ink &ink, const TextMask &text, int threshold,
             int letterHeight)
{
    const Grid grid{text.region, outputFactor(text.region, text.letterHeight, letterHeight)};
    const InkPlane plane(outputPicture(rgb, analysisScale, grid), ink);
    // Ink inside the mask, kept only where it is connected to the letters found by the analysis:
    // bright background just outside a thick outline falls inside the grown mask too.
    const InkPlane traced = maskedInk(plane, text, grid, threshold);
    const std::vector<std::uint8_t> near = nearLetters(text);
    const Shapes shapes = shapesOf(traced, text, near, grid);

    QImage out(plane.width + 2 * outputBorder, plane.height + 2 * outputBorder, QImage::Format_Grayscale8);
    out.fill(255);
    for (const ComponentLabelling::Run &run : shapes.labels.runs) {
        if (!shapes.onLetters[std::size_t(run.label)])
            continue;
        uchar *line = out.scanLine(run.y + outputBorder) + outputBorder;
        if (!shapes.spills[std::size_t(run.label)]) {
            std::fill(line + run.left, line + run.right + 1, uchar(0));
            continue;
        }
        // Of a shape spilling into the background, only what lies on the letters is kept.
        const int my = grid.analysisY(run.y);
        for (int x = run.left; x <= run.right; ++x) {
            if (text.at(near, grid.analysisX(x), my))
                line[x] = 0;
        }
    }
    return out;
}

} // namespace LetterTracing
