#include "gluedlettering.h"

#include "ocr/letters/wordlist.h"

#include <algorithm>
#include <vector>

namespace {

// The recogniser tells a bare upright stroke apart by guessing: what is left of the lettering's
// last "l" beside a subtitle reads as "I".
QChar comparable(QChar c)
{
    return c == QLatin1Char('I') || c == QLatin1Char('1') || c == QLatin1Char('|') ? QLatin1Char('l') : c;
}

QString withoutSpaces(const QString &text, GluedLettering::End end)
{
    QString bare;
    for (QChar c : text)
        if (!c.isSpace())
            bare += comparable(c);
    if (end == GluedLettering::End::Finish)
        std::reverse(bare.begin(), bare.end());
    return bare;
}

// Edit distance from `start` to the substring of `lettering` it is closest to.
int distanceToPart(const QString &start, const QString &lettering)
{
    std::vector<int> previous(size_t(lettering.size()) + 1, 0), current(previous.size());
    for (qsizetype i = 1; i <= start.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= lettering.size(); ++j) {
            const int substitution = previous[size_t(j) - 1] + (start[i - 1] == lettering[j - 1] ? 0 : 1);
            current[size_t(j)] = std::min({previous[size_t(j)] + 1, current[size_t(j) - 1] + 1, substitution});
        }
        std::swap(previous, current);
    }
    return *std::min_element(previous.cbegin(), previous.cend());
}

// Index in `line` just past its first `count` characters that are not spaces (from the end for Finish).
qsizetype splitAt(const QString &line, int count, GluedLettering::End end)
{
    const bool fromStart = end == GluedLettering::End::Start;
    qsizetype i = fromStart ? 0 : line.size();
    while (count > 0 && (fromStart ? i < line.size() : i > 0)) {
        const QChar c = fromStart ? line[i] : line[i - 1];
        count -= c.isSpace() ? 0 : 1;
        i += fromStart ? 1 : -1;
    }
    return i;
}

} // namespace

int GluedLettering::matchedCharacters(const QString &line, const QString &lettering, End end)
{
    const QString text = withoutSpaces(line, end), sign = withoutSpaces(lettering, end);
    // Too short a part could be any word; a reading error costs what two matched letters gain.
    const int shortest = std::max<int>(5, int(sign.size()) / 2);
    int best = 0, bestScore = 0;
    for (int length = shortest; length <= std::min<int>(int(text.size()) - 3, int(sign.size()) + 2); ++length) {
        const int distance = distanceToPart(text.left(length), sign);
        const int score = length - 2 * distance;
        if (distance <= std::max(1, length / 5) && score > bestScore) {
            best = length;
            bestScore = score;
        }
    }
    return best;
}

QString GluedLettering::without(const QString &line, int count, End end)
{
    const qsizetype at = splitAt(line, count, end);
    return (end == End::Start ? line.mid(at) : line.left(at)).trimmed();
}

QString GluedLettering::part(const QString &line, int count, End end)
{
    const qsizetype at = splitAt(line, count, end);
    return (end == End::Start ? line.left(at) : line.mid(at)).trimmed();
}

QString GluedLettering::withoutStrayLetter(const QString &rest, End end, const WordList &words)
{
    const bool atStart = end == End::Start;
    const qsizetype space = atStart ? rest.indexOf(QLatin1Char(' ')) : rest.lastIndexOf(QLatin1Char(' '));
    const QString word = atStart ? rest.left(space < 0 ? rest.size() : space) : rest.mid(space + 1);
    if (word.size() < 3)
        return rest;
    const QChar stray = atStart ? word.front() : word.back();
    const QString shorter = atStart ? word.mid(1) : word.chopped(1);
    if (!stray.isLetter() || stray.script() != QChar::Script_Latin || words.contains(word) || !words.contains(shorter))
        return rest;
    return atStart ? rest.mid(1) : rest.chopped(1);
}
