#include "inkprint.h"

#include <algorithm>

namespace {

// Strokes one print may hold that the other lacks, as a share of its own: compression noise
// shifts a few; one letter changed, or added as a line is typed out, shifts more even in a
// line of forty.
constexpr double strayStrokes = 0.02;
// Too few strokes tell nothing apart.
constexpr int fewestPixels = 64;

} // namespace

InkPrint::InkPrint(int width, int rows, std::vector<quint64> bits)
    : m_width(width)
    , m_rows(rows)
    , m_bits(std::move(bits))
{
    for (quint64 word : m_bits)
        m_pixels += __builtin_popcountll(word);
}

bool InkPrint::sameInkAs(const InkPrint &other) const
{
    return strayShare(other) <= strayStrokes;
}

double InkPrint::strayShare(const InkPrint &other) const
{
    if (m_width != other.m_width || m_rows != other.m_rows || m_bits.size() != other.m_bits.size())
        return 1.0;
    if (m_pixels < fewestPixels || other.m_pixels < fewestPixels)
        return 1.0;
    int common = 0;
    for (size_t word = 0; word < m_bits.size(); ++word)
        common += __builtin_popcountll(m_bits[word] & other.m_bits[word]);
    return std::max(double(m_pixels - common) / m_pixels, double(other.m_pixels - common) / other.m_pixels);
}
