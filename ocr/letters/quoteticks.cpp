#include "quoteticks.h"

#include "linecolours.h"
#include "linetextrules.h"
#include "markpieces.h"

#include <QLoggingCategory>

#include <algorithm>
#include <optional>
#include <vector>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcQuotes, "tarnix.ocr.quotes", QtWarningMsg)

constexpr int shortestTick = 4;

const QString singleQuote = QStringLiteral("'");
const QString doubleQuote = QStringLiteral("\"");

struct Mark
{
    qsizetype before = 0; // the character it goes before
    bool closing = false;
    QString text;
};

bool isQuote(const QString &text)
{
    return text.size() == 1 && QStringLiteral("'\"\u2018\u2019\u201c\u201d`").contains(text.front());
}

// Whether ink of `colour` stands under most rows below `tick` down to the line's foot: the stem of
// an i or a j under its dot, where a quotation mark has the gap between words.
bool hasStemBeneath(const QImage &picture, const QRect &tick, const QRect &line, QRgb colour, int tolerance)
{
    int rows = 0, inked = 0;
    for (int y = tick.bottom() + 2; y <= std::min(line.bottom(), picture.height() - 1); ++y) {
        ++rows;
        for (int x = tick.left(); x <= tick.right(); ++x)
            if (MarkPieces::close(picture.pixel(x, y), colour, tolerance)) {
                ++inked;
                break;
            }
    }
    return rows > 0 && inked * 3 > rows;
}

// The row the tallest letters of `colour` in `line` reach up to: the top of the highest quarter of
// the pieces of ink as tall as letters (capitals and ascenders are a third of a line's letters,
// the rest reach their middle). Nothing where too few show.
std::optional<int> capLineOf(const QImage &picture, const QRect &line, QRgb colour, int tolerance)
{
    const QRect region = line.adjusted(0, -2, 0, 2) & picture.rect();
    const ComponentLabelling::Labels labels = MarkPieces::piecesOf(picture, region, colour, tolerance);
    std::vector<int> tops;
    for (const ComponentLabelling::Component &piece : labels.components) {
        const PixelBox &b = piece.box;
        // Ink the box cuts is texture running on out of it.
        if (b.top > 0 && b.bottom < region.height() - 1 && b.height() * 5 >= line.height() * 2 && b.width() <= line.height())
            tops.push_back(region.top() + b.top);
    }
    constexpr std::size_t fewestLetters = 4;
    if (tops.size() < fewestLetters)
        return std::nullopt;
    std::nth_element(tops.begin(), tops.begin() + std::ptrdiff_t(tops.size() / 4), tops.end());
    return tops[tops.size() / 4];
}

// The ticks in `region` as quotation marks have them: of the letters' fill inside their outline
// (or the other way round), as high as the tallest letters (pieces of small ones broken up start
// lower) and standing alone.
QList<QRect> quoteTicksIn(const QImage &picture, const QRect &region, const QRect &line, const LineColours &colours)
{
    for (const auto &[colour, around] : {std::pair{colours.light, colours.dark}, std::pair{colours.dark, colours.light}}) {
        // Their outline can be a pixel thin, where a speck of the ground has its texture around,
        // or soft, its first step out neither colour.
        QList<QRect> ticks = MarkPieces::ticksIn(picture, region, colour, around, colours.tolerance, line, 1);
        for (const QRect &tick : MarkPieces::ticksIn(picture, region, colour, around, colours.tolerance, line))
            if (!ticks.contains(tick))
                ticks << tick;
        if (ticks.isEmpty())
            continue;
        const std::optional<int> capLine = capLineOf(picture, line, colour, colours.tolerance);
        if (!capLine)
            return {};
        // A mark's tick is a fifth of the line long; shorter pieces are specks of texture or of
        // small letters broken up.
        ticks.removeIf([&](const QRect &tick) {
            return tick.height() < std::max(shortestTick, line.height() / 5)
                   || tick.top() > *capLine + std::max(1, line.height() / 10)
                   || hasStemBeneath(picture, tick, line, colour, colours.tolerance);
        });
        std::sort(ticks.begin(), ticks.end(), [](const QRect &a, const QRect &b) { return a.left() < b.left(); });
        if (!ticks.isEmpty())
            return ticks;
    }
    return {};
}

