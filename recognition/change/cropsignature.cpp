#include "cropsignature.h"

#include "edgemap.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int cellSize = CropSignature::cellSize;
constexpr int edgesPerCell = CropSignature::edgesPerCell;
constexpr int textCells = 8;

} // namespace

CropSignature::CropSignature(const EdgeMap &edges, const EdgeMap *before, const EdgeMap *after)
    : m_width((edges.width() + cellSize - 1) / cellSize)
    , m_height((edges.height() * EdgeMap::rowStep + cellSize - 1) / cellSize)
    , m_pixelWidth(edges.width())
    , m_pixelRows(edges.height())
    , m_steady((size_t(m_pixelWidth) * size_t(m_pixelRows) + 63) / 64, 0)
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
            ++m_edgePixels;
            const bool steady = (!previous && !next) || (previous && previous[x]) || (next && next[x]);
            if (steady) {
                const size_t bit = size_t(y) * size_t(w) + size_t(x);
                m_steady[bit / 64] |= quint64(1) << (bit % 64);
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

int CropSignature::cellsAddedTo(const CropSignature &other) const
{
    if (m_width != other.m_width || m_height != other.m_height)
        return m_marked;
    int added = 0;
    for (size_t i = 0; i < m_cells.size(); ++i)
        added += m_cells[i] && !other.m_cells[i];
    return added;
}

double CropSignature::change(const CropSignature &other) const
{
    const int larger = std::max(m_marked, other.m_marked);
    if (larger == 0)
        return 0.0;
    return double(differingCells(other)) / double(larger);
}
