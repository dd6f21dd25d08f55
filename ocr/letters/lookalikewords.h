#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QList>
#include <QStringList>

class WordList;

// Words with letters misread as their look-alikes ("littie", "expiain", "rne", "bom", "Fve") or
// as the letter the recogniser was unsure of ("Nobady"): a token that is no word of the list
// becomes one only where swapping such letters alone makes it one, and in one way only at the fewest swaps. Nothing is added or dropped beyond the
// swap itself; case, punctuation and the characters' places are kept.
class LookalikeWords
{
public:
    static void mend(QList<CtcDecoder::Character> &line, const WordList &words);

    // Whether `token`, opening with l before a small letter, is a word of the list with that l a
    // capital I ("lowa"): the bare stroke of a name's I.
    static bool isNameWithCapitalI(const QString &token, const WordList &words);

private:
    // The texts of one token's characters (`letters`) mended into a word, or an empty list.
    // `sentenceStart`: a capital there opens a sentence; elsewhere a capitalised token is a name.
    // `doubts`: per letter, another the recogniser thought it may be, or an empty string.
    static QStringList mended(const QStringList &letters, const QStringList &doubts, bool sentenceStart,
                              const WordList &words);
    // `letters` of a capitalised token inside a sentence with one "m" made "rn" where only that
    // makes a word of the list, or an empty list.
    static QStringList rnReadAsM(const QStringList &letters, const WordList &words);
};
