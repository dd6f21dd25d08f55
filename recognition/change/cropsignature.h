#pragma once

#include <QImage>

#include <vector>

// A cheap fingerprint of a subtitle crop: where its steady strong edges are, on a coarse grid.
// Text has many, flat backgrounds none; a new subtitle moves them. An edge counts only when the
// frame before or after has it at the same pixel, so a moving background hardly counts.
class EdgeMap;

class CropSignature
{
public:
    CropSignature() = default;
    // Neighbours may be null (first and last frame) or of another size (ignored).
    CropSignature(const EdgeMap &edges, const EdgeMap *before, const EdgeMap *after);

    bool isNull() const { return m_width == 0; }
    // Strong-edge pixels: the more, the crisper the text.
    int strength() const { return m_strength; }
    // All edge pixels, steady or not.
    int edgePixels() const { return m_edgePixels; }
    int markedCells() const { return m_marked; }
    bool looksLikeText() const;
    int gridWidth() const { return m_width; }
    int gridHeight() const { return m_height; }
    bool isMarked(size_t cell) const { return cell < m_cells.size() && m_cells[cell]; }
    // The steady edge pixels themselves, a bit each, row by row of the edge map.
    int pixelWidth() const { return m_pixelWidth; }
    int pixelRows() const { return m_pixelRows; }
    const std::vector<quint64> &steadyPixels() const { return m_steady; }
    static constexpr int cellSize = 4;
    static constexpr int edgesPerCell = 2;
    // Cells marked in one signature and not the other; all of them when the grids differ.
    int differingCells(const CropSignature &other) const;
    // Cells marked here and not in `other` (all marked ones when the grids differ).
    int cellsAddedTo(const CropSignature &other) const;
    // Share of the larger of the two marked sets that differs (0 when neither marks anything).
    double change(const CropSignature &other) const;

private:
    int m_width = 0;
    int m_height = 0;
    int m_strength = 0;
    int m_edgePixels = 0;
    int m_marked = 0;
    int m_pixelWidth = 0;
    int m_pixelRows = 0;
    std::vector<quint8> m_cells;
    std::vector<quint64> m_steady;
};
