#include "textcomponents.h"

#include "ocr/ink/ratio.h"

#include <algorithm>

namespace TextComponents {

namespace {

using ComponentLabelling::Component;

// A mark's strongest pixel reaches at least a third of the way from the threshold to the letters'
// mean ink: a full stop is printed in the letters' ink, background that barely passes the
// threshold beside an outline is not.
constexpr Ratio markInkShare{1, 3};
// Marks are at most 6/10 of the letter height in both directions ...
constexpr Ratio maximumMarkSize{6, 10};
// ... except dashes and the bars of 一 and 二: at most a quarter as tall, 11/10 as wide,
// and through the middle of the line.
constexpr Ratio maximumBarHeight{1, 4};
constexpr Ratio maximumBarWidth{11, 10};
// Specks of texture are smaller than a full stop: 1/200 of the letter height squared.
constexpr Ratio minimumMarkArea{1, 200};
// Marks lie within half a letter height of the line and of a glyph of it.
constexpr Ratio markReach{1, 2};
// A box lies within a glyph when over half of its area does.
constexpr Ratio insideShare{1, 2};

bool withinAnother(const InkReading &reading, const RowRules::Row &row, int g)
{
    const PixelBox &box = reading.glyphs.glyphs[std::size_t(g)].box;
    return std::any_of(row.glyphs.begin(), row.glyphs.end(), [&](int other) {
        const PixelBox &b = reading.glyphs.glyphs[std::size_t(other)].box;
        return other != g && b.left <= box.left && b.right >= box.right && b.top <= box.top && b.bottom >= box.bottom;
    });
}

std::vector<bool> keptGlyphs(const InkReading &reading, bool piecesInsideLetters)
{
    std::vector<bool> kept(reading.glyphs.glyphs.size(), false);
    for (const RowRules::Row &row : reading.rows) {
        for (const int g : row.glyphs)
            kept[std::size_t(g)] = piecesInsideLetters || !withinAnother(reading, row, g);
    }
    return kept;
}

// Whether a component is a mark of the row: small, solid, within its band and beside a glyph.
bool markOf(const InkReading &reading, const RowRules::Row &row, const Component &c, bool piecesInsideLetters)
{
    const int h = row.letterHeight;
    const bool mark = !maximumMarkSize.exceededBy(c.box.height(), h) && !maximumMarkSize.exceededBy(c.box.width(), h);
    const int middle = (c.box.top + c.box.bottom) / 2;
    const bool bar = !maximumBarHeight.exceededBy(c.box.height(), h) && c.box.width() <= maximumBarWidth.of(h)
                     && middle > row.box.top && middle < row.box.bottom;
    const bool small = mark || bar;
    const bool solid = minimumMarkArea.reachedBy(c.area, 1LL * h * h);
    const int reach = int(markReach.of(h));
    const bool insideBand = c.box.top >= row.box.top - reach && c.box.bottom <= row.box.bottom + reach;
    const bool inside = insideGlyph(reading, row, c.box);
    if (!small || !solid || !insideBand || (inside && (!piecesInsideLetters || !mark)))
        return false;
    return std::any_of(row.glyphs.begin(), row.glyphs.end(), [&](int g) {
        const PixelBox &b = reading.glyphs.glyphs[std::size_t(g)].box;
        return horizontalGap(b, c.box) <= reach && verticalGap(b, c.box) <= reach;
    });
}

} // namespace

bool insideGlyph(const InkReading &reading, const RowRules::Row &row, const PixelBox &box)
{
    return std::any_of(row.glyphs.begin(), row.glyphs.end(), [&](int g) {
        const PixelBox &b = reading.glyphs.glyphs[std::size_t(g)].box;
        const int overlapWidth = -horizontalGap(b, box);
        const int overlapHeight = -verticalGap(b, box);
        return overlapWidth > 0 && overlapHeight > 0
               && insideShare.exceededBy(1LL * overlapWidth * overlapHeight, 1LL * box.width() * box.height());
    });
}

std::vector<bool> select(const InkReading &reading, bool piecesInsideLetters)
{
    const std::vector<Component> &components = reading.labels.components;
    const std::vector<bool> glyphKept = keptGlyphs(reading, piecesInsideLetters);
    std::vector<bool> kept(components.size(), false);
    long long letterInk = 0, letterArea = 0;
    for (std::size_t i = 0; i < components.size(); ++i) {
        const int glyph = reading.glyphs.glyphOfComponent[i];
        if (glyph >= 0 && glyphKept[std::size_t(glyph)]) {
            kept[i] = true;
            letterInk += components[i].inkSum;
            letterArea += components[i].area;
        }
    }
    if (letterArea == 0)
        return kept;
    // Small marks are blurred at analysis size: their strongest pixel tells their ink better
    // than their mean.
    const long long markInk = reading.threshold + markInkShare.of(letterInk / letterArea - reading.threshold);
    for (std::size_t i = 0; i < components.size(); ++i) {
        const Component &c = components[i];
        if (kept[i] || c.area == 0 || c.inkPeak < markInk)
            continue;
        kept[i] = std::any_of(reading.rows.begin(), reading.rows.end(), [&](const RowRules::Row &row) {
            return markOf(reading, row, c, piecesInsideLetters);
        });
    }
    return kept;
}

} // namespace TextComponents
