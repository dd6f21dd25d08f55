#include "rowreader.h"

#include "ocr/letters/commatails.h"
#include "ocr/letters/dashesbetweenwords.h"
#include "ocr/letters/fullstops.h"
#include "ocr/letters/gluedwords.h"
#include "ocr/letters/lettercase.h"
#include "ocr/letters/linetextrules.h"
#include "ocr/letters/loneletter.h"
#include "ocr/letters/quotemarks.h"
#include "ocr/letters/quoteticks.h"
#include "ocr/letters/wordgaps.h"
#include "ocr/letters/wordlist.h"
#include "ocr/letters/wordvote.h"
#include "textlinereader.h"

#include <QLoggingCategory>

#include <opencv2/core.hpp>

#include <algorithm>

// The engine's category: rows are read as part of its reading.
Q_LOGGING_CATEGORY(lcRows, "tarnix.ocr.ppocr", QtWarningMsg)

namespace {

// A line read with a token that is no word is read once more this much narrower: never a wider,
// costlier copy of the recogniser, and enough to change its slips.
constexpr double secondLookWidth = 0.87;
// A doubled letter seen in too few steps to be read twice gets more of them this much wider.
constexpr double widerLookWidth = 1.4;

bool hasLetterOrNumber(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber(); });
}

// The row's last piece as high as its line, beside which letters the detector cut off are looked
// for: specks boxed after it are not.
QRect lastPieceOfLine(const QList<QRect> &row, double minimumRowHeight)
{
    const int height = std::max_element(row.cbegin(), row.cend(), [](const QRect &a, const QRect &b) {
                           return a.height() < b.height();
                       })->height();
    const auto last = std::find_if(row.crbegin(), row.crend(),
                                   [&](const QRect &box) { return box.height() >= height * minimumRowHeight; });
    return last == row.crend() ? row.last() : *last;
}

} // namespace

RowReader::RowReader(TextLineReader &reader, const Settings &settings)
    : reader(reader), settings(settings)
{
}

RowReader::Row RowReader::read(const cv::Mat &bgr, const QImage &rgb, const QList<QRect> &row, const QRect &start)
{
    const QSize size(bgr.cols, bgr.rows);
    // Only a row's first piece can open with a dialogue dash; it is looked for beside the line's
    // own start (`start`), whose colours texture joined to the piece does not mix. The text after
    // it is read without it: shown the dash, the recogniser drops a narrow letter after it ("- I").
    std::optional<DialogueDash::Dash> dash = DialogueDash::find(rgb, start);
    Row read;
    QStringList pieces;
    bool firstKept = false;
    const QRect lastPiece = lastPieceOfLine(row, settings.minimumRowHeight);
    int readTo = -1;
    for (const QRect &box : row) {
        // A piece inside the letters already read on past a box is read with them.
        if (box.right() <= readTo)
            continue;
        const QRect crop = LineLayout::trimmedAtPanelEdges(rgb, LineLayout::crop(box, size, settings.margins), box);
        CtcDecoder::Result text;
        QRect piece = box, pieceCrop = crop;
        if (dash && box == row.first()) {
            text = readAfterDash(bgr, box, crop, dash, pieceCrop);
        } else {
            text = readCrop(bgr, crop);
            if (box == lastPiece) {
                text = withLettersAfter(bgr, rgb, piece, pieceCrop, std::move(text));
                readTo = piece.right();
            }
            // The line opens with the first piece that reads, not with a speck boxed before it.
            if (!dash && pieces.isEmpty())
                text = withLoneLetter(bgr, rgb, piece, pieceCrop, std::move(text));
        }
        text = withSecondLook(bgr, pieceCrop, std::move(text), box == lastPiece);
        withMarksSeen(rgb, piece, pieceCrop, box == lastPiece, text);
        // A piece boxed after the line, lower than its letters, is a speck of texture or of a
        // panel's edge read as a letter or a figure ("talking. 8"). An ideograph as flat as 一
        // can be boxed so and stays.
        const bool speckAfterLine = box.left() > lastPiece.right()
                                    && box.height() < lastPiece.height() * settings.minimumRowHeight
                                    && !text.text.isEmpty()
                                    && !LineTextRules::isUnspacedScript(text.text.toUcs4().constFirst());
        if (text.confidence >= settings.minimumConfidence && hasLetterOrNumber(text.text) && !speckAfterLine) {
            pieces << text.text;
            read.pieces << LineReading::Piece{text.text, box, text.confidence};
            read.characters += int(text.text.size());
            read.confidenceSum += text.confidence * float(text.text.size());
            firstKept = firstKept || box == row.first();
        }
    }
    if (dash && firstKept) {
        qCDebug(lcRows) << "dialogue dash at" << dash->bar;
        pieces.first() = DialogueDash::withDash(pieces.first(), dash->bar, row.first());
    }
    read.line = finishedLine(pieces);
    return read;
}

