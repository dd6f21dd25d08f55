#pragma once

#include "ctcdecoder.h"
#include "linelayout.h"
#include "ocr/letters/dialoguedash.h"
#include "ocr/linereading.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

namespace cv {
class Mat;
}

class TextLineReader;

// One row of detected pieces read into a line: the recogniser reads each piece's crop, then what
// the picture shows around it mends that reading (a dialogue dash, a lone letter before the
// line, letters running on past its last box, stops and strokes), a second look settles the
// tokens that are no words, and the line's text rules finish it.
class RowReader
{
public:
    struct Settings
    {
        LineLayout::Margins margins;
        float minimumConfidence = 0.5f; // pieces read with less are background
        double minimumRowHeight = 0.6;  // of the row's tallest piece, for a piece of the line
        bool restoreSpaces = true;      // English rules: spaces, stops, the word list
    };

    struct Row
    {
        QString line;
        QList<LineReading::Piece> pieces; // the pieces kept
        int characters = 0;
        float confidenceSum = 0; // over the characters
    };

    RowReader(TextLineReader &reader, const Settings &settings);

    // `row`: the row's boxes left to right; `start`: where its line starts, for a dash.
    Row read(const cv::Mat &bgr, const QImage &rgb, const QList<QRect> &row, const QRect &start);

private:
    CtcDecoder::Result readCrop(const cv::Mat &bgr, const QRect &crop, double widthScale = 1.0);
    CtcDecoder::Result readAfterDash(const cv::Mat &bgr, const QRect &box, const QRect &crop,
                                     std::optional<DialogueDash::Dash> &dash, QRect &pieceCrop);
    CtcDecoder::Result withSecondLook(const cv::Mat &bgr, const QRect &crop, CtcDecoder::Result read, bool lineEnd);
    CtcDecoder::Result withLoneLetter(const cv::Mat &bgr, const QImage &rgb, const QRect &box, QRect &crop,
                                      CtcDecoder::Result read);
    CtcDecoder::Result withLettersAfter(const cv::Mat &bgr, const QImage &rgb, QRect &box, QRect &crop,
                                        CtcDecoder::Result read);
    void withMarksSeen(const QImage &rgb, const QRect &piece, const QRect &pieceCrop, bool lastPiece,
                       CtcDecoder::Result &read) const;
    QString finishedLine(const QStringList &pieces) const;

    TextLineReader &reader;
    const Settings settings;
};
