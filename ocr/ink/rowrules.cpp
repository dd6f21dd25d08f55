#include "rowrules.h"

#include "ratio.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>

namespace RowRules {

namespace {

using GlyphRules::Glyph;

// Far more letter-sized shapes than a few lines of text can hold: texture.
constexpr std::size_t maximumLetters = 400;
// A glyph is on a seed's line when at least half of its height lies within the seed's ...
constexpr Ratio sameLineOverlap{1, 2};
// ... and it is not far smaller (3/10 keeps lower-case letters beside capitals and ideographs).
constexpr Ratio minimumHeightToSeed{3, 10};
// Tops and bottoms line up within a fifth of the letter height, but never less than 2 pixels
// (one pixel of antialiasing on either side).
constexpr Ratio alignmentTolerance{1, 5};
constexpr int minimumAlignmentTolerance = 2;
// A line of six or more glyphs asks two peers on a shared top or bottom line, so that a pair
// of texture blobs lining up by chance does not make a line.
constexpr std::size_t manyMembers = 6;
// Letters of one font: at most twice the usual height, stroke within half to twice the usual.
constexpr int maximumHeightOverTypical = 2;
constexpr int maximumStrokeDeviation = 2;
// Stroke widths are compared in sixteenths of a pixel.
constexpr int strokeScale = 16;
// Glyphs of a word follow one another within one and a half letter heights ...
constexpr Ratio maximumLetterGap{3, 2};
// ... and the words of a line (or the halves of a dialogue line) within four.
constexpr int maximumWordGapInLetters = 4;
// A single glyph is not a line: words of several letters are.
constexpr std::size_t minimumGlyphsPerRow = 2;
// The letter height of a line: its 80th percentile glyph height, above the lower-case letters
// and below the odd tall shape.
constexpr Ratio letterHeightRank{4, 5};
// Share (in per cent) of the pixels just beside a line's glyphs that are ink too, above which the
// "line" is texture: letters stand apart, noise and patterns are packed.
constexpr int maximumRowCrowding = 12;
// The same for one glyph at a line's end, where texture touching the line joins it.
constexpr int maximumGlyphCrowding = 45;
// Letters fill at least 4/10 of their line's length; texture that lines up is spread thinly.
constexpr Ratio minimumCoverage{4, 10};
// Lines of one subtitle: letter heights within 0.6 to 1.6 times the strongest line's, and
// overlapping it over at least 3/10 of the narrower one's width.
constexpr Ratio minimumHeightToStrongest{6, 10};
constexpr Ratio maximumHeightToStrongest{16, 10};
constexpr Ratio minimumStackOverlap{3, 10};

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
    return heights[std::min(heights.size() - 1, std::size_t(letterHeightRank.of(heights.size())))];
}

int thicknessOf(const Glyph &glyph)
{
    return int(glyph.thickness() * strokeScale);
}

// Keeps the glyphs whose top or bottom lines up with others': text stands on a baseline and
// shares its x-height, cap height and descender line, texture does not. Letters of one font also
// share one stroke width.
std::vector<int> alignedGlyphs(const std::vector<int> &members, const std::vector<Glyph> &glyphs)
{
    std::vector<int> heights, thicknesses;
    for (const int m : members) {
        heights.push_back(glyphs[std::size_t(m)].box.height());
        thicknesses.push_back(thicknessOf(glyphs[std::size_t(m)]));
    }
    const int typicalHeight = median(heights);
    const int typicalThickness = median(thicknesses);
    const int tolerance = std::max(minimumAlignmentTolerance, int(alignmentTolerance.of(typicalHeight)));
    const int peersNeeded = members.size() >= manyMembers ? 2 : 1;
    std::vector<int> aligned;
    for (const int m : members) {
        const Glyph &glyph = glyphs[std::size_t(m)];
        const int thickness = thicknessOf(glyph);
        if (glyph.box.height() > maximumHeightOverTypical * typicalHeight
            || thickness * maximumStrokeDeviation < typicalThickness
            || thickness > maximumStrokeDeviation * typicalThickness)
            continue;
        int sameTop = 0, sameBottom = 0;
        for (const int other : members) {
            const PixelBox &b = glyphs[std::size_t(other)].box;
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

struct Chain
{
    std::vector<int> members;
    int left = 0;
    int right = 0;
};

std::vector<Chain> chainsOf(std::vector<int> members, const std::vector<Glyph> &glyphs, int letterHeight)
{
    std::sort(members.begin(), members.end(),
              [&](int a, int b) { return glyphs[std::size_t(a)].box.left < glyphs[std::size_t(b)].box.left; });
    std::vector<Chain> chains;
    for (const int m : members) {
        const PixelBox &b = glyphs[std::size_t(m)].box;
        if (chains.empty() || b.left - chains.back().right > maximumLetterGap.of(letterHeight))
            chains.push_back(Chain{{}, b.left, b.right});
        chains.back().members.push_back(m);
        chains.back().right = std::max(chains.back().right, b.right);
    }
    return chains;
}

// Glyphs of a line follow one another closely; far-off shapes that happen to line up are not
// part of it. Returns the members of the longest run of glyphs and of the runs of at least two
// glyphs near it (the words of a line with wide spaces, the two halves of a dialogue line).
std::vector<int> chainedGlyphs(const std::vector<int> &members, const std::vector<Glyph> &glyphs, int letterHeight)
{
    const std::vector<Chain> chains = chainsOf(members, glyphs, letterHeight);
    const auto longest = std::max_element(chains.begin(), chains.end(), [](const Chain &a, const Chain &b) {
        return a.members.size() < b.members.size();
    });
    if (longest == chains.end() || longest->members.size() < minimumGlyphsPerRow)
        return {};
    std::vector<int> kept = longest->members;
    int left = longest->left;
    int right = longest->right;
    const int reach = maximumWordGapInLetters * letterHeight;
    for (auto next = longest + 1; next != chains.end() && next->left - right <= reach; ++next) {
        if (next->members.size() < minimumGlyphsPerRow)
            continue;
        kept.insert(kept.end(), next->members.begin(), next->members.end());
        right = next->right;
    }
    for (auto previous = std::make_reverse_iterator(longest);
         previous != chains.rend() && left - previous->right <= reach; ++previous) {
        if (previous->members.size() < minimumGlyphsPerRow)
            continue;
        kept.insert(kept.end(), previous->members.begin(), previous->members.end());
        left = previous->left;
    }
    return kept;
}

PixelBox boxOf(const std::vector<int> &members, const std::vector<Glyph> &glyphs)
{
    PixelBox box;
    for (const int m : members)
        box.unite(glyphs[std::size_t(m)].box);
    return box;
}

std::vector<int> heightsOf(const std::vector<int> &members, const std::vector<Glyph> &glyphs)
{
    std::vector<int> heights;
    for (const int m : members)
        heights.push_back(glyphs[std::size_t(m)].box.height());
    return heights;
}

// The line made of glyphs lined up with one another, if it looks like text and not texture.
std::optional<Row> rowOf(const std::vector<int> &aligned, const std::vector<Glyph> &glyphs)
{
    Row row;
    row.glyphs = chainedGlyphs(aligned, glyphs, upperHeight(heightsOf(aligned, glyphs)));
    if (row.glyphs.size() < minimumGlyphsPerRow)
        return std::nullopt;
    row.letterHeight = upperHeight(heightsOf(row.glyphs, glyphs));
    // Texture lines up by chance now and then, but its blobs are packed among more ink.
    std::vector<int> crowding;
    for (const int m : row.glyphs)
        crowding.push_back(int(glyphs[std::size_t(m)].crowding() * 100));
    if (median(crowding) > maximumRowCrowding)
        return std::nullopt;
    // Blobs of a texture that touch the line's ends are packed too, each on its own.
    row.glyphs.erase(std::remove_if(row.glyphs.begin(), row.glyphs.end(),
                                    [&](int m) { return glyphs[std::size_t(m)].crowding() * 100 > maximumGlyphCrowding; }),
                     row.glyphs.end());
    if (row.glyphs.size() < minimumGlyphsPerRow)
        return std::nullopt;
    row.box = boxOf(row.glyphs, glyphs);
    int covered = 0;
    for (const int m : row.glyphs)
        covered += glyphs[std::size_t(m)].box.width();
    if (!minimumCoverage.reachedBy(covered, row.box.width()))
        return std::nullopt;
    return row;
}

// The glyphs, not yet taken, on the line of a seed glyph.
std::vector<int> lineOf(int seed, const std::vector<int> &letters, const std::vector<Glyph> &glyphs,
                        std::vector<bool> &taken)
{
    const PixelBox &s = glyphs[std::size_t(seed)].box;
    std::vector<int> members;
    for (const int other : letters) {
        const PixelBox &b = glyphs[std::size_t(other)].box;
        const int overlap = std::min(b.bottom, s.bottom) - std::max(b.top, s.top) + 1;
        if (!taken[std::size_t(other)] && sameLineOverlap.reachedBy(overlap, b.height())
            && minimumHeightToSeed.reachedBy(b.height(), s.height()))
            members.push_back(other);
    }
    for (const int m : members)
        taken[std::size_t(m)] = true;
    return members;
}

// A subtitle's lines share one letter size and stand one above the other: rows of another
// size, or off to the side of the strongest one, are texture.
std::vector<Row> stackedOnStrongest(const std::vector<Row> &rows)
{
    const auto strongest = std::max_element(rows.begin(), rows.end(), [](const Row &a, const Row &b) {
        return a.glyphs.size() < b.glyphs.size();
    });
    if (strongest == rows.end())
        return {};
    const Row main = *strongest;
    std::vector<Row> kept;
    for (const Row &row : rows) {
        const int overlap = -horizontalGap(row.box, main.box);
        const bool sameSize = minimumHeightToStrongest.reachedBy(row.letterHeight, main.letterHeight)
                              && !maximumHeightToStrongest.exceededBy(row.letterHeight, main.letterHeight);
        const bool stacked = minimumStackOverlap.reachedBy(overlap, std::min(row.box.width(), main.box.width()));
        if (sameSize && stacked)
            kept.push_back(row);
    }
    return kept;
}

} // namespace

std::vector<Row> find(const std::vector<Glyph> &glyphs, int planeHeight)
{
    std::vector<int> letters;
    for (int i = 0; i < int(glyphs.size()); ++i) {
        if (GlyphRules::isLetterLike(glyphs[std::size_t(i)], planeHeight))
            letters.push_back(i);
    }
    if (letters.size() > maximumLetters)
        return {};
    // Tallest first: a line is gathered around its capitals, not its lower-case letters.
    std::sort(letters.begin(), letters.end(), [&](int a, int b) {
        return glyphs[std::size_t(a)].box.height() > glyphs[std::size_t(b)].box.height();
    });
    std::vector<bool> taken(glyphs.size(), false);
    std::vector<Row> rows;
    for (const int seed : letters) {
        if (taken[std::size_t(seed)])
            continue;
        const std::vector<int> aligned = alignedGlyphs(lineOf(seed, letters, glyphs, taken), glyphs);
        if (aligned.size() < minimumGlyphsPerRow)
            continue;
        if (std::optional<Row> row = rowOf(aligned, glyphs))
            rows.push_back(std::move(*row));
    }
    return stackedOnStrongest(rows);
}

int letterHeight(const std::vector<Row> &rows)
{
    std::vector<int> heights;
    for (const Row &row : rows)
        heights.push_back(row.letterHeight);
    return median(heights);
}

} // namespace RowRules
