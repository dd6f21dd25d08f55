#include "wordvote.h"

#include "wordlist.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

QList<QPair<int, int>> WordVote::tokens(const QList<CtcDecoder::Character> &line)
{
    QList<QPair<int, int>> found;
    for (int i = 0; i < line.size(); ++i) {
        if (i == 0 || line[i].spaceBefore)
            found.append({i, i + 1});
        else
            found.last().second = i + 1;
    }
    return found;
}

QString WordVote::text(const QList<CtcDecoder::Character> &line, QPair<int, int> token)
{
    QString joined;
    for (int i = token.first; i < token.second; ++i)
        joined += line[i].text;
    return joined;
}

// A word in small Latin letters: ideographs are none of the list's business, figures with
// letters ("8am", "1950s") and capitalised words (names: "Carlisle", "Thufir") are as often right
// as not, and films are full of them; a second look at each would cost more than it mends.
bool WordVote::mayBeSlip(const QString &token)
{
    bool latin = false;
    for (const QChar c : token) {
        if (c.isDigit() || c.isUpper())
            return false;
        latin = latin || (c.isLetter() && c.script() == QChar::Script_Latin);
    }
    return latin;
}

// A word of the list, or words of it joined by hyphens ("best-seller").
bool WordVote::isWord(const QString &token, const WordList &words)
{
    if (words.contains(token))
        return true;
    if (!token.contains(QLatin1Char('-')))
        return false;
    // Of letters alone: "in-30" is no compound but a time misread.
    const auto lettersAlone = [](const QString &part) {
        return std::all_of(part.cbegin(), part.cend(), [](QChar c) { return c.isLetter() || c == QLatin1Char('\''); });
    };
    static const QRegularExpression marks(QStringLiteral("[^\\w'-]+"));
    const QString bareToken = token.section(marks, 0, 0, QString::SectionSkipEmpty);
    const QStringList parts = bareToken.split(QLatin1Char('-'), Qt::SkipEmptyParts);
    return parts.size() > 1 && std::all_of(parts.cbegin(), parts.cend(), [&](const QString &part) {
               return lettersAlone(part) && words.contains(part);
           });
}

bool WordVote::hasNonWord(const QList<CtcDecoder::Character> &line, const WordList &words)
{
    if (words.isEmpty())
        return false;
    const QList<QPair<int, int>> parts = tokens(line);
    return std::any_of(parts.cbegin(), parts.cend(), [&](QPair<int, int> token) {
        const QString read = text(line, token);
        return mayBeSlip(read) && !isWord(read, words);
    });
}

QList<int> WordVote::counterparts(const CtcDecoder::Result &first, const CtcDecoder::Result &second)
{
    const QList<QPair<int, int>> ours = tokens(first.characters), theirs = tokens(second.characters);
    QList<int> found(ours.size(), -1);
    if (ours.size() == theirs.size()) {
        for (int t = 0; t < ours.size(); ++t)
            found[t] = t;
        return found;
    }
    // Parted otherwise elsewhere ("for us" read "forus"): a token's counterpart is the one that
    // spans nearly the same steps, so that a word is never swapped for part of a run.
    constexpr double sameSpan = 0.75;
    const double toOurSteps = second.pixelsPerStep / first.pixelsPerStep;
    const auto span = [](const QList<CtcDecoder::Character> &line, QPair<int, int> token, double scale) {
        return std::pair<double, double>(line[token.first].first * scale, (line[token.second - 1].last + 1) * scale);
    };
    for (int t = 0; t < ours.size(); ++t) {
        const auto [ourStart, ourEnd] = span(first.characters, ours[t], 1.0);
        for (int u = 0; u < theirs.size(); ++u) {
            const auto [theirStart, theirEnd] = span(second.characters, theirs[u], toOurSteps);
            const double shared = std::min(ourEnd, theirEnd) - std::max(ourStart, theirStart);
            if (shared >= sameSpan * (ourEnd - ourStart) && shared >= sameSpan * (theirEnd - theirStart))
                found[t] = u;
        }
    }
    return found;
}

