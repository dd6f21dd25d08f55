#include "gluedwords.h"
#include "linetextrules.h"
#include "lookalikewords.h"
#include "wordvote.h"

#include "wordlist.h"

#include <QLoggingCategory>
#include <QSet>

#include <algorithm>

Q_LOGGING_CATEGORY(lcGluedWords, "tarnix.ocr.gluedwords", QtWarningMsg)

namespace {

constexpr double commonWordCredit = 0.25;

// The short words English glues to its neighbours; the list's other words of one or two letters
// are abbreviations and roman figures, which would part any misread word.
bool isCommonShortWord(const QString &word)
{
    static const QSet<QString> common{
        QStringLiteral("a"),  QStringLiteral("i"),  QStringLiteral("am"), QStringLiteral("an"),
        QStringLiteral("as"), QStringLiteral("at"), QStringLiteral("be"), QStringLiteral("by"),
        QStringLiteral("do"), QStringLiteral("go"), QStringLiteral("he"), QStringLiteral("if"),
        QStringLiteral("in"), QStringLiteral("is"), QStringLiteral("it"), QStringLiteral("me"),
        QStringLiteral("my"), QStringLiteral("no"), QStringLiteral("of"), QStringLiteral("oh"),
        QStringLiteral("ok"), QStringLiteral("on"), QStringLiteral("or"), QStringLiteral("so"),
        QStringLiteral("to"), QStringLiteral("up"), QStringLiteral("us"), QStringLiteral("we"),
        QStringLiteral("mr"), QStringLiteral("ms"), QStringLiteral("dr")};
    return common.contains(word.toLower());
}

// The commonest words of English, the short ones above and these, which most often stand glued
// to their neighbours. Where the picture shows no gap at either of two partings of a token, the
// one into more of these is the likelier ("you think", not "youth ink").
bool isCommonWord(const QString &word)
{
    static const QSet<QString> common{
        QStringLiteral("the"),   QStringLiteral("and"),   QStringLiteral("you"),   QStringLiteral("for"),
        QStringLiteral("not"),   QStringLiteral("are"),   QStringLiteral("was"),   QStringLiteral("but"),
        QStringLiteral("his"),   QStringLiteral("her"),   QStringLiteral("she"),   QStringLiteral("him"),
        QStringLiteral("they"),  QStringLiteral("them"),  QStringLiteral("this"),  QStringLiteral("that"),
        QStringLiteral("with"),  QStringLiteral("have"),  QStringLiteral("has"),   QStringLiteral("had"),
        QStringLiteral("what"),  QStringLiteral("your"),  QStringLiteral("will"),  QStringLiteral("can"),
        QStringLiteral("all"),   QStringLiteral("one"),   QStringLiteral("out"),   QStringLiteral("there"),
        QStringLiteral("their"), QStringLiteral("been"),  QStringLiteral("would"), QStringLiteral("could"),
        QStringLiteral("about"), QStringLiteral("from"),  QStringLiteral("were"),  QStringLiteral("when"),
        QStringLiteral("who"),   QStringLiteral("how"),   QStringLiteral("our"),   QStringLiteral("its"),
        QStringLiteral("than"),  QStringLiteral("then"),  QStringLiteral("into"),  QStringLiteral("any")};
    return isCommonShortWord(word) || common.contains(word.toLower());
}

// Figures, a time or an amount: "9", "7:45", "1,000".
bool isFigures(const QString &text)
{
    return !text.isEmpty() && text.at(0).isDigit() && text.at(text.size() - 1).isDigit()
           && std::all_of(text.cbegin(), text.cend(),
                          [](QChar c) { return c.isDigit() || c == QLatin1Char(':') || c == QLatin1Char(','); });
}

QString bareText(const QString &text)
{
    qsizetype from = 0, to = text.size();
    while (from < to && !text.at(from).isLetterOrNumber())
        ++from;
    while (to > from && !text.at(to - 1).isLetterOrNumber())
        --to;
    return text.mid(from, to - from);
}

QString textOf(const QList<CtcDecoder::Character> &line, qsizetype from, qsizetype to)
{
    QString text;
    for (qsizetype i = from; i < to; ++i)
        text += line[i].text;
    return text;
}

bool hasLatinLetters(const QString &text, int atLeast)
{
    return std::count_if(text.cbegin(), text.cend(), [](QChar c) {
               return c.isLetter() && c.script() == QChar::Script_Latin;
           }) >= atLeast;
}

// Letters the recogniser takes for one another in subtitle faces.
QString confusedWith(QChar letter)
{
    static const QStringList groups{QStringLiteral("iltfj"), QStringLiteral("ceoa"), QStringLiteral("nuh")};
    for (const QString &group : groups)
        if (group.contains(letter))
            return group;
    return {};
}

} // namespace

