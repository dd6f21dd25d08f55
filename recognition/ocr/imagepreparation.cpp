#include "imagepreparation.h"

#include <QRect>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>
#include <cstdio>

namespace {

// Letters smaller than this (in analysis pixels) cannot be read anyway.
constexpr int minimumLetterHeight = 6;
// Ink levels tried for every way of looking at the picture.
constexpr std::array<int, 6> thresholdLadder{64, 96, 128, 160, 192, 224};
// White around the text: Tesseract finds lines poorly when ink comes near the edge.
constexpr int outputBorder = 12;

// Ways of turning colour into "ink", where text is high: luma for light text, inverted luma
// for dark text, and the weakest channel for white or grey text on saturated colours (where
// luma alone cannot tell white letters from a yellow or cyan background).
enum class InkKind { Luma, InverseLuma, Whiteness };

struct Plane
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> values;

    const std::uint8_t *row(int y) const { return values.data() + std::size_t(y) * std::size_t(width); }
};

struct Box
{
    int left = 0;
    int top = 0;
    int right = -1; // inclusive
    int bottom = -1;

    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    bool isEmpty() const { return right < left; }
    void unite(const Box &other)
    {
        if (isEmpty()) {
            *this = other;
            return;
        }
        left = std::min(left, other.left);
        top = std::min(top, other.top);
        right = std::max(right, other.right);
        bottom = std::max(bottom, other.bottom);
    }
};

int horizontalGap(const Box &a, const Box &b)
{
    return std::max(a.left, b.left) - std::min(a.right, b.right) - 1;
}

int verticalGap(const Box &a, const Box &b)
{
    return std::max(a.top, b.top) - std::min(a.bottom, b.bottom) - 1;
}

struct Run
{
    int y = 0;
    int left = 0;
    int right = 0; // inclusive
    int label = 0;
    int sharedAbove = 0; // pixels of the run with ink straight above
};

struct Component
{
    Box box;
    int area = 0;
    int perimeter = 0;
};

// A letter or ideograph: its connected pieces (the dot and stem of an "i", the parts of 青).
struct Glyph
{
    Box box;
    int area = 0;
    int perimeter = 0;
    int pieces = 0;

    // Twice the area over the perimeter: the stroke width for shapes made of strokes.
    double thickness() const { return perimeter > 0 ? 2.0 * area / perimeter : 0.0; }
};

struct Row
{
    std::vector<int> glyphs;
    Box box;
    int letterHeight = 0;
};

struct Reading
{
    InkKind kind = InkKind::Luma;
    int threshold = 0;
    int score = 0;
    std::vector<Run> runs;
    std::vector<Component> components;
    std::vector<int> glyphOfComponent; // -1 for specks
    std::vector<Glyph> glyphs;
    std::vector<Row> rows;
};

Plane inkPlane(const QImage &rgb, InkKind kind)
{
    Plane plane;
    plane.width = rgb.width();
    plane.height = rgb.height();
    plane.values.resize(std::size_t(plane.width) * std::size_t(plane.height));
    for (int y = 0; y < plane.height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        std::uint8_t *out = plane.values.data() + std::size_t(y) * std::size_t(plane.width);
        for (int x = 0; x < plane.width; ++x) {
            const int r = qRed(line[x]);
            const int g = qGreen(line[x]);
            const int b = qBlue(line[x]);
            int ink = 0;
            switch (kind) {
            case InkKind::Luma: ink = (77 * r + 150 * g + 29 * b) >> 8; break;
            case InkKind::InverseLuma: ink = 255 - ((77 * r + 150 * g + 29 * b) >> 8); break;
            case InkKind::Whiteness: ink = std::min({r, g, b}); break;
            }
            out[x] = std::uint8_t(ink);
        }
    }
    return plane;
}

