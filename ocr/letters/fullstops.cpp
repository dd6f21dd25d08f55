#include "fullstops.h"

#include "linecolours.h"
#include "linetextrules.h"
#include "markpieces.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace {

// What a search for marks counts: dots alone, or commas too (taller than wide, their tails
// hanging below the letters).
enum class Marks { Dots, DotsAndCommas };

Q_LOGGING_CATEGORY(lcStops, "tarnix.ocr.stops", QtWarningMsg)

// More marks in a row than this are texture read as dots.
constexpr qsizetype mostMarks = 6;

using MarkPieces::baselineOf;
using MarkPieces::close;
using MarkPieces::enclosed;
using MarkPieces::piecesOf;
using MarkPieces::pixelAt;
using MarkPieces::ticksIn;

// Whether no pixel of `colour` lies near `box` (in `region` of `picture`): none three steps around
// it (two steps out, a dot's soft edge can still come near it), and none for `clearAfter` pixels
// after it, where a speck of texture has others beside it and a stop the space after a sentence.
bool standsAlone(const QImage &picture, const QRect &region, const PixelBox &box, QRgb colour, int tolerance,
                 int clearAfter)
{
    const QRect near = QRect(QPoint(region.left() + box.left - 3, region.top() + box.top - 3),
                             QPoint(region.left() + box.right + std::max(3, clearAfter), region.top() + box.bottom + 3));
    for (int y = near.top(); y <= near.bottom(); ++y)
        for (int x = near.left(); x <= near.right(); ++x) {
            const bool inDot = x >= region.left() + box.left - 2 && x <= region.left() + box.right + 2
                               && y >= region.top() + box.top - 2 && y <= region.top() + box.bottom + 2;
            if (!inDot && picture.rect().contains(x, y) && close(picture.pixel(x, y), colour, tolerance))
                return false;
        }
    return true;
}

// Dots of `colour` in `region`: pieces of ink no larger than a third of the line's height each
// way, nearly as wide as high, in the lower half of the line, enclosed by `around` (a stop's
// outline, shadow or panel) or, on a ground of texture, standing alone on the letters' baseline.
// What touches the region's left edge is a piece of the letter before, which the region cuts;
// so is what touches its right edge where a letter follows (`letterAfter`).
int dotsIn(const QImage &picture, const QRect &region, QRgb colour, QRgb around, int tolerance, const QRect &line,
           bool letterAfter, Marks marks)
{
    const ComponentLabelling::Labels labels = piecesOf(picture, region, colour, tolerance);
    const int h = line.height();
    const int middle = line.center().y() - region.top();
    std::optional<std::optional<int>> baseline;
    const auto onBaseline = [&](const PixelBox &b) {
        if (!baseline)
            baseline = baselineOf(picture, line, colour, tolerance);
        const int foot = region.top() + b.bottom;
        return *baseline && std::abs(foot - **baseline) <= std::max(2, h / 10)
               && standsAlone(picture, region, b, colour, tolerance, h / 5);
    };
    int enclosedDots = 0, looseDots = 0, dotsAlone = 0;
    for (const ComponentLabelling::Component &piece : labels.components) {
        const PixelBox &b = piece.box;
        // A dot a few pixels across can come out a pixel longer one way.
        const int slack = std::min(b.width(), b.height()) >= 3 ? 1 : 0;
        const bool dotShaped = b.width() * 3 <= h && b.height() * 3 <= h && (b.width() - slack) * 2 <= b.height() * 3
                               && (b.height() - slack) * 2 <= b.width() * 3;
        const bool commaShaped = b.width() * 3 <= h && b.height() * 2 <= h && b.width() <= b.height() + slack;
        if (!(dotShaped || (marks == Marks::DotsAndCommas && commaShaped)) || b.top < middle || b.left == 0 || piece.area < 2
            || (letterAfter && b.right >= region.width() - 1))
            continue;
        if (enclosed(picture, region, b, around, tolerance)) {
            ++enclosedDots;
        } else {
            ++looseDots;
            dotsAlone += onBaseline(b);
        }
    }
    // Specks of texture come in numbers; a stop on such a ground is the only dot there.
    return enclosedDots + (looseDots == 1 && dotsAlone == 1 ? 1 : 0);
}

