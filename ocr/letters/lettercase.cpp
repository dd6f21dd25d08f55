#include "lettercase.h"

#include "linecolours.h"
#include "markpieces.h"

#include <QLoggingCategory>

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

Q_LOGGING_CATEGORY(lcLetterCase, "tarnix.ocr.lettercase", QtWarningMsg)

namespace {

// Read small, these stand as high as the line's x-height.
const QString shortWhenSmall = QStringLiteral("acegmnopqrsuvwxyz");
// One shape in both cases: only the height tells them apart.
const QString sameShapes = QStringLiteral("cosuvwxz");

bool isLatinLetter(const CtcDecoder::Character &c)
{
    return c.text.size() == 1 && c.text.front().isLetter() && c.text.front().script() == QChar::Script_Latin;
}

// Capitals and ascenders reach the line's full height; J and Q may hang below it, i, j and t do
// not reach it.
bool reachesFullHeight(QChar c)
{
    return (c.isUpper() && c != QLatin1Char('J') && c != QLatin1Char('Q')) || QStringLiteral("bdfhkl").contains(c);
}

int median(std::vector<int> values)
{
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// The box (in the region) of the piece of ink under `column` whose middle is nearest it, no
// wider than a letter and holding no other letter read (`before`, `after`: their columns): the
// letter read there alone. Pieces cut by the region's top or bottom are texture running through.
std::optional<PixelBox> pieceAt(const ComponentLabelling::Labels &labels, int column, int before, int after,
                                int regionHeight, int lineHeight)
{
    std::optional<PixelBox> top;
    int nearest = 0;
    for (const ComponentLabelling::Run &run : labels.runs) {
        // The recogniser's step can fall just beside a narrow stem.
        const int reach = std::max(1, lineHeight / 12);
        if (run.left > column + reach || run.right < column - reach)
            continue;
        const PixelBox &b = labels.components[std::size_t(run.label)].box;
        // An outline or shadow joins the letters of a word, and letters set close touch ("of"):
        // such a piece's top is its tallest letter's.
        if (b.top == 0 || b.bottom >= regionHeight - 1 || b.height() * 5 < lineHeight || b.width() > lineHeight
            || b.left <= before || b.right >= after)
            continue;
        const int distance = std::abs(b.left + b.right - 2 * column);
        if (!top || distance < nearest) {
            top = b;
            nearest = distance;
        }
    }
    return top;
}

using Pieces = std::vector<std::optional<PixelBox>>;

// Each character's piece of `colour`, where found.
Pieces piecesOf(const QImage &picture, const QRect &region, const QRect &crop, const CtcDecoder::Result &read,
                QRgb colour, int tolerance, int lineHeight)
{
    const ComponentLabelling::Labels labels = MarkPieces::piecesOf(picture, region, colour, tolerance);
    std::vector<int> columns;
    for (const CtcDecoder::Character &c : read.characters)
        columns.push_back((MarkPieces::pixelAt(crop, read, c.first) + MarkPieces::pixelAt(crop, read, c.last + 1)) / 2
                          - region.left());
    Pieces pieces;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const int before = i > 0 ? columns[i - 1] : std::numeric_limits<int>::min();
        const int after = i + 1 < columns.size() ? columns[i + 1] : std::numeric_limits<int>::max();
        pieces.push_back(isLatinLetter(read.characters[qsizetype(i)])
                           ? pieceAt(labels, columns[i], before, after, region.height(), lineHeight)
                           : std::nullopt);
    }
    return pieces;
}

struct Heights
{
    int capitalTop = 0;
    int smallTop = 0;
    int baseline = 0;
    // Whether `piece` stands as tall as a capital on the letters' feet, no more than half again as
    // high as wide: a piece of texture joined to a letter makes it taller or wider. Ascenders,
    // which most of the line's full-height letters are, can reach higher than capitals (a tenth
    // in monospaced faces): the line drawn is nearer their top than the small letters'.
    bool tall(const PixelBox &piece) const
    {
        const int gap = smallTop - capitalTop;
        return (piece.top - capitalTop) * 5 <= gap * 2 && std::abs(piece.bottom - baseline) * 4 <= gap
               && piece.height() * 2 <= piece.width() * 3;
    }
    // Whether `piece` stands no taller than the small letters, on their feet.
    bool small(const PixelBox &piece) const
    {
        const int gap = smallTop - capitalTop;
        return (smallTop - piece.top) * 5 <= gap && std::abs(piece.bottom - baseline) * 4 <= gap;
    }
};

// The tops of the line's capitals and of its small letters, where they part clearly, and the row
// its letters stand on.
std::optional<Heights> heightsOf(const QList<CtcDecoder::Character> &characters, const Pieces &pieces)
{
    constexpr int fewestSmall = 3, fewestCapitals = 2, clearGap = 3;
    std::vector<int> capitals, small, feet;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (!pieces[i])
            continue;
        const QChar c = characters[qsizetype(i)].text.front();
        // Capitals of one shape with their small letters are what is in question.
        if (reachesFullHeight(c) && !sameShapes.contains(c.toLower()))
            capitals.push_back(pieces[i]->top);
        else if (shortWhenSmall.contains(c))
            small.push_back(pieces[i]->top);
        if (QStringLiteral("acemnorsuvwxz").contains(c))
            feet.push_back(pieces[i]->bottom);
    }
    if (int(small.size()) < fewestSmall || int(capitals.size()) < fewestCapitals || feet.empty())
        return std::nullopt;
    const Heights heights{median(capitals), median(small), median(feet)};
    if (heights.smallTop - heights.capitalTop < clearGap)
        return std::nullopt;
    return heights;
}

