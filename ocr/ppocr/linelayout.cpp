#include "linelayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

QRect LineLayout::crop(const QRect &box, const QSize &picture, const Margins &margins)
{
    const int vertical = int(std::lround(box.height() * margins.vertical));
    const int horizontal = int(std::lround(box.height() * margins.horizontal));
    return box.adjusted(-horizontal, -vertical, horizontal, vertical) & QRect(QPoint(), picture);
}

// The detector sometimes cuts a line at a wide space or leaves a dash on its own; pieces of one
// row closer than a line height are read as one, so that crops with margins do not overlap.
QList<QRect> LineLayout::joinedPieces(QList<QRect> row)
{
    std::sort(row.begin(), row.end(), [](const QRect &a, const QRect &b) { return a.left() < b.left(); });
    QList<QRect> joined;
    for (const QRect &box : row) {
        if (!joined.isEmpty() && box.left() - joined.last().right() < std::max(box.height(), joined.last().height()))
            joined.last() = joined.last().united(box);
        else
            joined << box;
    }
    return joined;
}

QRect LineLayout::firstPiece(const QRect &joined, const QList<QRect> &boxes, double fraction)
{
    QRect first;
    for (const QRect &box : boxes)
        if (joined.contains(box) && box.height() >= joined.height() * fraction
            && (first.isNull() || box.left() < first.left()))
            first = box;
    return first.isNull() ? joined : first;
}

namespace {

bool shareRow(const QRect &a, const QRect &b)
{
    const int overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
    return overlap * 2 >= std::min(a.height(), b.height());
}

} // namespace

QList<QRect> LineLayout::withPiecesOfRows(const QList<QRect> &boxes, const QList<QRect> &rows, const QList<QRect> &more)
{
    QList<QRect> merged = boxes;
    for (const QRect &box : more)
        if (std::any_of(rows.cbegin(), rows.cend(), [&box](const QRect &row) { return shareRow(row, box); }))
            merged << box;
    return merged;
}

QList<QList<QRect>> LineLayout::rows(QList<QRect> boxes)
{
    std::sort(boxes.begin(), boxes.end(),
              [](const QRect &a, const QRect &b) { return a.center().y() < b.center().y(); });
    QList<QList<QRect>> rows;
    QRect rowBounds;
    for (const QRect &box : boxes) {
        if (rows.isEmpty() || !shareRow(rowBounds, box)) {
            rows.append(QList<QRect>{box});
            rowBounds = box;
        } else {
            rows.last() << box;
            rowBounds = rowBounds.united(box);
        }
    }
    for (QList<QRect> &row : rows)
        row = joinedPieces(row);
    return rows;
}

namespace {

// Whether column x differs in luma from column reference in four of five of the crop's rows.
bool differsThroughout(const QImage &picture, const QRect &crop, int x, int reference)
{
    constexpr int step = 40;
    int differing = 0;
    for (int y = crop.top(); y <= crop.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        differing += std::abs(qGray(line[x]) - qGray(line[reference])) > step;
    }
    return differing * 5 >= crop.height() * 4;
}

// Whether the `reach` columns beyond `edge` in `step`'s direction are alike: what lies beyond a
// panel. Vertical stripes change again and again, and each of their edges would look like a
// panel's. The edge's own column often blends panel and ground (a panel edge between pixels, a
// scaled frame), so the columns further out are held against the first one past it.
bool evenBeyond(const QImage &picture, const QRect &crop, int edge, int step, int reach)
{
    const int ground = edge + step;
    if (ground < 0 || ground >= picture.width())
        return true;
    for (int x = ground + step, n = 1; x >= 0 && x < picture.width() && n < reach; x += step, ++n)
        if (differsThroughout(picture, crop, x, ground))
            return false;
    return true;
}

} // namespace

QRect LineLayout::trimmedAtPanelEdges(const QImage &picture, QRect crop, const QRect &box)
{
    crop &= picture.rect();
    const QRect inner = box & crop;
    if (inner.isEmpty())
        return crop;
    for (int x = inner.left() - 1; x >= crop.left(); --x)
        if (differsThroughout(picture, crop, x, inner.left() - 1 < crop.left() ? x : inner.left() - 1)) {
            if (evenBeyond(picture, crop, x, -1, inner.left() - crop.left()))
                crop.setLeft(x + 1);
            break;
        }
    for (int x = inner.right() + 1; x <= crop.right(); ++x)
        if (differsThroughout(picture, crop, x, inner.right() + 1)) {
            if (evenBeyond(picture, crop, x, 1, crop.right() - inner.right()))
                crop.setRight(x - 1);
            break;
        }
    return crop;
}
