#include "dialoguedash.h"

#include "ocr/ink/componentlabelling.h"
#include "ocr/ink/inkplane.h"
#include "linecolours.h"
#include "linetextrules.h"
#include "wordlist.h"

#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <cstdlib>

Q_LOGGING_CATEGORY(lcDash, "tarnix.ocr.dash", QtWarningMsg)

namespace {

// Ink pixels in the box grown by `pad` up, down and to the left: the first letter may lean close
// after the dash (italics), but nothing stands right above, below or before it.
int inkAround(const InkPlane &plane, int threshold, const PixelBox &box, int pad)
{
    int count = 0;
    for (int y = std::max(0, box.top - pad); y <= std::min(plane.height - 1, box.bottom + pad); ++y) {
        const std::uint8_t *values = plane.row(y);
        for (int x = std::max(0, box.left - pad); x <= std::min(plane.width - 1, box.right + 1); ++x)
            count += values[x] >= threshold;
    }
    return count;
}

// Its middle row is ink from end to end: a bar, not the outline drawn around one. Of a bar two
// pixels high and a dash's length, either row may be its middle: a small line's dash sits between
// two rows, half in each, and only one of them holds it whole. Shorter ones are as often the
// ground left between an outlined letter's serifs.
bool solid(const InkPlane &plane, int threshold, const PixelBox &bar, int lineHeight)
{
    const auto inked = [&](int y) {
        const std::uint8_t *values = plane.row(y);
        return int(std::count_if(values + bar.left, values + bar.right + 1,
                                 [threshold](std::uint8_t v) { return v >= threshold; }));
    };
    int middle = inked((bar.top + bar.bottom) / 2);
    if (bar.width() * 5 >= lineHeight)
        middle = std::max(middle, inked((bar.top + bar.bottom + 1) / 2));
    return middle * 5 >= bar.width() * 4;
}

// Columns after the bar, up to `limit`, with less than two ink pixels (specks of background) in
// the rows `reach` above and below it: a dialogue dash is followed by a space, the 一 opening a
// Chinese line by the next ideograph, a letter's loose bar by the rest of the letter.
int gapAfter(const InkPlane &plane, int threshold, const PixelBox &bar, int reachUp, int reachDown, int limit)
{
    const int top = std::max(0, bar.top - reachUp);
    const int bottom = std::min(plane.height - 1, bar.bottom + reachDown);
    for (int x = bar.right + 1; x < std::min(plane.width, bar.right + 1 + limit); ++x) {
        int inked = 0;
        for (int y = top; y <= bottom; ++y)
            inked += plane.row(y)[x] >= threshold;
        if (inked >= 2)
            return x - bar.right - 1;
    }
    return limit;
}

// A bar with more of its colour straight above or below it in the line, beyond `pad`, is an arm
// of a letter whose stem is too faint to join them (a small E over texture), or the ground left
// between a letter's arms (F) with the ground above: nothing stands over or under a dash.
bool hasArmAcross(const InkPlane &plane, int threshold, const PixelBox &bar, int pad)
{
    for (int y = 0; y < plane.height; ++y) {
        if (y >= bar.top - pad && y <= bar.bottom + pad)
            continue;
        const std::uint8_t *values = plane.row(y);
        const auto inked = std::count_if(values + bar.left, values + bar.right + 1,
                                         [threshold](std::uint8_t v) { return v >= threshold; });
        if (inked * 2 >= bar.width())
            return true;
    }
    return false;
}

std::optional<DialogueDash::Dash> findInColour(const QImage &picture, const QRect &box, QRgb colour, int tolerance)
{
    const int h = box.height();
    // Dashes are looked for up to half a line height into the box; the region reaches further
    // to find the letter after one.
    const int lastStart = box.left() + h / 2;
    const QRect region = QRect(QPoint(box.left() - h * 8 / 5, box.top()), QPoint(box.left() + 2 * h, box.bottom()))
                         & picture.rect();
    const InkPlane plane(picture.copy(region), Ink{InkKind::Closeness, colour});
    const int threshold = 255 - tolerance;
    const ComponentLabelling::Labels labels = ComponentLabelling::label(plane, threshold);
    // A panel behind the letters fills the line's whole height at its start in its colour, which
    // is then the ground: a bar of it beyond the panel's edge is the picture around, never a dash.
    const int lineStart = box.left() - region.left();
    const bool groundColour = std::any_of(labels.components.cbegin(), labels.components.cend(),
                                          [h, lineStart](const ComponentLabelling::Component &component) {
                                              return component.box.height() >= h && component.box.left <= lineStart
                                                     && component.box.right >= lineStart;
                                          });
    if (groundColour)
        return std::nullopt;
    std::optional<DialogueDash::Dash> dash;
    for (const ComponentLabelling::Component &component : labels.components) {
        const PixelBox &bar = component.box;
        const int middle2 = bar.top + bar.bottom; // twice the bar's middle row
        // Thresholding can take up to a pixel off a thin bar: the dash of a small line is one high,
        // or a pixel shorter than it is. An italic dash three rows thick or more leans and loses its
        // corners, filling little over half its box.
        const int filledShare = bar.height() >= 3 ? 50 : 60;
        const bool shaped = bar.width() * 20 >= h * 3 && bar.width() * 2 <= h && (bar.height() + 1) * 24 >= h
                            && bar.height() * 9 <= h * 2 && (bar.width() + 1) * 4 >= bar.height() * 7
                            && component.area * 100 >= bar.width() * bar.height() * filledShare;
        const bool midHeight = middle2 * 10 >= h * 6 && middle2 * 10 <= h * 15;
        if (!midHeight || bar.width() < 3 || region.left() + bar.left > lastStart)
            continue;
        const int pad = std::max(2, h / 8);
        qCDebug(lcDash) << "line" << box << "colour" << Qt::hex << colour << Qt::dec << "bar" << region.left() + bar.left
                        << region.top() + bar.top << bar.width() << "x" << bar.height() << "area" << component.area
                        << "shaped" << shaped << "solid"
                        << solid(plane, threshold, bar, h) << "ink around" << inkAround(plane, threshold, bar, pad) - component.area
                        << "gap" << gapAfter(plane, threshold, bar, h / 4, h / 4, h);
        if (!shaped || !solid(plane, threshold, bar, h))
            continue;
        // A bar a pixel short of that is as likely the crossbar of a small H: a dash is followed
        // by a space as wide as a word's.
        const bool shortBar = bar.width() * 4 < bar.height() * 7;
        if (shortBar && gapAfter(plane, threshold, bar, h / 4, h / 4, h) * 3 < h)
            continue;
        // Inside the box, a bar one pixel high is as likely the thin bar of a letter (A, H, G):
        // it counts only when long enough for a dash and at the very start of the line, within a
        // quarter of its height (the box of a small italic line reaches that far before it).
        const int inset = region.left() + bar.left - box.left();
        if (bar.height() == 1 && inset >= 0 && (bar.width() * 5 < h || inset * 4 >= h))
            continue;
        // A bar of a letter or of the background has other ink of its colour around it.
        if (inkAround(plane, threshold, bar, pad) > component.area + component.area / 4 + 2)
            continue;
        const int space = std::max(2, h / 7);
        if (gapAfter(plane, threshold, bar, h / 4, h / 4, space) < space) {
            // An italic letter's foot leans back under the end of the dash before it: where the
            // ink after the bar is the line's own, the space is looked for beside the bar alone.
            const int nextInk = region.left() + bar.right + 1 + gapAfter(plane, threshold, bar, h / 4, h / 4, space);
            const int beside = std::max(1, h / 16);
            if (nextInk < box.left() || gapAfter(plane, threshold, bar, beside, beside, space) < space)
                continue;
        }
        if (hasArmAcross(plane, threshold, bar, pad))
            continue;
        const QRect found(region.left() + bar.left, region.top() + bar.top, bar.width(), bar.height());
        if (!dash || found.left() > dash->bar.left())
            dash = DialogueDash::Dash{found, found.right() + 1 + gapAfter(plane, threshold, bar, h / 4, h / 4, h) / 2};
    }
    return dash;
}

} // namespace