// The first piece read from after the dash, or from the dash where that reading lost a first
// word; `pieceCrop` becomes the crop read. Where the bar proves a stroke of the first letter,
// `dash` is dropped and the piece read whole.
CtcDecoder::Result RowReader::readAfterDash(const cv::Mat &bgr, const QRect &box, const QRect &crop,
                                            std::optional<DialogueDash::Dash> &dash, QRect &pieceCrop)
{
    pieceCrop.setLeft(std::clamp(dash->textStart, crop.left(), crop.right()));
    CtcDecoder::Result read = readCrop(bgr, pieceCrop);
    QRect fromDash = pieceCrop;
    fromDash.setLeft(std::max(0, dash->bar.left() - dash->bar.height()));
    if (settings.restoreSpaces && !read.text.isEmpty() && read.text.front().isLower()) {
        CtcDecoder::Result fromBar = readCrop(bgr, fromDash);
        if (DialogueDash::barIsLetterStroke(read, fromBar, WordList::english())) {
            dash.reset();
            pieceCrop = crop;
            return readCrop(bgr, crop);
        }
        if (auto found = DialogueDash::withLostFirstWord(read, std::move(fromBar), WordList::english())) {
            read = std::move(*found);
            pieceCrop = fromDash;
        }
    }
    // Inside the box, a bar before an ideograph may be its first stroke (一): that line is read
    // whole, and the recogniser tells the stroke from the dash.
    const bool barMayBeStroke = dash->bar.right() >= box.left() && !read.text.isEmpty()
                                && LineTextRules::isUnspacedScript(read.text.toUcs4().constFirst());
    if (barMayBeStroke) {
        pieceCrop = crop;
        read = readCrop(bgr, crop);
    }
    return read;
}

// Strokes and stops as the picture shows them around the piece read.
void RowReader::withMarksSeen(const QImage &rgb, const QRect &piece, const QRect &pieceCrop, bool lastPiece,
                              CtcDecoder::Result &read) const
{
    // The crop can hold the edge of a panel or of the ground where its margin could not be
    // trimmed (texture beyond it), read as an I or l at an end.
    LoneLetter::dropStrokesOfNoInk(rgb, piece, pieceCrop, read);
    if (lastPiece && !FullStops::keepSeen(rgb, piece, pieceCrop, read) && settings.restoreSpaces)
        FullStops::addSeen(rgb, piece, pieceCrop, read);
    if (lastPiece && settings.restoreSpaces)
        FullStops::addClosingQuote(rgb, piece, pieceCrop, read);
    if (settings.restoreSpaces) {
        QuoteTicks::addBetweenWords(rgb, piece, pieceCrop, read);
        FullStops::mendRunsOfMarks(rgb, piece, pieceCrop, read);
        DashesBetweenWords::mend(rgb, piece, pieceCrop, read);
        FullStops::dropStopsOfNoInk(rgb, piece, pieceCrop, read);
        FullStops::addCommasSeen(rgb, piece, pieceCrop, read);
        FullStops::addStopsBeforeCapitals(rgb, piece, pieceCrop, read);
        FullStops::commasBeforeSentences(rgb, piece, pieceCrop, WordList::english(), read);
        CommaTails::stopsWithoutTails(rgb, piece, pieceCrop, read, lastPiece);
        LetterCase::mendFromHeights(rgb, piece, pieceCrop, read);
    }
}

