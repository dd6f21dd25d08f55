#include "ctcdecoder.h"

#include <algorithm>

namespace {

struct Emitted
{
    int symbol;
    int first, last; // time steps
    float probability; // at the first step
    int peak;          // the step where it was likeliest
    float peakProbability;
};


// Punctuation that ends a word and is followed by a space in running text.
bool isWordEnd(const QString &symbol)
{
    return CtcDecoder::isWordCharacter(symbol) || symbol == QLatin1String(",") || symbol == QLatin1String(".")
           || symbol == QLatin1String("!") || symbol == QLatin1String("?");
}

} // namespace

CtcDecoder::CtcDecoder(QStringList dictionary) : dictionary(std::move(dictionary)) {}

bool CtcDecoder::isWordCharacter(const QString &symbol)
{
    return symbol.size() == 1 && symbol.at(0).unicode() < 0x80 && symbol.at(0).isLetterOrNumber();
}

QString CtcDecoder::Result::joined(const QList<Character> &characters)
{
    QString text;
    for (const Character &character : characters) {
        if (character.spaceBefore && !text.isEmpty())
            text += QLatin1Char(' ');
        text += character.text;
    }
    return text;
}

CtcDecoder::Result CtcDecoder::decode(const float *probabilities, int steps, int classes) const
{
    QList<Emitted> emitted;
    int previous = 0;
    for (int t = 0; t < steps; ++t) {
        const float *row = probabilities + qsizetype(t) * classes;
        const int best = int(std::max_element(row, row + classes) - row);
        if (best != 0 && best == previous && !emitted.isEmpty()) {
            Emitted &run = emitted.last();
            run.last = t;
            if (row[best] > run.peakProbability) {
                run.peak = t;
                run.peakProbability = row[best];
            }
        } else if (best != 0) {
            emitted << Emitted{best, t, t, row[best], t, row[best]};
        }
        previous = best;
    }
    const auto symbol = [this](int index) {
        return index - 1 < dictionary.size() ? dictionary.at(index - 1) : QStringLiteral(" ");
    };
    // The strongest belief in a space from one character to the next.
    const auto spaceBetween = [&](const Emitted &left, const Emitted &right) {
        float strongest = 0;
        for (int t = left.last + 1; t < right.first; ++t)
            strongest = std::max(strongest, probabilities[qsizetype(t) * classes + classes - 1]);
        return strongest;
    };

    Result result;
    float sum = 0;
    bool spaceRead = false;
    for (qsizetype i = 0; i < emitted.size(); ++i) {
        const QString text = symbol(emitted[i].symbol);
        sum += emitted[i].probability;
        if (text.trimmed().isEmpty()) {
            spaceRead = true;
            continue;
        }
        const bool restored = restoreSpaces && i > 0 && isWordEnd(symbol(emitted[i - 1].symbol))
                              && isWordCharacter(text)
                              && spaceBetween(emitted[i - 1], emitted[i]) >= missedSpaceProbability;
        Character character{text, emitted[i].first, emitted[i].last, spaceRead || restored, 1, {}, 0};
        character.confidence = emitted[i].peakProbability;
        // The runner-up at the peak: blank (0) and the space class (last) say nothing of the letter.
        const float *row = probabilities + qsizetype(emitted[i].peak) * classes;
        int second = -1;
        for (int c = 1; c < classes - 1; ++c)
            if (c != emitted[i].symbol && (second < 0 || row[c] > row[second]))
                second = c;
        if (second > 0) {
            character.runnerUp = symbol(second);
            character.runnerUpConfidence = row[second];
        }
        result.characters << character;
        spaceRead = false;
    }
    result.confidence = emitted.isEmpty() ? 0 : sum / float(emitted.size());
    result.text = Result::joined(result.characters);
    return result;
}