// Commas of `colour` in `region`, enclosed by `around`: pieces of ink taller than wide, a sixth
// to a third of the line's height (a speck of texture is smaller), their head above the letters'
// baseline `baseline` and their tail below it, where no letter's foot reaches.
int commasIn(const QImage &picture, const QRect &region, QRgb colour, QRgb around, int tolerance, const QRect &line,
             int baseline)
{
    const ComponentLabelling::Labels labels = piecesOf(picture, region, colour, tolerance);
    const int h = line.height();
    return int(std::count_if(labels.components.cbegin(), labels.components.cend(), [&](const ComponentLabelling::Component &piece) {
        const PixelBox &b = piece.box;
        const int top = region.top() + b.top, foot = region.top() + b.bottom;
        const bool commaShaped = b.width() * 3 <= h && b.height() * 3 <= h && b.height() * 6 >= h && b.height() >= 4
                                 && b.height() > b.width();
        return commaShaped && top < baseline && foot >= baseline + std::max(2, h / 14) && b.left > 0
               && b.right < region.width() - 1 && enclosed(picture, region, b, around, tolerance);
    }));
}

// Dots from the end of `read`'s character `letter` to `to` (a column of `picture`), or to the
// crop's end.
int dotsAfter(const QImage &picture, const QRect &line, const QRect &crop, const CtcDecoder::Result &read,
              qsizetype letter, std::optional<int> to, Marks marks = Marks::Dots)
{
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (!colours)
        return -1;
    const int from = pixelAt(crop, read, read.characters[letter].last + 1);
    const QRect region = QRect(QPoint(from, crop.top()), QPoint(to.value_or(crop.right()), crop.bottom())) & picture.rect();
    if (region.width() < 2)
        return -1;
    const bool letterAfter = to && letter + 1 < read.characters.size();
    return std::max(dotsIn(picture, region, colours->light, colours->dark, colours->tolerance, line, letterAfter, marks),
                    dotsIn(picture, region, colours->dark, colours->light, colours->tolerance, line, letterAfter, marks));
}

} // namespace