class DisjointSets
{
public:
    int add()
    {
        parents.push_back(int(parents.size()));
        return parents.back();
    }
    int find(int node)
    {
        while (parents[std::size_t(node)] != node) {
            parents[std::size_t(node)] = parents[std::size_t(parents[std::size_t(node)])];
            node = parents[std::size_t(node)];
        }
        return node;
    }
    void unite(int a, int b)
    {
        a = find(a);
        b = find(b);
        if (a != b)
            parents[std::size_t(std::max(a, b))] = std::min(a, b);
    }
    std::size_t size() const { return parents.size(); }

private:
    std::vector<int> parents;
};

// Eight-connected components of the pixels at or above the threshold, found run by run.
void labelComponents(const Plane &ink, Reading &reading)
{
    DisjointSets sets;
    std::vector<Run> &runs = reading.runs;
    std::size_t previousStart = 0;
    std::size_t previousEnd = 0;
    for (int y = 0; y < ink.height; ++y) {
        const std::uint8_t *values = ink.row(y);
        const std::size_t rowStart = runs.size();
        std::size_t candidate = previousStart;
        for (int x = 0; x < ink.width;) {
            if (values[x] < reading.threshold) {
                ++x;
                continue;
            }
            const int left = x;
            while (x < ink.width && values[x] >= reading.threshold)
                ++x;
            Run run{y, left, x - 1, -1, 0};
            while (candidate < previousEnd && runs[candidate].right < left - 1)
                ++candidate;
            for (std::size_t above = candidate; above < previousEnd && runs[above].left <= run.right + 1; ++above) {
                run.sharedAbove += std::max(0, std::min(run.right, runs[above].right) - std::max(run.left, runs[above].left) + 1);
                if (run.label < 0)
                    run.label = runs[above].label;
                else
                    sets.unite(run.label, runs[above].label);
            }
            if (run.label < 0)
                run.label = sets.add();
            runs.push_back(run);
        }
        previousStart = rowStart;
        previousEnd = runs.size();
    }
    std::vector<int> compact(sets.size(), -1);
    for (Run &run : runs) {
        const int root = sets.find(run.label);
        if (compact[std::size_t(root)] < 0) {
            compact[std::size_t(root)] = int(reading.components.size());
            reading.components.push_back(Component{});
        }
        run.label = compact[std::size_t(root)];
        Component &component = reading.components[std::size_t(run.label)];
        const int length = run.right - run.left + 1;
        component.box.unite(Box{run.left, run.y, run.right, run.y});
        component.area += length;
        // Two ends, plus the pixels open above and below (shared pixels close two edges).
        component.perimeter += 2 + 2 * length - 2 * run.sharedAbove;
    }
}

// Pieces standing above one another and nearly touching are one glyph: the dot and stem of an
// "i", an accent and its letter, the parts of 这. Not two lines' letters stacked, and not a
// background shape that happens to surround a letter.
bool partsOfOneGlyph(const Box &a, const Box &b)
{
    const int overlap = -horizontalGap(a, b);
    if (overlap * 2 < std::min(a.width(), b.width()))
        return false;
    const int taller = std::max(a.height(), b.height());
    if (verticalGap(a, b) * 4 > taller)
        return false;
    Box joined = a;
    joined.unite(b);
    const int shorter = std::min(a.height(), b.height());
    if (joined.height() * 2 > taller * 3 && shorter * 20 > joined.height() * 7)
        return false;
    const long long areaA = 1LL * a.width() * a.height();
    const long long areaB = 1LL * b.width() * b.height();
    const long long joinedArea = 1LL * joined.width() * joined.height();
    return joinedArea <= 4 * std::min(areaA, areaB) || joined.height() > taller;
}

