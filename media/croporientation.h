#pragma once

#include <QRect>
#include <QSize>

// Maps rectangles between a stored frame and the frame as shown after a counter-clockwise
// rotation by a multiple of 90 degrees.
namespace CropOrientation {

QSize displaySize(const QSize &coded, int rotation);
// The stored pixels that make up `shown`, a rectangle of the rotated picture.
QRect toSource(const QRect &shown, const QSize &coded, int rotation);

} // namespace CropOrientation
