#pragma once

#include "ocr/ink/inkreading.h"

#include <vector>

// Which components of a reading belong to the text: the glyphs of its lines, and small marks
// close beside them (full stops, commas, quotes, accents) that are too small to count as glyphs.
namespace TextComponents {

// One flag per component of the reading. Without pieces inside letters (an alphabet), a glyph
// within another glyph's box is background seen through a counter, and so are marks within one.
std::vector<bool> select(const InkReading &reading, bool piecesInsideLetters);

// Whether a box lies mostly within one of the row's glyphs' boxes: a stripe of background seen
// through a counter, or a piece of an ideograph.
bool insideGlyph(const InkReading &reading, const RowRules::Row &row, const PixelBox &box);

} // namespace TextComponents
