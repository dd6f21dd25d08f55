#pragma once

#include "ocr/ink/componentlabelling.h"
#include "ocr/ppocr/ctcdecoder.h"
#include "ocr/ink/inkreading.h"

#include <QList>
#include <QStringList>

#include <vector>

namespace cv {
class Mat;
}

class WordList;

// The spaces between words as the picture shows them. The recogniser drops many between English
// words (its space class gets 0.02-0.03 in such gaps), but the gap is on the picture: across a
// line of one face and size, the empty columns between words are clearly wider than those
// between the letters of a word. Where the recogniser saw each character tells which gap lies
// between two of them.
class WordGaps
{
public:
    WordGaps(const cv::Mat &bgrLine, const CtcDecoder::Result &read);

    // The characters, a final comma that is a dot on the picture made a full stop, with a space before a
    // letter or figure that stands clearly farther from the one before than the line's letters
    // stand from each other. A gap wider than the letter spacing but not clearly so is a space
    // when the glued pair is not a word and the two halves are (`words`). A gap as narrow as the
    // letter spacing is none, unless outlines or texture fill the line's gaps, or the letters'
    // own ink shows it clearly wide where fainter ink filled it: there a token that is no word
    // may be parted into words of the list (GluedWords), the gaps in the letters' ink ranking
    // where. A space the recogniser read inside a word of the list, where a half is no word and
    // the gap is not clearly a space, is taken out. An apostrophe the picture shows between two
    // letters, which the recogniser lost, is put back where the word with it is one of the list.
    QList<CtcDecoder::Character> spaced(const WordList &words) const;

private:
    bool endsWithStop(const InkReading &reading, const RowRules::Row &row) const;
    static int footOf(const InkReading &reading, const RowRules::Row &row);
    bool isShutInGround(const PixelBox &piece, const PixelBox &row) const;
    void findApostrophes(const ComponentLabelling::Labels &labels, const PixelBox &row, int minimumLevel);
    void restoreApostrophes(QList<CtcDecoder::Character> &line, const WordList &words) const;
    int middle(const CtcDecoder::Character &c) const;
    const PixelBox *markAt(const InkReading &reading, const RowRules::Row &row, qsizetype i) const;
    double spaceWideGaps(QList<CtcDecoder::Character> &line, const WordList &words, std::vector<int> &gaps) const;
    void joinSplitWords(QList<CtcDecoder::Character> &line, const WordList &words, double clear) const;
    double filledGaps() const;
    static void openFilledWords(const QList<CtcDecoder::Character> &line, const std::vector<int> &raw,
                                const std::vector<int> &plain, std::vector<int> &gaps);
    void addInk(const ComponentLabelling::Labels &labels, const PixelBox &row, std::vector<int> &columns,
                int minimumLevel) const;
    int lettersLevel(const ComponentLabelling::Labels &labels, const PixelBox &row) const;
    static QStringList halves(const QList<CtcDecoder::Character> &line, qsizetype character);
    bool measurable(qsizetype character) const;
    // Empty columns between two characters, in pixels of a copy of the line 48 high at most.
    int gapBefore(qsizetype character, const std::vector<int> &columns) const;
    double letterSpacing() const;
    double wordSpacing() const;

    QList<CtcDecoder::Character> characters;
    double pixelsPerStep = 0;
    double scale = 1;     // of the analysis copy
    std::vector<int> ink; // letters over each column of the analysis copy
    std::vector<int> faintInk; // the same with fainter ink
    int bandHeight = 0;   // the letters' usual height there
    int foot = 0;         // where the letters stand there
    std::vector<int> apostrophes; // the middles of marks at the letters' top standing free
    bool lastIsStop = false;      // the final comma is a dot on the picture
    bool latin = false;           // letters or figures with gaps to measure
};
