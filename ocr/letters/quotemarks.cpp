#include "quotemarks.h"

#include "linetextrules.h"

#include <algorithm>

namespace {

constexpr QChar straight(u'"');
constexpr QChar opening(u'\u201c');
constexpr QChar closing(u'\u201d');

bool isQuote(QChar c)
{
    return c == straight || c == opening || c == closing;
}

// Ink a quotation may not run into: letters, figures and the marks that end a word or sentence.
bool runsInto(QChar c)
{
    return c.isLetterOrNumber() || QStringLiteral(".,;:!?").contains(c);
}

} // namespace

QString QuoteMarks::spaced(const QString &line)
{
    if (LineTextRules::hasUnspacedScript(line) || line.count(straight) % 2 != 0)
        return line;
    QString spaced;
    bool open = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (!isQuote(c)) {
            spaced += c;
            continue;
        }
        const bool opens = c == opening || (c == straight && !open);
        open = c == straight ? !open : c == opening;
        // A quotation opens onto words: a mark at the line's end opens none.
        if (opens && i + 1 < line.size() && !spaced.isEmpty() && (runsInto(spaced.back()) || isQuote(spaced.back())))
            spaced += QLatin1Char(' ');
        spaced += c;
        if (!opens && i + 1 < line.size() && line.at(i + 1).isLetterOrNumber())
            spaced += QLatin1Char(' ');
    }
    return spaced;
}