void formGlyphs(Reading &reading)
{
    const std::vector<Component> &components = reading.components;
    std::vector<int> pieces;
    for (int i = 0; i < int(components.size()); ++i) {
        const Component &c = components[std::size_t(i)];
        if (c.area >= 4 && c.box.height() >= 2)
            pieces.push_back(i);
    }
    std::sort(pieces.begin(), pieces.end(),
              [&](int a, int b) { return components[std::size_t(a)].box.left < components[std::size_t(b)].box.left; });
    DisjointSets sets;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        sets.add();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Box &a = components[std::size_t(pieces[i])].box;
        for (std::size_t j = i + 1; j < pieces.size(); ++j) {
            const Box &b = components[std::size_t(pieces[j])].box;
            if (b.left > a.right)
                break;
            if (partsOfOneGlyph(a, b))
                sets.unite(int(i), int(j));
        }
    }
    reading.glyphOfComponent.assign(components.size(), -1);
    std::vector<int> glyphOfSet(pieces.size(), -1);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const int set = sets.find(int(i));
        if (glyphOfSet[std::size_t(set)] < 0) {
            glyphOfSet[std::size_t(set)] = int(reading.glyphs.size());
            reading.glyphs.push_back(Glyph{});
        }
        const int glyph = glyphOfSet[std::size_t(set)];
        const Component &c = components[std::size_t(pieces[i])];
        Glyph &g = reading.glyphs[std::size_t(glyph)];
        g.box.unite(c.box);
        g.area += c.area;
        g.perimeter += c.perimeter;
        ++g.pieces;
        reading.glyphOfComponent[std::size_t(pieces[i])] = glyph;
    }
}

