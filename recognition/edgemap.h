#pragma once

#include <QImage>

#include <vector>

// Where a grey picture has strong edges, one byte per pixel (0 or 1).
class EdgeMap
{
public:
    EdgeMap() = default;
    explicit EdgeMap(const QImage &gray);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool sameSize(const EdgeMap &other) const { return m_width == other.m_width && m_height == other.m_height; }
    const quint8 *row(int y) const { return m_edges.data() + size_t(y) * size_t(m_width); }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<quint8> m_edges;
};
