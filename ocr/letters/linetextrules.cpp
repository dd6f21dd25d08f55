#include "linetextrules.h"

#include "wordlist.h"

#include <QRegularExpression>
#include <QStringView>

#include <algorithm>
#include <numeric>

namespace {

// `line` with the letters `pattern` matches made capitals.
QString withCapitalsAt(const QString &line, const QRegularExpression &pattern)
{
    QString mended = line;
    for (QRegularExpressionMatchIterator it = pattern.globalMatch(line); it.hasNext();) {
        const qsizetype at = it.next().capturedStart();
        mended[at] = mended.at(at).toUpper();
    }
    return mended;
}

// Below this mean confidence a line is nearly always texture or edges read as letters.
constexpr float minimumLineConfidence = 60.0f;
// Marks this unsure at either end of a line are specks next to the text.
constexpr float minimumEdgeWordConfidence = 50.0f;

bool hasLetterOrDigit(const QString &text)
{
    for (const QChar character : text) {
        if (character.isLetterOrNumber())
            return true;
    }
    return false;
}

char32_t firstCodePoint(const QString &text)
{
    return text.isEmpty() ? 0 : text.toUcs4().constFirst();
}

char32_t lastCodePoint(const QString &text)
{
    return text.isEmpty() ? 0 : text.toUcs4().constLast();
}

bool isLatinLetter(QChar character)
{
    return character.isLetter() && character.script() == QChar::Script_Latin;
}

// A capital I in a sans-serif face is a bare stroke, which Tesseract often reads as a pipe. In
// subtitles a pipe beside Latin text is that I: "|", "|'m", "|t".
QString mendCapitalI(QString word, const QList<LineTextRules::Word> &line)
{
    if (!word.startsWith(QLatin1Char('|')))
        return word;
    const bool latinLine = std::any_of(line.cbegin(), line.cend(), [](const LineTextRules::Word &w) {
        return std::any_of(w.text.cbegin(), w.text.cend(), isLatinLetter);
    });
    const bool restIsLatin = std::all_of(word.cbegin() + 1, word.cend(), [](QChar c) {
        return isLatinLetter(c) || c == QLatin1Char('\'') || c == QChar(0x2019) || c.isPunct();
    });
    if (latinLine && restIsLatin)
        word[0] = QLatin1Char('I');
    return word;
}

bool isWidthForm(char32_t c)
{
    const QChar::Decomposition tag = QChar::decompositionTag(c);
    return tag == QChar::Wide || tag == QChar::Narrow;
}

// No English word opens with "Ih", "Iw", "Ik" or "Ith" (but a town's name): such a word is the
// pronoun I that lost its space to the next word ("Ihave", "Iwas", "Iknow", "Ithink"), a space
// the recogniser barely sees after a bare stroke, most of all in italics.
bool isPronounIGlued(const QString &word)
{
    if (word.size() <= 2 || word.at(0) != QLatin1Char('I'))
        return false;
    const bool noWordOpensSo = QStringLiteral("hwk").contains(word.at(1)) || word.startsWith(QLatin1String("Ith"));
    return noWordOpensSo
           && std::all_of(word.cbegin() + 1, word.cend(), [](QChar c) { return c.isLower() || c.isPunct(); });
}

// The pronoun's contractions as the recogniser misreads the bare stroke of the I: "T'm", "l'll",
// "O've", "Pm" and "rll" (the stroke and apostrophe read as one letter), "I'rn", or "'ll" with the
// stroke lost.
QString mendedContraction(const QString &word, bool opensSentence)
{
    static const QRegularExpression misread(QStringLiteral("^([TOlI|1]?)['\u2019](m|rn|ll|ve|d)$"));
    const QRegularExpressionMatch match = misread.match(word);
    if (word == QLatin1String("Pm"))
        return QStringLiteral("I'm");
    if (word == QLatin1String("rll"))
        return QStringLiteral("I'll");
    if (!match.hasMatch() || (match.capturedLength(1) == 0 && !opensSentence))
        return word;
    return QStringLiteral("I'") + (match.captured(2) == QLatin1String("rn") ? QStringLiteral("m") : match.captured(2));
}

// A stroke read as T, O or l standing alone where a sentence opens, before a word in lower case:
// no English sentence opens so but with the pronoun ("T have", "O think"). A pipe is never text.
bool isPronounIMisread(const QString &word, bool opensSentence, bool afterDash, bool beforeLowerCase)
{
    return beforeLowerCase && word.size() == 1
           && (word.at(0) == QLatin1Char('|') || (opensSentence && QStringLiteral("TOl1L").contains(word.at(0)))
               || (afterDash && word.at(0) == QLatin1Char('D')));
}

// After a dialogue dash an italic I leans into the dash's end, and the two read as a D.
bool afterDialogueDash(const QStringList &tokens, qsizetype i)
{
    return i > 0 && tokens[i - 1] == QLatin1String("-");
}

bool isEdgeSpeck(const LineTextRules::Word &word)
{
    return word.confidence < minimumEdgeWordConfidence
           && (word.text.size() <= 1 || !hasLetterOrDigit(word.text));
}

} // namespace