// A word with one letter misread ("littie", "cornputer", "lowa") is no glued pair
// even where its halves are words ("lit tie"): it is left as read.
bool GluedWords::isMisreadWord(const QString &token, const WordList &words)
{
    for (qsizetype i = 0; i < token.size(); ++i) {
        for (const QChar other : confusedWith(token.at(i))) {
            QString changed = token;
            changed[i] = other;
            // A name so near is no reason to keep the pronoun glued to its word ("Ido" is no
            // misread "Ida" but "I do").
            const bool nameOnly =
                changed.front().isUpper() && !words.contains(changed.front().toLower() + changed.mid(1));
            if (other != token.at(i) && words.contains(changed) && !nameOnly)
                return true;
        }
        if (token.mid(i, 2) == QLatin1String("rn") && words.contains(QString(token).replace(i, 2, QStringLiteral("m"))))
            return true;
    }
    return !words.withStrokeAsApostrophe(token).isEmpty() || LookalikeWords::isNameWithCapitalI(token, words);
}

bool GluedWords::isPart(const QString &text, const WordList &words)
{
    const QString word = bareText(text);
    if (isFigures(word))
        return true;
    if (word.size() <= 2 && !isCommonShortWord(word))
        return false;
    return words.contains(text);
}

// A part may also be a word in small letters that lost a doubled letter ("wilengage": "wil" and
// "engage"), which a wider reading of the line then looks for; a capital opens a name as often
// ("Kilroe" is no "Kill roe").
bool GluedWords::isPartOrShortOfLetter(const QString &text, const WordList &words)
{
    return isPart(text, words)
           || (text.size() >= 3 && text.front().isLower() && WordVote::mayHaveLostDoubledLetter(text, words));
}

// Where the token holding character `i` of `line` starts.
qsizetype GluedWords::tokenStart(const QList<CtcDecoder::Character> &line, qsizetype i)
{
    while (i > 0 && !line[i].spaceBefore)
        --i;
    return i;
}

bool GluedWords::isContractionTail(const QString &part, const QString &wordBefore, const WordList &words)
{
    static const QStringList tails{QStringLiteral("ve"), QStringLiteral("ll"), QStringLiteral("re"),
                                   QStringLiteral("m"), QStringLiteral("d")};
    return !wordBefore.isEmpty() && tails.contains(part) && words.contains(wordBefore + QLatin1Char('\'') + part);
}

// Every way of parting characters [from, to) into words of the list, at gaps the picture leaves
// open, is weighed at once: the best parting of each head of the token, longest last.
std::vector<qsizetype> GluedWords::bestParting(const QList<CtcDecoder::Character> &line, qsizetype from,
                                               qsizetype to, const std::vector<int> &gaps, const WordList &words,
                                               double wordGap, const QString &wordBefore)
{
    struct Head
    {
        bool reached = false;
        int shortParts = 0; // parts that are words only with a doubled letter back
        double score = 0;
        int words = 0;
        qsizetype previous = -1;
        bool betterThan(const Head &other) const
        {
            if (!other.reached || shortParts != other.shortParts)
                return !other.reached || shortParts < other.shortParts;
            return score > other.score || (score == other.score && words < other.words);
        }
    };
    // Words run on around an ellipsis as they are written ("buzzed...buzzed"): only a gap as
    // wide as a word gap parts them there.
    const auto atEllipsis = [&](qsizetype i) {
        const QString before = textOf(line, std::max(from, i - 2), i), after = textOf(line, i, std::min(to, i + 2));
        const QChar ellipsis(0x2026);
        return before == QLatin1String("..") || after == QLatin1String("..") || before.endsWith(ellipsis)
               || after.startsWith(ellipsis);
    };
    const auto open = [&](qsizetype i) {
        return std::size_t(i) < gaps.size() && gaps[std::size_t(i)] >= 0
               && (gaps[std::size_t(i)] >= wordGap || !atEllipsis(i));
    };
    std::vector<Head> heads(std::size_t(to - from + 1));
    heads[0].reached = true;
    for (qsizetype end = from + 1; end <= to; ++end) {
        if (end < to && !open(end))
            continue;
        Head &best = heads[std::size_t(end - from)];
        for (qsizetype start = from; start < end; ++start) {
            const Head &head = heads[std::size_t(start - from)];
            const QString part = textOf(line, start, end);
            // The apostrophe of a contraction read as a space, its tail glued to the next word
            // ("You vealways"): the tail is a part where the word before takes it.
            const bool tail = start == from && isContractionTail(part, wordBefore, words);
            if (!head.reached || (start > from && !open(start)) || !(tail || isPartOrShortOfLetter(part, words)))
                continue;
            // A parting into whole words beats one that needs a letter back ("well as", not
            // "wel las"), whatever the gaps say between letters so alike.
            const double credit = isCommonWord(part) ? commonWordCredit * wordGap : 0;
            const Head candidate{true, head.shortParts + (tail || isPart(part, words) ? 0 : 1),
                                 head.score + (start > from ? gaps[std::size_t(start)] - wordGap : 0) + credit,
                                 head.words + 1, start};
            if (candidate.betterThan(best))
                best = candidate;
        }
    }
    std::vector<qsizetype> at;
    if (!heads.back().reached)
        return at;
    for (qsizetype start = heads.back().previous; start > from; start = heads[std::size_t(start - from)].previous)
        at.insert(at.begin(), start);
    return at;
}

