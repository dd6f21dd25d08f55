#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QImage>
#include <QRect>

// A dash between two words as the picture shows it. The recogniser reads the hyphens of a double
// dash as one (a repeated character needs a gap it does not see) and leaves out the spaces set
// around it: "fonder -- of" comes out "fonder-of", like a compound.
namespace DashesBetweenWords {

// `read` (of the crop `crop` of `picture`, whose line's box is `line`) with the hyphens read
// between two letters made as many as the bars that stand there where those are two or three, and
// set apart from both words where the gaps on either side are as wide as a space ("cologne --
// to"). A single bar is left as read: a compound's hyphen ("well-known", "Good-bye"); two hyphens
// read with a space on one side only get one on the other too. Whether any changed. The picture
// must be in QImage::Format_RGB32.
bool mend(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

} // namespace DashesBetweenWords