QString LineTextRules::mendedPronounI(const QString &line)
{
    QStringList words = line.split(QLatin1Char(' '));
    for (qsizetype i = 0; i < words.size(); ++i) {
        // A quotation opened on the word leaves it the word it is ('"T don't' is '"I don't').
        const qsizetype quote = words[i].size() > 1 && QStringLiteral("\"\u201c").contains(words[i].front()) ? 1 : 0;
        QString word = words[i].mid(quote);
        const bool beforeLowerCase = i + 1 < words.size() && !words[i + 1].isEmpty() && words[i + 1].at(0).isLower()
                                     && isLatinLetter(words[i + 1].at(0));
        const bool opensSentence = LineTextRules::opensSentence(words, i);
        if (word == QLatin1String("Im"))
            word = QStringLiteral("I'm");
        else if (word == QLatin1String("Ive"))
            word = QStringLiteral("I've");
        else if (beforeLowerCase && word == QLatin1String("Ill"))
            word = QStringLiteral("I'll");
        else if (beforeLowerCase
                 && (word == QLatin1String("Hl") || word == QLatin1String("Hll") || word == QLatin1String("IHl")
                     || word == QLatin1String("IHll")))
            word = QStringLiteral("I'll");
        else if (beforeLowerCase && word == QLatin1String("Id"))
            word = QStringLiteral("I'd");
        // The stroke and apostrophe read as one P in narrow faces, as in "Pm": "Pd" is a chemist's
        // word, no subtitle's before a word in lower case.
        else if (beforeLowerCase
                 && (word == QLatin1String("Pd") || word == QLatin1String("Pll") || word == QLatin1String("Pve")))
            word = QStringLiteral("I'") + word.mid(1);
        else if (beforeLowerCase && opensSentence
                 && (word == QLatin1String("H") || word == QLatin1String("ll") || word == QLatin1String("Il")))
            word = QStringLiteral("I'll");
        else if (isPronounIGlued(word))
            word.insert(1, QLatin1Char(' '));
        else if (isPronounIMisread(word, opensSentence, afterDialogueDash(words, i), beforeLowerCase))
            word = QStringLiteral("I");
        else
            word = mendedContraction(word, opensSentence);
        words[i] = words[i].left(quote) + word;
    }
    return words.join(QLatin1Char(' '));
}

QString LineTextRules::mendedApostrophes(const QString &line, const WordList &words)
{
    QStringList tokens = line.split(QLatin1Char(' '));
    // The apostrophe read as a space: "ll", "ve", "re", "t", "m" and "d" standing alone are the
    // tails of the word before where the two make a contraction of the list. Not "s": any word
    // takes it as a possessive.
    static const QRegularExpression contractionTail(QStringLiteral("^(ll|ve|re|t|m|d)(?!\\p{L})"));
    for (qsizetype i = tokens.size() - 1; i > 0; --i) {
        const QString &tail = tokens[i];
        const QRegularExpressionMatch match = contractionTail.match(tail);
        const qsizetype letters = match.hasMatch() ? match.capturedLength(1) : 0;
        const bool bare = letters > 0;
        const QString &word = tokens[i - 1];
        if (bare && !word.isEmpty() && isLatinLetter(word.back())
            && words.contains(word + QLatin1Char('\'') + tail.left(letters))) {
            tokens[i - 1] = word + QLatin1Char('\'') + tail;
            tokens.removeAt(i);
        }
    }
    // An apostrophe over shadow or texture read as a double quote, which never stands inside a word.
    static const QString quotes = QStringLiteral("\"\u201c\u201d\u2033");
    for (QString &token : tokens) {
        for (qsizetype i = 1; i + 1 < token.size(); ++i) {
            if (quotes.contains(token.at(i)) && isLatinLetter(token.at(i - 1)) && isLatinLetter(token.at(i + 1))) {
                QString mended = token;
                mended[i] = QLatin1Char('\'');
                if (words.contains(mended))
                    token = mended;
            }
        }
    }
    for (QString &token : tokens) {
        qsizetype from = 0, to = token.size();
        while (from < to && !isLatinLetter(token.at(from)))
            ++from;
        while (to > from && !isLatinLetter(token.at(to - 1)))
            --to;
        const QString bare = token.mid(from, to - from);
        QString mended = words.withApostrophe(bare);
        if (mended.isEmpty())
            mended = words.withStrokeAsApostrophe(bare);
        if (!mended.isEmpty())
            token.replace(from, to - from, mended);
    }
    return tokens.join(QLatin1Char(' '));
}

