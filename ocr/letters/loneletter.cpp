#include "loneletter.h"

#include "linecolours.h"
#include "ocr/ink/componentlabelling.h"
#include "ocr/ink/inkplane.h"

#include <QLoggingCategory>

#include <functional>
#include <initializer_list>

Q_LOGGING_CATEGORY(lcLoneLetter, "tarnix.ocr.loneletter", QtWarningMsg)

namespace {

// Of the line's height: how far apart a letter may stand from the next (a monospaced face's word
// space is nearly a line high), and how tall a letter is (the cap height of a box that holds
// descenders is about half of it).
constexpr double widestGap = 1.2;
constexpr double shortest = 0.5;
constexpr double tallest = 1.25;
// After a line any letter may come, one as short as an x-height ("now") too.
constexpr double shortestAfter = 0.3;

// The left edge, in the region's columns, of the chain of letters ending a gap before `edge`.
std::optional<int> chainBefore(const ComponentLabelling::Labels &labels, const InkPlane &plane, int edge, int h)
{
    std::optional<int> left;
    for (bool found = true; found;) {
        found = false;
        int nearest = -1;
        for (const ComponentLabelling::Component &piece : labels.components) {
            const PixelBox &box = piece.box;
            // Inside the region on all sides: ink running out of it is texture or a panel.
            const bool inside = box.left > 0 && box.top > 0 && box.bottom < plane.height - 1;
            const bool letterSized = box.height() >= shortest * h && box.height() <= tallest * h && box.width() <= h;
            if (inside && letterSized && box.right < edge && box.right >= edge - widestGap * h
                && (nearest < 0 || box.right > labels.components[std::size_t(nearest)].box.right))
                nearest = int(&piece - labels.components.data());
        }
        if (nearest >= 0) {
            edge = labels.components[std::size_t(nearest)].box.left;
            left = edge;
            found = true;
        }
    }
    return left;
}

// The right edge of the chain of letters from one reaching past `edge` on, each a word space at
// most from the one before.
std::optional<int> chainAfter(const ComponentLabelling::Labels &labels, const InkPlane &plane, int edge, int h)
{
    std::optional<int> right;
    for (bool found = true; found;) {
        found = false;
        const ComponentLabelling::Component *nearest = nullptr;
        for (const ComponentLabelling::Component &piece : labels.components) {
            const PixelBox &box = piece.box;
            const bool inside = box.right < plane.width - 1 && box.top > 0 && box.bottom < plane.height - 1;
            const bool letterSized = box.height() >= shortestAfter * h && box.height() <= tallest * h && box.width() <= h;
            if (inside && letterSized && box.right > edge && box.left <= edge + widestGap * h
                && (!nearest || box.left < nearest->box.left))
                nearest = &piece;
        }
        if (nearest) {
            edge = nearest->box.right;
            right = edge;
            found = true;
        }
    }
    return right;
}

// The letters' chain `chain` finds in the region, in the line's light colour and in its dark one
// (fill or outline): the one reaching furthest as `further` says, in the picture's columns.
template <typename Chain, typename Further>
std::optional<int> furthestInColours(const QImage &picture, const QRect &region, const LineColours &colours,
                                     Chain chain, Further further)
{
    std::optional<int> furthest;
    for (const QRgb colour : {colours.light, colours.dark}) {
        const InkPlane plane(picture.copy(region), Ink{InkKind::Closeness, colour});
        const ComponentLabelling::Labels labels = ComponentLabelling::label(plane, 255 - colours.tolerance);
        const std::optional<int> found = chain(labels, plane);
        if (found && (!furthest || further(region.left() + *found, *furthest)))
            furthest = region.left() + *found;
    }
    return furthest;
}

} // namespace

namespace LoneLetter {

std::optional<int> after(const QImage &picture, const QRect &line)
{
    const QRect box = line & picture.rect();
    const int h = box.height();
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (!colours)
        return std::nullopt;
    // From a letter's width inside the box, to catch one the box cuts through.
    const QRect region = QRect(QPoint(box.right() - h, box.top() - h / 4), QPoint(box.right() + 6 * h, box.bottom() + h / 4))
                         & picture.rect();
    if (region.right() <= box.right() + h / 4)
        return std::nullopt;
    const std::optional<int> right = furthestInColours(
        picture, region, *colours,
        [&](const ComponentLabelling::Labels &labels, const InkPlane &plane) {
            return chainAfter(labels, plane, box.right() - region.left(), h);
        },
        std::greater<int>());
    qCDebug(lcLoneLetter) << "after" << line << "letters to" << (right ? *right : -1);
    return right;
}

std::optional<int> before(const QImage &picture, const QRect &line)
{
    const QRect box = line & picture.rect();
    const int h = box.height();
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (!colours)
        return std::nullopt;
    const QRect region = QRect(QPoint(box.left() - 2 * h, box.top() - h / 4), QPoint(box.left(), box.bottom() + h / 4))
                         & picture.rect();
    if (region.width() <= h / 2)
        return std::nullopt;
    const std::optional<int> left = furthestInColours(
        picture, region, *colours,
        [&](const ComponentLabelling::Labels &labels, const InkPlane &plane) {
            return chainBefore(labels, plane, box.left() - region.left(), h);
        },
        std::less<int>());
    qCDebug(lcLoneLetter) << "before" << line << "letters from" << (left ? *left : -1);
    return left;
}

} // namespace LoneLetter
