#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Greedy CTC decoding of the recogniser's output: the most likely class at each time step,
// repeats merged, blanks (class 0) dropped. Classes 1..n are the dictionary's lines; the class
// after the last is a space.
class CtcDecoder
{
public:
    // A character read, and where along the line the recogniser saw it.
    struct Character
    {
        QString text;
        int first = 0, last = 0;  // time steps
        bool spaceBefore = false; // read or restored
        // How sure the recogniser was of it at its likeliest step (0..1; 1 where nobody measured),
        // and the character it thought next likeliest there, blank and space left out.
        float confidence = 1;
        QString runnerUp;
        float runnerUpConfidence = 0;
        // Read as one letter, of any script.
        bool isLetter() const { return text.size() == 1 && text.front().isLetter(); }
    };

    struct Result
    {
        QString text;
        float confidence = 0; // mean probability of the characters kept, 0..1
        QList<Character> characters;
        double pixelsPerStep = 0; // of the line read, set by the reader

        // The text of `characters`, a space before those that have one.
        static QString joined(const QList<Character> &characters);
    };

    explicit CtcDecoder(QStringList dictionary);

    // `probabilities` holds `steps` rows of `classes` values.
    Result decode(const float *probabilities, int steps, int classes) const;

    // The model drops spaces between words of large letters and tightly set lines, but still
    // gives the space class some probability between the two words, where it gives it next to
    // nothing inside a word: at most 0.06 on the blank steps inside one on the benchmark's strips,
    // while short words set close ("We have", "Follow me") get no more than 0.1 to 0.2.
    static constexpr float missedSpaceProbability = 0.1f;

    void setRestoreSpaces(bool restore) { restoreSpaces = restore; }

    static bool isWordCharacter(const QString &symbol);

private:
    QStringList dictionary;
    bool restoreSpaces = true;
};
