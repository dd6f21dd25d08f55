#pragma once

#include "ocr/ink/inkplane.h"
#include "textmask.h"

#include <QImage>

// The letters drawn black on white at the output size, traced again from the full-resolution
// picture so that small text gains smooth edges instead of enlarged analysis pixels.
namespace LetterTracing {

// The letters' typical colour: the median of each channel over their pixels.
QRgb textColour(const QImage &picture, const TextMask &text);

// Halfway between the letters' own level and that of what borders them (outline, shadow or
// background): the level at which the letters come out at their drawn weight. The fallback when
// the two cannot be told apart.
int threshold(const InkPlane &ink, const TextMask &text, int fallback);

// The picture is the full-size one in QImage::Format_RGB32; the text was found on a copy scaled
// by analysisScale. Letters come out letterHeight pixels tall in a white border (Grayscale8).
QImage trace(const QImage &rgb, double analysisScale, const Ink &ink, const TextMask &text, int threshold,
             int letterHeight);

} // namespace LetterTracing
