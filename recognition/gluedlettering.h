#pragma once

#include <QString>

class WordList;

// Lettering of the picture that the recogniser read in one line with a subtitle, because the two
// touch: the lettering (read alone elsewhere) is found again at the line's start or end, whole
// or in part (its far end may lie outside the picture, its near end under the subtitle).
class GluedLettering
{
public:
    enum class End { Start, Finish };

    // How many characters (spaces not counted) at `end` of `line` are `lettering` or a part of
    // it; 0 when they are not, or too few to tell.
    static int matchedCharacters(const QString &line, const QString &lettering, End end);
    // `line` without its first (Start) or last (Finish) `count` characters that are not spaces.
    static QString without(const QString &line, int count, End end);
    // The part of `line` that `without` takes away.
    static QString part(const QString &line, int count, End end);
    // `rest` (what `without` left) without a letter of the lettering still stuck to its word at
    // `end`, where the lettering's hidden first letter left a stroke ("imaginationd"): only where
    // the word with it is none of `words` and without it is one.
    static QString withoutStrayLetter(const QString &rest, End end, const WordList &words);
};
