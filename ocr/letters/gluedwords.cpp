#include "gluedwords.h"

#include "wordlist.h"

#include <QLoggingCategory>
#include <QSet>

#include <algorithm>

Q_LOGGING_CATEGORY(lcGluedWords, "tarnix.ocr.gluedwords", QtWarningMsg)

namespace {

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

// A word with one letter misread ("littie", "cornputer") is no glued pair
// even where its halves are words ("lit tie"): it is left as read.
bool GluedWords::isMisreadWord(const QString &token, const WordList &words)
{
    for (qsizetype i = 0; i < token.size(); ++i) {
        for (const QChar other : confusedWith(token.at(i))) {
            QString changed = token;
            changed[i] = other;
            if (other != token.at(i) && words.contains(changed))
                return true;
        }
        if (token.mid(i, 2) == QLatin1String("rn") && words.contains(QString(token).replace(i, 2, QStringLiteral("m"))))
            return true;
    }
    return false;
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

GluedWords::Parting GluedWords::bestParting(const QList<CtcDecoder::Character> &line, qsizetype from, qsizetype to,
                                            const std::vector<int> &gaps, const WordList &words)
{
    const auto open = [&](qsizetype i) { return std::size_t(i) < gaps.size() && gaps[std::size_t(i)] >= 0; };
    Parting best;
    for (qsizetype p = from + 1; p < to; ++p) {
        if (!open(p) || !isPart(textOf(line, from, p), words))
            continue;
        const int width = gaps[std::size_t(p)];
        if (isPart(textOf(line, p, to), words) && width > best.width)
            best = Parting{{p}, width};
    }
    if (!best.at.empty())
        return best;
    for (qsizetype p = from + 1; p < to; ++p) {
        if (!open(p) || !isPart(textOf(line, from, p), words))
            continue;
        for (qsizetype q = p + 1; q < to; ++q) {
            const int width = gaps[std::size_t(p)] + gaps[std::size_t(q)];
            if (open(q) && width > best.width && isPart(textOf(line, p, q), words)
                && isPart(textOf(line, q, to), words))
                best = Parting{{p, q}, width};
        }
    }
    return best;
}

void GluedWords::part(QList<CtcDecoder::Character> &line, const std::vector<int> &gaps, const WordList &words)
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
            const Parting parting = bestParting(line, from, to, gaps, words);
            for (const qsizetype at : parting.at)
                line[at].spaceBefore = true;
            if (!parting.at.empty())
                qCDebug(lcGluedWords) << token << "parted" << parting.at.size() << "times";
        }
        from = to;
    }
}
