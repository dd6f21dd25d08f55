#include "commatails.h"

#include "linecolours.h"
#include "markpieces.h"

#include <QLoggingCategory>

#include <algorithm>
#include <optional>

Q_LOGGING_CATEGORY(lcCommaTails, "tarnix.ocr.commatails", QtWarningMsg)

namespace {

// A comma's tail reaches about an eighth of the line's height below the letters' feet: below
// this height that is two pixels or fewer, lost in the dot's own soft edge.
constexpr int smallestLine = 24;
// How far a pixel lies from the outline's colour towards the fill's: a tail's pixels blend at
// least this much fill in, the outline's none, the dot's soft edge some.
constexpr double tailBlend = 0.45;
constexpr double outlineBlend = 0.25;

double towards(QRgb pixel, QRgb from, QRgb to)
{
    const double r = qRed(to) - qRed(from), g = qGreen(to) - qGreen(from), b = qBlue(to) - qBlue(from);
    const double length = r * r + g * g + b * b;
    if (length <= 0)
        return 0;
    return ((qRed(pixel) - qRed(from)) * r + (qGreen(pixel) - qGreen(from)) * g + (qBlue(pixel) - qBlue(from)) * b)
           / length;
}

// The one small piece of `fill` in the lower half of `region`, enclosed by `around`: a stop, or a
// comma's head.
std::optional<PixelBox> enclosedDot(const QImage &picture, const QRect &region, QRgb fill, QRgb around, int tolerance,
                                    const QRect &line)
{
    const ComponentLabelling::Labels labels = MarkPieces::piecesOf(picture, region, fill, tolerance);
    const int h = line.height(), middle = line.center().y() - region.top();
    std::optional<PixelBox> found;
    for (const ComponentLabelling::Component &piece : labels.components) {
        const PixelBox &b = piece.box;
        // A sliver of the letter before, where the crop cuts its edge, is narrower than a dot.
        const bool small = b.width() * 3 <= h && b.height() * 2 <= h && piece.area >= 2 && b.width() * 2 >= b.height();
        if (!small || b.top < middle || b.left == 0 || b.right >= region.width() - 1
            || !MarkPieces::enclosed(picture, region, b, around, tolerance))
            continue;
        if (found)
            return std::nullopt;
        found = b;
    }
    return found;
}

// Whether pixels blending `fill` into `outline` hang below `dot` (in `region`) before the outline
// alone does: a comma's tail, however thin. The row just under the dot is its own soft edge.
bool hasTail(const QImage &picture, const QRect &region, const PixelBox &dot, QRgb fill, QRgb outline, int reach)
{
    for (int y = dot.bottom + 2; y <= dot.bottom + reach; ++y) {
        bool outlineOnly = true;
        for (int x = dot.left - 1; x <= dot.right; ++x) {
            const QPoint at(region.left() + x, region.top() + y);
            if (!picture.rect().contains(at))
                return true;
            const double blend = towards(picture.pixel(at), outline, fill);
            if (blend >= tailBlend)
                return true;
            outlineOnly = outlineOnly && blend < outlineBlend;
        }
        if (outlineOnly)
            return false;
    }
    return true;
}

// Whether the one dot in `region` is a stop: enclosed, on the letters' feet, with no tail.
bool isStop(const QImage &picture, const QRect &region, const QRect &line, const LineColours &colours)
{
    // The fill is whichever colour the dot has; the other is its outline.
    for (const auto &[fill, outline] : {std::pair(colours.light, colours.dark), std::pair(colours.dark, colours.light)}) {
        const std::optional<PixelBox> dot = enclosedDot(picture, region, fill, outline, colours.tolerance, line);
        if (!dot)
            continue;
        // A tail drawn in the fill takes the piece itself below the letters' feet.
        const std::optional<int> baseline = MarkPieces::baselineOf(picture, line, fill, colours.tolerance);
        return baseline && region.top() + dot->bottom <= *baseline + 1
               && !hasTail(picture, region, *dot, fill, outline, std::max(4, line.height() / 5));
    }
    return false;
}

} // namespace

bool CommaTails::stopsWithoutTails(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read,
                                   bool lineEnd)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (read.pixelsPerStep <= 0 || !colours || line.height() < smallestLine)
        return false;
    bool changed = false;
    for (qsizetype i = 1; i < characters.size(); ++i) {
        if (characters[i].text != QLatin1String(",") || !characters[i - 1].isLetter())
            continue;
        const bool last = i + 1 == characters.size();
        const int from = MarkPieces::pixelAt(crop, read, characters[i - 1].last + 1);
        int to = 0;
        if (last && lineEnd) {
            // A stop stands within a letter's width of the word it ends.
            to = std::min(crop.right(), MarkPieces::pixelAt(crop, read, characters[i].last + 1) + line.height() / 2);
        } else {
            const CtcDecoder::Character *next = last ? nullptr : &characters[i + 1];
            if (!next || !next->spaceBefore || !next->isLetter() || !next->text.front().isUpper())
                continue;
            to = MarkPieces::pixelAt(crop, read, next->first);
        }
        const QRect region = QRect(QPoint(from, crop.top()), QPoint(to, crop.bottom())) & picture.rect();
        const bool stop = region.width() >= 3 && isStop(picture, region, line, *colours);
        qCDebug(lcCommaTails) << "comma" << (last ? "ending" : "inside") << "a line" << line.height() << "high, a stop:" << stop;
        if (!stop)
            continue;
        characters[i].text = QStringLiteral(".");
        changed = true;
    }
    if (changed)
        read.text = CtcDecoder::Result::joined(characters);
    return changed;
}
