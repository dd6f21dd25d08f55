#include "lookalikewords.h"

#include "wordlist.h"
#include "wordvote.h"

#include <QLoggingCategory>
#include <QRegularExpression>

#include <algorithm>

Q_LOGGING_CATEGORY(lcLookalikeWords, "tarnix.ocr.lookalikewords", QtWarningMsg)

namespace {

// At most this many swaps in one token: more make a word of almost anything.
constexpr int maxSwaps = 2;

bool isLatinLetter(const QString &text)
{
    return text.size() == 1 && text.at(0).isLetter() && text.at(0).script() == QChar::Script_Latin;
}

// What the character `at` of a token may look like, besides what was read.
QStringList lookalikesFor(const QStringList &letters, qsizetype at)
{
    const QString &c = letters[at];
    const bool inside = at > 0 && at + 1 < letters.size() && isLatinLetter(letters[at - 1])
                        && isLatinLetter(letters[at + 1]);
    // A capital I or a figure one inside a word in lower case is a narrow letter of it, and so is
    // a one opening a word in lower case ("1ook"). A first "t" is one far more often than a
    // misread ("litle" is no "title").
    const bool opensLowerCase = at == 0 && letters.size() > 1 && isLatinLetter(letters[1]) && letters[1].at(0).isLower();
    if (c == QLatin1String("i") || c == QLatin1String("l") || (c == QLatin1String("t") && at > 0)
        || (inside && c == QLatin1String("I")) || ((inside || opensLowerCase) && c == QLatin1String("1"))) {
        QStringList swaps{QStringLiteral("i"), QStringLiteral("l")};
        if (at > 0)
            swaps << QStringLiteral("t");
        swaps.removeAll(c);
        return swaps;
    }
    // No a for o or o for a here: both are common in words the list lacks ("hast" is no "host");
    // only the recogniser's own doubt swaps them.
    if (c == QLatin1String("m") && at > 0)
        return {QStringLiteral("rn")};
    if (c == QLatin1String("r") && at + 1 < letters.size() && letters[at + 1] == QLatin1String("n"))
        return {QStringLiteral("m")}; // the "n" after it goes with it
    return {};
}

// A letter the recogniser was this unsure of may have been its runner-up there, whatever the two
// letters are; one it was surer of only a look-alike.
constexpr float unsureLetter = 0.8f;
constexpr float likelyRunnerUp = 0.1f;

// What the recogniser itself thought a letter may have been: its runner-up, where the letter was
// unsure and the runner-up a Latin letter of the same case, or the I and l of a bare stroke.
QString doubtOf(const CtcDecoder::Character &character)
{
    const QString &runnerUp = character.runnerUp;
    const bool stroke = character.text == QLatin1String("I") && runnerUp == QLatin1String("l");
    const bool sameKind = isLatinLetter(character.text) && isLatinLetter(runnerUp)
                          && (character.text.at(0).isLower() == runnerUp.at(0).isLower() || stroke);
    return sameKind && character.confidence < unsureLetter && character.runnerUpConfidence >= likelyRunnerUp
               ? runnerUp
               : QString();
}

// What the character `at` of a token may have been, besides what was read.
QStringList swapsFor(const QStringList &letters, const QStringList &doubts, qsizetype at)
{
    QStringList swaps = lookalikesFor(letters, at);
    if (!doubts[at].isEmpty() && !swaps.contains(doubts[at]))
        swaps << doubts[at];
    return swaps;
}

struct Search
{
    const WordList &words;
    QStringList letters;
    QStringList doubts; // per letter, the recogniser's runner-up where it was unsure
    int fewest = maxSwaps + 1;
    // Two strokes side by side both misread (i, l, t) is rather a stroke lost or made up: "unti"
    // is "until" with its l lost, no "unit"; "lis" a speck before "is", no "its".
    bool strokesSwappedSideBySide(const QStringList &current) const
    {
        static const QString strokes = QStringLiteral("ilt");
        const auto stroke = [](const QString &c) { return c.size() == 1 && strokes.contains(c.at(0)); };
        for (qsizetype at = 0; at + 1 < letters.size(); ++at)
            if (current[at] != letters[at] && current[at + 1] != letters[at + 1] && stroke(letters[at])
                && stroke(letters[at + 1]) && stroke(current[at]) && stroke(current[at + 1]))
                return true;
        return false;
    }
    QStringList found;  // the distinct words at `fewest` swaps
    QStringList chosen; // the characters of the first of them

    void from(qsizetype at, int swaps, QStringList &current)
    {
        if (swaps > fewest)
            return;
        if (at >= letters.size()) {
            const QString word = current.join(QString());
            // A doubled i is a roman figure ("vill" is no "viii"), hardly ever English.
            const QLatin1String doubled("ii");
            if (swaps == 0 || (word.contains(doubled) && !letters.join(QString()).contains(doubled))
                || !words.contains(word))
                return;
            if (swaps < fewest) {
                fewest = swaps;
                found.clear();
            }
            if (found.isEmpty())
                chosen = current;
            if (!found.contains(word))
                found << word;
            return;
        }
        from(at + 1, swaps, current);
        if (swaps == maxSwaps)
            return;
        for (const QString &swap : swapsFor(letters, doubts, at)) {
            const QString kept = current[at];
            // "rn" read for "m": the "n" goes into the swap. A doubted letter's runner-up "m" is one.
            const bool pair = swap == QLatin1String("m") && letters[at] == QLatin1String("r")
                              && at + 1 < letters.size() && letters[at + 1] == QLatin1String("n");
            current[at] = swap;
            if (pair)
                current[at + 1].clear();
            from(at + 1 + pair, swaps + 1, current);
            current[at] = kept;
            if (pair)
                current[at + 1] = letters[at + 1];
        }
    }
};

} // namespace