QString LineTextRules::withoutStopsBetweenWords(const QString &line, const WordList &words)
{
    static const QRegularExpression glued(QStringLiteral("^(\\p{L}{2,})\\.(\\p{Ll}{2,})(\\W*)$"));
    static const QRegularExpression colons(QStringLiteral("^\\p{L}{2,}(:\\p{L}{2,})+\\W*$"));
    QStringList tokens = line.split(QLatin1Char(' '));
    // Nor a stop or comma standing alone after a question or exclamation, which closed the sentence.
    for (qsizetype i = tokens.size() - 1; i > 0; --i)
        if ((tokens[i] == QLatin1String(".") || tokens[i] == QLatin1String(",")) && !tokens[i - 1].isEmpty()
            && QStringLiteral("?!").contains(tokens[i - 1].back()))
            tokens.removeAt(i);
    // A stop and a comma read together over one mark ("fool., Borrow"): the stop before a capital.
    static const QRegularExpression stopAndComma(QStringLiteral("^(\\p{L}+)(\\.,|,\\.)$"));
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        const QRegularExpressionMatch match = stopAndComma.match(tokens[i]);
        if (match.hasMatch() && !tokens[i + 1].isEmpty())
            tokens[i] = match.captured(1) + (tokens[i + 1].front().isUpper() ? QLatin1Char('.') : QLatin1Char(','));
    }
    for (QString &token : tokens) {
        const QRegularExpressionMatch match = glued.match(token);
        if (match.hasMatch() && words.contains(match.captured(1)) && words.contains(match.captured(2)))
            token = match.captured(1) + QLatin1Char(' ') + match.captured(2) + match.captured(3);
        // A colon is followed by a space in English prose: one glued between words is a speck.
        const QStringList parts = token.split(QLatin1Char(':'));
        if (colons.match(token).hasMatch()
            && std::all_of(parts.cbegin(), parts.cend(), [&words](const QString &part) { return words.contains(part); }))
            token = parts.join(QLatin1Char(' '));
    }
    return tokens.join(QLatin1Char(' '));
}

bool LineTextRules::opensSentence(const QStringList &tokens, qsizetype i)
{
    if (i == 0 || tokens[i - 1] == QLatin1String("-"))
        return true;
    // A quotation closed after the sentence's mark ('it?" "I').
    QString before = tokens[i - 1];
    while (before.size() > 1 && QStringLiteral("\"'\u201d\u2019").contains(before.back()))
        before.chop(1);
    return QStringLiteral(".?!").contains(before.right(1));
}

QString LineTextRules::partedPronounI(const QString &line, const WordList &words)
{
    QStringList tokens = line.split(QLatin1Char(' '));
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const QString &token = tokens[i];
        const bool strokeMisread =
            QStringLiteral("IlO|[").contains(token.at(0)) || (afterDialogueDash(tokens, i) && token.at(0) == QLatin1Char('D'));
        if (!opensSentence(tokens, i) || token.size() < 3 || !strokeMisread || !isLatinLetter(token.at(1))
            || !token.at(1).isLower() || !token.at(2).isLetter())
            continue;
        const QString rest = token.mid(1);
        if (!words.contains(token) && words.contains(rest))
            tokens[i] = QStringLiteral("I ") + rest;
    }
    return tokens.join(QLatin1Char(' '));
}