template<typename Take>
CtcDecoder::Result WordVote::taken(CtcDecoder::Result first, const CtcDecoder::Result &second, Take take)
{
    if (first.pixelsPerStep <= 0 || second.pixelsPerStep <= 0)
        return first;
    const QList<QPair<int, int>> ours = tokens(first.characters), theirs = tokens(second.characters);
    const QList<int> counterpart = counterparts(first, second);
    const double toOurSteps = second.pixelsPerStep / first.pixelsPerStep;
    QList<CtcDecoder::Character> line;
    bool changed = false;
    for (int t = 0; t < ours.size(); ++t) {
        const int u = counterpart[t];
        const bool taken = u >= 0 && take(ours[t], text(first.characters, ours[t]), text(second.characters, theirs[u]));
        changed = changed || taken;
        const QList<CtcDecoder::Character> &from = taken ? second.characters : first.characters;
        const QPair<int, int> token = taken ? theirs[u] : ours[t];
        for (int i = token.first; i < token.second; ++i) {
            CtcDecoder::Character character = from[i];
            if (taken) {
                character.first = int(std::lround(character.first * toOurSteps));
                character.last = int(std::lround(character.last * toOurSteps));
                character.spaceBefore = i == token.first ? first.characters[ours[t].first].spaceBefore : false;
            }
            line.append(character);
        }
    }
    if (!changed)
        return first;
    first.characters = line;
    first.text = CtcDecoder::Result::joined(line);
    return first;
}

CtcDecoder::Result WordVote::mended(CtcDecoder::Result first, const CtcDecoder::Result &second,
                                    const WordList &words)
{
    return taken(std::move(first), second, [&words](QPair<int, int>, const QString &read, const QString &other) {
        return mayBeSlip(read) && !isWord(read, words) && isWord(other, words);
    });
}

CtcDecoder::Result WordVote::withSpacesOf(CtcDecoder::Result first, const CtcDecoder::Result &second,
                                          const WordList &words)
{
    QList<CtcDecoder::Character> &line = first.characters;
    const QList<CtcDecoder::Character> &other = second.characters;
    if (line.size() != other.size() || line.isEmpty())
        return first;
    for (qsizetype i = 0; i < line.size(); ++i)
        if (line[i].text != other[i].text)
            return first;
    // The words of the list and the tokens that are none, in characters `from` to `to`.
    const auto count = [&words](const QList<CtcDecoder::Character> &characters, qsizetype from, qsizetype to) {
        QPair<int, int> listedAndNot{0, 0};
        QString token;
        for (qsizetype i = from; i <= to; ++i) {
            if (i == to || (i > from && characters[i].spaceBefore)) {
                // Marks alone ("..") are neither a word nor a piece of one.
                if (std::any_of(token.cbegin(), token.cend(), [](QChar c) { return c.isLetterOrNumber(); }))
                    ++(isWord(token, words) ? listedAndNot.first : listedAndNot.second);
                token.clear();
            }
            if (i < to)
                token += characters[i].text;
        }
        return listedAndNot;
    };
    bool changed = false;
    // Stretches between places where both readings part the line.
    for (qsizetype from = 0, to = 1; to <= line.size(); ++to) {
        if (to < line.size() && !(line[to].spaceBefore && other[to].spaceBefore))
            continue;
        const QPair<int, int> ours = count(line, from, to), theirs = count(other, from, to);
        // More words and no more pieces, or fewer pieces and no fewer words: a word cut in two
        // where one half is a word itself ("emo tional") reads as one whole word.
        const bool moreWords = theirs.first > ours.first && theirs.second <= ours.second;
        const bool fewerPieces = theirs.second < ours.second && theirs.first >= ours.first;
        if (ours.second > 0 && (moreWords || fewerPieces)) {
            for (qsizetype i = from + 1; i < to; ++i)
                line[i].spaceBefore = other[i].spaceBefore;
            changed = true;
        }
        from = to;
    }
    if (changed)
        first.text = CtcDecoder::Result::joined(line);
    return first;
}

CtcDecoder::Result WordVote::withFinalMarkOf(CtcDecoder::Result first, const CtcDecoder::Result &second)
{
    if (first.characters.isEmpty() || second.characters.size() < 2 || first.pixelsPerStep <= 0
        || second.pixelsPerStep <= 0 || !takesFinalMark(first.text, second.text))
        return first;
    CtcDecoder::Character closing = second.characters.last();
    closing.first = int(std::lround(closing.first * second.pixelsPerStep / first.pixelsPerStep));
    closing.last = int(std::lround(closing.last * second.pixelsPerStep / first.pixelsPerStep));
    closing.spaceBefore = false;
    first.characters << closing;
    first.text = CtcDecoder::Result::joined(first.characters);
    return first;
}