QString RowReader::finishedLine(const QStringList &pieces) const
{
    const QString joined =
        LineTextRules::mendedPronounI(DialogueDash::spacedLeadingDash(LineTextRules::joinWords(pieces)));
    const QString line =
        LineTextRules::mendedCapitalWords(LineTextRules::mendedSentenceStarts(
            LineTextRules::mendedFigures(LineTextRules::mendedTitles(joined))));
    if (!settings.restoreSpaces)
        return line;
    const WordList &words = WordList::english();
    const QString parted = GluedWords::partedStrokesI(LineTextRules::partedPronounI(line, words), words);
    const QString spoken =
        LineTextRules::withoutStopsBetweenWords(LineTextRules::mendedApostrophes(parted, words), words);
    return QuoteMarks::spaced(LineTextRules::commasBeforeSmallWords(LineTextRules::articleForAt(spoken, words)));
}

// A word of one letter before the line's first box, left out by the detector ("I" set apart by
// a monospaced face's space): the line is read again from it, and the reading kept where it is
// the first reading with one word of the list before it. Texture taken for a letter adds none.
// `crop` becomes the wider one kept.
CtcDecoder::Result RowReader::withLoneLetter(const cv::Mat &bgr, const QImage &rgb, const QRect &box,
                                               QRect &crop, CtcDecoder::Result read)
{
    // Ideographs are set without spaces: none stands apart from the next.
    if (read.text.isEmpty() || LineTextRules::isUnspacedScript(read.text.toUcs4().constFirst()))
        return read;
    const std::optional<int> left = LoneLetter::before(rgb, box);
    if (!left)
        return read;
    QRect widened = box;
    widened.setLeft(*left);
    const QRect wider =
        LineLayout::trimmedAtPanelEdges(rgb, LineLayout::crop(widened, QSize(bgr.cols, bgr.rows), settings.margins), widened);
    if (wider.left() >= crop.left())
        return read;
    CtcDecoder::Result second = readCrop(bgr, wider);
    const QString added = second.text.chopped(std::min(second.text.size(), read.text.size()));
    const bool sameLine = second.text.endsWith(read.text) && added.endsWith(QLatin1Char(' '));
    const QString word = added.trimmed();
    qCDebug(lcRows) << "lone letter before" << box << "read" << second.text;
    if (!sameLine || word.contains(QLatin1Char(' ')) || !WordList::english().contains(word))
        return read;
    crop = wider;
    return second;
}

