#include "wordgaps.h"

#include "gluedwords.h"
#include "linetextrules.h"
#include "lookalikewords.h"
#include "ocr/ink/inkreading.h"
#include "wordlist.h"

#include <QImage>

#include <QLoggingCategory>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>

Q_LOGGING_CATEGORY(lcWordGaps, "tarnix.ocr.wordgaps", QtWarningMsg)

namespace {

bool isEndOfWord(const QString &symbol)
{
    return CtcDecoder::isWordCharacter(symbol) || QStringLiteral(",.!?").contains(symbol);
}

double median(std::vector<int> values)
{
    if (values.empty())
        return -1;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Line crops are looked at this high: tall enough for the gap between two letters of a word to
// show, small enough to cost little beside the reading.
constexpr int analysisHeight = 48;
// How much wider than the line's letter spacing, in letter heights, a gap must be to be a space
// by itself (beside word gaps read on the line, or alone), or to be one the word list may settle.
constexpr double clearWider = 0.15;
constexpr double widerAlone = 0.25;
constexpr double openWider = 0.08;
// Of the line's usual word gap, measured without the fainter ink that narrows every gap a little.
constexpr double wordGapShare = 0.8;
// A line where this share of the gaps between letters shows no empty column at all has its gaps
// filled by outlines, shadows or texture: the picture cannot rule a space out there.
constexpr double filledShare = 0.25;

QImage analysisCopy(const cv::Mat &bgr)
{
    cv::Mat small = bgr;
    if (bgr.rows > analysisHeight)
        cv::resize(bgr, small, cv::Size(std::max(1, bgr.cols * analysisHeight / bgr.rows), analysisHeight), 0, 0,
                   cv::INTER_AREA);
    cv::Mat bgra;
    cv::cvtColor(small, bgra, cv::COLOR_BGR2BGRA);
    return QImage(bgra.data, bgra.cols, bgra.rows, int(bgra.step), QImage::Format_RGB32).copy();
}

} // namespace

WordGaps::WordGaps(const cv::Mat &bgrLine, const CtcDecoder::Result &read)
    : characters(read.characters), pixelsPerStep(read.pixelsPerStep)
{
    // Lines of ideographs alone have no gap to measure, and are not looked at.
    for (qsizetype i = 1; i < characters.size() && !latin; ++i)
        latin = measurable(i);
    if (bgrLine.empty() || !latin)
        return;
    const QImage picture = analysisCopy(bgrLine);
    scale = double(picture.width()) / bgrLine.cols;
    // The letters as the ink reading finds them: the row with the most, its glyphs' columns inked.
    const InkReading reading = InkReading::best(
        picture, {Ink{InkKind::Luma, 0}, Ink{InkKind::InverseLuma, 0}, Ink{InkKind::Whiteness, 0}});
    const auto fullest = std::max_element(reading.rows.cbegin(), reading.rows.cend(),
                                          [](const RowRules::Row &a, const RowRules::Row &b) {
                                              return a.glyphs.size() < b.glyphs.size();
                                          });
    if (fullest == reading.rows.cend())
        return;
    bandHeight = fullest->letterHeight;
    foot = footOf(reading, *fullest);
    ink.assign(std::size_t(picture.width()), 0);
    // Ground shut in between the outlines of two words can pass the threshold too (a bright
    // background behind yellow letters): pieces much fainter than the letters are not theirs.
    const int level = (reading.threshold + lettersLevel(reading.labels, fullest->box)) / 2;
    addInk(reading.labels, fullest->box, ink, level);
    findApostrophes(reading.labels, fullest->box, level);
    // Thin strokes fall below the reading's threshold where the copy is small (the arm of a serif
    // T over the next letter): a gap must be empty of fainter ink too. The line's spacing is
    // measured without it, as the haze of outlines fills the gaps between letters.
    const InkReading faint = InkReading::at(InkPlane(picture, reading.ink), reading.ink, reading.threshold * 2 / 3);
    faintInk = ink;
    addInk(faint.labels, fullest->box, faintInk, 0);
    lastIsStop = endsWithStop(reading, *fullest);
}

// A comma ending the line is a full stop where the picture shows a dot on the letters' foot
// there, not a tail reaching below it. Only a comma becomes a full stop: outlines and shadows can
// lengthen a dot, never shorten a comma's tail. Inside a line the small letters of a 480p frame
// show a comma's tail too short to tell (LineTextRules mends the titles there, "Mr,").
bool WordGaps::endsWithStop(const InkReading &reading, const RowRules::Row &row) const
{
    if (characters.last().text != QLatin1String(","))
        return false;
    const PixelBox *mark = markAt(reading, row, characters.size() - 1);
    return mark && mark->bottom - foot <= 0 && mark->height() <= mark->width() + 1;
}

// Where the letters of the row stand: the median of their glyphs' bottoms.
int WordGaps::footOf(const InkReading &reading, const RowRules::Row &row)
{
    std::vector<int> bottoms;
    for (const int glyph : row.glyphs)
        bottoms.push_back(reading.glyphs.glyphs[std::size_t(glyph)].box.bottom);
    return int(median(bottoms));
}

// The small piece of ink nearest the foot where the recogniser saw character `i`, if any.
const PixelBox *WordGaps::markAt(const InkReading &reading, const RowRules::Row &row, qsizetype i) const
{
    const int at = int((characters[i].first + characters[i].last + 1) * 0.5 * pixelsPerStep * scale);
    const PixelBox *mark = nullptr;
    for (const ComponentLabelling::Component &piece : reading.labels.components) {
        const PixelBox &box = piece.box;
        const bool small = box.width() <= bandHeight / 3 && box.height() <= bandHeight / 2;
        const bool near = std::abs((box.left + box.right) / 2 - at) <= bandHeight / 3;
        if (small && near && box.top > row.box.top + bandHeight / 3 && box.top <= foot
            && (!mark || std::abs(box.bottom - foot) < std::abs(mark->bottom - foot)))
            mark = &box;
    }
    return mark;
}

// Every piece of ink standing in the row counts whole, whether or not it passed for a letter: a
// letter missed would open a false gap. Blobs reaching far above or below are background, and so
// are those far taller than the row: ground the letters' colour shows behind a line whose band
// fills the crop (yellow letters over a yellow bar) reaches both its edges.
void WordGaps::addInk(const ComponentLabelling::Labels &labels, const PixelBox &row, std::vector<int> &columns,
                      int minimumLevel) const
{
    const int reach = bandHeight / 2;
    for (const ComponentLabelling::Run &run : labels.runs) {
        const ComponentLabelling::Component &component = labels.components[std::size_t(run.label)];
        const PixelBox &piece = component.box;
        if (piece.bottom < row.top || piece.top > row.bottom || piece.top < row.top - reach
            || piece.bottom > row.bottom + reach || piece.height() > row.height() + reach
            || component.inkSum < minimumLevel * component.area || isShutInGround(piece, row))
            continue;
        for (int x = std::max(0, run.left); x <= std::min(run.right, int(columns.size()) - 1); ++x)
            ++columns[std::size_t(x)];
    }
}

// Thick outlines of two words close to each other merge and shut in a speck of the ground
// between them, which shows as ink where the ground has the letters' colour (yellow letters over
// a yellow bar) and fills the word gap. No mark stands there: apostrophes and dots keep to the
// letters' top, stops and commas reach their foot, and a dash is read as a character of its own.
// Specks reaching the foot are left: thin letters under an outline break into such pieces.
bool WordGaps::isShutInGround(const PixelBox &piece, const PixelBox &row) const
{
    return 2 * piece.height() < bandHeight && 2 * piece.width() < bandHeight && 2 * (piece.top - row.top) >= bandHeight
           && piece.bottom <= foot - bandHeight / 8;
}

// Marks standing free at the letters' top, taller than wide and as strong as the letters: the
// apostrophes, which the recogniser can lose between two letters ("Its", "Were"). The dots of i
// are as wide as tall, and stand over their stems.
void WordGaps::findApostrophes(const ComponentLabelling::Labels &labels, const PixelBox &row, int minimumLevel)
{
    // Letters over the mark's columns; ground far taller than the row is none (see addInk).
    const auto tall = [&](const PixelBox &box) {
        return 2 * box.height() >= bandHeight && box.height() <= row.height() + bandHeight / 2;
    };
    for (const ComponentLabelling::Component &piece : labels.components) {
        const PixelBox &box = piece.box;
        const bool atTop = std::abs(box.top - row.top) <= bandHeight / 5 && 2 * (box.bottom - row.top) < bandHeight;
        const bool shaped = 6 * box.height() >= bandHeight && 3 * box.width() <= 2 * box.height() + 1;
        if (!atTop || !shaped || piece.inkSum < minimumLevel * piece.area)
            continue;
        const bool free = std::none_of(labels.components.cbegin(), labels.components.cend(), [&](const auto &other) {
            return tall(other.box) && other.box.right >= box.left && other.box.left <= box.right
                   && other.box.bottom >= row.top && other.box.top <= row.bottom;
        });
        if (free)
            apostrophes.push_back((box.left + box.right) / 2);
    }
}

// An apostrophe the picture shows between two letters of a token is put back where the word
// with it is one of the list; the list alone cannot tell "it's" from "its". A letter read where
// the picture shows that mark alone ("Iod") is the mark, where the token is no word and is one
// with it.
void WordGaps::restoreApostrophes(QList<CtcDecoder::Character> &line, const WordList &words) const
{
    const auto isLetter = [](const CtcDecoder::Character &c) { return c.text.size() == 1 && c.text.at(0).isLetter(); };
    for (qsizetype i = 1; i + 1 < line.size(); ++i) {
        const int at = middle(line[i]);
        if (line[i].spaceBefore || line[i + 1].spaceBefore || !isLetter(line[i])
            || std::none_of(apostrophes.cbegin(), apostrophes.cend(),
                            [&](int x) { return 4 * std::abs(x - at) <= bandHeight; }))
            continue;
        const QStringList parts = halves(line, i);
        if (!words.contains(parts.join(QString()))
            && words.contains(parts[0] + QLatin1Char('\'') + parts[1].mid(1))) {
            qCDebug(lcWordGaps) << "apostrophe read as" << line[i].text << "in" << parts;
            line[i].text = QStringLiteral("'");
        }
    }
    for (qsizetype i = line.size() - 1; i > 0; --i) {
        if (line[i].spaceBefore || !isLetter(line[i - 1]) || !isLetter(line[i]))
            continue;
        const int from = middle(line[i - 1]), to = middle(line[i]);
        if (std::none_of(apostrophes.cbegin(), apostrophes.cend(), [&](int x) { return x > from && x < to; }))
            continue;
        const QStringList parts = halves(line, i);
        if (!words.contains(parts[0] + QLatin1Char('\'') + parts[1]))
            continue;
        qCDebug(lcWordGaps) << "apostrophe in" << parts;
        line.insert(i, CtcDecoder::Character{QStringLiteral("'"), line[i - 1].last, line[i].first, false, 1, {}, 0});
    }
}

// How strong the letters' ink is: the median of the pieces as tall as half a letter in the row.
int WordGaps::lettersLevel(const ComponentLabelling::Labels &labels, const PixelBox &row) const
{
    std::vector<int> levels;
    for (const ComponentLabelling::Component &piece : labels.components)
        if (piece.area > 0 && piece.box.top >= row.top && piece.box.bottom <= row.bottom
            && 2 * piece.box.height() >= bandHeight)
            levels.push_back(piece.inkSum / piece.area);
    return levels.empty() ? 0 : int(median(levels));
}

bool WordGaps::measurable(qsizetype i) const
{
    return i > 0 && i < characters.size() && isEndOfWord(characters[i - 1].text)
           && CtcDecoder::isWordCharacter(characters[i].text)
           && !(characters[i - 1].text.at(0).isPunct() && characters[i].text.at(0).isDigit());
}

// Where the recogniser saw a character, in the analysis copy's columns.
int WordGaps::middle(const CtcDecoder::Character &c) const
{
    return int((c.first + c.last + 1) * 0.5 * pixelsPerStep * scale);
}

// The widest run of empty columns between the middles of the two characters.
int WordGaps::gapBefore(qsizetype i, const std::vector<int> &columns) const
{
    if (columns.empty() || i <= 0 || i >= characters.size())
        return 0;
    const int from = std::clamp(middle(characters[i - 1]), 0, int(columns.size()));
    const int to = std::clamp(middle(characters[i]), from, int(columns.size()));
    int widest = 0, run = 0;
    for (int x = from; x < to; ++x) {
        run = columns[std::size_t(x)] == 0 ? run + 1 : 0;
        widest = std::max(widest, run);
    }
    return widest;
}

double WordGaps::letterSpacing() const
{
    std::vector<int> gaps;
    for (qsizetype i = 1; i < characters.size(); ++i)
        if (measurable(i) && !characters[i].spaceBefore && characters[i - 1].text.at(0).isLetterOrNumber())
            gaps.push_back(gapBefore(i, ink));
    return median(gaps);
}

double WordGaps::wordSpacing() const
{
    std::vector<int> gaps;
    for (qsizetype i = 1; i < characters.size(); ++i)
        if (measurable(i) && characters[i].spaceBefore)
            gaps.push_back(gapBefore(i, ink));
    return median(gaps);
}

// The word around the pair before `character`, in two halves at the pair.
QStringList WordGaps::halves(const QList<CtcDecoder::Character> &line, qsizetype character)
{
    qsizetype from = character - 1, to = character + 1;
    while (from > 0 && !line[from].spaceBefore)
        --from;
    while (to < line.size() && !line[to].spaceBefore)
        ++to;
    QList<CtcDecoder::Character> left = line.mid(from, character - from), right = line.mid(character, to - character);
    left.first().spaceBefore = right.first().spaceBefore = false;
    return {CtcDecoder::Result::joined(left), CtcDecoder::Result::joined(right)};
}

QList<CtcDecoder::Character> WordGaps::spaced(const WordList &words) const
{
    QList<CtcDecoder::Character> line = characters;
    if (!latin)
        return line;
    if (lastIsStop) {
        qCDebug(lcWordGaps) << "final comma is a full stop";
        line.last().text = QStringLiteral(".");
    }
    std::vector<int> gaps(std::size_t(line.size()), -1);
    double wordGap = 0;
    if (!ink.empty())
        wordGap = spaceWideGaps(line, words, gaps);
    else
        for (qsizetype i = 1; i < line.size(); ++i)
            gaps[std::size_t(i)] = measurable(i) ? 0 : -1;
    LineTextRules::spacedAfterMarks(line);
    GluedWords::part(line, gaps, words, wordGap);
    GluedWords::shiftOffSpaces(line, words);
    if (!words.isEmpty())
        restoreApostrophes(line, words);
    LookalikeWords::mend(line, words);
    return line;
}

// Spaces where the gap is clearly wider than the letter spacing; in `gaps`, the gaps left where
// the picture does not rule a space out, for the word list to settle, and the width from which a
// gap is clearly a space, returned.
double WordGaps::spaceWideGaps(QList<CtcDecoder::Character> &line, const WordList &words, std::vector<int> &gaps) const
{
    const double letters = std::max(0.0, letterSpacing());
    const double spaces = wordSpacing();
    const bool filled = letters <= 0 || filledGaps() >= filledShare;
    // On the benchmark's strips, letter gaps measure up to 0.1-0.15 of the letter height more
    // than the line's median (after "r", around "l"); word gaps the recogniser read sit well
    // apart from them. Without a word gap read on the line, only a wide gap is taken.
    const double clear = spaces > 0 ? std::max((letters + spaces) / 2, letters + clearWider * bandHeight)
                                    : letters + widerAlone * bandHeight;
    const double open = letters + openWider * bandHeight;
    joinSplitWords(line, words, clear);
    std::vector<int> raw(gaps.size(), -1), plain(gaps.size(), -1);
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (!measurable(i) || line[i].spaceBefore)
            continue;
        const int gap = gapBefore(i, faintInk);
        // Fainter ink takes in texture too, and outlines merged with it can fill a word gap that
        // the letters themselves leave open: the gaps are weighed in the letters' ink, and one
        // wider there than the line's letter spacing is left to the word list however the fainter
        // ink fills it ("Callthe" in small outlined letters).
        const int plainGap = gapBefore(i, ink);
        qCDebug(lcWordGaps) << CtcDecoder::Result::joined(characters) << line[i - 1].text + line[i].text << gap
                            << plainGap << "letters" << letters << "words" << spaces << "height" << bandHeight;
        raw[std::size_t(i)] = gap;
        plain[std::size_t(i)] = plainGap;
        if (filled || gap > letters || plainGap > letters)
            gaps[std::size_t(i)] = plainGap;
        // A comma or mark ending a clause, then a letter, clearly apart in the letters' ink: the
        // words around may be misread, but no word holds the mark ("mistakes,even").
        const bool afterMark = QStringLiteral(",;!?").contains(line[i - 1].text) && line[i].text.at(0).isLetter();
        line[i].spaceBefore = afterMark && plainGap >= clear;
        if (line[i].spaceBefore || gap < open || gap <= letters)
            continue;
        // Where the picture leaves the gap open, a glued pair that is not a word but two words is
        // parted. A word (or one with a letter misread) is parted only into words, and by a gap as
        // wide as the line's word gaps: texture merged with a letter can hide it from the ink and
        // open a false gap ("ti me"), and "rn" read for "m" opens one of its own.
        const QStringList parts = halves(characters, i);
        const bool bothWords = words.contains(parts[0]) && words.contains(parts[1]);
        const QString glued = parts.join(QString());
        if (words.contains(glued) || GluedWords::isMisreadWord(glued, words))
            line[i].spaceBefore = bothWords && spaces > 0 && gap >= std::max(clear, wordGapShare * spaces);
        else
            line[i].spaceBefore = gap >= clear || bothWords;
    }
    openFilledWords(line, raw, plain, gaps);
    return clear;
}

