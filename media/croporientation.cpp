#include "croporientation.h"

namespace CropOrientation {

QSize displaySize(const QSize &coded, int rotation)
{
    return rotation == 90 || rotation == 270 ? coded.transposed() : coded;
}

QRect toSource(const QRect &shown, const QSize &coded, int rotation)
{
    const int w = coded.width();
    const int h = coded.height();
    switch (rotation) {
    case 90:
        return QRect(w - shown.y() - shown.height(), shown.x(), shown.height(), shown.width());
    case 180:
        return QRect(w - shown.x() - shown.width(), h - shown.y() - shown.height(), shown.width(), shown.height());
    case 270:
        return QRect(shown.y(), h - shown.x() - shown.width(), shown.height(), shown.width());
    default:
        return shown;
    }
}

bool drawnOnStored(const QSize &picture, const QSize &coded, int rotation)
{
    const bool upright = picture.isEmpty() || rotation == 0 || (rotation != 180 && picture == coded.transposed());
    return !upright;
}

} // namespace CropOrientation
