#pragma once

#include <QList>
#include <QRect>
#include <QImage>
#include <QSize>

// Geometry of detected text lines: the crop handed to the recogniser and the reading order.
class LineLayout
{
public:
    // Margins around a detected box, as fractions of its height. The recogniser reads a line best
    // with some background around it: 0.2 above and below and 0.4 at the ends measured best.
    struct Margins
    {
        double vertical = 0.2;
        double horizontal = 0.4;
    };

    static QRect crop(const QRect &box, const QSize &picture, const Margins &margins);
    // The crop's end margins stop at the edge of a panel behind the text (a column that differs
    // from the one beside the box in four rows of five; letters leave the top and bottom margins
    // free), which the recogniser reads as an "I"; not where the columns beyond change again, as
    // vertical stripes do. The picture must be in QImage::Format_RGB32.
    static QRect trimmedAtPanelEdges(const QImage &picture, QRect crop, const QRect &box);
    // Boxes grouped into rows top to bottom (boxes overlapping by half the lower height share a
    // row, each left to right; pieces of a row closer than a line height joined).
    static QList<QList<QRect>> rows(QList<QRect> boxes);
    static QList<QRect> joinedPieces(QList<QRect> row);
    // The leftmost of the detector's `boxes` inside the joined piece `joined` that is at least
    // `fraction` of its height: the line's own start. Lower pieces joined to it are a dash boxed
    // alone before it or texture boxed after it.
    static QRect firstPiece(const QRect &joined, const QList<QRect> &boxes, double fraction);
    // `boxes` and those of `more` that share a row with one of `rows` (overlapping it by half
    // the lower height, as in rows()): pieces of lines already found, never lines of their own.
    static QList<QRect> withPiecesOfRows(const QList<QRect> &boxes, const QList<QRect> &rows, const QList<QRect> &more);
};
