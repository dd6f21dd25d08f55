#include "cropsignature.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int cellSize = 4;
// Grey-level step over two pixels that counts as a letter's edge; compression noise stays below.
constexpr int edgeContrast = 48;
constexpr int edgesPerCell = 2;
constexpr int textCells = 8;

} // namespace

CropSignature::CropSignature(const QImage &gray)
    : m_width((gray.width() + cellSize - 1) / cellSize)
    , m_height((gray.height() + cellSize - 1) / cellSize)
{
    std::vector<quint16> counts(size_t(m_width) * size_t(m_height), 0);
    const int w = gray.width();
    const int h = gray.height();
    for (int y = 0; y + 2 < h; ++y) {
        const uchar *row = gray.constScanLine(y);
        const uchar *below = gray.constScanLine(y + 2);
        quint16 *cellRow = counts.data() + size_t(y / cellSize) * size_t(m_width);
        for (int x = 0; x + 2 < w; ++x) {
            const int value = row[x];
            if (std::abs(value - row[x + 2]) >= edgeContrast || std::abs(value - below[x]) >= edgeContrast) {
                ++cellRow[x / cellSize];
                ++m_strength;
            }
        }
    }
    m_cells.resize(counts.size());
    for (size_t i = 0; i < counts.size(); ++i) {
        m_cells[i] = counts[i] >= edgesPerCell ? 1 : 0;
        m_marked += m_cells[i];
    }
}

bool CropSignature::looksLikeText() const
{
    return m_marked >= textCells;
}

int CropSignature::differingCells(const CropSignature &other) const
{
    if (m_width != other.m_width || m_height != other.m_height)
        return std::max(m_marked, other.m_marked) + 1;
    int differing = 0;
    for (size_t i = 0; i < m_cells.size(); ++i)
        differing += m_cells[i] != other.m_cells[i];
    return differing;
}

double CropSignature::change(const CropSignature &other) const
{
    const int larger = std::max(m_marked, other.m_marked);
    if (larger == 0)
        return 0.0;
    return double(differingCells(other)) / double(larger);
}
