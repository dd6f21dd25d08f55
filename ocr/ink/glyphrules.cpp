#include "glyphrules.h"

#include "disjointsets.h"
#include "ratio.h"

#include <algorithm>

namespace GlyphRules {

namespace {

// Smaller pieces are specks of noise or antialiasing, not parts of letters.
constexpr int minimumPieceArea = 4;
constexpr int minimumPieceHeight = 2;
// An accent or the dot of an "i" lies over at least half of its letter's (or its own) width.
constexpr Ratio minimumPieceOverlap{1, 2};
// ... and closer to it than a quarter of the taller piece's height.
constexpr Ratio maximumPieceGap{1, 4};
// Pieces that together stand half as tall again as the taller of them, the shorter being over
// 7/20 of the whole, are letters of two lines stacked, not one glyph.
constexpr Ratio stackedLinesHeight{3, 2};
constexpr Ratio secondLineShare{7, 20};
// A piece whose box grows more than fourfold by joining another is a background shape that
// surrounds a letter, unless the join makes a taller glyph.
constexpr long long maximumJoinedAreaGrowth = 4;

// Letters smaller than this (in analysis pixels) cannot be read anyway.
constexpr int minimumLetterHeight = 6;
// A shape filling nearly the picture's height is a frame or a panel edge, not a letter.
constexpr Ratio maximumLetterShareOfPicture{95, 100};
// Wider than three heights: a bar, a rule or letters run together with texture.
constexpr int maximumLetterWidthInHeights = 3;
constexpr int minimumLetterArea = 8;
// More pieces than the most complex ideograph has: scattered texture joined by the rules above.
constexpr int maximumPiecesPerLetter = 8;
// Shares of the box that are ink: less is a thin frame or scatter, more is a block or blotch.
constexpr double minimumLetterFill = 0.08;
constexpr double maximumLetterFill = 0.9;
// Narrower than 4/10 of the height: l, I, 1 and the strokes of 川, which are solid.
constexpr Ratio solidBarWidth{4, 10};
// Stroke width bounds: specks of noise have no body, blotches are thick for their height.
constexpr double minimumStrokeWidth = 0.7;
constexpr double maximumStrokeToHeight = 0.3;

std::vector<int> piecesByLeft(const std::vector<ComponentLabelling::Component> &components)
{
    std::vector<int> pieces;
    for (int i = 0; i < int(components.size()); ++i) {
        const ComponentLabelling::Component &c = components[std::size_t(i)];
        if (c.area >= minimumPieceArea && c.box.height() >= minimumPieceHeight)
            pieces.push_back(i);
    }
    std::sort(pieces.begin(), pieces.end(),
              [&](int a, int b) { return components[std::size_t(a)].box.left < components[std::size_t(b)].box.left; });
    return pieces;
}

void addPiece(const ComponentLabelling::Component &c, Glyph &g)
{
    g.box.unite(c.box);
    g.area += c.area;
    g.perimeter += c.perimeter;
    g.besideSamples += c.besideSamples;
    g.besideInked += c.besideInked;
    ++g.pieces;
}

} // namespace

// Not two lines' letters stacked, and not a background shape that happens to surround a letter.
bool partsOfOneGlyph(const PixelBox &a, const PixelBox &b)
{
    const int overlap = -horizontalGap(a, b);
    if (!minimumPieceOverlap.reachedBy(overlap, std::min(a.width(), b.width())))
        return false;
    const int taller = std::max(a.height(), b.height());
    if (maximumPieceGap.exceededBy(verticalGap(a, b), taller))
        return false;
    PixelBox joined = a;
    joined.unite(b);
    const int shorter = std::min(a.height(), b.height());
    if (stackedLinesHeight.exceededBy(joined.height(), taller) && secondLineShare.exceededBy(shorter, joined.height()))
        return false;
    const long long areaA = 1LL * a.width() * a.height();
    const long long areaB = 1LL * b.width() * b.height();
    const long long joinedArea = 1LL * joined.width() * joined.height();
    return joinedArea <= maximumJoinedAreaGrowth * std::min(areaA, areaB) || joined.height() > taller;
}

Glyphs form(const std::vector<ComponentLabelling::Component> &components)
{
    const std::vector<int> pieces = piecesByLeft(components);
    DisjointSets sets;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        sets.add();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const PixelBox &a = components[std::size_t(pieces[i])].box;
        for (std::size_t j = i + 1; j < pieces.size(); ++j) {
            const PixelBox &b = components[std::size_t(pieces[j])].box;
            if (b.left > a.right)
                break;
            if (partsOfOneGlyph(a, b))
                sets.unite(int(i), int(j));
        }
    }
    Glyphs result;
    result.glyphOfComponent.assign(components.size(), -1);
    std::vector<int> glyphOfSet(pieces.size(), -1);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const int set = sets.find(int(i));
        if (glyphOfSet[std::size_t(set)] < 0) {
            glyphOfSet[std::size_t(set)] = int(result.glyphs.size());
            result.glyphs.push_back(Glyph{});
        }
        const int glyph = glyphOfSet[std::size_t(set)];
        addPiece(components[std::size_t(pieces[i])], result.glyphs[std::size_t(glyph)]);
        result.glyphOfComponent[std::size_t(pieces[i])] = glyph;
    }
    return result;
}

bool isLetterLike(const Glyph &g, int planeHeight)
{
    const int w = g.box.width();
    const int h = g.box.height();
    if (h < minimumLetterHeight || h > maximumLetterShareOfPicture.of(planeHeight) || w > maximumLetterWidthInHeights * h
        || g.area < minimumLetterArea || g.pieces > maximumPiecesPerLetter)
        return false;
    const double fill = double(g.area) / double(w * h);
    const double thickness = g.thickness();
    const bool bar = !solidBarWidth.exceededBy(w, h);
    return fill >= minimumLetterFill && (fill <= maximumLetterFill || bar) && thickness >= minimumStrokeWidth
           && thickness <= maximumStrokeToHeight * h;
}

} // namespace GlyphRules
