#include "imagepreparation.h"

#include <QRect>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Letters smaller than this (in analysis pixels) cannot be read anyway.
constexpr int minimumLetterHeight = 6;
// Ink levels tried for every way of looking at the picture.
constexpr std::array<int, 6> thresholdLadder{64, 96, 128, 160, 192, 224};
// Share (in per cent) of the pixels just beside a line's glyphs that are ink too, above which the
// "line" is texture: letters stand apart, noise and patterns are packed.
constexpr int maximumRowCrowding = 12;
// The same for one glyph at a line's end, where texture touching the line joins it.
constexpr int maximumGlyphCrowding = 45;
// Beyond this many pixels the picture for Tesseract is scaled down (a few lines of subtitle text
// at the usual letter height take a third of it at most).
constexpr double maximumOutputArea = 300000;
// White around the text: Tesseract finds lines poorly when ink comes near the edge.
constexpr int outputBorder = 12;

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
    int inkSum = 0;        // ink values of the pixels, added up
    int inkPeak = 0;
    int besideSamples = 0; // pixels two steps left and right of the runs
    int besideInked = 0;   // ... that are ink themselves
};

// A letter or ideograph, or a part of one: its connected pieces (the dot and stem of an "i",
// an accent and its letter).
struct Glyph
{
    Box box;
    int area = 0;
    int perimeter = 0;
    int pieces = 0;
    int besideSamples = 0;
    int besideInked = 0;

    // Letters stand clear of other ink; a texture's blobs are packed among more of the same.
    double crowding() const { return besideSamples > 0 ? double(besideInked) / besideSamples : 0.0; }

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
    Ink ink;
    int threshold = 0;
    int score = 0;
    std::vector<Run> runs;
    std::vector<Component> components;
    std::vector<int> glyphOfComponent; // -1 for specks
    std::vector<Glyph> glyphs;
    std::vector<Row> rows;
};

Plane inkPlane(const QImage &rgb, const Ink &kind)
{
    const int cr = qRed(kind.colour);
    const int cg = qGreen(kind.colour);
    const int cb = qBlue(kind.colour);
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
            switch (kind.kind) {
            case InkKind::Luma: ink = (77 * r + 150 * g + 29 * b) >> 8; break;
            case InkKind::InverseLuma: ink = 255 - ((77 * r + 150 * g + 29 * b) >> 8); break;
            case InkKind::Whiteness: ink = std::min({r, g, b}); break;
            case InkKind::Closeness:
                ink = 255 - std::max({std::abs(r - cr), std::abs(g - cg), std::abs(b - cb)});
                break;
            }
            out[x] = std::uint8_t(ink);
        }
    }
    return plane;
}

int percentile(const std::array<int, 256> &histogram, int total, double fraction)
{
    const int wanted = std::max(1, int(std::lround(fraction * total)));
    int seen = 0;
    for (std::size_t value = 0; value < histogram.size(); ++value) {
        seen += histogram[value];
        if (seen >= wanted)
            return int(value);
    }
    return 255;
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
                run.sharedAbove
                    += std::max(0, std::min(run.right, runs[above].right) - std::max(run.left, runs[above].left) + 1);
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
        const std::uint8_t *values = ink.row(run.y);
        for (int x = run.left; x <= run.right; ++x) {
            component.inkSum += values[x];
            component.inkPeak = std::max(component.inkPeak, int(values[x]));
        }
        for (const int x : {run.left - 2, run.right + 2}) {
            if (x >= 0 && x < ink.width) {
                ++component.besideSamples;
                component.besideInked += values[x] >= reading.threshold;
            }
        }
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
        g.besideSamples += c.besideSamples;
        g.besideInked += c.besideInked;
        ++g.pieces;
        reading.glyphOfComponent[std::size_t(pieces[i])] = glyph;
    }
}

