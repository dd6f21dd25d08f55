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
    struct Result
    {
        QString text;
        float confidence = 0; // mean probability of the characters kept, 0..1
    };

    explicit CtcDecoder(QStringList dictionary);

    // `probabilities` holds `steps` rows of `classes` values.
    Result decode(const float *probabilities, int steps, int classes) const;

    // Whether a space stands between two characters emitted `gap` blank steps apart, given the
    // gaps between the line's other characters. The model drops spaces between words of large
    // letters; the wider blank run between the words is still there.
    static bool gapIsSpace(int gap, const QList<int> &lineGaps);

    qsizetype size() const { return dictionary.size(); }

private:
    QStringList dictionary;
};
