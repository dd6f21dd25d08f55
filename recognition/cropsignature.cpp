#include "cropsignature.h"

#include "edgemap.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int cellSize = 4;
constexpr int edgesPerCell = 2;
constexpr int textCells = 8;

} // namespace

CropSignature::CropSignature(const EdgeMap &edges, const EdgeMap *before, const EdgeMap *after)
    : m_width((edges.width() + cellSize - 1) / cellSize)
    , m_height((edges.height() * EdgeMap::rowStep + cellSize - 1) / cellSize)
{
    if (before && !before->sameSize(edges))
        before = nullptr;
    if (after && !after->sameSize(edges))
        after = nullptr;
    std::vector<quint16> counts(size_t(m_width) * size_t(m_height), 0);
    const int w = edges.width();
    for (int y = 0; y < edges.height(); ++y) {
        const quint8 *line = edges.row(y);
        const quint8 *previous = before ? before->row(y) : nullptr;
        const quint8 *next = after ? after->row(y) : nullptr;
        quint16 *cellRow = counts.data() + size_t(y * EdgeMap::rowStep / cellSize) * size_t(m_width);
        for (int x = 0; x < w; ++x) {
            if (!line[x])
                continue;
            const bool steady = (!previous && !next) || (previous && previous[x]) || (next && next[x]);
            if (steady) {
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