bool isLetterLike(const Glyph &g, int planeHeight)
{
    const int w = g.box.width();
    const int h = g.box.height();
    if (h < minimumLetterHeight || h > planeHeight * 95 / 100 || w > 3 * h || g.area < 8 || g.pieces > 8)
        return false;
    const double fill = double(g.area) / double(w * h);
    // Letters are drawn with strokes much thinner than they are tall; blocks and blotches are
    // thick, specks of noise have no body at all.
    const double thickness = g.thickness();
    const bool bar = w * 10 <= h * 4; // l, I, 1 and the strokes of 川 are solid
    return fill >= 0.08 && (fill <= 0.9 || bar) && thickness >= 0.7 && thickness <= 0.3 * h;
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

// Keeps the glyphs whose top or bottom lines up with others': text stands on a baseline and
// shares its x-height, cap height and descender line, texture does not. Letters of one font also
// share one stroke width.
std::vector<int> alignedGlyphs(const std::vector<int> &members, const std::vector<Glyph> &glyphs)
{
    std::vector<int> heights, thicknesses;
    for (const int m : members) {
        heights.push_back(glyphs[std::size_t(m)].box.height());
        thicknesses.push_back(int(glyphs[std::size_t(m)].thickness() * 16));
    }
    const int typicalHeight = median(heights);
    const int typicalThickness = median(thicknesses);
    const int tolerance = std::max(2, typicalHeight / 5);
    const int peersNeeded = members.size() >= 6 ? 2 : 1;
    std::vector<int> aligned;
    for (const int m : members) {
        const Glyph &glyph = glyphs[std::size_t(m)];
        const int thickness = int(glyph.thickness() * 16);
        if (glyph.box.height() > 2 * typicalHeight || thickness * 2 < typicalThickness
            || thickness > 2 * typicalThickness)
            continue;
        int sameTop = 0, sameBottom = 0;
        for (const int other : members) {
            const Box &b = glyphs[std::size_t(other)].box;
            if (other == m)
                continue;
            sameTop += std::abs(b.top - glyph.box.top) <= tolerance;
            sameBottom += std::abs(b.bottom - glyph.box.bottom) <= tolerance;
        }
        if (sameTop >= peersNeeded || sameBottom >= peersNeeded)
            aligned.push_back(m);
    }
    return aligned;
}

// Glyphs of a line follow one another closely; far-off shapes that happen to line up are not
// part of it. Returns the members of the longest run of glyphs and of the runs of at least two
// glyphs near it (the words of a line with wide spaces, the two halves of a dialogue line).
std::vector<int> chainedGlyphs(std::vector<int> members, const std::vector<Glyph> &glyphs, int letterHeight)
{
    std::sort(members.begin(), members.end(),
              [&](int a, int b) { return glyphs[std::size_t(a)].box.left < glyphs[std::size_t(b)].box.left; });
    struct Chain
    {
        std::vector<int> members;
        int left = 0;
        int right = 0;
    };
    std::vector<Chain> chains;
    for (const int m : members) {
        const Box &b = glyphs[std::size_t(m)].box;
        if (chains.empty() || b.left - chains.back().right > letterHeight * 3 / 2)
            chains.push_back(Chain{{}, b.left, b.right});
        chains.back().members.push_back(m);
        chains.back().right = std::max(chains.back().right, b.right);
    }
    const auto longest = std::max_element(chains.begin(), chains.end(), [](const Chain &a, const Chain &b) {
        return a.members.size() < b.members.size();
    });
    if (longest == chains.end() || longest->members.size() < 2)
        return {};
    std::vector<int> kept = longest->members;
    int left = longest->left;
    int right = longest->right;
    const int reach = 4 * letterHeight;
    for (auto next = longest + 1; next != chains.end() && next->left - right <= reach; ++next) {
        if (next->members.size() < 2)
            continue;
        kept.insert(kept.end(), next->members.begin(), next->members.end());
        right = next->right;
    }
    for (auto previous = std::make_reverse_iterator(longest);
         previous != chains.rend() && left - previous->right <= reach; ++previous) {
        if (previous->members.size() < 2)
            continue;
        kept.insert(kept.end(), previous->members.begin(), previous->members.end());
        left = previous->left;
    }
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
        // Texture lines up by chance now and then, but its blobs are packed among more ink.
        std::vector<int> crowding;
        for (const int m : row.glyphs)
            crowding.push_back(int(glyphs[std::size_t(m)].crowding() * 100));
        if (median(crowding) > maximumRowCrowding)
            continue;
        // Blobs of a texture that touch the line's ends are packed too, each on its own.
        row.glyphs.erase(std::remove_if(row.glyphs.begin(), row.glyphs.end(),
                             [&](int m) { return glyphs[std::size_t(m)].crowding() * 100 > maximumGlyphCrowding; }),
            row.glyphs.end());
        if (row.glyphs.size() < 2)
            continue;
        row.box = Box{};
        for (const int m : row.glyphs)
            row.box.unite(glyphs[std::size_t(m)].box);
        // Letters fill most of their line's length; texture that lines up is spread thinly.
        int covered = 0;
        for (const int m : row.glyphs)
            covered += glyphs[std::size_t(m)].box.width();
        if (covered * 10 < row.box.width() * 4)
            continue;
        reading.rows.push_back(row);
    }
    // A subtitle's lines share one letter size and stand one above the other: rows of another
    // size, or off to the side of the strongest one, are texture.
    const auto strongest = std::max_element(reading.rows.begin(), reading.rows.end(), [](const Row &a, const Row &b) {
        return a.glyphs.size() < b.glyphs.size();
    });
    if (strongest == reading.rows.end())
        return;
    const Row main = *strongest;
    std::vector<Row> kept;
    for (const Row &row : reading.rows) {
        const int overlap = -horizontalGap(row.box, main.box);
        const bool sameSize
            = row.letterHeight * 10 >= main.letterHeight * 6 && row.letterHeight * 10 <= main.letterHeight * 16;
        const bool stacked = overlap * 10 >= std::min(row.box.width(), main.box.width()) * 3;
        if (sameSize && stacked)
            kept.push_back(row);
    }
    reading.rows = kept;
    for (const Row &row : reading.rows)
        reading.score += int(row.glyphs.size());
}

