#pragma once

#include <QImage>

#include <vector>

// Where a grey picture has strong edges, one byte per pixel (0 or 1), on every other row: letters
// are taller than two rows, and half the rows cost half the time.
class EdgeMap
{
public:
    EdgeMap() = default;
    explicit EdgeMap(const QImage &gray);

    int width() const { return m_width; }
    // Rows kept; row(y) stands for row rowStep * y of the picture.
    int height() const { return m_height; }
    static constexpr int rowStep = 2;
    bool sameSize(const EdgeMap &other) const { return m_width == other.m_width && m_height == other.m_height; }
    const quint8 *row(int y) const { return m_edges.data() + size_t(y) * size_t(m_width); }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<quint8> m_edges;
};
