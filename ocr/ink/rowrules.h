#pragma once

#include "glyphrules.h"

#include <vector>

// Letter-like glyphs gathered into the lines of a subtitle: glyphs of one size on shared top or
// bottom lines, following one another closely, standing clear of other ink; lines of one letter
// size stacked above one another.
namespace RowRules {

struct Row
{
    std::vector<int> glyphs; // indices into the glyphs the rows were found among
    PixelBox box;
    int letterHeight = 0;
};

std::vector<Row> find(const std::vector<GlyphRules::Glyph> &glyphs, int planeHeight);

// The rows' usual letter height (their median).
int letterHeight(const std::vector<Row> &rows);

} // namespace RowRules