Reading readAt(const Plane &ink, const Ink &kind, int threshold)
{
    Reading reading;
    reading.ink = kind;
    reading.threshold = threshold;
    labelComponents(ink, reading);
    formGlyphs(reading);
    findRows(reading, ink.height);
    return reading;
}

// The reading of the picture in which the most glyphs stand in lines. Among the thresholds of
// the best kind that reach that score, the middle one: its letters are neither eroded nor bloated.
Reading bestReading(const QImage &picture, const std::vector<Ink> &kinds)
{
    Reading best;
    for (const Ink &kind : kinds) {
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

// Whether two readings found the same lines: the boxes of their lines mostly coincide.
bool sameText(const Reading &a, const Reading &b)
{
    const auto linesBox = [](const Reading &reading) {
        QRect box;
        for (const Row &row : reading.rows)
            box |= QRect(QPoint(row.box.left, row.box.top), QPoint(row.box.right, row.box.bottom));
        return box;
    };
    const QRect boxA = linesBox(a);
    const QRect boxB = linesBox(b);
    const QRect common = boxA & boxB;
    const long long commonArea = 1LL * common.width() * common.height();
    const long long unionArea = 1LL * boxA.width() * boxA.height() + 1LL * boxB.width() * boxB.height() - commonArea;
    return unionArea > 0 && commonArea * 10 >= unionArea * 6;
}

// Whether a shape lies mostly within a glyph's box: a stripe of background seen through a counter,
// or a piece of an ideograph.
bool insideGlyph(const Reading &reading, const Row &row, const Box &box)
{
    return std::any_of(row.glyphs.begin(), row.glyphs.end(), [&](int g) {
        const Box &b = reading.glyphs[std::size_t(g)].box;
        const int overlapWidth = -horizontalGap(b, box);
        const int overlapHeight = -verticalGap(b, box);
        return overlapWidth > 0 && overlapHeight > 0 && 2 * overlapWidth * overlapHeight > box.width() * box.height();
    });
}

// Which components belong to the text: the glyphs of the rows, and small marks close beside
// them (full stops, commas, quotes, accents) that are too small to count as glyphs.
std::vector<bool> textComponents(const Reading &reading, bool piecesInsideLetters)
{
    std::vector<bool> glyphKept(reading.glyphs.size(), false);
    for (const Row &row : reading.rows) {
        for (const int g : row.glyphs) {
            // In an alphabet, a "letter" within another letter is background seen through a counter.
            const Box &box = reading.glyphs[std::size_t(g)].box;
            glyphKept[std::size_t(g)]
                = piecesInsideLetters || !std::any_of(row.glyphs.begin(), row.glyphs.end(), [&](int other) {
                      const Box &b = reading.glyphs[std::size_t(other)].box;
                      return other != g && b.left <= box.left && b.right >= box.right && b.top <= box.top
                          && b.bottom >= box.bottom;
                  });
        }
    }
    std::vector<bool> kept(reading.components.size(), false);
    long long letterInk = 0, letterArea = 0;
    for (std::size_t i = 0; i < reading.components.size(); ++i) {
        const int glyph = reading.glyphOfComponent[i];
        if (glyph >= 0 && glyphKept[std::size_t(glyph)]) {
            kept[i] = true;
            letterInk += reading.components[i].inkSum;
            letterArea += reading.components[i].area;
        }
    }
    if (letterArea == 0)
        return kept;
    // A full stop is printed in the letters' ink; background that barely passes the threshold
    // beside an outline is not. Small marks are blurred at analysis size: their strongest
    // pixel tells their ink better than their mean.
    const long long markInk = reading.threshold + (letterInk / letterArea - reading.threshold) / 3;
    for (std::size_t i = 0; i < reading.components.size(); ++i) {
        const Component &c = reading.components[i];
        if (kept[i] || c.area == 0 || c.inkPeak < markInk)
            continue;
        for (const Row &row : reading.rows) {
            const int h = row.letterHeight;
            // Marks are small in both directions; only dashes and the bars of 一 and 二 are wide and flat.
            const bool mark = c.box.height() * 10 <= h * 6 && c.box.width() * 10 <= h * 6;
            const int middle = (c.box.top + c.box.bottom) / 2;
            const bool bar = c.box.height() * 4 <= h && c.box.width() <= h * 11 / 10 && middle > row.box.top
                             && middle < row.box.bottom;
            const bool small = mark || bar;
            const bool solid = c.area * 200 >= h * h; // specks of texture are smaller than a full stop
            const bool insideBand = c.box.top >= row.box.top - h / 2 && c.box.bottom <= row.box.bottom + h / 2;
            const bool inside = insideGlyph(reading, row, c.box);
            if (!small || !solid || !insideBand || (inside && (!piecesInsideLetters || !mark)))
                continue;
            const bool besideGlyph = std::any_of(row.glyphs.begin(), row.glyphs.end(), [&](int g) {
                const Box &b = reading.glyphs[std::size_t(g)].box;
                return horizontalGap(b, c.box) <= h / 2 && verticalGap(b, c.box) <= h / 2;
            });
            if (besideGlyph) {
                kept[i] = true;
                break;
            }
        }
    }
    return kept;
}

// The text found by a reading, at analysis size.
struct TextMask
{
    QRect region;
    std::vector<std::uint8_t> core; // the letters' own pixels
    std::vector<std::uint8_t> mask; // grown around them
    int letterHeight = 0;

    bool at(const std::vector<std::uint8_t> &plane, int x, int y) const
    {
        return plane[std::size_t(y - region.top()) * std::size_t(region.width()) + std::size_t(x - region.left())] != 0;
    }
};

TextMask textMask(const Reading &reading, int width, int height, bool piecesInsideLetters)
{
    TextMask text;
    const std::vector<bool> kept = textComponents(reading, piecesInsideLetters);
    std::vector<int> heights;
    for (const Row &row : reading.rows)
        heights.push_back(row.letterHeight);
    text.letterHeight = median(heights);
    // Grown so that letters traced at a lower level than the analysis used keep their weight.
    const int grow = std::max(1, text.letterHeight / 8);
    Box box;
    for (const Run &run : reading.runs) {
        if (kept[std::size_t(run.label)])
            box.unite(Box{run.left, run.y, run.right, run.y});
    }
    if (box.isEmpty())
        return text;
    const int margin = grow + 1;
    text.region = QRect(QPoint(box.left - margin, box.top - margin), QPoint(box.right + margin, box.bottom + margin))
                  & QRect(0, 0, width, height);
    const QRect &region = text.region;
    const int w = region.width();
    text.core.assign(std::size_t(w) * std::size_t(region.height()), 0);
    text.mask.assign(text.core.size(), 0);
    for (const Run &run : reading.runs) {
        if (!kept[std::size_t(run.label)])
            continue;
        std::uint8_t *coreLine = text.core.data() + std::size_t(run.y - region.top()) * std::size_t(w);
        std::fill(coreLine + (run.left - region.left()), coreLine + (run.right - region.left() + 1), std::uint8_t(1));
        for (int y = std::max(region.top(), run.y - grow); y <= std::min(region.bottom(), run.y + grow); ++y) {
            std::uint8_t *line = text.mask.data() + std::size_t(y - region.top()) * std::size_t(w);
            std::fill(line + (std::max(region.left(), run.left - grow) - region.left()),
                      line + (std::min(region.right(), run.right + grow) - region.left() + 1), std::uint8_t(1));
        }
    }
    return text;
}

TextMask unite(const TextMask &a, const TextMask &b)
{
    TextMask both;
    both.region = a.region | b.region;
    both.letterHeight = a.letterHeight;
    const std::size_t size = std::size_t(both.region.width()) * std::size_t(both.region.height());
    both.core.assign(size, 0);
    both.mask.assign(size, 0);
    for (const TextMask *part : {&a, &b}) {
        for (int y = part->region.top(); y <= part->region.bottom(); ++y) {
            for (int x = part->region.left(); x <= part->region.right(); ++x) {
                const std::size_t index = std::size_t(y - both.region.top()) * std::size_t(both.region.width())
                                          + std::size_t(x - both.region.left());
                both.core[index] |= std::uint8_t(part->at(part->core, x, y));
                both.mask[index] |= std::uint8_t(part->at(part->mask, x, y));
            }
        }
    }
    return both;
}

// The letters' typical colour: the median of each channel over their pixels.
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
    return qRgb(percentile(histograms[0], count, 0.5), percentile(histograms[1], count, 0.5),
                percentile(histograms[2], count, 0.5));
}

// Halfway between the letters' own level and that of what borders them (outline, shadow or
// background): the level at which the letters come out at their drawn weight.
int tracingThreshold(const Plane &ink, const TextMask &text, int fallback)
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
    const int level = percentile(inside, insideCount, 0.5);
    const int around = percentile(border, borderCount, 0.5);
    return level > around ? (level + around + 1) / 2 : fallback;
}

