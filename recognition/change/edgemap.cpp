#include "edgemap.h"

#include <cstdlib>

namespace {

// Grey-level step over two pixels that counts as a letter's edge; compression noise stays below.
constexpr int edgeContrast = 48;

} // namespace

EdgeMap::EdgeMap(const QImage &gray)
    : m_width(gray.width())
    , m_height((gray.height() + rowStep - 1) / rowStep)
    , m_edges(size_t(m_width) * size_t(m_height), 0)
{
    for (int y = 0; y * rowStep + 2 < gray.height(); ++y) {
        const uchar *line = gray.constScanLine(y * rowStep);
        const uchar *below = gray.constScanLine(y * rowStep + 2);
        quint8 *out = m_edges.data() + size_t(y) * size_t(m_width);
        for (int x = 0; x + 2 < m_width; ++x) {
            const int value = line[x];
            out[x] = std::abs(value - line[x + 2]) >= edgeContrast || std::abs(value - below[x]) >= edgeContrast;
        }
    }
}
