#include "inkprint.h"

#include <algorithm>

namespace {

// Strokes one print may hold that the other lacks, as a share of its own: compression noise
// shifts a few; one letter changed, or added as a line is typed out, shifts more even in a
// line of forty.
constexpr double strayStrokes = 0.02;
// Stray strokes in a letter's width that make a letter of their own, and not a speck of noise.
constexpr int strayLetterPixels = 16;
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
    return strayShare(other) <= strayStrokes && !differsInALetter(other);
}

bool InkPrint::differsInALetter(const InkPrint &other) const
{
    // The print's rows are every other row of the band, so its row count is about half the
    // band's height: a letter's width.
    const int window = std::max(8, m_rows);
    std::vector<int> stray(size_t(m_width), 0);
    std::vector<int> ink(size_t(m_width), 0);
    for (int y = 0; y < m_rows; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const size_t pixel = size_t(y) * size_t(m_width) + size_t(x);
            const bool mine = (m_bits[pixel / 64] >> (pixel % 64)) & 1;
            const bool theirs = (other.m_bits[pixel / 64] >> (pixel % 64)) & 1;
            stray[size_t(x)] += mine != theirs;
            ink[size_t(x)] += mine || theirs;
        }
    }
    int strayInWindow = 0;
    int inkInWindow = 0;
    for (int x = 0; x < m_width; ++x) {
        strayInWindow += stray[size_t(x)];
        inkInWindow += ink[size_t(x)];
        if (x >= window) {
            strayInWindow -= stray[size_t(x - window)];
            inkInWindow -= ink[size_t(x - window)];
        }
        if (strayInWindow >= strayLetterPixels && strayInWindow * 3 > inkInWindow)
            return true;
    }
    return false;
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
