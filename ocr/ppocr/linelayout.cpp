#include "linelayout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

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

namespace {

// Busy texture beside a line is boxed at a fraction of its height and, where it lies along the
// line's top or bottom, half inside it: read as part of the row, it runs on past the line's end
// ('Keep your voice down e"x"a"m"'). A thin piece at least a line's height long standing out of
// the row's tallest one is kept apart; dashes and marks boxed alone lie within their line's
// height, and specks change nothing read.
QList<QList<QRect>> withStrayPiecesApart(QList<QList<QRect>> rows)
{
    QList<QList<QRect>> apart;
    for (QList<QRect> &row : rows) {
        const QRect tallest = *std::max_element(row.cbegin(), row.cend(), [](const QRect &a, const QRect &b) {
            return a.height() < b.height();
        });
        const auto stray = [&tallest](const QRect &box) {
            return box.height() * 2 < tallest.height() && box.width() >= tallest.height()
                   && (box.top() < tallest.top() || box.bottom() > tallest.bottom());
        };
        for (const QRect &box : row)
            if (stray(box))
                apart.append(QList<QRect>{box});
        row.erase(std::remove_if(row.begin(), row.end(), stray), row.end());
    }
    rows << apart;
    const auto middle = [](const QList<QRect> &row) {
        return std::accumulate(row.cbegin(), row.cend(), QRect(), [](const QRect &a, const QRect &b) { return a.united(b); })
            .center()
            .y();
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&middle](const QList<QRect> &a, const QList<QRect> &b) { return middle(a) < middle(b); });
    return rows;
}

} // namespace

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
    rows = withStrayPiecesApart(std::move(rows));
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
