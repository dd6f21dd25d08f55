#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QList>

class WordList;

// A second reading of a line at another width, asked for where the first holds a token in small
// letters that is no word of the list ("stonm", "wat"): the recogniser's slips over
// texture and small letters change with the scale, the words seen do not. A token of the first
// reading that is no word is taken from the second where the two readings part the line into as
// many tokens and the second reads a word of the list in its place; everything else is the first
// reading's. Nothing is made up: each character kept is one the recogniser read.
class WordVote
{
public:
    static bool hasNonWord(const QList<CtcDecoder::Character> &line, const WordList &words);

    // `first` mended from `second`; the characters taken keep their places along the line in
    // `first`'s steps.
    static CtcDecoder::Result mended(CtcDecoder::Result first, const CtcDecoder::Result &second,
                                     const WordList &words);

private:
    // Tokens as [begin, end) ranges of characters, parted where a character has a space before.
    static QList<QPair<int, int>> tokens(const QList<CtcDecoder::Character> &line);
    static QString text(const QList<CtcDecoder::Character> &line, QPair<int, int> token);
    static bool mayBeSlip(const QString &token);
    static bool isWord(const QString &token, const WordList &words);
};