// Draws the letters black on white at the output size, traced again from the full-resolution
// picture so that small text gains smooth edges instead of enlarged analysis pixels.
QImage trace(const QImage &rgb, double analysisScale, const Ink &kind, const TextMask &text, int threshold,
             int letterHeight)
{
    const QRect &region = text.region;
    // Output px per analysis px; a region too large for its letters (texture taken for text)
    // is drawn smaller rather than handed to Tesseract at a size that takes it seconds.
    double factor = double(letterHeight) / double(text.letterHeight);
    const double outputArea = double(region.width()) * region.height() * factor * factor;
    if (outputArea > maximumOutputArea)
        factor *= std::sqrt(maximumOutputArea / outputArea);
    const int outWidth = std::max(1, int(std::lround(region.width() * factor)));
    const int outHeight = std::max(1, int(std::lround(region.height() * factor)));
    const QRect source = QRect(int(region.left() / analysisScale), int(region.top() / analysisScale),
                               std::max(1, int(std::lround(region.width() / analysisScale))),
                               std::max(1, int(std::lround(region.height() / analysisScale))))
                         & rgb.rect();
    const QImage scaled = rgb.copy(source).scaled(outWidth, outHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const Plane ink = inkPlane(scaled, kind);
    const auto analysisX = [&](int x) { return region.left() + std::min(region.width() - 1, int(x / factor)); };
    const auto analysisY = [&](int y) { return region.top() + std::min(region.height() - 1, int(y / factor)); };

    // Ink inside the mask, kept only where it is connected to the letters found by the analysis:
    // bright background just outside a thick outline falls inside the grown mask too.
    Plane traced;
    traced.width = ink.width;
    traced.height = ink.height;
    traced.values.assign(ink.values.size(), 0);
    for (int y = 0; y < ink.height; ++y) {
        const std::uint8_t *values = ink.row(y);
        std::uint8_t *line = traced.values.data() + std::size_t(y) * std::size_t(ink.width);
        const int my = analysisY(y);
        for (int x = 0; x < ink.width; ++x) {
            if (values[x] >= threshold && text.at(text.mask, analysisX(x), my))
                line[x] = 255;
        }
    }
    Reading shapes;
    shapes.threshold = 128;
    labelComponents(traced, shapes);
    // Pixels at most one analysis pixel from the letters: where a letter traced at a lower level
    // than the analysis used may reach.
    std::vector<std::uint8_t> near(text.core.size(), 0);
    const int regionWidth = region.width();
    for (int y = 0; y < region.height(); ++y) {
        for (int x = 0; x < regionWidth; ++x) {
            if (!text.core[std::size_t(y) * std::size_t(regionWidth) + std::size_t(x)])
                continue;
            for (int ny = std::max(0, y - 1); ny <= std::min(region.height() - 1, y + 1); ++ny) {
                for (int nx = std::max(0, x - 1); nx <= std::min(regionWidth - 1, x + 1); ++nx)
                    near[std::size_t(ny) * std::size_t(regionWidth) + std::size_t(nx)] = 1;
            }
        }
    }
    std::vector<bool> onLetters(shapes.components.size(), false);
    std::vector<int> farPixels(shapes.components.size(), 0);
    for (const Run &run : shapes.runs) {
        const int my = analysisY(run.y);
        for (int x = run.left; x <= run.right; ++x) {
            const int mx = analysisX(x);
            onLetters[std::size_t(run.label)] = onLetters[std::size_t(run.label)] || text.at(text.core, mx, my);
            farPixels[std::size_t(run.label)] += !text.at(near, mx, my);
        }
    }
    // A shape reaching far beyond the letters is background of the letters' own colour that
    // touches them through a break in their outline: of it, only what lies on the letters is kept.
    const auto spills = [&](int label) {
        return farPixels[std::size_t(label)] * 4 > shapes.components[std::size_t(label)].area;
    };

    QImage out(ink.width + 2 * outputBorder, ink.height + 2 * outputBorder, QImage::Format_Grayscale8);
    out.fill(255);
    for (const Run &run : shapes.runs) {
        if (!onLetters[std::size_t(run.label)])
            continue;
        uchar *line = out.scanLine(run.y + outputBorder) + outputBorder;
        if (!spills(run.label)) {
            std::fill(line + run.left, line + run.right + 1, uchar(0));
            continue;
        }
        const int my = analysisY(run.y);
        for (int x = run.left; x <= run.right; ++x) {
            if (text.at(near, analysisX(x), my))
                line[x] = 0;
        }
    }
    return out;
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

    Reading best
        = bestReading(small, {Ink{InkKind::Luma, 0}, Ink{InkKind::InverseLuma, 0}, Ink{InkKind::Whiteness, 0}});
    if (best.rows.empty())
        return {};
    TextMask text = textMask(best, small.width(), small.height(), settings.piecesInsideLetters);
    if (text.region.isEmpty())
        return {};
    // Looked at again by the colour of the letters found: background that touches them in
    // brightness but not in colour falls away.
    Reading byColour = bestReading(small, {Ink{InkKind::Closeness, textColour(small, text)}});
    if (byColour.score * 10 >= best.score * 8 && sameText(byColour, best)) {
        // Each reading may miss letters the other has (where the background matches the letters
        // in brightness, or in colour): the text is what either found.
        text = unite(text, textMask(byColour, small.width(), small.height(), settings.piecesInsideLetters));
        best = std::move(byColour);
    }
    // Traced by closeness to the letters' colour, so that a background as bright as the letters
    // but of another colour (white letters over yellow) stays out even where the outline is thin.
    const Ink tracingInk{InkKind::Closeness, textColour(small, text)};
    const int threshold = tracingThreshold(inkPlane(small, tracingInk), text, best.threshold);
    return trace(rgb, analysisScale, tracingInk, text, threshold, settings.letterHeight);
}

