#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QList>

#include <vector>

class WordList;

// Words read together where the picture shows no gap to part them: outlines, shadows and texture
// can fill every gap of a line ("Callthe", "Isanybodythere", "tooktheclockapartlast"). A token read
// so that is no word of the list but reads as words of it, however many, is parted there.
// Nothing is added or dropped: only spaces.
class GluedWords
{
public:
    // `gaps[i]`: how wide the picture shows the gap before character i, or -1 where no space may
    // go (inside a word as the picture shows it, or where no word can begin). Of several ways to
    // part a token, the one whose gaps stand farthest above `wordGap` (the width from which a gap
    // looks like a space on this line) wins: every gap parted counts its width less `wordGap`, so
    // a narrow gap parts only where the words demand it ("apart" stays whole unless its "a"
    // stands apart). Each of the commonest words parted off adds a quarter of `wordGap`, which
    // settles partings the gaps barely tell apart. Of equal ways, the fewest words win.
    static void part(QList<CtcDecoder::Character> &line, const std::vector<int> &gaps, const WordList &words,
                     double wordGap);

    // A space the recogniser put one letter off between two tokens that are no words of the list
    // but are two words with that letter on the other side ("emptyl ife" -> "empty life"). Only
    // spaces move.
    static void shiftOffSpaces(QList<CtcDecoder::Character> &line, const WordList &words);

    // `line` with the pronoun's stroke, read as an l and glued between two words or after one, set
    // apart as the I it is ("asl see" -> "as I see", "Iflcan't" -> "If I can't"): only in a token
    // that is no word and no word misread, where the part before the l is a word and the part after
    // it is one or nothing.
    static QString partedStrokesI(const QString &line, const WordList &words);

    // Whether `text` may stand as a word of a parted token: a word of the list that is not a
    // lone letter or a rare short word (the list holds "cf", "ix" and abbreviations), or figures.
    static bool isPart(const QString &text, const WordList &words);

    // Whether `token` is a word of the list with one letter misread as a look-alike.
    static bool isMisreadWord(const QString &token, const WordList &words);

private:
    static bool isPartOrShortOfLetter(const QString &text, const WordList &words);
    static std::vector<qsizetype> bestParting(const QList<CtcDecoder::Character> &line, qsizetype from,
                                              qsizetype to, const std::vector<int> &gaps, const WordList &words,
                                              double wordGap, const QString &wordBefore);
    static qsizetype tokenStart(const QList<CtcDecoder::Character> &line, qsizetype i);
    // Whether `part` is the tail of a contraction of the list after `wordBefore` ("ve" after "You").
    static bool isContractionTail(const QString &part, const QString &wordBefore, const WordList &words);
};
