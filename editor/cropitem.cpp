#include "cropitem.h"

#include "editor/editorlog.h"

#include <QBrush>
#include <QCursor>
#include <QDebug>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPen>

namespace {

constexpr std::array<int, CropItem::handleCount> handleCodes = {
    CropItem::BottomLeft, CropItem::Left,  CropItem::TopLeft,     CropItem::Top,
    CropItem::TopRight,   CropItem::Right, CropItem::BottomRight, CropItem::Bottom,
};

// Halves go away from zero, unlike QPointF::toPoint for negative coordinates.
int roundAway(double value)
{
    return value >= 0 ? int(value + 0.5) : int(value - 0.5);
}

QPoint roundAway(const QPointF &point)
{
    return QPoint(roundAway(point.x()), roundAway(point.y()));
}

Qt::CursorShape cursorFor(int handle)
{
    switch (handle) {
    case CropItem::BottomLeft:
    case CropItem::TopRight:
        return Qt::SizeBDiagCursor;
    case CropItem::TopLeft:
    case CropItem::BottomRight:
        return Qt::SizeFDiagCursor;
    case CropItem::Left:
    case CropItem::Right:
        return Qt::SizeHorCursor;
    case CropItem::Top:
    case CropItem::Bottom:
        return Qt::SizeVerCursor;
    default:
        return Qt::OpenHandCursor;
    }
}

} // namespace

CropItem::CropItem()
{
    QPen framePen = pen();
    framePen.setWidth(2);
    framePen.setColor(QColor(0, 160, 230, 255));
    setPen(framePen);
    setFlags(ItemIsMovable | ItemIsSelectable);
    setAcceptHoverEvents(true);
}

int CropItem::type() const
{
    return Type;
}

int CropItem::handleAt(const QPoint &point) const
{
    for (int i = 0; i < handleCount; ++i) {
        if (handleRects[i].contains(point))
            return handleCodes[i];
    }
    return 0;
}

void CropItem::updateHandleRects()
{
    const QRectF bounds = boundingRect();
    const double right = bounds.left() + bounds.width();
    const double bottom = bounds.top() + bounds.height();
    const QRect bottomLeft(int(bounds.left()), int(bottom - handleSize), handleSize, handleSize);
    const QRect topLeft(int(bounds.left()), int(bounds.top()), handleSize, handleSize);
    const QRect topRight(int(right - handleSize), int(bounds.top()), handleSize, handleSize);
    const QRect bottomRight(int(right - handleSize), int(bottom - handleSize), handleSize, handleSize);
    const double halfWidth = bounds.width() * 0.5 - handleSize / 2.0;
    const double halfHeight = bounds.height() * 0.5 - handleSize / 2.0;
    const QRect left(topLeft.x(), int(topLeft.y() + halfHeight), handleSize, handleSize);
    const QRect top(int(topLeft.x() + halfWidth), topLeft.y(), handleSize, handleSize);
    const QRect rightSide(topRight.x(), int(topRight.y() + halfHeight), handleSize, handleSize);
    const QRect bottomSide(int(bottomLeft.x() + halfWidth), bottomLeft.y(), handleSize, handleSize);
    handleRects = {bottomLeft, left, topLeft, top, topRight, rightSide, bottomRight, bottomSide};
}

void CropItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    if (isSelected()) {
        updateHandleRects();
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QBrush(Qt::red));
        for (const QRect &handle : handleRects)
            painter->drawRect(handle);
        painter->restore();
    }
    QGraphicsRectItem::paint(painter, option, widget);
}

void CropItem::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    setCursor(cursorFor(handleAt(roundAway(event->pos()))));
}

void CropItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    pressPoint = roundAway(event->pos());
    editRect = boundingRect().toRect();
    pressTopLeft = editRect.topLeft();
    qCDebug(lcEditor) << "位置：" << pressPoint << handleRects[2];
    dragMode = handleAt(pressPoint);
    // No base handling: the press must neither move the item nor change the selection, and
    // staying accepted makes this item the grabber of the drag.
}

void CropItem::applyDrag(const QPoint &point)
{
    switch (dragMode) {
    case BottomLeft:
        editRect.setBottomLeft(point);
        break;
    case Left:
        editRect.setLeft(point.x());
        break;
    case TopLeft:
        editRect.setTopLeft(point);
        break;
    case Top:
        editRect.setTop(point.y());
        break;
    case TopRight:
        editRect.setTopRight(point);
        break;
    case Right:
        editRect.setRight(point.x());
        break;
    case BottomRight:
        editRect.setBottomRight(point);
        break;
    case Bottom:
        editRect.setBottom(point.y());
        break;
    default:
        // The whole rectangle follows the mouse, keeping where it was grabbed.
        editRect.moveTopLeft(pressTopLeft - pressPoint + point);
        break;
    }
}

void CropItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    applyDrag(roundAway(event->scenePos()));
    setRect(QRectF(editRect));
}

void CropItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    emit cropUpdate(boundingRect().toRect());
    dragMode = -1;
    QGraphicsRectItem::mouseReleaseEvent(event);
}
