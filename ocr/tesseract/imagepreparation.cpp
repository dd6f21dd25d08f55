#include "imagepreparation.h"

#include "ocr/ink/inkreading.h"
#include "lettertracing.h"
#include "ocr/ink/ratio.h"
#include "textmask.h"

#include <algorithm>
#include <cmath>

namespace {

// Smaller pictures hold no readable text, and the analysis copy is never made smaller.
constexpr int minimumSide = 4;
// The reading by the letters' colour replaces the first when it finds at least 8/10 as many
// glyphs in the same lines: it parts letters from background of their brightness.
constexpr Ratio colourReadingScore{8, 10};

QImage analysisCopy(const QImage &rgb, double scale)
{
    if (scale >= 1.0)
        return rgb;
    return rgb.scaled(std::max(minimumSide, int(rgb.width() * scale)), std::max(minimumSide, int(rgb.height() * scale)),
                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

ImagePreparation::ImagePreparation(const Settings &settings) : settings(settings) {}

QImage ImagePreparation::prepare(const QImage &frame) const
{
    if (frame.isNull() || frame.width() < minimumSide || frame.height() < minimumSide)
        return {};
    const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
    const double area = double(rgb.width()) * double(rgb.height());
    const double analysisScale = std::min(1.0, std::sqrt(settings.analysisArea / area));
    const QImage small = analysisCopy(rgb, analysisScale);

    InkReading best = InkReading::best(
        small, {Ink{InkKind::Luma, 0}, Ink{InkKind::InverseLuma, 0}, Ink{InkKind::Whiteness, 0}});
    if (best.rows.empty())
        return {};
    TextMask text = TextMask::of(best, small.width(), small.height(), settings.piecesInsideLetters);
    if (text.region.isEmpty())
        return {};
    // Looked at again by the colour of the letters found: background that touches them in
    // brightness but not in colour falls away.
    InkReading byColour = InkReading::best(small, {Ink{InkKind::Closeness, LetterTracing::textColour(small, text)}});
    if (colourReadingScore.reachedBy(byColour.score, best.score) && byColour.sameLinesAs(best)) {
        // Each reading may miss letters the other has (where the background matches the letters
        // in brightness, or in colour): the text is what either found.
        text = text.united(TextMask::of(byColour, small.width(), small.height(), settings.piecesInsideLetters));
        best = std::move(byColour);
    }
    // Traced by closeness to the letters' colour, so that a background as bright as the letters
    // but of another colour (white letters over yellow) stays out even where the outline is thin.
    const Ink tracingInk{InkKind::Closeness, LetterTracing::textColour(small, text)};
    const int threshold = LetterTracing::threshold(InkPlane(small, tracingInk), text, best.threshold);
    return LetterTracing::trace(rgb, analysisScale, tracingInk, text, threshold, settings.letterHeight);
}
