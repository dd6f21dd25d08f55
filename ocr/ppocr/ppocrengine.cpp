#include "ppocrengine.h"

#include "ocr/letters/linetextrules.h"
#include "ocr/letters/wordlist.h"
#include "ocr/letters/wordvote.h"
#include "ocr/opencvthreads.h"
#include "ppocrmodels.h"
#include "rowreader.h"
#include "sharpedgetext.h"
#include "textlinedetector.h"
#include "textlinereader.h"

#include <QDebug>
#include <QFile>
#include <QLoggingCategory>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <numeric>
#include <optional>
#include <cstdlib>

Q_LOGGING_CATEGORY(lcPpocr, "tarnix.ocr.ppocr", QtWarningMsg)

namespace {

// One thread per engine: the scan runs an engine per core and the decoder shares them.
constexpr int defaultOpenCvThreads = 1;

// Readings less sure than this are looked at again on the letters alone (SharpEdgeText); the
// second replaces the first when it has half as many characters again and is sure enough.
constexpr float unsureConfidence = 0.94f;
constexpr float moreCharacters = 1.5f;
constexpr float clearConfidence = 0.9f;
// A broken row's confidence says nothing of the letters cut off, so a reading in whole rows on
// the letters alone need not beat it, only be fairly sure and read a fifth more: what the pieces
// missed, not a dash or a mark.
constexpr float fairConfidence = 0.85f;
constexpr float moreThanBroken = 1.2f;
// A picture with hardly any sharp edges has no outlined letters to look at: on the benchmark,
// lines over cell texture keep 10 % of it and more, textured video frames without them 0 to 1.4 %.
constexpr double minimumKeptShare = 0.02;
// The detector's highest score anywhere in a picture with no text: most empty pictures leave less.
constexpr float traceOfText = 0.005f;
// Fewer characters than this read in a whole picture are a short word or two, or bits of lines.
constexpr int fragmentCharacters = 8;
// A row left out for its height is a line's, not a speck's or a dash's, from this many times
// the tallest box's height long.
constexpr int lowRowLength = 3;
// Rows this few pixels high where the detector looks hold letters at the least size it finds.
constexpr double smallestLetters = 10;

cv::Mat toBgr(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    cv::Mat bgr;
    cv::cvtColor(cv::Mat(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar *>(rgb.constBits()),
                         std::size_t(rgb.bytesPerLine())),
                 bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

// Whether each of `parts` is found in `whole`, spaces aside: a closer look that reads more than
// the first without what the first read has found something else.
bool holdsLines(const QStringList &whole, const QStringList &parts)
{
    const QString text = whole.join(QString()).remove(QLatin1Char(' '));
    return std::all_of(parts.cbegin(), parts.cend(), [&](const QString &part) {
        return text.contains(QString(part).remove(QLatin1Char(' ')));
    });
}

QStringList readDictionary(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}



} // namespace

PpocrEngine::PpocrEngine() = default;
PpocrEngine::~PpocrEngine() = default;

std::unique_ptr<PpocrEngine> PpocrEngine::create(const QString &modelDirectory, QString *error)
{
    *error = PpocrModels::problem(modelDirectory);
    if (!error->isEmpty())
        return nullptr;
    const QStringList dictionary = readDictionary(PpocrModels::dictionaryPath(modelDirectory));
    if (dictionary.isEmpty()) {
        *error = QStringLiteral("cannot read %1").arg(PpocrModels::dictionaryPath(modelDirectory));
        return nullptr;
    }
    OpenCvThreads::configure(defaultOpenCvThreads);
    std::unique_ptr<PpocrEngine> engine(new PpocrEngine);
    engine->detector = std::make_unique<TextLineDetector>();
    if (!engine->detector->load(PpocrModels::detectorPath(modelDirectory), error))
        return nullptr;
    const QList<int> widths = PpocrModels::recognizerWidths(modelDirectory);
    engine->reader = std::make_unique<TextLineReader>(modelDirectory, widths, dictionary);
    // Each width is a copy of the network of its own (tens of megabytes once loaded), and a run
    // of subtitles needs only a few of them: the narrowest loads now, to know the models read,
    // and the others when a line first needs them.
    if (!engine->reader->preload(widths.first(), error))
        return nullptr;
    return engine;
}

void PpocrEngine::setSettings(const Settings &newSettings)
{
    settings = newSettings;
    reader->setRestoreSpaces(settings.restoreSpaces);
    reader->setLatinOnly(settings.latinOnly);
}

QList<QList<QRect>> PpocrEngine::detectRows(const QImage &picture)
{
    return LineLayout::rows(detector->detect(toBgr(picture)));
}

// Same size, and no pixel of the half-size greyscale picture changed by more than compression
// noise does. One changed letter changes dozens of pixels by far more than that.
bool PpocrEngine::sameAsLastPicture(const QImage &picture)
{
    constexpr int noise = 40;
    constexpr int changedPixels = 4;
    const QImage grey = picture.scaled(picture.size() / 2).convertToFormat(QImage::Format_Grayscale8);
    const bool same = [&] {
        if (grey.size() != lastPicture.size())
            return false;
        int changed = 0;
        for (int y = 0; y < grey.height(); ++y) {
            const uchar *a = grey.constScanLine(y), *b = lastPicture.constScanLine(y);
            for (int x = 0; x < grey.width(); ++x)
                changed += std::abs(int(a[x]) - int(b[x])) > noise;
            if (changed > changedPixels)
                return false;
        }
        return true;
    }();
    lastPicture = grey;
    return same;
}

const PpocrEngine::Reading &PpocrEngine::latest(const QImage &picture)
{
    if (!settings.reuseUnchangedPicture || !sameAsLastPicture(picture))
        lastReading = readLines(picture);
    return lastReading;
}

QStringList PpocrEngine::recognizeLines(const QImage &picture)
{
    return latest(picture).lines;
}

QList<LineReading> PpocrEngine::recognizeDetailed(const QImage &picture)
{
    return latest(picture).details;
}

PpocrEngine::Reading PpocrEngine::readLines(const QImage &picture)
{
    Reading reading = readPicture(picture);
    // Texture can hide letters from the detector without a trace, but a picture with neither a
    // trace of text nor sharp edges (a gap between subtitles) is not looked at again.
    if (reading.noTrace && SharpEdgeText::isolate(picture).keptShare < minimumKeptShare)
        return reading;
    if (!betterOnSharpEdges(reading) || detectorSettings.edgeRows == 0)
        return withSharpEdges(picture, std::move(reading));
    // Rows added at the picture's edges let the detector find a line a tight crop cuts close, and
    // over busy stripes can cost it the others: a picture read unsure is read without them.
    const TextLineDetector::Settings withRows = detectorSettings;
    detectorSettings.edgeRows = 0;
    detector->setSettings(detectorSettings);
    Reading second = withSharpEdges(picture, readPicture(picture));
    detectorSettings = withRows;
    detector->setSettings(detectorSettings);
    withClosingMarksOf(second, reading);
    return second;
}

// A stop of a few pixels at a small size is read in one look at the picture and not in another;
// where there is none, neither look makes one up. Lines are paired where both looks read as many.
void PpocrEngine::withClosingMarksOf(Reading &reading, const Reading &other)
{
    if (!settings.restoreSpaces || reading.lines.size() != other.lines.size())
        return;
    for (qsizetype i = 0; i < reading.lines.size(); ++i) {
        if (!WordVote::takesFinalMark(reading.lines[i], other.lines[i]))
            continue;
        const QChar mark = other.lines[i].back();
        reading.lines[i] += mark;
        reading.details[i].text += mark;
        if (!reading.details[i].pieces.isEmpty())
            reading.details[i].pieces.last().text += mark;
    }
}

PpocrEngine::Reading PpocrEngine::withSharpEdges(const QImage &picture, Reading reading)
{
    // Busy texture can hide outlined letters from the detector or break them into pieces; a
    // reading that found nothing, was unsure or read a row in pieces is tried again on the
    // letters alone, and the second kept when it reads clearly more and is sure enough. Where
    // the detector found the lines only on a closer look, it may have boxed only part of them:
    // the letters alone show the rest.
    const bool unsure = betterOnSharpEdges(reading);
    const bool partly = settings.lookAtSharpEdges && reading.textHidden && !reading.rowsRead.isEmpty();
    const bool lowRows = settings.lookAtSharpEdges && !reading.lowRows.isEmpty();
    if (!unsure && !partly && !lowRows)
        return reading;
    const SharpEdgeText::Isolated isolated = SharpEdgeText::isolate(picture);
    qCDebug(lcPpocr) << "sharp edges keep" << isolated.keptShare << "of the picture after" << reading.lines
                     << reading.confidence();
    if (isolated.keptShare < minimumKeptShare)
        return reading;
    std::optional<QList<QRect>> sharpBoxes;
    if (unsure || lowRows) {
        Reading second = readPicture(isolated.picture);
        // Flattening the ground can cut into thin letters (spaces and apostrophes lost): the lines
        // found on the letters alone are read on the picture too, the surer reading kept.
        if (!second.boxes.isEmpty()) {
            Reading onPicture =
                readDetected(toBgr(picture), picture.convertToFormat(QImage::Format_RGB32), second.boxes);
            qCDebug(lcPpocr) << "sharp boxes on the picture:" << onPicture.lines << onPicture.confidence();
            if (onPicture.characters >= second.characters && onPicture.confidence() > second.confidence())
                second = std::move(onPicture);
        }
        qCDebug(lcPpocr) << "on sharp edges:" << second.lines << second.confidence();
        if (unsure && readsBetter(second, reading))
            return second;
        withLinesOfLowRows(reading, second);
        sharpBoxes = second.boxes;
    }
    if (!partly)
        return reading;
    if (!sharpBoxes)
        sharpBoxes = detector->detect(toBgr(isolated.picture));
    return extendedOnSharpEdges(picture, *sharpBoxes, std::move(reading));
}

// A line read surely on the letters alone where the detector had boxed only a low row, and no row
// read lies, is a line the first look left out. Elsewhere the letters alone show texture too.
void PpocrEngine::withLinesOfLowRows(Reading &reading, const Reading &sharp)
{
    const auto overlapsRows = [](const QRect &box, const QList<QRect> &rows) {
        return std::any_of(rows.cbegin(), rows.cend(), [&](const QRect &row) { return box.intersects(row); });
    };
    for (qsizetype i = 0; i < sharp.details.size(); ++i) {
        const LineReading &line = sharp.details[i];
        if (line.confidence < clearConfidence || line.text.size() < fragmentCharacters
            || !overlapsRows(line.box, reading.lowRows) || overlapsRows(line.box, reading.rowsRead))
            continue;
        qCDebug(lcPpocr) << "line of a low row:" << line.text << line.confidence;
        qsizetype at = 0;
        while (at < reading.rowsRead.size() && reading.rowsRead[at].center().y() < line.box.center().y())
            ++at;
        reading.lines.insert(at, line.text);
        reading.details.insert(at, line);
        reading.rowsRead.insert(at, line.box);
        const int characters = int(line.text.size());
        reading.characters += characters;
        reading.confidenceSum += line.confidence * float(characters);
    }
}

// The rows read are extended by what the detector boxes in them on the letters alone
// (`sharpBoxes`), and read again on the picture itself. Lines the first look did not read are not
// looked for: on busy texture the letters alone show stray pieces of it too.
PpocrEngine::Reading PpocrEngine::extendedOnSharpEdges(const QImage &picture, const QList<QRect> &sharpBoxes,
                                                       Reading first)
{
    const QList<QRect> boxes = LineLayout::withPiecesOfRows(first.boxes, first.rowsRead, sharpBoxes);
    if (boxes.size() == first.boxes.size())
        return first;
    Reading extended = readDetected(toBgr(picture), picture.convertToFormat(QImage::Format_RGB32), boxes);
    qCDebug(lcPpocr) << "extended on sharp edges:" << extended.lines << extended.confidence();
    const bool readsMore = extended.characters > first.characters && extended.lines.size() >= first.lines.size();
    return readsMore && extended.confidence() >= clearConfidence ? extended : first;
}

bool PpocrEngine::readsBetter(const Reading &second, const Reading &first)
{
    // The same letters in more words, read surely: on the letters alone the gaps show that
    // texture had filled. Nothing but spaces is added.
    const auto letters = [](const Reading &reading) { return reading.lines.join(QString()).remove(QLatin1Char(' ')); };
    const auto spaces = [](const Reading &reading) { return reading.lines.join(QString()).count(QLatin1Char(' ')); };
    if (second.lines.size() == first.lines.size() && spaces(second) > spaces(first) && letters(second) == letters(first)
        && second.confidence() >= std::max(first.confidence(), clearConfidence))
        return true;
    // The same lines without the texture the first look read on past their ends, read surely.
    if (LineTextRules::dropsOnlyTailsOfNoWords(first.lines, second.lines, WordList::english())
        && second.confidence() >= std::max(first.confidence(), clearConfidence))
        return true;
    // The same words read whole rather than in pieces, and surer: where the pieces meet, the
    // recogniser sees only part of the letters around a mark and makes one up or drops one
    // ("lemming's", a final "!" lost).
    if (first.brokenRow && !second.brokenRow && LineTextRules::differOnlyInMarks(first.lines, second.lines)
        && second.confidence() >= std::max(first.confidence(), clearConfidence))
        return true;
    if (first.brokenRow && !second.brokenRow)
        return second.characters >= moreThanBroken * float(first.characters) && second.confidence() >= fairConfidence;
    return second.characters >= moreCharacters * float(first.characters) + 1
           && second.confidence() >= std::max(first.confidence(), clearConfidence);
}

bool PpocrEngine::betterOnSharpEdges(const Reading &first) const
{
    return settings.lookAtSharpEdges
           && (first.characters == 0 || first.confidence() < unsureConfidence || first.brokenRow);
}

PpocrEngine::Reading PpocrEngine::readPicture(const QImage &picture)
{
    const cv::Mat bgr = toBgr(picture);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    Reading reading = readDetected(bgr, rgb, detector->detect(bgr));
    reading.noTrace = reading.boxes.isEmpty() && detector->lastPeak() < traceOfText;
    // Busy texture (cellular patterns, stripes) can hide large letters from the detector at the
    // scale it works at; where it saw a trace of text in a picture it shrank but read nothing, or
    // only fragments (two lines over stripes read 'em', or 'them u' and 'dchildr' in rows as small
    // as the detector's least letters), it looks once more at up to twice that size. Fragments
    // give way to a reading of more that holds them, or, where they were read unsure, to a sure
    // reading of far more: texture misreads the bits of letters it boxes ('btho' in 'those').
    const int longest = std::max(bgr.cols, bgr.rows);
    const double scale = double(detectorSettings.longestSide) / std::max(1, longest);
    const bool smallRows = !reading.rowsRead.isEmpty()
                           && std::all_of(reading.rowsRead.cbegin(), reading.rowsRead.cend(), [&](const QRect &row) {
                                  return row.height() * scale < smallestLetters;
                              });
    const bool fragments = reading.characters < fragmentCharacters || smallRows;
    if (fragments && scale < 1 && detector->lastPeak() >= traceOfText) {
        TextLineDetector::Settings larger = detectorSettings;
        larger.longestSide = std::min(longest, 2 * detectorSettings.longestSide);
        detector->setSettings(larger);
        Reading closer = readDetected(bgr, rgb, detector->detect(bgr));
        detector->setSettings(detectorSettings);
        const bool holds = closer.characters > reading.characters && holdsLines(closer.lines, reading.lines);
        const bool surer = reading.confidence() < unsureConfidence && closer.confidence() >= clearConfidence
                           && closer.characters >= moreCharacters * float(reading.characters) + 1;
        if (reading.lines.isEmpty() || holds || surer) {
            reading = std::move(closer);
            reading.textHidden = true;
        }
    }
    return reading;
}

PpocrEngine::Reading PpocrEngine::readDetected(const cv::Mat &bgr, const QImage &rgb, const QList<QRect> &boxes)
{
    qCDebug(lcPpocr) << "detected:" << boxes;
    const QList<QList<QRect>> rows = LineLayout::rows(boxes);
    const RowReader::Settings rowSettings{settings.margins, settings.minimumConfidence, settings.minimumRowHeight,
                                          settings.restoreSpaces};
    Reading reading;
    reading.boxes = boxes;
    int tallest = 0;
    for (const QList<QRect> &row : rows)
        for (const QRect &box : row)
            tallest = std::max(tallest, box.height());
    for (const QList<QRect> &row : rows) {
        const int height = std::max_element(row.cbegin(), row.cend(), [](const QRect &a, const QRect &b) {
                               return a.height() < b.height();
                           })->height();
        const QRect bounds = std::accumulate(row.cbegin(), row.cend(), QRect(),
                                             [](const QRect &a, const QRect &b) { return a.united(b); });
        if (height < tallest * settings.minimumRowHeight) {
            if (bounds.width() >= lowRowLength * tallest)
                reading.lowRows << bounds;
            continue;
        }
        // Pieces as high as the line's: a dash or a speck of texture boxed apart does not break it.
        const auto piecesOfLine = std::count_if(row.cbegin(), row.cend(), [&](const QRect &box) {
            return box.height() >= height * settings.minimumRowHeight;
        });
        reading.brokenRow = reading.brokenRow || piecesOfLine > 1;
        const QRect start = LineLayout::firstPiece(row.first(), boxes, settings.minimumRowHeight);
        const RowReader::Row read = RowReader(*reader, rowSettings).read(bgr, rgb, row, start);
        reading.characters += read.characters;
        reading.confidenceSum += read.confidenceSum;
        if (!read.line.isEmpty()) {
            reading.lines << read.line;
            LineReading detail{read.line, QRect(), -1, read.pieces};
            for (const LineReading::Piece &piece : detail.pieces)
                detail.box |= piece.box;
            if (read.characters > 0)
                detail.confidence = read.confidenceSum / float(read.characters);
            reading.details << detail;
            reading.rowsRead << bounds;
        }
    }
    return reading;
}