// The recogniser is less sure of such a speck than of any closing mark it reads on the strips
// (0.40 and more): specks get 0.17 to 0.45, a doubled stop 0.65.
bool LineTextRules::dropSpeckAfterEnd(QList<CtcDecoder::Character> &line)
{
    constexpr float unsureSpeck = 0.5f;
    constexpr float unsureStop = 0.8f;
    if (line.size() < 3 || !QStringLiteral(".?!").contains(line[line.size() - 2].text))
        return false;
    const QString &last = line.last().text;
    const bool doubledStop = last == QLatin1String(".") && line[line.size() - 2].text == QLatin1String(".")
                             && line[line.size() - 3].text != QLatin1String(".");
    const bool speck = last.size() == 1 && last.at(0).isLetterOrNumber();
    // No English sentence closes twice: a stop after a question or an exclamation is a speck.
    const bool stopAfterMark = last == QLatin1String(".") && line[line.size() - 2].text != QLatin1String(".");
    if (!(speck && line.last().confidence < unsureSpeck) && !(doubledStop && line.last().confidence < unsureStop)
        && !stopAfterMark)
        return false;
    line.removeLast();
    return true;
}

QString LineTextRules::mendedFigures(const QString &line)
{
    static const QRegularExpression figures(QStringLiteral("^[0-9lI|Oo]*[0-9][0-9lI|Oo:.,]*$"));
    QStringList tokens = line.split(QLatin1Char(' '));
    for (QString &token : tokens) {
        qsizetype to = token.size();
        while (to > 0 && QStringLiteral(".,?!").contains(token.at(to - 1)))
            --to;
        const QString core = token.left(to);
        if (!figures.match(core).hasMatch() || !std::any_of(core.cbegin(), core.cend(), isLatinLetter))
            continue;
        for (qsizetype i = 0; i < to; ++i) {
            if (QStringLiteral("lI|").contains(token.at(i)))
                token[i] = QLatin1Char('1');
            else if (token.at(i) == QLatin1Char('O') || token.at(i) == QLatin1Char('o'))
                token[i] = QLatin1Char('0');
        }
    }
    return tokens.join(QLatin1Char(' '));
}

QString LineTextRules::mendedTitles(const QString &line)
{
    static const QRegularExpression title(QStringLiteral("\\b(Mr|Mrs|Ms|Dr),(?= \\p{Lu})"));
    return QString(line).replace(title, QStringLiteral("\\1."));
}

QString LineTextRules::mendedSentenceStarts(const QString &line)
{
    // After a question, an exclamation or a word's full stop (not an abbreviation's "a.m."); a
    // capital whose shape is its small letter's is told by its size alone.
    static const QRegularExpression start(QStringLiteral("(?<=[\\p{L}\\p{N}][!?] |\\p{Ll}{2}\\. )[cosvwxz](?=\\p{Ll})"));
    // A dialogue dash opens a speaker's sentence: there an i is the capital's bare stroke with a
    // speck of texture or of the slant above it ("- it's me"), most of all in italics.
    static const QRegularExpression afterDash(QStringLiteral("^- [cosvwxzi](?=[\\p{Ll}'\u2019])"));
    QString mended = withCapitalsAt(line, start);
    const QRegularExpressionMatch dash = afterDash.match(mended);
    if (dash.hasMatch())
        mended[dash.capturedEnd() - 1] = mended.at(dash.capturedEnd() - 1).toUpper();
    return mended;
}

QString LineTextRules::commasBeforeSmallWords(const QString &line)
{
    // A word of two small letters or more before the stop (no "a.m.", no "Mr."); after it a small
    // letter whose capital has another shape, and no l (the pronoun's stroke: "lt's").
    static const QRegularExpression stop(QStringLiteral("(?<![.\\p{L}])(\\p{Ll}{2,})\\.(?= [abd-hjkmnp-rtuy]\\p{Ll})"));
    return QString(line).replace(stop, QStringLiteral("\\1,"));
}

QString LineTextRules::articleForAt(const QString &line, const WordList &words)
{
    static const QRegularExpression at(QStringLiteral("\\b(\\p{Ll}+)@(\\p{Ll}+)\\b(?![.@]\\p{L})"));
    QString mended = line;
    for (QRegularExpressionMatchIterator it = at.globalMatch(line); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (words.contains(match.captured(1)) && words.contains(match.captured(2)))
            mended[match.capturedStart() + match.capturedLength(1)] = QChar(0x1);
    }
    return mended.replace(QChar(0x1), QStringLiteral(" a "));
}

