#include "myslider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QColor trackColour(150, 150, 150, 255);
const QColor rangeColour(52, 123, 226, 255);
const QColor playheadColour(255, 0, 0, 255);
constexpr int handleWidth = 10;

} // namespace

MySlider::MySlider(QWidget *parent)
    : QSlider(parent)
{
}

void MySlider::setInTime(double v)
{
    in_time_bl = v > out_time_bl ? out_time_bl : v;
}

void MySlider::setOutTime(double v)
{
    out_time_bl = in_time_bl > v ? in_time_bl : v;
}

void MySlider::setNowTime(double v)
{
    now_time_bl = v;
}

int MySlider::trackX(double fraction) const
{
    return int(trackRect.x() + trackRect.width() * fraction);
}

void MySlider::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    trackRect = QRect(10, h - 10, w - 20, 6);
    painter.setBrush(trackColour);
    painter.drawRoundedRect(trackRect, 2.0, 2.0);

    painter.setBrush(rangeColour);
    inHandleRect = QRect(trackX(in_time_bl), 6, handleWidth, h);
    painter.drawRoundedRect(inHandleRect, 3.0, 3.0);
    outHandleRect = QRect(trackX(out_time_bl) - handleWidth, 6, handleWidth, h);
    painter.drawRoundedRect(outHandleRect, 3.0, 3.0);
    QRect bar(inHandleRect.x(), 0, outHandleRect.x() - inHandleRect.x() + outHandleRect.width(), 8);
    bar.moveCenter(QPoint(bar.center().x(), trackRect.center().y()));
    painter.drawRoundedRect(bar, 3.0, 3.0);

    const int x = trackX(now_time_bl);
    nowHandleRect = QRect(0, 0, handleWidth, h);
    nowHandleRect.moveCenter(QPoint(x, h / 2));
    painter.setPen(QPen(playheadColour, 1));
    painter.drawLine(x, 0, x, h);
    painter.setPen(Qt::NoPen);
    painter.setBrush(playheadColour);
    painter.drawEllipse(QRect(x - 5, 0, 10, 10));
}

void MySlider::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    dragMode = NoDrag;
    if (inHandleRect.contains(point))
        dragMode = InDrag;
    else if (outHandleRect.contains(point))
        dragMode = OutDrag;
    else if (nowHandleRect.contains(point))
        dragMode = NowDrag;
    // Anywhere else on the bar the playhead jumps there, and follows the drag that may come.
    if (dragMode == NoDrag && trackRect.width() > 0) {
        dragMode = NowDrag;
        now_time_bl = std::clamp(double(point.x() - trackRect.x()) / double(trackRect.width()), 0.0, 1.0);
        update();
        emit nowTimeUpdate(now_time_bl);
    }
    QSlider::mousePressEvent(event);
}

void MySlider::mouseMoveEvent(QMouseEvent *event)
{
    const double fraction = double(event->position().toPoint().x() - trackRect.x()) / double(trackRect.width());
    switch (dragMode) {
    case InDrag:
        in_time_bl = std::clamp(fraction > out_time_bl ? out_time_bl : fraction, 0.0, 1.0);
        break;
    case OutDrag:
        out_time_bl = std::clamp(in_time_bl > fraction ? in_time_bl : fraction, 0.0, 1.0);
        break;
    case NowDrag:
        now_time_bl = std::clamp(fraction, 0.0, 1.0);
        break;
    default:
        break;
    }
    update();
    emitForDragMode();
    QSlider::mouseMoveEvent(event);
}

void MySlider::mouseReleaseEvent(QMouseEvent *event)
{
    emitForDragMode();
    QSlider::mouseReleaseEvent(event);
}

void MySlider::emitForDragMode()
{
    switch (dragMode) {
    case InDrag:
        emit inTimeUpdate(in_time_bl);
        break;
    case OutDrag:
        emit outTimeUpdate(out_time_bl);
        break;
    case NowDrag:
        emit nowTimeUpdate(now_time_bl);
        break;
    default:
        break;
    }
}
