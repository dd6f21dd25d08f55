#pragma once

// Small synthetic pictures for the image preparation steps: words drawn with a font, shapes
// drawn as exact rectangles.

#include "ocr/ink/componentlabelling.h"
#include "ocr/ink/inkplane.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>

namespace InkPictures {

inline QImage blank(int width, int height, const QColor &background)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(background);
    return picture;
}

inline void drawWords(QImage &picture, const QString &words, const QColor &colour, const QPoint &baseline,
                      int pixelSize)
{
    QPainter painter(&picture);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(baseline, words);
}

inline void fill(QImage &picture, const QRect &rect, const QColor &colour)
{
    QPainter(&picture).fillRect(rect, colour);
}

// The component holding a pixel, or -1.
inline int componentAt(const ComponentLabelling::Labels &labels, const QPoint &point)
{
    for (const ComponentLabelling::Run &run : labels.runs) {
        if (run.y == point.y() && run.left <= point.x() && run.right >= point.x())
            return run.label;
    }
    return -1;
}

inline QRect rectOf(const PixelBox &box)
{
    return QRect(QPoint(box.left, box.top), QPoint(box.right, box.bottom));
}

} // namespace InkPictures