QString LineTextRules::mendedCapitalWords(const QString &line)
{
    // Three capitals around it in the word, so that a name's ("McCoy", "DeVos") stays.
    static const QRegularExpression small(
        QStringLiteral("(?<=\\p{Lu}{2})[cosvwxz](?=\\p{Lu})|(?<=\\p{Lu})[cosvwxz](?=\\p{Lu}{2})"));
    QString mended = withCapitalsAt(line, small);
    // Between two capitals of a word alone, more small letters of that shape than a name holds
    // ("LooK").
    static const QRegularExpression between(QStringLiteral("\\b\\p{Lu}[cosvwxz]{2,}\\p{Lu}\\b"));
    for (QRegularExpressionMatchIterator it = between.globalMatch(line); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        mended.replace(match.capturedStart(), match.capturedLength(), match.captured().toUpper());
    }
    return mended;
}

bool LineTextRules::dropsOnlyTailsOfNoWords(const QStringList &longer, const QStringList &shorter, const WordList &words)
{
    if (longer.size() != shorter.size())
        return false;
    bool dropped = false;
    for (qsizetype i = 0; i < longer.size(); ++i) {
        const QString kept = shorter[i].trimmed();
        if (kept.isEmpty() || !longer[i].startsWith(kept))
            return false;
        const QString tail = longer[i].mid(kept.size()).trimmed();
        if (tail.size() > kept.size())
            return false;
        if (hasUnspacedScript(tail))
            return false;
        // A closing mark alone is the line's own, only missed by the closer look.
        if (!tail.isEmpty() && std::none_of(tail.cbegin(), tail.cend(), [](QChar c) { return c.isLetterOrNumber(); }))
            return false;
        const QStringList tokens = tail.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (std::any_of(tokens.cbegin(), tokens.cend(), [&words](const QString &token) { return words.contains(token); }))
            return false;
        dropped = dropped || !tail.isEmpty();
    }
    return dropped;
}

bool LineTextRules::hasUnspacedScript(const QString &text)
{
    const QList<uint> characters = text.toUcs4();
    return std::any_of(characters.cbegin(), characters.cend(), [](uint c) { return isUnspacedScript(char32_t(c)); });
}

bool LineTextRules::isUnspacedScript(char32_t c)
{
    switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Tibetan:
    case QChar::Script_Myanmar:
    case QChar::Script_Khmer:
        return true;
    case QChar::Script_Common:
    case QChar::Script_Inherited:
        // Marks of no script of their own: the ideographic ones (full stop, comma, brackets, the
        // kana length mark, vertical forms) and the full- and half-width forms go with CJK text.
        return isWidthForm(c) || (c >= 0x3000 && c <= 0x30FF) || (c >= 0x31C0 && c <= 0x31EF)
               || (c >= 0xFE30 && c <= 0xFE4F);
    default:
        // Full-width Latin letters are set like the ideographs around them.
        return QChar::decompositionTag(c) == QChar::Wide;
    }
}

QString LineTextRules::joinWords(const QStringList &words)
{
    QString line;
    for (const QString &word : words) {
        const QString text = word.simplified();
        if (text.isEmpty())
            continue;
        // Tesseract splits Chinese text into one "word" per character; those need no space.
        if (!line.isEmpty() && !(isUnspacedScript(lastCodePoint(line)) && isUnspacedScript(firstCodePoint(text))))
            line += QLatin1Char(' ');
        line += text;
    }
    return line;
}

QString LineTextRules::acceptedLine(QList<Word> words)
{
    while (!words.isEmpty() && isEdgeSpeck(words.constFirst()))
        words.removeFirst();
    while (!words.isEmpty() && isEdgeSpeck(words.constLast()))
        words.removeLast();
    if (words.isEmpty())
        return {};
    const float total = std::accumulate(words.cbegin(), words.cend(), 0.0f,
                                        [](float sum, const Word &word) { return sum + word.confidence; });
    if (total / float(words.size()) < minimumLineConfidence)
        return {};
    QStringList texts;
    for (const Word &word : std::as_const(words))
        texts << mendCapitalI(word.text, words);
    const QString line = joinWords(texts);
    return hasLetterOrDigit(line) ? line : QString();
}

bool LineTextRules::differOnlyInMarks(const QStringList &first, const QStringList &second)
{
    if (first.size() != second.size())
        return false;
    for (qsizetype i = 0; i < first.size(); ++i)
        if (lettersAndFigures(first[i]) != lettersAndFigures(second[i]))
            return false;
    return true;
}

