#pragma once

#include <QRect>
#include <QSize>

// Conversions of the crop rectangle between the picture on screen (scene coordinates, relative
// to the video item's picture area) and the decoded frame (video pixels). Results truncate
// toward zero; a zero dimension on the dividing side leaves that scale factor at 1.0.
namespace CropMapping {

QRect sceneToVideo(const QRect &sceneRect, const QRect &pictureRect, const QSize &videoSize);
QRect videoToScene(const QRect &videoRect, const QRect &pictureRect, const QSize &videoSize);
// The same scene rectangle after the picture area changed from `from` to `to`.
QRect rescale(const QRect &sceneRect, const QRect &from, const QRect &to);

} // namespace CropMapping