// Letters running on past the row's last box, left out by the detector over busy texture ("nigh"
// for "night.", a last word lost): the piece is read again to where they end, and that reading
// kept where it reads the same letters first and only words of the list where it reads on.
// Texture taken for letters reads as no word. `box` and `crop` become the wider ones kept.
CtcDecoder::Result RowReader::withLettersAfter(const cv::Mat &bgr, const QImage &rgb, QRect &box, QRect &crop,
                                                 CtcDecoder::Result read)
{
    if (read.text.isEmpty() || LineTextRules::isUnspacedScript(read.text.toUcs4().constFirst()))
        return read;
    // Only letters running on past what the recogniser was shown: the line's last letter often
    // reaches a pixel past a tight box, inside the crop's margin.
    const std::optional<int> right = LoneLetter::after(rgb, box);
    if (!right || *right <= crop.right())
        return read;
    QRect widened = box;
    // Room for a mark ending the line after the last letter.
    widened.setRight(std::min(*right + box.height() / 3, bgr.cols - 1));
    const QRect wider = LineLayout::trimmedAtPanelEdges(
        rgb, LineLayout::crop(widened, QSize(bgr.cols, bgr.rows), settings.margins), widened);
    if (wider.right() <= crop.right())
        return read;
    CtcDecoder::Result second = readCrop(bgr, wider);
    qCDebug(lcRows) << "letters after" << box << "read" << second.text;
    const QString first = LineTextRules::lettersAndFigures(read.text);
    if (!LineTextRules::lettersAndFigures(second.text).startsWith(first))
        return read;
    // No letters past the box, but its edge can cut the mark ending the line, read then as
    // another ("construction:"): the wider look shows it whole.
    if (LineTextRules::lettersAndFigures(second.text) == first)
        return settings.restoreSpaces ? WordVote::withClosingMarkOf(std::move(read), second) : read;
    const qsizetype kept = LineTextRules::charactersOfWordsAfter(second.characters, first.size(), WordList::english());
    QList<CtcDecoder::Character> &characters = second.characters;
    if (LineTextRules::lettersAndFigures(CtcDecoder::Result::joined(characters.first(kept))).size() <= first.size() + 1)
        return read;
    crop = wider;
    // What follows the last word kept is texture: the box ends where that word does, and the
    // crop with it (from the same left edge, so the characters keep their places).
    if (kept < characters.size()) {
        const int end = wider.left() + int((characters[kept - 1].last + 1) * second.pixelsPerStep);
        widened.setRight(std::min(end + box.height() / 3, widened.right()));
        crop.setRight(std::min(wider.right(), LineLayout::crop(widened, QSize(bgr.cols, bgr.rows), settings.margins).right()));
        characters.resize(kept);
        second.text = CtcDecoder::Result::joined(characters);
    }
    box = widened;
    return second;
}

// An English line read with a token that is no word is read again narrower (WordVote), and wider
// where a token may have lost a doubled letter.
CtcDecoder::Result RowReader::withSecondLook(const cv::Mat &bgr, const QRect &crop, CtcDecoder::Result read,
                                             bool lineEnd)
{
    const WordList &words = WordList::english();
    if (!settings.restoreSpaces)
        return read;
    if (WordVote::hasNonWord(read.characters, words)) {
        const CtcDecoder::Result second = readCrop(bgr, crop, secondLookWidth);
        read = WordVote::mended(WordVote::withSpacesOf(std::move(read), second, words), second, words);
        if (lineEnd)
            read = WordVote::withFinalMarkOf(std::move(read), second);
        qCDebug(lcRows) << "second look" << second.text << "kept" << read.text;
    }
    if (!WordVote::hasLostDoubledLetter(read.characters, words))
        return read;
    // The letter read twice there often went into the next word ("wil lbe"): that word is
    // voted on too.
    const CtcDecoder::Result wider = readCrop(bgr, crop, widerLookWidth);
    read = WordVote::mended(WordVote::withDoubledLetters(std::move(read), wider, words), wider, words);
    qCDebug(lcRows) << "wider look" << wider.text << "kept" << read.text;
    return read;
}

CtcDecoder::Result RowReader::readCrop(const cv::Mat &bgr, const QRect &crop, double widthScale)
{
    const cv::Mat line = bgr(cv::Rect(crop.x(), crop.y(), crop.width(), crop.height()));
    CtcDecoder::Result read = reader.read(line, widthScale);
    qCDebug(lcRows) << crop << read.text << read.confidence;
    if (settings.restoreSpaces) {
        read.characters = WordGaps(line, read).spaced(WordList::english());
        read.text = CtcDecoder::Result::joined(read.characters);
    }
    if (LineTextRules::dropSpeckAfterEnd(read.characters))
        read.text = CtcDecoder::Result::joined(read.characters);
    return read;
}
