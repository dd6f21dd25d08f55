#pragma once

#include "ocr/ppocr/ctcdecoder.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class WordList;

// How recognised words become a line of text, and which lines are noise rather than text.
class LineTextRules
{
public:
    struct Word
    {
        QString text;
        float confidence = 0; // 0..100 as Tesseract gives it
    };

    // Words separated by one space, except between two characters of scripts written without
    // spaces (Chinese, Japanese, Thai, ...), which are joined directly.
    static QString joinWords(const QStringList &words);
    // The line's text, or an empty string when the words are background noise: too little
    // confidence, or nothing but punctuation and symbols. Stray low-confidence marks at the ends
    // of a line are dropped.
    static QString acceptedLine(QList<Word> words);

    // The capital I of "I'll" and "I'm" as a recogniser trained mostly on Chinese misreads it in
    // serif faces: "Hl", "Hll", "IHll", "Ill" or "Id" before a lower-case word, "H" opening a
    // sentence before one, "Im" and "Ive"; and the space it loses before the next word ("Ihave").
    // In sans-serif faces, the bare stroke read as T, O, l, 1 or | alone or in a contraction ("T'm",
    // "Pm", "'ll"), and with its apostrophe as P before a word in lower case ("Pd"). A serif stroke
    // in a shadow, its foot drawn out to the right, read as L alone opening a sentence.
    static QString mendedPronounI(const QString &line);

    // The pronoun's bare stroke read as l, O, I, a pipe or a bracket and glued to the word after
    // it where a sentence opens ("ljust", "Ojust", "Itold"): a token that is no word of the list
    // but one after its first character. Words of the list stay ("Oh", "lone", "Ivan").
    static QString partedPronounI(const QString &line, const WordList &words);
    // Whether the `i`-th of a line's space-parted `tokens` opens a sentence: the line's first, or
    // after a dialogue dash or a closing mark.
    static bool opensSentence(const QStringList &tokens, qsizetype i);

    // Words that lost their apostrophe and are no words without it ("theyll", "dont", "oclock"),
    // or had it read as a double quote ("Let"s").
    static QString mendedApostrophes(const QString &line, const WordList &words);

    // A speck in the space between two words read as a full stop ("even.you") or a colon
    // ("When:nothing:can"): English puts neither between two words of the list (a stop only
    // before a capital); abbreviations ("a.m.", "e.g.") have letters alone, times figures. Nor
    // one standing alone after a question or exclamation ("Where were you? ."), nor a stop and a
    // comma read over one mark ("fool., Borrow": the stop before a capital).
    static QString withoutStopsBetweenWords(const QString &line, const WordList &words);

    // Texture beside a line's end read as one more character after its closing mark ("home. M",
    // "place?l", "today.."), dropped where the recogniser was unsure of it, and a stop after a
    // question or an exclamation mark ("hall?.") always; whether one was.
    static bool dropSpeckAfterEnd(QList<CtcDecoder::Character> &line);

    // A space after a mark closing a sentence or a clause between two words of Latin letters
    // ("Communicate!lt can't", "man;He", "OK,now", "You:I'd") or before a bracket opened after one
    // ("tonight.(At"), which English always sets and the recogniser can lose beside the mark's own
    // white; whether one was added.
    static bool spacedAfterMarks(QList<CtcDecoder::Character> &line);

    // The letters and figures of `text` alone: what two readings of a line share when specks of
    // texture read as marks between them differ.
    static QString lettersAndFigures(QStringView text);

    // How many of a line's characters to keep where a reading runs on past its first
    // `lettersBefore` letters and figures into what may be texture: up to the last word of the
    // list before one that is not, or to the mark ending a sentence inside that one
    // ("school.55": specks after the line read as figures).
    static qsizetype charactersOfWordsAfter(const QList<CtcDecoder::Character> &line, qsizetype lettersBefore,
                                            const WordList &words);

    // Figures with a one or a nought read as its look-alike letter ("l0 years", "1O"): l, I and |
    // between figures are ones, O and o noughts, in tokens of figures alone.
    static QString mendedFigures(const QString &line);

    // A title read with a comma before a name ("Mr, Johnson"): English writes no comma there.
    static QString mendedTitles(const QString &line);
    // A sentence opening inside a line with a capital read as its small letter of the same shape
    // ("number 6! who is"): c, o, s, v, w, x and z differ from their capitals in size alone.
    static QString mendedSentenceStarts(const QString &line);
    // A comma read as a full stop before a word in small letters ("fly away. the writings"): a
    // sentence after a stop opens with a capital, and those of t, a, b and the like look nothing
    // like their small letters. An abbreviation's stop ("a.m. the"), an ellipsis and the pronoun's
    // stroke stay.
    static QString commasBeforeSmallWords(const QString &line);
    // An "a" set between two words of the list read with the gaps as "@" ("be@crisis"): an
    // address's "@" has no word of the list on both sides with nothing after but letters.
    static QString articleForAt(const QString &line, const WordList &words);
    // A word in capitals with one of those small letters among them ("CASH FLoW"): it is the
    // capital, read small for its size.
    static QString mendedCapitalWords(const QString &line);

    // Whether `shorter` reads every line of `longer`, some only up to a tail that holds no word
    // of the list and no ideograph, no longer than what it keeps: texture beside a line's end,
    // read on with it ("Keep your voice down"sa"x m""").
    static bool dropsOnlyTailsOfNoWords(const QStringList &longer, const QStringList &shorter, const WordList &words);

    // Whether the two readings hold as many lines, with the same letters and figures in each,
    // and differ at most in marks and spaces.
    static bool differOnlyInMarks(const QStringList &first, const QStringList &second);

    static bool isUnspacedScript(char32_t character);
    // Whether any character of `text` is of a script set without spaces.
    static bool hasUnspacedScript(const QString &text);
};