bool isLetterLike(const Glyph &g, int planeHeight)
{
    const int w = g.box.width();
    const int h = g.box.height();
    if (h < minimumLetterHeight || h > planeHeight * 95 / 100 || w > 3 * h || g.area < 12 || g.pieces > 8)
        return false;
    const double fill = double(g.area) / double(w * h);
    // Letters are drawn with strokes much thinner than they are tall; blocks and blotches are
    // thick, specks of noise have no body at all.
    const double thickness = g.thickness();
    const bool bar = w * 10 <= h * 4; // l, I, 1 and the strokes of 川 are solid
    return fill >= 0.08 && (fill <= 0.9 || bar) && thickness >= 1.0 && thickness <= 0.3 * h;
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

// Keeps the glyphs whose top or bottom lines up with the others: text stands on a baseline and
// shares a cap or x-height, texture does not.
std::vector<int> alignedGlyphs(const std::vector<int> &members, const std::vector<Glyph> &glyphs)
{
    std::vector<int> heights, tops, bottoms;
    for (const int m : members) {
        const Box &b = glyphs[std::size_t(m)].box;
        heights.push_back(b.height());
        tops.push_back(b.top);
        bottoms.push_back(b.bottom);
    }
    std::vector<int> thicknesses;
    for (const int m : members)
        thicknesses.push_back(int(glyphs[std::size_t(m)].thickness() * 16));
    const int typicalHeight = median(heights);
    const int typicalTop = median(tops);
    const int typicalBottom = median(bottoms);
    const int typicalThickness = median(thicknesses);
    const int tolerance = std::max(2, typicalHeight / 5);
    std::vector<int> aligned;
    for (const int m : members) {
        const Box &b = glyphs[std::size_t(m)].box;
        // One font draws all its letters with about the same stroke.
        const int thickness = int(glyphs[std::size_t(m)].thickness() * 16);
        if (b.height() > 2 * typicalHeight || thickness * 2 < typicalThickness || thickness > 2 * typicalThickness)
            continue;
        // Capitals with descenders (J, Q) match neither line but span the whole x-height band.
        const bool spansBand = b.top <= typicalTop + tolerance && b.bottom >= typicalBottom - tolerance;
        const bool lined = std::abs(b.bottom - typicalBottom) <= tolerance || std::abs(b.top - typicalTop) <= tolerance;
        if ((lined && b.height() * 10 <= typicalHeight * 17) || spansBand)
            aligned.push_back(m);
    }
    return aligned;
}

// Glyphs of a line follow one another closely; far-off shapes that happen to line up are not
// part of it. Returns the members of the runs of at least two glyphs.
std::vector<int> chainedGlyphs(std::vector<int> members, const std::vector<Glyph> &glyphs, int letterHeight)
{
    std::sort(members.begin(), members.end(),
              [&](int a, int b) { return glyphs[std::size_t(a)].box.left < glyphs[std::size_t(b)].box.left; });
    std::vector<int> kept;
    std::vector<int> chain;
    int chainRight = 0;
    const auto closeChain = [&] {
        if (chain.size() >= 2)
            kept.insert(kept.end(), chain.begin(), chain.end());
        chain.clear();
    };
    for (const int m : members) {
        const Box &b = glyphs[std::size_t(m)].box;
        if (!chain.empty() && b.left - chainRight > letterHeight * 3 / 2)
            closeChain();
        chainRight = chain.empty() ? b.right : std::max(chainRight, b.right);
        chain.push_back(m);
    }
    closeChain();
    return kept;
}

void findRows(Reading &reading, int planeHeight)
{
    const std::vector<Glyph> &glyphs = reading.glyphs;
    std::vector<int> letters;
    for (int i = 0; i < int(glyphs.size()); ++i) {
        if (isLetterLike(glyphs[std::size_t(i)], planeHeight))
            letters.push_back(i);
    }
    // Far more letter-sized shapes than a few lines of text can hold: texture.
    if (letters.size() > 400)
        return;
    std::sort(letters.begin(), letters.end(), [&](int a, int b) {
        return glyphs[std::size_t(a)].box.height() > glyphs[std::size_t(b)].box.height();
    });
    std::vector<bool> taken(glyphs.size(), false);
    for (const int seed : letters) {
        if (taken[std::size_t(seed)])
            continue;
        const Box &s = glyphs[std::size_t(seed)].box;
        std::vector<int> members;
        for (const int other : letters) {
            const Box &b = glyphs[std::size_t(other)].box;
            const int overlap = std::min(b.bottom, s.bottom) - std::max(b.top, s.top) + 1;
            if (!taken[std::size_t(other)] && overlap * 2 >= b.height() && b.height() * 10 >= s.height() * 3)
                members.push_back(other);
        }
        for (const int m : members)
            taken[std::size_t(m)] = true;
        std::vector<int> aligned = alignedGlyphs(members, glyphs);
        if (aligned.size() < 2)
            continue;
        std::vector<int> heights;
        for (const int m : aligned)
            heights.push_back(glyphs[std::size_t(m)].box.height());
        Row row;
        row.glyphs = chainedGlyphs(aligned, glyphs, upperHeight(heights));
        if (row.glyphs.size() < 2)
            continue;
        heights.clear();
        for (const int m : row.glyphs) {
            heights.push_back(glyphs[std::size_t(m)].box.height());
            row.box.unite(glyphs[std::size_t(m)].box);
        }
        row.letterHeight = upperHeight(heights);
        reading.rows.push_back(row);
    }
    // A subtitle's lines share one letter size: rows far from the strongest one are texture.
    const auto strongest = std::max_element(reading.rows.begin(), reading.rows.end(), [](const Row &a, const Row &b) {
        return a.glyphs.size() < b.glyphs.size();
    });
    if (strongest == reading.rows.end())
        return;
    const int height = strongest->letterHeight;
    std::vector<Row> kept;
    for (const Row &row : reading.rows) {
        if (row.letterHeight * 10 >= height * 6 && row.letterHeight * 10 <= height * 16)
            kept.push_back(row);
    }
    reading.rows = kept;
    for (const Row &row : reading.rows)
        reading.score += int(row.glyphs.size());
}

Reading readAt(const Plane &ink, InkKind kind, int threshold)
{
    Reading reading;
    reading.kind = kind;
    reading.threshold = threshold;
    labelComponents(ink, reading);
    formGlyphs(reading);
    findRows(reading, ink.height);
    return reading;
}

// The reading of the picture in which the most glyphs stand in lines. Among the thresholds of
// the best kind that reach that score, the middle one: its letters are neither eroded nor bloated.
Reading bestReading(const QImage &picture)
{
    Reading best;
    for (const InkKind kind : {InkKind::Luma, InkKind::InverseLuma, InkKind::Whiteness}) {
        const Plane ink = inkPlane(picture, kind);
        std::vector<Reading> readings;
        for (const int threshold : thresholdLadder)
            readings.push_back(readAt(ink, kind, threshold));
        int top = 0;
        for (const Reading &reading : readings)
            top = std::max(top, reading.score);
        if (top <= best.score)
            continue;
        std::vector<std::size_t> atTop;
        for (std::size_t i = 0; i < readings.size(); ++i) {
            if (readings[i].score * 10 >= top * 9)
                atTop.push_back(i);
        }
        best = std::move(readings[atTop[atTop.size() / 2]]);
    }
    return best;
}

// Which components belong to the text: the glyphs of the rows, and small marks close beside
// them (full stops, commas, quotes, accents) that are too small to count as glyphs.
std::vector<bool> textComponents(const Reading &reading)
{
    std::vector<bool> glyphKept(reading.glyphs.size(), false);
    for (const Row &row : reading.rows) {
        for (const int g : row.glyphs)
            glyphKept[std::size_t(g)] = true;
    }
    std::vector<bool> kept(reading.components.size(), false);
    for (std::size_t i = 0; i < reading.components.size(); ++i) {
        const int glyph = reading.glyphOfComponent[i];
        if (glyph >= 0 && glyphKept[std::size_t(glyph)]) {
            kept[i] = true;
            continue;
        }
        const Component &c = reading.components[i];
        for (const Row &row : reading.rows) {
            const int h = row.letterHeight;
            // Marks are small in both directions; only a dash or the ideograph 一 is wide and flat.
            const bool mark = c.box.height() * 10 <= h * 6 && c.box.width() * 10 <= h * 6;
            const bool dash = c.box.height() * 4 <= h && c.box.width() <= h * 11 / 10
                              && std::abs((c.box.top + c.box.bottom) - (row.box.top + row.box.bottom)) * 10 <= row.box.height() * 6;
            const bool small = mark || dash;
            const bool solid = c.area * 200 >= h * h; // specks of texture are smaller than a full stop
            const bool insideBand = c.box.top >= row.box.top - h / 2 && c.box.bottom <= row.box.bottom + h / 2;
            if (!small || !solid || !insideBand)
                continue;
            const bool besideGlyph = std::any_of(row.glyphs.begin(), row.glyphs.end(), [&](int g) {
                const Box &b = reading.glyphs[std::size_t(g)].box;
                return horizontalGap(b, c.box) <= h * 2 / 5 && verticalGap(b, c.box) <= h / 2;
            });
            if (besideGlyph) {
                kept[i] = true;
                break;
            }
        }
    }
    return kept;
}

// Halfway between the letters' own level and that of what borders them (outline, shadow or
// background): the level at which the letters come out at their drawn weight.
int tracingThreshold(const Plane &ink, const QRect &region, const std::vector<std::uint8_t> &core,
                     const std::vector<std::uint8_t> &mask, int fallback)
{
    std::vector<int> inside, border;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        const std::uint8_t *values = ink.row(y);
        const std::size_t offset = std::size_t(y - region.top()) * std::size_t(region.width());
        for (int x = region.left(); x <= region.right(); ++x) {
            const std::size_t index = offset + std::size_t(x - region.left());
            if (core[index])
                inside.push_back(values[x]);
            else if (mask[index])
                border.push_back(values[x]);
        }
    }
    if (inside.empty() || border.empty())
        return fallback;
    const int level = median(inside);
    const int around = median(border);
    return level > around ? (level + around + 1) / 2 : fallback;
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

    const Reading best = bestReading(small);
#ifdef TARNIX_TRACE_PREPARATION
    fprintf(stderr, "kind %d threshold %d score %d rows %zu scale %.2f\n", int(best.kind), best.threshold, best.score, best.rows.size(), analysisScale);
    for (const Row &row : best.rows) {
        fprintf(stderr, " row %d,%d-%d,%d h %d:", row.box.left, row.box.top, row.box.right, row.box.bottom, row.letterHeight);
        for (int g : row.glyphs) fprintf(stderr, " [%d,%d %dx%d t%.1f]", best.glyphs[g].box.left, best.glyphs[g].box.top, best.glyphs[g].box.width(), best.glyphs[g].box.height(), best.glyphs[g].thickness());
        fprintf(stderr, "\n");
    }
    for (const Glyph &g : best.glyphs) if (g.box.height() >= minimumLetterHeight) fprintf(stderr, "  glyph %d,%d %dx%d area %d t%.1f pieces %d letter %d\n", g.box.left, g.box.top, g.box.width(), g.box.height(), g.area, g.thickness(), g.pieces, int(isLetterLike(g, small.height())));
#endif
    if (best.rows.empty())
        return {};

    // The mask of the text at analysis size, grown by a pixel so that the finer outline traced at
    // the output size stays inside it.
    const std::vector<bool> kept = textComponents(best);
    Box textBox;
    std::vector<int> heights;
    for (const Row &row : best.rows)
        heights.push_back(row.letterHeight);
    const int letterHeight = median(heights);
    for (const Run &run : best.runs) {
        if (kept[std::size_t(run.label)])
            textBox.unite(Box{run.left, run.y, run.right, run.y});
    }
    // The mask is grown so that letters traced at a lower level than the analysis used keep
    // their full weight.
    const int grow = std::max(1, letterHeight / 12);
    const int margin = grow + 1;
    const QRect region = QRect(QPoint(textBox.left - margin, textBox.top - margin),
                               QPoint(textBox.right + margin, textBox.bottom + margin))
                         & QRect(0, 0, small.width(), small.height());
    const int maskWidth = region.width();
    const std::size_t maskSize = std::size_t(maskWidth) * std::size_t(region.height());
    std::vector<std::uint8_t> core(maskSize, 0);
    std::vector<std::uint8_t> mask(maskSize, 0);
    for (const Run &run : best.runs) {
        if (!kept[std::size_t(run.label)])
            continue;
        std::uint8_t *coreLine = core.data() + std::size_t(run.y - region.top()) * std::size_t(maskWidth);
        for (int x = run.left; x <= run.right; ++x)
            coreLine[x - region.left()] = 1;
        for (int y = std::max(region.top(), run.y - grow); y <= std::min(region.bottom(), run.y + grow); ++y) {
            std::uint8_t *line = mask.data() + std::size_t(y - region.top()) * std::size_t(maskWidth);
            for (int x = std::max(region.left(), run.left - grow); x <= std::min(region.right(), run.right + grow); ++x)
                line[x - region.left()] = 1;
        }
    }
    const int threshold = tracingThreshold(inkPlane(small, best.kind), region, core, mask, best.threshold);

    // Trace the letters again at the output size from the full-resolution picture, so that small
    // text gains smooth edges instead of enlarged analysis pixels.
    const double factor = double(settings.letterHeight) / double(letterHeight); // output px per analysis px
    const int outWidth = std::max(1, int(std::lround(region.width() * factor)));
    const int outHeight = std::max(1, int(std::lround(region.height() * factor)));
    const QRect source = QRect(int(region.left() / analysisScale), int(region.top() / analysisScale),
                               std::max(1, int(std::lround(region.width() / analysisScale))),
                               std::max(1, int(std::lround(region.height() / analysisScale))))
                         & rgb.rect();
    const QImage scaled = rgb.copy(source).scaled(outWidth, outHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const Plane ink = inkPlane(scaled, best.kind);

    QImage out(ink.width + 2 * outputBorder, ink.height + 2 * outputBorder, QImage::Format_Grayscale8);
    out.fill(255);
    for (int y = 0; y < ink.height; ++y) {
        uchar *line = out.scanLine(y + outputBorder) + outputBorder;
        const std::uint8_t *values = ink.row(y);
        const int my = std::min(region.height() - 1, int(y / factor));
        const std::uint8_t *maskLine = mask.data() + std::size_t(my) * std::size_t(maskWidth);
        for (int x = 0; x < ink.width; ++x) {
            const int mx = std::min(maskWidth - 1, int(x / factor));
            if (maskLine[mx] && values[x] >= threshold)
                line[x] = 0;
        }
    }
    return out;
}
