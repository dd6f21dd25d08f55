#pragma once

#include <QRect>
#include <QSize>

// Maps rectangles between a stored frame and the frame as shown after a counter-clockwise
// rotation by a multiple of 90 degrees.
namespace CropOrientation {

QSize displaySize(const QSize &coded, int rotation);
// The stored pixels that make up `shown`, a rectangle of the rotated picture.
QRect toSource(const QRect &shown, const QSize &coded, int rotation);
// Whether a crop drawn on a picture of `picture`'s size was drawn on the stored frame rather than
// the upright one. Qt 6.4's player shows frames as stored, whatever their display matrix says, so
// the program's crops are stored ones, the command line's upright ones (no size given). A half
// turn keeps the size: it counts as stored unless no size is given.
bool drawnOnStored(const QSize &picture, const QSize &coded, int rotation);

} // namespace CropOrientation
