#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QList>

class WordList;

// A second reading of a line at another width, asked for where the first holds a token in small
// letters that is no word of the list ("stonm", "wat"): the recogniser's slips over
// texture and small letters change with the scale, the words seen do not. A token of the first
// reading that is no word is taken from the second where the second reads a word of the list in
// its place (the same token where both part the line alike, else one over the same stretch of the
// line); everything else is the first reading's. Nothing is made up: each character kept is one
// the recogniser read.
class WordVote
{
public:
    static bool hasNonWord(const QList<CtcDecoder::Character> &line, const WordList &words);

    // `first` mended from `second`; the characters taken keep their places along the line in
    // `first`'s steps.
    static CtcDecoder::Result mended(CtcDecoder::Result first, const CtcDecoder::Result &second,
                                     const WordList &words);

    // `first` with the spaces of `second` where both read the same characters but `second` parts a
    // stretch holding a token that is no word into more words of the list ("limonyislike" read
    // "limony is like"): only spaces move. Both readings must hold the same characters.
    static CtcDecoder::Result withSpacesOf(CtcDecoder::Result first, const CtcDecoder::Result &second,
                                           const WordList &words);

    // `first` with the mark closing `second` where `first` ends in the same word without one: a
    // stop of a few pixels at a small size is seen at one scale and not at the other, and where
    // there is none, neither look makes one up.
    static CtcDecoder::Result withFinalMarkOf(CtcDecoder::Result first, const CtcDecoder::Result &second);
    // `first` ending as `wider` (the same letters read in a crop reaching further) does, where
    // that is a stop, a question or an exclamation: the edge of the narrower crop can cut the mark
    // and have it read as another (a stop as a colon).
    static CtcDecoder::Result withClosingMarkOf(CtcDecoder::Result first, const CtcDecoder::Result &wider);
    // Whether the line `first` takes the mark closing `second` so, both read as text.
    static bool takesFinalMark(const QString &first, const QString &second);

    // Whether `token` is no word of the list but becomes one with a letter of it doubled ("wil",
    // "Litle"): at small sizes the recogniser sees a doubled letter in too few steps to read it
    // twice. A reading of the line wider may show it.
    static bool mayHaveLostDoubledLetter(const QString &token, const WordList &words);
    // Whether a token of `line` may hold letters read as fewer: a doubled letter read once, or an
    // n the recogniser doubted where "ll" makes a word of it ("win" for "will").
    static bool hasLostDoubledLetter(const QList<CtcDecoder::Character> &line, const WordList &words);

    // `first` with such tokens taken from `wider` (the same line read wider) where it reads one of
    // the words they may be.
    static CtcDecoder::Result withDoubledLetters(CtcDecoder::Result first, const CtcDecoder::Result &wider,
                                                 const WordList &words);

private:
    // For each token of `first`, the index of the token of `second` in its place, or -1: the
    // same index where both part the line into as many tokens, else the one over the same steps.
    static QList<int> counterparts(const CtcDecoder::Result &first, const CtcDecoder::Result &second);
    // `first` with the tokens `take` picks (by our text and theirs) taken from their counterparts
    // in `second`.
    template<typename Take>
    static CtcDecoder::Result taken(CtcDecoder::Result first, const CtcDecoder::Result &second, Take take);
    // The letters of `token` each doubled in turn, with the marks around it kept.
    static QStringList withOneLetterDoubled(const QString &token);
    // The words of the list `token` becomes with one letter doubled, where it is no word itself.
    static QStringList doubledWords(const QString &token, const WordList &words);
    // The words the token [begin, end) of `line` may be with letters read as fewer.
    static QStringList fullerReadings(const QList<CtcDecoder::Character> &line, QPair<int, int> token,
                                      const WordList &words);
    // Tokens as [begin, end) ranges of characters, parted where a character has a space before.
    static QList<QPair<int, int>> tokens(const QList<CtcDecoder::Character> &line);
    static QString text(const QList<CtcDecoder::Character> &line, QPair<int, int> token);
    static bool mayBeSlip(const QString &token);
    static bool isWord(const QString &token, const WordList &words);
};
