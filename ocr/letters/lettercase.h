#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QImage>
#include <QRect>

// Some letters have one shape in both cases (c, o, s, u, v, w, x, z), and the recogniser tells
// them apart by little more than the words around them: "what" opening a line, "chrysler", "You"
// where the picture says "YOU". Their height on the picture tells: a capital reaches the tops of
// the line's capitals and ascenders, a small letter only those of its other small letters.
namespace LetterCase {

// `read` (of the crop `crop` of `picture`, whose line's box is `line`) with each word whose small
// letters all stand as tall as the line's capitals in capitals, each word opening with such a
// letter read small that stands so tall with a capital, and such a capital, or an I, after a
// comma or a word in small letters that stands no taller than the small letters in small
// letters. Lines whose letters' heights do not part clearly into the two are left as read.
// Whether any changed. The picture must be in QImage::Format_RGB32.
bool mendFromHeights(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

} // namespace LetterCase
