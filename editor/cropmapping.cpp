#include "cropmapping.h"

namespace CropMapping {

namespace {

double ratio(int numerator, int denominator)
{
    return denominator == 0 ? 1.0 : double(numerator) / double(denominator);
}

} // namespace

QRect sceneToVideo(const QRect &sceneRect, const QRect &pictureRect, const QSize &videoSize)
{
    const double sx = ratio(videoSize.width(), pictureRect.width());
    const double sy = ratio(videoSize.height(), pictureRect.height());
    return QRect(int((sceneRect.x() - pictureRect.x()) * sx), int((sceneRect.y() - pictureRect.y()) * sy),
                 int(sceneRect.width() * sx), int(sceneRect.height() * sy));
}

QRect videoToScene(const QRect &videoRect, const QRect &pictureRect, const QSize &videoSize)
{
    const double sx = videoRect.width() == 0 ? 1.0 : ratio(pictureRect.width(), videoSize.width());
    const double sy = videoRect.height() == 0 ? 1.0 : ratio(pictureRect.height(), videoSize.height());
    return QRect(int(pictureRect.x() + videoRect.x() * sx), int(pictureRect.y() + videoRect.y() * sy),
                 int(videoRect.width() * sx), int(videoRect.height() * sy));
}

QRect rescale(const QRect &sceneRect, const QRect &from, const QRect &to)
{
    const double sx = ratio(to.width(), from.width());
    const double sy = ratio(to.height(), from.height());
    return QRect(int(to.x() + (sceneRect.x() - from.x()) * sx), int(to.y() + (sceneRect.y() - from.y()) * sy),
                 int(sceneRect.width() * sx), int(sceneRect.height() * sy));
}

} // namespace CropMapping
