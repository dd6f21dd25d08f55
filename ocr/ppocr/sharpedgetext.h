#pragma once

#include <QImage>

// Rendered subtitle letters meet their outline or shadow at edges far sharper than those of a
// filmed or blurred background. Keeping only what lies near such edges, and flattening the rest
// to one grey, leaves the letters on a plain ground where busy texture hid them.
namespace SharpEdgeText {

struct Isolated
{
    QImage picture;        // QImage::Format_RGB32
    double keptShare = 0;  // of the pixels, those left as they were
};

// The picture with everything farther than a stroke's width from a sharp edge made mid grey.
Isolated isolate(const QImage &picture);

} // namespace SharpEdgeText