namespace DialogueDash {

std::optional<Dash> find(const QImage &picture, const QRect &line)
{
    const QRect box = line & picture.rect();
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (!colours)
        return std::nullopt;
    // Light letters or dark ones: a dash is found in their colour, and only the bar of
    // an outline's colour that is solid (no fill inside) passes for one in the other.
    const std::optional<Dash> light = findInColour(picture, box, colours->light, colours->tolerance);
    const std::optional<Dash> dark = findInColour(picture, box, colours->dark, colours->tolerance);
    if (light && dark)
        return light->bar.left() >= dark->bar.left() ? light : dark;
    return light ? light : dark;
}

QString withDash(const QString &text, const QRect &dash, const QRect &line)
{
    static const QString marks = QStringLiteral("-\u2010\u2011\u2012\u2013\u2014\u2015\u2212\u4e00\u00b7\u30fb_~\u2500");
    QString read = text.trimmed();
    if (read.isEmpty())
        return text;
    // Inside the box, a bar before an ideograph is as likely its first stroke (一, the bar of 今).
    if (dash.right() >= line.left() && LineTextRules::isUnspacedScript(read.toUcs4().constFirst()))
        return text;
    if (marks.contains(read.at(0)))
        read.remove(0, 1);
    return QStringLiteral("- ") + read.trimmed();
}

QString spacedLeadingDash(QString line)
{
    static const QString dashLikeMarks = QStringLiteral("\uff0d\u00b7\u30fb\u3002");
    if (line.size() > 1 && dashLikeMarks.contains(line.at(0))
        && LineTextRules::isUnspacedScript(line.mid(1).trimmed().toUcs4().value(0)))
        line = QStringLiteral("- ") + line.mid(1).trimmed();
    if (line.size() > 1 && (line.at(0) == QLatin1Char('-') || line.at(0) == QChar(0x2013)) && line.at(1).isLetterOrNumber())
        line.insert(1, QLatin1Char(' '));
    return line;
}

std::optional<CtcDecoder::Result> withLostFirstWord(const CtcDecoder::Result &afterDash,
                                                    CtcDecoder::Result fromDash, const WordList &words)
{
    if (afterDash.text.isEmpty() || !afterDash.text.front().isLower() || !fromDash.text.endsWith(afterDash.text))
        return std::nullopt;
    QList<CtcDecoder::Character> &characters = fromDash.characters;
    qsizetype first = 0;
    while (first < characters.size() && !characters[first].text.front().isLetter())
        ++first;
    characters.erase(characters.begin(), characters.begin() + first);
    if (characters.isEmpty())
        return std::nullopt;
    characters.first().spaceBefore = false;
    fromDash.text = CtcDecoder::Result::joined(characters);
    const QString added = fromDash.text.chopped(afterDash.text.size());
    const QString word = added.trimmed();
    if (!added.endsWith(QLatin1Char(' ')) || word.isEmpty() || word.contains(QLatin1Char(' '))
        || !word.front().isUpper() || !words.contains(word))
        return std::nullopt;
    return fromDash;
}

bool barIsLetterStroke(const CtcDecoder::Result &afterDash, const CtcDecoder::Result &fromDash,
                       const WordList &words)
{
    const QString &after = afterDash.text;
    const QString &from = fromDash.text;
    if (after.isEmpty() || !after.front().isLower() || from.size() <= after.size() || !from.endsWith(after))
        return false;
    const QString added = from.chopped(after.size());
    if (!std::all_of(added.cbegin(), added.cend(), [](QChar c) { return c.isLetter(); }) || !added.front().isUpper())
        return false;
    const QString firstWord = added + after.section(QLatin1Char(' '), 0, 0);
    return words.contains(firstWord);
}

} // namespace DialogueDash