// The fill's pieces: of the line's two colours, the one that shows more of the letters read.
Pieces fillPieces(const QImage &picture, const QRect &region, const QRect &crop, const CtcDecoder::Result &read,
                  const LineColours &colours, int lineHeight)
{
    Pieces best;
    qsizetype bestFound = -1;
    for (const QRgb colour : {colours.light, colours.dark}) {
        Pieces pieces = piecesOf(picture, region, crop, read, colour, colours.tolerance, lineHeight);
        const auto found = std::count_if(pieces.cbegin(), pieces.cend(), [](const std::optional<PixelBox> &p) { return p.has_value(); });
        if (found > bestFound) {
            bestFound = found;
            best = std::move(pieces);
        }
    }
    return best;
}

// Changes the word [begin, end) of `characters`; whether any letter changed.
bool mendWord(QList<CtcDecoder::Character> &characters, qsizetype begin, qsizetype end, const Pieces &pieces,
              const Heights &heights)
{
    const auto tallAt = [&](qsizetype i) { return pieces[std::size_t(i)] && heights.tall(*pieces[std::size_t(i)]); };
    int smallRead = 0, smallTall = 0, capitals = 0;
    for (qsizetype i = begin; i < end; ++i) {
        if (isLatinLetter(characters[i]) && shortWhenSmall.contains(characters[i].text.front())) {
            ++smallRead;
            smallTall += tallAt(i);
        }
        capitals += isLatinLetter(characters[i]) && characters[i].text.front().isUpper();
    }
    // Every small letter as tall as a capital: a word in capitals ("YOU" read "you", "NOT" read
    // "NoT"). One such letter alone makes a word of capitals only beside two read so.
    if (smallTall == smallRead && (smallRead >= 2 || (smallRead == 1 && capitals >= 2))) {
        for (qsizetype i = begin; i < end; ++i)
            characters[i].text = characters[i].text.toUpper();
        return true;
    }
    const qsizetype first = characters[begin].text == QLatin1String("\"") && begin + 1 < end ? begin + 1 : begin;
    const QChar letter = characters[first].text.front();
    // An i's stem stands as high as the small letters, a capital I's as the capitals.
    const bool stroke = letter == QLatin1Char('I');
    if (!isLatinLetter(characters[first]) || !(stroke || sameShapes.contains(letter.toLower())))
        return false;
    if (letter.isLower() && !stroke && tallAt(first)) {
        characters[first].text = characters[first].text.toUpper();
        return true;
    }
    // A capital the recogniser made of a small letter after a comma or a word in small letters
    // ("minutes, Stop", "refractive Index"); where a sentence may open, the capital stays whatever
    // its height.
    const QString before = begin > 0 ? characters[begin - 1].text : QString();
    const bool insideSentence = before == QLatin1String(",") || before == QLatin1String(";")
                                || (begin > 0 && isLatinLetter(characters[begin - 1]) && before.front().isLower());
    const bool restSmall = first + 1 < end && characters[first + 1].text.front().isLower();
    if (letter.isUpper() && insideSentence && restSmall && pieces[std::size_t(first)]
        && heights.small(*pieces[std::size_t(first)])) {
        characters[first].text = characters[first].text.toLower();
        return true;
    }
    return false;
}

} // namespace

bool LetterCase::mendFromHeights(const QImage &picture, const QRect &line, const QRect &crop, CtcDecoder::Result &read)
{
    QList<CtcDecoder::Character> &characters = read.characters;
    const std::optional<LineColours> colours = LineColours::ofLine(picture, line);
    // The crop reaches past the detector's box, which can cut the tops of the tallest letters.
    const QRect region = crop & picture.rect();
    if (read.pixelsPerStep <= 0 || characters.isEmpty() || !colours || region.isEmpty())
        return false;
    const Pieces pieces = fillPieces(picture, region, crop, read, *colours, line.height());
    const std::optional<Heights> heights = heightsOf(characters, pieces);
    qCDebug(lcLetterCase) << read.text << "capitals' top" << (heights ? heights->capitalTop : -1) << "small letters'"
                          << (heights ? heights->smallTop : -1);
    if (!heights)
        return false;
    bool changed = false;
    qsizetype begin = 0;
    for (qsizetype i = 1; i <= characters.size(); ++i) {
        if (i < characters.size() && !characters[i].spaceBefore)
            continue;
        changed = mendWord(characters, begin, i, pieces, *heights) || changed;
        begin = i;
    }
    if (changed) {
        read.text = CtcDecoder::Result::joined(characters);
        qCDebug(lcLetterCase) << "capitals by height:" << read.text;
    }
    return changed;
}
