#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QImage>
#include <QRect>

// Quotation marks inside a line, which the recogniser leaves out where they stand apart from the
// letters ("Shout Theater In" for "Shout 'Theater' In").
namespace QuoteTicks {

// `read` (of the crop `crop` of `picture`, its line's box `line`) with the quotation marks the
// picture shows in the gaps between its words: ticks high on the line with nothing beneath them,
// one for a single mark and two for a double, closing the word before them or opening the one
// after. Kept only where the marks added pair up, and never on a line of unspaced script.
// Whether any was added.
bool addBetweenWords(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

} // namespace QuoteTicks