CtcDecoder::Result WordVote::withClosingMarkOf(CtcDecoder::Result first, const CtcDecoder::Result &wider)
{
    if (first.characters.isEmpty() || wider.characters.isEmpty())
        return first;
    const QString ours = first.characters.last().text, theirs = wider.characters.last().text;
    const auto isMark = [](const QString &c) { return c.size() == 1 && c.front().isPunct(); };
    if (!isMark(ours) || theirs == ours || !QStringLiteral(".!?").contains(theirs))
        return withFinalMarkOf(std::move(first), wider);
    first.characters.last().text = theirs;
    first.text = CtcDecoder::Result::joined(first.characters);
    return first;
}

bool WordVote::takesFinalMark(const QString &first, const QString &second)
{
    const auto isLatinLetter = [](QChar c) { return c.isLetter() && c.script() == QChar::Script_Latin; };
    if (first.isEmpty() || second.size() < 2 || !isLatinLetter(first.back()) || !isLatinLetter(second[second.size() - 2])
        || !QStringLiteral(".!?").contains(second.back()))
        return false;
    const QStringList ourTokens = first.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString theirWord = second.chopped(1).split(QLatin1Char(' '), Qt::SkipEmptyParts).last();
    // The same last word, which the second may have glued to the one before.
    const QString ourWord = ourTokens.last();
    const QString ourTwo = ourTokens.size() > 1 ? ourTokens[ourTokens.size() - 2] + ourWord : ourWord;
    return theirWord == ourWord || theirWord == ourTwo;
}

QStringList WordVote::withOneLetterDoubled(const QString &token)
{
    QStringList doubled;
    for (qsizetype i = 0; i < token.size(); ++i)
        if (token.at(i).isLower() && token.at(i).script() == QChar::Script_Latin)
            doubled << token.left(i + 1) + token.mid(i);
    return doubled;
}

QStringList WordVote::doubledWords(const QString &token, const WordList &words)
{
    if (words.isEmpty() || token.size() < 2 || isWord(token, words)
        || std::any_of(token.cbegin(), token.cend(), [](QChar c) { return c.isDigit(); }))
        return {};
    QStringList found;
    for (const QString &doubled : withOneLetterDoubled(token))
        if (words.contains(doubled))
            found << doubled;
    return found;
}

bool WordVote::mayHaveLostDoubledLetter(const QString &token, const WordList &words)
{
    return !doubledWords(token, words).isEmpty();
}

// An n the recogniser doubted may be two stems close together, an outline joining their tops:
// a doubled l ("win" for "will").
constexpr float unsureStems = 0.8f;

QStringList WordVote::fullerReadings(const QList<CtcDecoder::Character> &line, QPair<int, int> token,
                                     const WordList &words)
{
    const QString read = text(line, token);
    QStringList fuller = doubledWords(read, words);
    if (!mayBeSlip(read))
        return fuller;
    // A narrow stem seen in too few steps to be read at all ("fal" for "fail", "faling").
    if (read.size() >= 2 && !isWord(read, words)) {
        for (qsizetype at = 0; at <= read.size(); ++at)
            for (const QChar stem : {QLatin1Char('i'), QLatin1Char('l'), QLatin1Char('t')}) {
                const QString withStem = read.left(at) + stem + read.mid(at);
                if ((at == 0 || read.at(at - 1).isLetter()) && words.contains(withStem) && !fuller.contains(withStem))
                    fuller << withStem;
            }
    }
    qsizetype at = 0;
    for (int i = token.first; i < token.second; at += line[i].text.size(), ++i) {
        if (line[i].text != QLatin1String("n") || line[i].confidence >= unsureStems)
            continue;
        const QString stems = read.left(at) + QStringLiteral("ll") + read.mid(at + 1);
        if (words.contains(stems))
            fuller << stems;
    }
    return fuller;
}

bool WordVote::hasLostDoubledLetter(const QList<CtcDecoder::Character> &line, const WordList &words)
{
    const QList<QPair<int, int>> parts = tokens(line);
    return std::any_of(parts.cbegin(), parts.cend(),
                       [&](QPair<int, int> token) { return !fullerReadings(line, token, words).isEmpty(); });
}

CtcDecoder::Result WordVote::withDoubledLetters(CtcDecoder::Result first, const CtcDecoder::Result &wider,
                                                const WordList &words)
{
    const QList<CtcDecoder::Character> line = first.characters;
    return taken(std::move(first), wider, [&](QPair<int, int> token, const QString &, const QString &other) {
        return fullerReadings(line, token, words).contains(other);
    });
}