QStringList LookalikeWords::mended(const QStringList &letters, const QStringList &doubts, bool sentenceStart,
                                   const WordList &words)
{
    const QString token = letters.join(QString());
    const qsizetype latin = std::count_if(letters.cbegin(), letters.cend(), isLatinLetter);
    if (latin < 2 || latin + 2 < letters.size() || words.contains(token) || !words.withApostrophe(token).isEmpty())
        return {};
    // "I'll" read as "Hl", "Hll" or "IHll" is the pronoun's, mended as a whole by the line's rules:
    // swaps would make "Hit" of it; and "ll" is its tail or another word's that lost its
    // apostrophe ("they ll"), no "it".
    static const QRegularExpression pronounIll(QStringLiteral("^(I?Hl+|ll)$"));
    if (pronounIll.match(token).hasMatch())
        return {};
    // "I've", "I'll", "I'm", "I'd" with the capital and the apostrophe read as one "F".
    const QString rest = token.mid(1);
    if (token.startsWith(QLatin1Char('F'))
        && (rest == QLatin1String("ve") || rest == QLatin1String("ll") || rest == QLatin1String("m")
            || rest == QLatin1String("d")))
    {
        QStringList mended = letters;
        mended.first() = QStringLiteral("I'");
        return words.contains(mended.join(QString())) ? mended : QStringList();
    }
    // A letter read once where the picture holds it twice ("wil" for "will") is left for a wider
    // look at the line: a swap would make another word of it ("wit").
    if (WordVote::mayHaveLostDoubledLetter(token, words))
        return {};
    // With an apostrophe, a swap makes possessives of anything ("olt's", "alt's"). A capital the
    // recogniser itself doubted for a small letter ("Iuck") makes no name.
    const bool name = !sentenceStart && letters.first().at(0).isUpper()
                      && !(doubts.first().size() == 1 && doubts.first().at(0).isLower());
    if (token.contains(QLatin1Char('\'')) || token.contains(QChar(0x2019)))
        return {};
    if (name)
        return rnReadAsM(letters, words);
    Search search{words, letters, doubts, maxSwaps + 1, {}, {}};
    QStringList current = letters;
    search.from(0, 0, current);
    // A bare stroke opening a word in small letters is as often the capital I of a name ("lowa",
    // "ltaly"): taken only where no swap of small letters makes a word ("lt" is "it").
    if (search.found.isEmpty() && isNameWithCapitalI(token, words)) {
        QStringList name = letters;
        name.first() = QStringLiteral("I");
        return name;
    }
    if (search.found.isEmpty())
        return {};
    // Swapping two strokes side by side makes no word, though found beside others it leaves them
    // in doubt ("Ett": "Alt" or "Eli").
    if (search.found.size() != 1 || search.strokesSwappedSideBySide(search.chosen))
        return {};
    qCDebug(lcLookalikeWords) << token << "read as" << search.found.first();
    // A bare stroke read as l has no dot: opening a sentence it is the capital I ("lf only").
    if (sentenceStart && letters.first() == QLatin1String("l") && search.chosen.first() == QLatin1String("i"))
        search.chosen.first() = QStringLiteral("I");
    return search.chosen;
}

QStringList LookalikeWords::rnReadAsM(const QStringList &letters, const WordList &words)
{
    // Of all swaps, only the "rn" the recogniser reads as one "m" makes a word of a name-like
    // token often enough ("Westem"): other swaps would make words of names the list lacks.
    QStringList found;
    for (qsizetype at = 1; at < letters.size(); ++at) {
        if (letters[at] != QLatin1String("m"))
            continue;
        QStringList swapped = letters;
        swapped[at] = QStringLiteral("rn");
        if (words.contains(swapped.join(QString()))) {
            if (!found.isEmpty())
                return {};
            found = swapped;
        }
    }
    if (!found.isEmpty())
        qCDebug(lcLookalikeWords) << letters.join(QString()) << "read as" << found.join(QString());
    return found;
}

bool LookalikeWords::isNameWithCapitalI(const QString &token, const WordList &words)
{
    return token.size() > 1 && token.at(0) == QLatin1Char('l') && token.at(1).isLower()
           && token.at(1).script() == QChar::Script_Latin && words.contains(QLatin1Char('I') + token.mid(1));
}

void LookalikeWords::mend(QList<CtcDecoder::Character> &line, const WordList &words)
{
    if (words.isEmpty())
        return;
    bool sentenceStart = true;
    qsizetype from = 0;
    while (from < line.size()) {
        qsizetype to = from + 1;
        while (to < line.size() && !line[to].spaceBefore)
            ++to;
        QStringList letters, doubts;
        for (qsizetype i = from; i < to; ++i) {
            letters << line[i].text;
            doubts << doubtOf(line[i]);
        }
        const QStringList mended = LookalikeWords::mended(letters, doubts, sentenceStart, words);
        // A character left empty went into the swap before it ("rn" read for "m").
        for (qsizetype i = to - 1; i >= from && !mended.isEmpty(); --i) {
            line[i].text = mended[i - from];
            if (line[i].text.isEmpty()) {
                line[i - 1].last = line[i].last;
                line.removeAt(i);
                --to;
            }
        }
        const QChar last = line[to - 1].text.back();
        sentenceStart = last == QLatin1Char('.') || last == QLatin1Char('!') || last == QLatin1Char('?')
                        || last == QLatin1Char('-');
        from = to;
    }
}
