#pragma once

#include "componentlabelling.h"

#include <vector>

// Components grouped into glyphs (a letter or ideograph, or a part of one), and which glyphs
// are shaped like letters.
namespace GlyphRules {

// Its connected pieces: the dot and stem of an "i", an accent and its letter.
struct Glyph
{
    PixelBox box;
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

struct Glyphs
{
    std::vector<Glyph> glyphs;
    std::vector<int> glyphOfComponent; // -1 for specks too small to be a piece of a glyph
};

// Whether two pieces, standing above one another and nearly touching, make one glyph.
bool partsOfOneGlyph(const PixelBox &a, const PixelBox &b);

Glyphs form(const std::vector<ComponentLabelling::Component> &components);

// Whether a glyph could be a letter in a picture of that height.
bool isLetterLike(const Glyph &glyph, int planeHeight);

} // namespace GlyphRules