namespace FullStops {

bool keepSeen(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    qsizetype firstDot = characters.size();
    while (firstDot > 0 && characters[firstDot - 1].text == QLatin1String("."))
        --firstDot;
    const qsizetype dots = characters.size() - firstDot;
    if (dots < 2 || firstDot == 0 || read.pixelsPerStep <= 0)
        return false;
    // From the end of the last letter to the end of the crop.
    const int seen = dotsAfter(picture, line, crop, read, firstDot - 1, std::nullopt);
    if (seen == 1)
        characters.erase(characters.begin() + firstDot + 1, characters.end());
    else if (seen == 3 && dots == 2)
        characters << characters.last();
    else
        return false;
    read.text = CtcDecoder::Result::joined(characters);
    return true;
}

bool addSeen(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    if (characters.isEmpty() || read.pixelsPerStep <= 0)
        return false;
    const QString last = characters.last().text;
    // Ideographs end with their own full stop, which the recogniser reads.
    if (last.size() != 1 || !last.front().isLetterOrNumber() || LineTextRules::isUnspacedScript(last.front().unicode()))
        return false;
    // A stop stands close to the letter it ends, an ellipsis within a few letters; further on is
    // the ground. The detector can leave either out of the line's box, past the crop.
    const int h = line.height();
    const qsizetype letter = characters.size() - 1;
    const int end = pixelAt(crop, read, characters.last().last + 1);
    int added = 0;
    bool spaced = false;
    const int nearDots = dotsAfter(picture, line, crop, read, letter, end + h);
    qCDebug(lcStops) << "after the last letter" << line << "dots" << nearDots;
    if (nearDots == 1) {
        added = 1;
    } else if (dotsAfter(picture, line, crop, read, letter, end + 3 * h) == 3) {
        added = 3;
        // Set apart from the word, as some typesetting has it ("Dayton ...").
        spaced = dotsAfter(picture, line, crop, read, letter, end + h / 3) == 0;
    }
    if (added == 0)
        return false;
    CtcDecoder::Character stop;
    stop.text = QStringLiteral(".");
    stop.first = stop.last = characters.last().last + 1;
    stop.spaceBefore = spaced;
    characters << stop;
    stop.spaceBefore = false;
    for (int i = 1; i < added; ++i)
        characters << stop;
    read.text = CtcDecoder::Result::joined(characters);
    return true;
}

bool addStopsBeforeCapitals(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    if (read.pixelsPerStep <= 0)
        return false;
    bool added = false;
    for (qsizetype i = 2; i < characters.size(); ++i) {
        const QString capital = characters[i].text;
        // After a word's last letter: the dot of a mark read as a letter ("!l") is the mark's own.
        if (!characters[i].spaceBefore || capital.size() != 1 || !capital.front().isUpper()
            || !characters[i - 1].isLetter() || !characters[i - 2].isLetter() || characters[i - 1].spaceBefore)
            continue;
        if (dotsAfter(picture, line, crop, read, i - 1, pixelAt(crop, read, characters[i].first)) != 1)
            continue;
        CtcDecoder::Character stop;
        stop.text = QStringLiteral(".");
        stop.first = stop.last = characters[i - 1].last + 1;
        characters.insert(i, stop);
        ++i;
        added = true;
    }
    if (added)
        read.text = CtcDecoder::Result::joined(characters);
    return added;
}

bool commasBeforeSentences(const QImage &picture, const QRect &line, const QRect &crop, const WordList &words,
                           CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    if (read.pixelsPerStep <= 0)
        return false;
    bool changed = false;
    for (qsizetype i = 1; i + 1 < characters.size(); ++i) {
        if (characters[i].text != QLatin1String(",") || !characters[i + 1].spaceBefore
            || characters[i - 1].text.size() != 1 || !characters[i - 1].text.front().isLetter())
            continue;
        QString next;
        for (qsizetype j = i + 1; j < characters.size() && (j == i + 1 || !characters[j].spaceBefore); ++j)
            next += characters[j].text;
        while (!next.isEmpty() && !next.back().isLetter())
            next.chop(1);
        if (!words.opensSentenceOnly(next))
            continue;
        const int dots = dotsAfter(picture, line, crop, read, i - 1, pixelAt(crop, read, characters[i + 1].first));
        qCDebug(lcStops) << "comma before" << next << "dots" << dots;
        if (dots != 1)
            continue;
        characters[i].text = QStringLiteral(".");
        changed = true;
    }
    if (changed)
        read.text = CtcDecoder::Result::joined(characters);
    return changed;
}

bool dropStopsOfNoInk(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    if (read.pixelsPerStep <= 0)
        return false;
    bool dropped = false;
    for (qsizetype i = 1; i + 1 < characters.size(); ++i) {
        const CtcDecoder::Character &next = characters[i + 1];
        if (characters[i].text != QLatin1String(".") || characters[i].spaceBefore || !next.spaceBefore
            || next.text.size() != 1 || !next.text.front().isLower() || characters[i - 1].text.size() != 1
            || !characters[i - 1].text.front().isLetter())
            continue;
        const int to = pixelAt(crop, read, next.first);
        const int marks = dotsAfter(picture, line, crop, read, i - 1, to, Marks::DotsAndCommas);
        qCDebug(lcStops) << "stop before a small letter, marks" << marks;
        if (marks == 1 && dotsAfter(picture, line, crop, read, i - 1, to) == 0) {
            // The mark there is a comma's shape and no dot's: read as a stop, it would open a
            // sentence where none opens.
            characters[i].text = QStringLiteral(",");
            dropped = true;
            continue;
        }
        if (marks != 0)
            continue;
        characters.removeAt(i);
        --i;
        dropped = true;
    }
    if (dropped)
        read.text = CtcDecoder::Result::joined(characters);
    return dropped;
}

bool addClosingQuote(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    const QString quote = QStringLiteral("\"");
    if (characters.size() < 3 || characters.first().text != quote || read.pixelsPerStep <= 0
        || read.text.count(quote) % 2 == 0)
        return false;
    const QString last = characters.last().text;
    // After the quotation's closing mark, the recogniser reads its end as an apostrophe at most.
    const bool apostrophe = last == QLatin1String("'") && QStringLiteral(".!?").contains(characters[characters.size() - 2].text);
    if (!apostrophe && (last.size() != 1 || !QStringLiteral(".!?").contains(last)))
        return false;
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (!colours)
        return false;
    const qsizetype mark = characters.size() - (apostrophe ? 2 : 1);
    const int from = pixelAt(crop, read, characters[mark].last + 1);
    const QRect region = QRect(QPoint(from, crop.top()), QPoint(from + line.height(), crop.bottom())) & picture.rect();
    if (region.width() < 2)
        return false;
    const int ticks = int(std::max(ticksIn(picture, region, colours->light, colours->dark, colours->tolerance, line).size(),
                                   ticksIn(picture, region, colours->dark, colours->light, colours->tolerance, line).size()));
    qCDebug(lcStops) << "closing quote after" << line << "ticks" << ticks;
    // One tick where the other touches the outline of the mark before it.
    if (ticks < 1 || ticks > 2)
        return false;
    if (apostrophe) {
        characters.last().text = quote;
    } else {
        CtcDecoder::Character closing;
        closing.text = quote;
        closing.first = closing.last = characters.last().last + 1;
        characters << closing;
    }
    read.text = CtcDecoder::Result::joined(characters);
    return true;
}

bool addCommasSeen(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (read.pixelsPerStep <= 0 || !colours)
        return false;
    const std::optional<int> baseline = baselineOf(picture, line, colours->light, colours->tolerance);
    if (!baseline)
        return false;
    bool added = false;
    for (qsizetype i = 1; i < characters.size(); ++i) {
        if (!characters[i].spaceBefore || !characters[i - 1].isLetter() || !characters[i].isLetter())
            continue;
        const int from = pixelAt(crop, read, characters[i - 1].last + 1);
        const int to = pixelAt(crop, read, characters[i].first);
        const QRect region = QRect(QPoint(from, crop.top()), QPoint(to, crop.bottom())) & picture.rect();
        if (region.width() < 2
            || commasIn(picture, region, colours->light, colours->dark, colours->tolerance, line, *baseline) != 1)
            continue;
        CtcDecoder::Character comma;
        comma.text = QStringLiteral(",");
        comma.first = comma.last = characters[i - 1].last + 1;
        characters.insert(i, comma);
        ++i;
        added = true;
    }
    if (added) {
        read.text = CtcDecoder::Result::joined(characters);
        qCDebug(lcStops) << "commas seen:" << read.text;
    }
    return added;
}

bool mendRunsOfMarks(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    if (read.pixelsPerStep <= 0)
        return false;
    bool changed = false;
    for (qsizetype i = 1; i < characters.size(); ++i) {
        const QString mark = characters[i].text;
        // An ellipsis can stand apart from the word before it ("humble ... you're").
        if ((mark != QLatin1String(".") && mark != QLatin1String("!"))
            || (characters[i].spaceBefore && mark != QLatin1String(".")) || !characters[i - 1].isLetter())
            continue;
        qsizetype end = i + 1;
        while (end < characters.size() && characters[end].text == mark && !characters[end].spaceBefore)
            ++end;
        const qsizetype run = end - i;
        // Each exclamation mark stands on a dot of its own; stops come one or three at a time.
        const int seen = end < characters.size()
                             ? dotsAfter(picture, line, crop, read, i - 1, pixelAt(crop, read, characters[end].first))
                             : dotsAfter(picture, line, crop, read, i - 1, std::nullopt);
        const qsizetype wanted = mark == QLatin1String(".") ? (seen == 3 ? 3 : run) : std::clamp<qsizetype>(seen, run, mostMarks);
        qCDebug(lcStops) << "run of" << run << mark << "dots" << seen;
        if (wanted > run) {
            CtcDecoder::Character another = characters[i];
            another.spaceBefore = false;
            for (qsizetype more = run; more < wanted; ++more)
                characters.insert(i + 1, another);
            changed = true;
        }
        i += wanted - 1;
    }
    if (changed)
        read.text = CtcDecoder::Result::joined(characters);
    return changed;
}

} // namespace FullStops
