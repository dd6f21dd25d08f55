#pragma once

#include <QGraphicsRectItem>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <array>

// The subtitle region over the video picture: a rectangle with eight handles. It never moves
// from the scene origin, so its rectangle is in scene coordinates; it knows nothing of the video.
class CropItem : public QObject, public QGraphicsRectItem
{
    Q_OBJECT
public:
    // Handle codes, in hit-test order.
    enum CropHandle {
        BottomLeft = 10,
        Left = 20,
        TopLeft = 30,
        Top = 40,
        TopRight = 50,
        Right = 60,
        BottomRight = 70,
        Bottom = 80,
    };
    enum { Type = UserType + 1 };
    static constexpr int handleCount = 8;
    static constexpr int handleSize = 10;

    CropItem();

    int type() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // The handle squares as last painted, in hit-test order.
    const std::array<QRect, handleCount> &handles() const { return handleRects; }
    // The handle code under an item point, 0 when none.
    int handleAt(const QPoint &point) const;

signals:
    void cropUpdate(QRect Rect);

protected:
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    void updateHandleRects();
    void applyDrag(const QPoint &point);

    std::array<QRect, handleCount> handleRects{};
    int dragMode = 0;
    QRect editRect;
    QPoint pressPoint;
    QPoint pressTopLeft;
};
