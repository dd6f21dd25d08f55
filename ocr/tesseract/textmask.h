#pragma once

#include "ocr/ink/inkreading.h"

#include <QRect>

#include <cstdint>
#include <vector>

// The text found by a reading, at analysis size: the letters' own pixels, and the same grown by
// an eighth of the letter height, where letters traced at a lower level may reach.
struct TextMask
{
    QRect region; // around the mask, within the picture; empty when the reading kept nothing
    std::vector<std::uint8_t> core; // the letters' own pixels, row by row over the region
    std::vector<std::uint8_t> mask; // grown around them
    int letterHeight = 0;

    static TextMask of(const InkReading &reading, int width, int height, bool piecesInsideLetters);

    // The text either mask holds, at the first one's letter height.
    TextMask united(const TextMask &other) const;

    // Picture coordinates, which must lie within the region.
    bool at(const std::vector<std::uint8_t> &plane, int x, int y) const
    {
        return plane[std::size_t(y - region.top()) * std::size_t(region.width()) + std::size_t(x - region.left())] != 0;
    }
};