// The recogniser's space can part a word too ("ma ke", "somew here"): where a half is no word,
// the two read together are one, and the picture shows no gap clearly a space, they are joined.
void WordGaps::joinSplitWords(QList<CtcDecoder::Character> &line, const WordList &words, double clear) const
{
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (!line[i].spaceBefore || !measurable(i) || !characters[i - 1].text.at(0).isLetter())
            continue;
        const QStringList parts = halves(line, i);
        if ((words.contains(parts[0]) && words.contains(parts[1])) || gapBefore(i, ink) >= clear)
            continue;
        if (words.contains(parts.join(QString()))) {
            qCDebug(lcWordGaps) << "joined" << parts;
            line[i].spaceBefore = false;
        }
    }
}

// Texture can fill the gaps of one word alone: where most gaps inside a word as read show no
// empty column, the picture rules none of them out.
void WordGaps::openFilledWords(const QList<CtcDecoder::Character> &line, const std::vector<int> &raw,
                               const std::vector<int> &plain, std::vector<int> &gaps)
{
    qsizetype from = 0;
    while (from < line.size()) {
        qsizetype to = from + 1;
        int measured = 0, closed = 0;
        for (; to < line.size() && !line[to].spaceBefore; ++to) {
            measured += raw[std::size_t(to)] >= 0;
            closed += raw[std::size_t(to)] == 0;
        }
        if (measured >= 2 && 2 * closed >= measured)
            for (qsizetype i = from + 1; i < to; ++i)
                if (raw[std::size_t(i)] >= 0)
                    gaps[std::size_t(i)] = std::max(gaps[std::size_t(i)], plain[std::size_t(i)]);
        from = to;
    }
}

// The share of gaps between letters of a word that show no empty column.
double WordGaps::filledGaps() const
{
    int pairs = 0, closed = 0;
    for (qsizetype i = 1; i < characters.size(); ++i) {
        if (measurable(i) && !characters[i].spaceBefore && characters[i - 1].text.at(0).isLetterOrNumber()) {
            ++pairs;
            closed += gapBefore(i, faintInk) == 0;
        }
    }
    return pairs > 0 ? double(closed) / pairs : 0;
}
