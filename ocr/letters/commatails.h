#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QImage>
#include <QRect>

// A comma is a full stop with a tail below the letters' baseline. Before a capital the recogniser
// often reads a stop as a comma ("bread, I consider"), and the fill colour alone cannot tell them
// apart: a thin tail is antialiased into the outline and none of its pixels has the fill's colour.
// What lies below the dot can: under a stop the outline alone, under a comma pixels blending the
// fill into it.
namespace CommaTails {

// `read` (of the crop `crop` of `picture`, whose line's box is `line`) with each comma after a word
// and before one opening with a capital, or closing the line (`lineEnd`: the crop ends where the
// line does), made a full stop where the picture shows one dot there, enclosed by the line's
// outline, shadow or panel, and nothing of its fill below that dot. Lines too small for a tail of
// a few pixels, and plain letters over texture, are left as read. Whether any changed. The picture
// must be in QImage::Format_RGB32.
bool stopsWithoutTails(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read,
                       bool lineEnd = false);

} // namespace CommaTails
