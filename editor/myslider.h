#pragma once

#include <QRect>
#include <QSlider>

// The editor's timeline: in point, out point and playhead as fractions 0..1 of the duration.
// It knows nothing of time; the editor turns the fractions into milliseconds.
class MySlider : public QSlider
{
    Q_OBJECT
public:
    enum DragMode : qint8 { NoDrag = 0, InDrag = 10, OutDrag = 20, NowDrag = 30 };

    explicit MySlider(QWidget *parent = nullptr);

    // None of the setters repaints; the caller asks for it.
    void setInTime(double v);
    void setOutTime(double v);
    void setNowTime(double v);

    double inTime() const { return in_time_bl; }
    double outTime() const { return out_time_bl; }
    double nowTime() const { return now_time_bl; }
    // The hit areas and the groove as last painted.
    QRect inHandle() const { return inHandleRect; }
    QRect outHandle() const { return outHandleRect; }
    QRect nowHandle() const { return nowHandleRect; }
    QRect track() const { return trackRect; }

signals:
    void inTimeUpdate(double in_time_bl);
    void outTimeUpdate(double out_time_bl);
    void nowTimeUpdate(double now_time_bl);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int trackX(double fraction) const;
    void emitForDragMode();

    double in_time_bl = 0.0;
    double out_time_bl = 1.0;
    double now_time_bl = 0.0;
    QRect inHandleRect;
    QRect outHandleRect;
    QRect nowHandleRect;
    QRect trackRect;
    qint8 dragMode = NoDrag;
};
