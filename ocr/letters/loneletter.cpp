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
// After a line any letter may come, one as short as an x-height ("now") too, and one wider than
// the box is high (a bold "w" where the box holds no ascender).
constexpr double shortestAfter = 0.3;
constexpr double widestAfter = 1.5;

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
            const bool letterSized = box.height() >= shortestAfter * h && box.height() <= tallest * h
                                     && box.width() <= widestAfter * h;
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

// The right edge of the letters found in a few line heights past `line`'s end.
std::optional<int> lettersAfter(const QImage &picture, const QRect &line)
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
    return furthestInColours(
        picture, region, *colours,
        [&](const ComponentLabelling::Labels &labels, const InkPlane &plane) {
            return chainAfter(labels, plane, box.right() - region.left(), h);
        },
        std::greater<int>());
}

bool isStroke(const CtcDecoder::Character &character)
{
    // A panel's edge beside the line reads as a bracket too ("[Follow me").
    return character.text.size() == 1 && QStringLiteral("Il|1[]").contains(character.text);
}

// Whether a piece of ink as tall as a letter, clear of the region's top and bottom, stands with
// its middle in the picture's columns from `left` to `right`, at some step of a ladder of
// lightness, light on dark or dark on light. The line's two colours do not tell it: a ground of
// the letters' hue can take the place of their fill. The edge of a panel or of the ground runs on
// out of the region.
bool letterOverlaps(const QImage &picture, const QRect &line, int left, int right)
{
    const QRect box = line & picture.rect();
    const int h = box.height();
    const QRect region =
        QRect(QPoint(left - h, box.top() - h / 4), QPoint(right + h, box.bottom() + h / 4)) & picture.rect();
    const QImage part = picture.copy(region);
    for (const InkKind kind : {InkKind::Luma, InkKind::InverseLuma}) {
        const InkPlane plane(part, Ink{kind, 0});
        for (const int threshold : {64, 96, 128, 160, 192}) {
            const ComponentLabelling::Labels labels = ComponentLabelling::label(plane, threshold);
            for (const ComponentLabelling::Component &piece : labels.components) {
                const PixelBox &b = piece.box;
                const bool inside = b.top > 0 && b.bottom < plane.height - 1;
                const bool letterSized = b.height() >= shortest * h && b.height() <= tallest * h && b.width() <= h;
                const int middle = region.left() + (b.left + b.right) / 2;
                if (inside && letterSized && middle >= left && middle <= right)
                    return true;
            }
        }
    }
    return false;
}

} // namespace

namespace LoneLetter {

bool dropStrokesOfNoInk(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    if (characters.size() < 2)
        return false;
    const bool first = isStroke(characters.first())
                       && (characters[1].spaceBefore || characters[1].text.at(0).isUpper());
    const bool last = isStroke(characters.last())
                      && (characters.last().spaceBefore
                          || QStringLiteral(".?!,").contains(characters[characters.size() - 2].text));
    if (!first && !last)
        return false;
    // The columns where the recogniser saw the character, a step wider on either side: its
    // likeliest steps need not be the letter's middle.
    const auto noInk = [&](const CtcDecoder::Character &c) {
        const double step = read.pixelsPerStep;
        return !letterOverlaps(picture, line, crop.left() + int((c.first - 1) * step),
                               crop.left() + int((c.last + 2) * step));
    };
    bool dropped = false;
    if (last && noInk(characters.last())) {
        characters.removeLast();
        dropped = true;
    }
    if (first && characters.size() >= 2 && noInk(characters.first())) {
        characters.removeFirst();
        characters.first().spaceBefore = false;
        dropped = true;
    }
    if (dropped) {
        read.text = CtcDecoder::Result::joined(characters);
        qCDebug(lcLoneLetter) << "dropped a stroke of no ink:" << read.text;
    }
    return dropped;
}

std::optional<int> after(const QImage &picture, const QRect &line)
{
    // The search reaches a few letters past the box at a time; over texture that cuts a line short
    // more can be missing, so it goes on from each end found.
    constexpr int mostSearches = 6;
    std::optional<int> right;
    QRect reached = line;
    for (int search = 0; search < mostSearches; ++search) {
        const std::optional<int> further = lettersAfter(picture, reached);
        if (!further || *further <= reached.right())
            break;
        right = further;
        reached.setRight(*further);
    }
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
