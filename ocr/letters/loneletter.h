#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QImage>
#include <QRect>

#include <optional>

// A letter standing alone before a line's first word, which the line detector leaves out of the
// line's box: the pronoun I set apart by a monospaced face's wide space, or on a panel. It is
// looked for left of the box as pieces of ink of the line's own colours as tall as its letters,
// each a word space at most from the next; letters the box cuts off at its end, likewise right
// of it.
namespace LoneLetter {

// Where the letters found before `line` begin (their left edge), if any. The picture must be in
// QImage::Format_RGB32.
std::optional<int> before(const QImage &picture, const QRect &line);

// Where the letters found running on past `line`'s right edge end, if any: over busy texture the
// detector can end a line's box a letter or several words short ("nigh" for "night.").
std::optional<int> after(const QImage &picture, const QRect &line);

// A stroke read as I, l, | or 1 at the start of `read` (before a space or a capital) or at its end
// (after a space or a closing mark) where the picture shows no piece of ink as tall as a letter:
// the edge of a panel or of the ground in the crop (`crop`, read as `read`), which the recogniser
// reads as a stroke. Dropped from `read`; whether one was.
bool dropStrokesOfNoInk(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read);

} // namespace LoneLetter
