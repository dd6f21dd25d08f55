#pragma once

#include <QtGlobal>

#include <vector>

// The ink a stretch left, a bit per pixel of its edge map: the strokes that stood still while it
// showed. Two stretches with the same print show the same text at the same place (or the same
// still lines of the picture where no text was), so what one read answers for the other.
class InkPrint
{
public:
    InkPrint() = default;
    InkPrint(int width, int rows, std::vector<quint64> bits);

    bool isNull() const { return m_pixels == 0; }
    int pixels() const { return m_pixels; }
    // Most strokes of each are strokes of the other, hardly any stand apart, and none of its
    // letters differs: compression noise spreads its few stray strokes over the whole line.
    bool sameInkAs(const InkPrint &other) const;
    // Of each print, the share of its strokes the other lacks, the larger of the two; 1 when the
    // prints cannot be compared.
    double strayShare(const InkPrint &other) const;

private:
    // Whether in some letter's width of columns most strokes of one print are missing from the
    // other: a letter changed, added or left out, which in a long line stays under the whole
    // print's share of stray strokes.
    bool differsInALetter(const InkPrint &other) const;

    int m_width = 0;
    int m_rows = 0;
    int m_pixels = 0;
    std::vector<quint64> m_bits;
};
