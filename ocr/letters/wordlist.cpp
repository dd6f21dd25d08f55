#include "wordlist.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace {

const char *const spellings[] = {"/usr/share/dict/american-english", "/usr/share/dict/british-english"};
// Whatever list the system chose, where it has neither of ours.
const char *const systemList = "/usr/share/dict/words";

bool isApostrophe(QChar c)
{
    return c == QLatin1Char('\'') || c == QChar(0x2019);
}

QString bare(const QString &token)
{
    qsizetype from = 0, to = token.size();
    while (from < to && !token.at(from).isLetterOrNumber())
        ++from;
    while (to > from && !token.at(to - 1).isLetterOrNumber())
        --to;
    QString word = token.mid(from, to - from);
    for (QChar &c : word)
        if (isApostrophe(c))
            c = QLatin1Char('\'');
    return word;
}

// The word with its accents left out ("cliches" for "clichés"), or an empty string.
QString withoutAccents(const QString &word)
{
    if (std::all_of(word.cbegin(), word.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return {};
    QString plain;
    for (const QChar c : word.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    return plain == word ? QString() : plain;
}

} // namespace

WordList::WordList(const QString &path)
    : WordList(QStringList{path})
{
}

WordList::WordList(const QStringList &paths)
{
    for (const QString &path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        words.reserve(words.size() + lines.size());
        for (const QByteArray &line : lines)
            if (!line.isEmpty())
                words.insert(QString::fromUtf8(line));
    }
    // Subtitles often leave a borrowed word's accents out: that spelling is no pair of words.
    QStringList plain;
    for (const QString &word : std::as_const(words))
        if (const QString folded = withoutAccents(word); !folded.isEmpty())
            plain << folded;
    for (const QString &word : std::as_const(plain))
        words.insert(word);
    for (const QString &word : std::as_const(words)) {
        const qsizetype apostrophe = word.indexOf(QLatin1Char('\''));
        if (apostrophe <= 0 || word.endsWith(QLatin1String("'s")) || word.at(0).isUpper())
            continue;
        const QString letters = QString(word).remove(QLatin1Char('\''));
        if (!words.contains(letters))
            contractions.insert(letters, word);
    }
}

QString WordList::withApostrophe(const QString &word) const
{
    if (word.size() < 2)
        return {};
    QString found = contractions.value(word.toLower());
    if (!found.isEmpty() && word.at(0).isUpper())
        found[0] = found.at(0).toUpper();
    return found;
}

QString WordList::withStrokeAsApostrophe(const QString &word) const
{
    const qsizetype n = word.size();
    if (n < 4 || word.at(n - 1) != QLatin1Char('t') || word.at(n - 3) != QLatin1Char('n')
        || !QStringLiteral("il1I|").contains(word.at(n - 2)) || contains(word))
        return {};
    const QString contraction = word.left(n - 2) + QStringLiteral("'t");
    return contains(contraction) ? contraction : QString();
}

const WordList &WordList::english()
{
    static const WordList list = [] {
        QStringList found;
        for (const char *path : spellings)
            if (QFile::exists(QLatin1String(path)))
                found << QLatin1String(path);
        if (found.isEmpty() && QFile::exists(QLatin1String(systemList)))
            found << QLatin1String(systemList);
        return WordList(found);
    }();
    return list;
}

bool WordList::opensSentenceOnly(const QString &word) const
{
    // The list holds these capitalised for other senses (the element, the abbreviation); a
    // subtitle means the pronouns.
    if (!words.isEmpty() && (word == QLatin1String("It") || word == QLatin1String("He")))
        return true;
    const bool capitalised = word.size() >= 2 && word.at(0).isUpper()
                             && std::all_of(word.cbegin() + 1, word.cend(), [](QChar c) { return c.isLower(); });
    return capitalised && !words.contains(word) && words.contains(word.at(0).toLower() + word.mid(1));
}

bool WordList::contains(const QString &token) const
{
    const QString word = bare(token);
    if (words.isEmpty())
        return false;
    if (word.size() == 1)
        return word == QLatin1String("a") || word == QLatin1String("A") || word == QLatin1String("I");
    if (word.isEmpty() || words.contains(word))
        return !word.isEmpty();
    // Figures are words of their own; a capital may open a sentence.
    if (std::all_of(word.cbegin(), word.cend(), [](QChar c) { return c.isDigit(); }))
        return true;
    if (word.at(0).isUpper() && words.contains(word.at(0).toLower() + word.mid(1)))
        return true;
    // A word set in capitals, as shouts and signs are ("GENERAL", "CRISIS").
    if (std::all_of(word.cbegin(), word.cend(), [](QChar c) { return c.isUpper() || !c.isLetter(); })) {
        const QString lower = word.toLower();
        const QString capitalised = lower.at(0).toUpper() + lower.mid(1);
        if (lower != word && (words.contains(lower) || words.contains(capitalised)))
            return true;
    }
    // Speech's dropped g, written with an apostrophe the list leaves out ("bowlin'", "nothin'"):
    // else "bowl in'" is two words of it.
    static const QRegularExpression droppedG(QStringLiteral("in['\u2019][^\\w]*$"));
    if (word.endsWith(QLatin1String("in")) && droppedG.match(token).hasMatch() && contains(word + QLatin1Char('g')))
        return true;
    // Possessives and "s" contractions the list leaves out.
    return word.endsWith(QLatin1String("'s")) && contains(word.chopped(2));
}