QString LineTextRules::lettersAndFigures(QStringView text)
{
    QString kept;
    for (const QChar c : text)
        if (c.isLetterOrNumber())
            kept += c;
    return kept;
}

qsizetype LineTextRules::charactersOfWordsAfter(const QList<CtcDecoder::Character> &line, qsizetype lettersBefore,
                                                const WordList &words)
{
    const auto lettersIn = [](QStringView text) { return lettersAndFigures(text).size(); };
    qsizetype kept = 0, letters = 0;
    for (qsizetype start = 0; start < line.size();) {
        qsizetype end = start + 1;
        while (end < line.size() && !line[end].spaceBefore)
            ++end;
        QString token;
        for (qsizetype i = start; i < end; ++i)
            token += line[i].text;
        const qsizetype lettersBeforeToken = letters;
        letters += lettersIn(token);
        if (letters <= lettersBefore || words.contains(token)) {
            kept = end;
            start = end;
            continue;
        }
        static const QRegularExpression closingMark(QStringLiteral("[.!?]"));
        const qsizetype stop = token.indexOf(closingMark);
        // One character of the reading per letter of the token, as the Latin script reads.
        const bool oneEach = token.size() == end - start;
        if (oneEach && stop > 0 && lettersBeforeToken + lettersIn(QStringView(token).left(stop)) > lettersBefore
            && words.contains(token.left(stop)))
            kept = start + stop + 1;
        break;
    }
    return kept;
}

bool LineTextRules::spacedAfterMarks(QList<CtcDecoder::Character> &line)
{
    const auto isLetter = [&line](qsizetype i) {
        return line[i].text.size() == 1 && isLatinLetter(line[i].text.front());
    };
    // A stop only ends a sentence after a word of three letters or more, before a capital or the
    // pronoun's stroke read as an l ("experience.lt"): abbreviations ("e.g.", "U.S.A.") and names
    // of files and sites stay whole.
    const auto endsSentence = [&](qsizetype stop) {
        qsizetype word = stop;
        while (word > 0 && isLetter(word - 1) && !line[word].spaceBefore)
            --word;
        if (stop - word < 3 || stop + 1 >= line.size())
            return false;
        const QChar next = line[stop + 1].text.front();
        const bool stroke = next == QLatin1Char('l') && stop + 2 < line.size()
                            && QStringLiteral("t'").contains(line[stop + 2].text.front());
        return next.isUpper() || stroke;
    };
    bool spaced = false;
    for (qsizetype i = 2; i < line.size(); ++i) {
        const QString &mark = line[i - 1].text;
        if (line[i].spaceBefore || mark.size() != 1 || !isLetter(i) || !isLetter(i - 2))
            continue;
        // A colon before a capital ("You:I'd"); one glued before a small letter is more often a
        // speck of texture read in a word gap, which goes later.
        const bool colonBeforeCapital = mark == QLatin1String(":") && line[i].text.front().isUpper();
        if (!QStringLiteral("!?;,").contains(mark.front()) && !colonBeforeCapital
            && !(mark == QLatin1String(".") && endsSentence(i - 1)))
            continue;
        line[i].spaceBefore = true;
        spaced = true;
    }
    for (qsizetype i = 2; i < line.size(); ++i) {
        if (line[i].text == QLatin1String("(") && !line[i].spaceBefore && isLetter(i - 2)
            && QStringLiteral(".!?,;:").contains(line[i - 1].text)) {
            line[i].spaceBefore = true;
            spaced = true;
        }
    }
    // An ellipsis set apart from the word before it is set apart from the next one too
    // ("humble ...you're"); one opening the line leads into its first word.
    for (qsizetype i = 4; i < line.size(); ++i) {
        const bool ellipsis = std::all_of(line.cbegin() + i - 3, line.cbegin() + i,
                                          [](const CtcDecoder::Character &c) { return c.text == QLatin1String("."); });
        if (ellipsis && line[i - 3].spaceBefore && !line[i - 2].spaceBefore && !line[i - 1].spaceBefore
            && !line[i].spaceBefore && isLetter(i) && (i + 1 == line.size() || line[i + 1].text != QLatin1String("."))
            && line[i - 4].text != QLatin1String(".")) {
            line[i].spaceBefore = true;
            spaced = true;
        }
    }
    return spaced;
}
