#pragma once

#include "ocr/ink/componentlabelling.h"
#include "ocr/ppocr/ctcdecoder.h"

#include <QImage>
#include <QList>
#include <QRect>

#include <optional>

// The small marks of a line (stops, commas, dashes) are looked for as pieces of one of its two
// colours, between the places where the recogniser read the characters around them.
namespace MarkPieces {

// Whether `a` and `b` differ by at most `tolerance` in every channel.
bool close(QRgb a, QRgb b, int tolerance);

// Whether the pixels two steps (`distance`) around `box` (in `region` of `picture`) are mostly `around`: a
// mark's outline, shadow or panel encloses it, a speck of texture has the texture around it.
// A thin outline is looked for one step around (`distance`).
bool enclosed(const QImage &picture, const QRect &region, const PixelBox &box, QRgb around, int tolerance,
              int distance = 2);

// The pieces of ink of `colour` in `region` of `picture`, in the region's pixels.
ComponentLabelling::Labels piecesOf(const QImage &picture, const QRect &region, QRgb colour, int tolerance);

// The picture's row the letters of `colour` in `line` stand on: the median foot of the pieces of
// ink as tall as letters, most of which have no descender. Nothing where too few letters show.
std::optional<int> baselineOf(const QImage &picture, const QRect &line, QRgb colour, int tolerance);

// Ticks of `colour` in `region` of `picture` enclosed by `around`, as a quotation mark has them:
// pieces of ink no wider than high and at most half `line`'s height, in its upper half. Their
// boxes in the picture, from the left.
QList<QRect> ticksIn(const QImage &picture, const QRect &region, QRgb colour, QRgb around, int tolerance,
                     const QRect &line, int enclosedAt = 2);

// The picture's column of the recogniser's step `step` in `read` of the crop `crop`.
int pixelAt(const QRect &crop, const CtcDecoder::Result &read, int step);

} // namespace MarkPieces
