#pragma once

#include "ctcdecoder.h"
#include "ocr/linereading.h"
#include "linelayout.h"
#include "textlinedetector.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

namespace cv {
class Mat;
}

class TextLineReader;

// PP-OCR text recognition: lines found by the detector, cropped with a margin, read by the
// recogniser, put in reading order. Its dictionary holds Chinese and printable ASCII.
class PpocrEngine
{
public:
    struct Settings
    {
        LineLayout::Margins margins;
        float minimumConfidence = 0.5f; // lines read with less are background
        bool restoreSpaces = true;      // from the gaps in the recogniser's path (CtcDecoder)
        bool latinOnly = false;         // lines of a Latin-script language alone (LatinHead)
        // Rows lower than this fraction of the tallest are background writing, not subtitles.
        double minimumRowHeight = 0.6;
        bool reuseUnchangedPicture = true; // off to time every reading
        // A reading that is empty or unsure is tried again on the picture's sharp edges alone.
        bool lookAtSharpEdges = true;
    };

    ~PpocrEngine();
    PpocrEngine(const PpocrEngine &) = delete;
    PpocrEngine &operator=(const PpocrEngine &) = delete;

    // Null with `error` set when the models are missing or cannot be read.
    static std::unique_ptr<PpocrEngine> create(const QString &modelDirectory, QString *error);

    void setSettings(const Settings &settings);
    // Lines top to bottom. A picture that is the previous one again (video frames between two
    // subtitle changes) gives the previous lines without being read again.
    QStringList recognizeLines(const QImage &picture);
    // The same lines with their boxes and confidences.
    QList<LineReading> recognizeDetailed(const QImage &picture);
    // The detected line boxes grouped in rows, in reading order.
    QList<QList<QRect>> detectRows(const QImage &picture);

private:
    PpocrEngine();

    struct Reading
    {
        QStringList lines;
        QList<LineReading> details; // one per line
        int characters = 0;
        float confidenceSum = 0; // over the characters
        QList<QRect> boxes;      // detected, in picture coordinates
        QList<QRect> rowsRead;   // bounds of the rows that gave a line
        bool textHidden = false; // the detector found text only on a closer look
        bool noTrace = false;    // the detector saw nothing like text anywhere in the picture
        // A row read stayed in pieces of its own height more than a line height apart: over busy
        // texture the detector boxes only bits of a line, too low for the letters, and reads them
        // with misplaced conviction ("ring coatitg etscol" at 0.97).
        bool brokenRow = false;
        // Rows left out for standing far lower than the tallest, a line's width long: a line the
        // detector boxed in slivers over stripes, or a streak of texture.
        QList<QRect> lowRows;
        float confidence() const { return characters > 0 ? confidenceSum / float(characters) : 0; }
    };

    bool sameAsLastPicture(const QImage &picture);
    const Reading &latest(const QImage &picture);
    Reading readLines(const QImage &picture);
    Reading readPicture(const QImage &picture);
    Reading readDetected(const cv::Mat &bgr, const QImage &rgb, const QList<QRect> &boxes);
    Reading withSharpEdges(const QImage &picture, Reading reading);
    // `reading`'s lines closed by the marks `other` (another look at the same picture) read after
    // the same last words.
    void withClosingMarksOf(Reading &reading, const Reading &other);
    bool betterOnSharpEdges(const Reading &first) const;
    // Whether a second look at the picture (`second`) is kept over the first.
    static bool readsBetter(const Reading &second, const Reading &first);
    Reading extendedOnSharpEdges(const QImage &picture, const QList<QRect> &sharpBoxes, Reading first);
    static void withLinesOfLowRows(Reading &reading, const Reading &sharp);

    Settings settings;
    QImage lastPicture; // greyscale, half size
    Reading lastReading;
    std::unique_ptr<TextLineDetector> detector;
    TextLineDetector::Settings detectorSettings;
    std::unique_ptr<TextLineReader> reader;
};