void GluedWords::part(QList<CtcDecoder::Character> &line, const std::vector<int> &gaps, const WordList &words,
                      double wordGap)
{
    if (words.isEmpty())
        return;
    qsizetype from = 0;
    while (from < line.size()) {
        qsizetype to = from + 1;
        while (to < line.size() && !line[to].spaceBefore)
            ++to;
        const QString token = textOf(line, from, to);
        if (hasLatinLetters(token, 2) && !words.contains(token) && !isMisreadWord(token, words)) {
            const QString before = from > 0 ? textOf(line, tokenStart(line, from - 1), from) : QString();
            const std::vector<qsizetype> parting = bestParting(line, from, to, gaps, words, wordGap, before);
            for (const qsizetype at : parting)
                line[at].spaceBefore = true;
            if (!parting.empty())
                qCDebug(lcGluedWords) << token << "parted" << parting.size() << "times";
        }
        from = to;
    }
}

void GluedWords::shiftOffSpaces(QList<CtcDecoder::Character> &line, const WordList &words)
{
    // Where each token starts, and where the line ends.
    QList<qsizetype> starts{0};
    for (qsizetype i = 1; i < line.size(); ++i)
        if (line[i].spaceBefore)
            starts << i;
    starts << line.size();
    for (qsizetype t = 1; t + 1 < starts.size(); ++t) {
        const qsizetype start = starts[t - 1], middle = starts[t], end = starts[t + 1];
        const QString first = textOf(line, start, middle), second = textOf(line, middle, end);
        if (words.contains(first) || words.contains(second) || isMisreadWord(first, words)
            || isMisreadWord(second, words))
            continue;
        // The space one letter earlier ("emptyl ife") or one letter later ("emp tylife").
        for (const qsizetype moved : {middle - 1, middle + 1}) {
            const qsizetype letter = moved < middle ? moved : middle;
            if (moved <= start || moved >= end || !line[letter].isLetter() || !isPart(textOf(line, start, moved), words)
                || !isPart(textOf(line, moved, end), words))
                continue;
            line[middle].spaceBefore = false;
            line[moved].spaceBefore = true;
            starts[t] = moved;
            break;
        }
    }
}

QString GluedWords::partedStrokesI(const QString &line, const WordList &words)
{
    QStringList tokens = line.split(QLatin1Char(' '));
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        QString &token = tokens[i];
        const QString word = bareText(token);
        if (word.size() < 3 || !hasLatinLetters(word, 3) || words.contains(word) || isMisreadWord(word, words))
            continue;
        // Speech that drops the g of -ing writes an apostrophe for it ("bowlin'"): no glued words.
        if (token.endsWith(QLatin1String("in'")) && words.contains(word + QLatin1Char('g')))
            continue;
        // A capital inside a sentence opens a name, or garbage read off texture ("Melcame").
        if (word.front().isUpper() && !LineTextRules::opensSentence(tokens, i))
            continue;
        const qsizetype start = token.indexOf(word);
        for (qsizetype at = 2; at < word.size(); ++at) {
            const QString before = word.left(at), after = word.mid(at + 1);
            if (word.at(at) != QLatin1Char('l') || !isPart(before, words) || !before.back().isLower()
                || !(after.isEmpty() || (isPart(after, words) && after.front().isLower())))
                continue;
            token.replace(start + at, 1, after.isEmpty() ? QStringLiteral(" I") : QStringLiteral(" I "));
            break;
        }
    }
    return tokens.join(QLatin1Char(' '));
}
