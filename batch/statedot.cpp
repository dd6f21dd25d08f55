#include "statedot.h"

#include "task/taskstate.h"

#include <QImage>
#include <QList>
#include <QPainter>

QColor StateDot::colour(int dot)
{
    static const QColor colours[count] = {
        QColor(255, 59, 48), QColor(0, 220, 84),   QColor(142, 142, 146),
        QColor(255, 142, 0), QColor(81, 79, 189), QColor(78, 201, 176),
    };
    return dot >= 0 && dot < count ? colours[dot] : QColor();
}

int StateDot::forState(TaskState state)
{
    switch (state) {
    case TaskState::Unknown:
        return Indigo;
    case TaskState::Ready:
        return Gray;
    case TaskState::Running:
        return Teal;
    case TaskState::Done:
        return Green;
    case TaskState::Failed:
        return Red;
    case TaskState::Cancelled:
        return Orange;
    default:
        return -1;
    }
}

const QPixmap &StateDot::pixmap(int dot)
{
    static const QList<QPixmap> dots = [] {
        QList<QPixmap> made;
        for (int i = 0; i < count; ++i) {
            QImage image(size, size, QImage::Format_RGBA8888);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour(i));
            painter.drawEllipse(QRectF(0, 0, size, size));
            painter.end();
            made.append(QPixmap::fromImage(image));
        }
        return made;
    }();
    static const QPixmap none;
    return dot >= 0 && dot < count ? dots.at(dot) : none;
}