// Ticks set close together, each run one mark; nothing where a run holds more than a double's two.
std::optional<QList<QList<QRect>>> marksOf(const QList<QRect> &ticks, int lineHeight)
{
    QList<QList<QRect>> marks;
    for (const QRect &tick : ticks) {
        if (!marks.isEmpty() && tick.left() - marks.last().last().right() <= std::max(2, lineHeight / 4))
            marks.last() << tick;
        else
            marks << QList<QRect>{tick};
    }
    const auto overDouble = [](const QList<QRect> &mark) { return mark.size() > 2; };
    if (marks.size() > 2 || std::any_of(marks.cbegin(), marks.cend(), overDouble))
        return std::nullopt;
    return marks;
}

// The marks the picture shows in the gap before the word at `next`: the one nearer the word before
// closes it, the other opens the next. Nothing where the gap holds no clean marks.
QList<Mark> marksInGap(const QImage &picture, const QRect &line, const QRect &crop, const CtcDecoder::Result &read,
                       qsizetype next, const LineColours &colours)
{
    const int from = MarkPieces::pixelAt(crop, read, read.characters[next - 1].last);
    const int to = MarkPieces::pixelAt(crop, read, read.characters[next].first);
    const QRect region = QRect(QPoint(from, crop.top()), QPoint(to, crop.bottom())) & picture.rect();
    if (region.width() < 3)
        return {};
    const auto marks = marksOf(quoteTicksIn(picture, region, line, colours), line.height());
    if (!marks)
        return {};
    QList<Mark> found;
    for (qsizetype m = 0; m < marks->size(); ++m) {
        const QList<QRect> &ticks = marks->at(m);
        const int centre = (ticks.first().left() + ticks.last().right()) / 2;
        const bool closing = marks->size() == 2 ? m == 0 : centre < region.center().x();
        const QString &beside = read.characters[closing ? next - 1 : next].text;
        qCDebug(lcQuotes) << "gap before" << next << region << "ticks" << ticks << (closing ? "closing" : "opening");
        if (!isQuote(beside))
            found << Mark{next, closing, ticks.size() == 1 ? singleQuote : doubleQuote};
    }
    return found;
}

// Whether the marks added pair up: single ones open and close in turn, and the line's double
// ones come out even.
bool pairUp(const QList<Mark> &marks, const QString &text)
{
    bool open = false;
    int doubles = int(text.count(doubleQuote));
    for (const Mark &mark : marks) {
        if (mark.text == doubleQuote) {
            ++doubles;
            continue;
        }
        if (mark.closing != open)
            return false;
        open = !open;
    }
    return !open && doubles % 2 == 0;
}

} // namespace

bool QuoteTicks::addBetweenWords(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    if (characters.size() < 3 || read.pixelsPerStep <= 0 || LineTextRules::hasUnspacedScript(read.text))
        return false;
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    if (!colours)
        return false;
    QList<Mark> marks;
    for (qsizetype i = 1; i < characters.size(); ++i)
        if (characters[i].spaceBefore)
            marks << marksInGap(picture, line, crop, read, i, *colours);
    qCDebug(lcQuotes) << read.text << "marks between words" << marks.size();
    if (marks.isEmpty() || !pairUp(marks, read.text))
        return false;
    // From the end, so that the places found before stay where they were.
    for (auto mark = marks.crbegin(); mark != marks.crend(); ++mark) {
        CtcDecoder::Character quote;
        quote.text = mark->text;
        CtcDecoder::Character &next = characters[mark->before];
        if (mark->closing) {
            quote.first = quote.last = characters[mark->before - 1].last + 1;
        } else {
            quote.first = quote.last = std::max(next.first - 1, characters[mark->before - 1].last + 1);
            quote.spaceBefore = next.spaceBefore;
            next.spaceBefore = false;
        }
        characters.insert(mark->before, quote);
    }
    read.text = CtcDecoder::Result::joined(characters);
    return true;
}
