// Scores extracted subtitles against their ground truth (bench/e2e/run.sh drives it).
//   bench_e2e_score TRUTH.srt EXTRACTED.srt   -> one line of figures for the pair
// A truth entry matches an extracted entry that overlaps it in time with a character error rate of
// at most 0.15 (whitespace-normalised); matching is one-to-one, best CER first.
#include "core/srtqtime.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Subtitle
{
    qint64 start = 0;
    qint64 end = 0;
    QString text;
};

qint64 parseClock(const QString &text)
{
    SRTQTime time;
    return time.parseTime(text.trimmed()) ? time.toMilliseconds() : -1;
}

std::vector<Subtitle> readSrt(const QString &path)
{
    QFile file(path);
    std::vector<Subtitle> subtitles;
    if (!file.open(QIODevice::ReadOnly))
        return subtitles;
    const QStringList lines = QString::fromUtf8(file.readAll()).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    static const QRegularExpression timeLine(QStringLiteral("^\\s*(\\S+)\\s*-->\\s*(\\S+)\\s*$"));
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch match = timeLine.match(lines[i]);
        if (!match.hasMatch())
            continue;
        Subtitle subtitle{parseClock(match.captured(1)), parseClock(match.captured(2)), {}};
        QStringList text;
        for (++i; i < lines.size() && !lines[i].trimmed().isEmpty(); ++i)
            text << lines[i].trimmed();
        subtitle.text = text.join(QLatin1Char(' '));
        subtitles.push_back(subtitle);
    }
    return subtitles;
}

bool isCjk(QChar c)
{
    return c.script() == QChar::Script_Han || c.script() == QChar::Script_Hiragana
           || c.script() == QChar::Script_Katakana || c.script() == QChar::Script_Hangul;
}

// Collapses white space; drops it next to CJK characters, where it carries no meaning.
QString normalised(const QString &text)
{
    const QString simple = text.simplified();
    QString result;
    for (int i = 0; i < simple.size(); ++i) {
        if (simple[i] == QLatin1Char(' ') && i > 0 && i + 1 < simple.size()
            && (isCjk(simple[i - 1]) || isCjk(simple[i + 1])))
            continue;
        result += simple[i];
    }
    return result;
}

// Edits between two sequences: of characters for the CER, of words for the WER.
template<typename Sequence>
int levenshtein(const Sequence &a, const Sequence &b)
{
    std::vector<int> previous(size_t(b.size()) + 1);
    std::vector<int> current(size_t(b.size()) + 1);
    for (int j = 0; j <= b.size(); ++j)
        previous[size_t(j)] = j;
    for (int i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (int j = 1; j <= b.size(); ++j)
            current[size_t(j)] = std::min({previous[size_t(j)] + 1, current[size_t(j) - 1] + 1,
                                           previous[size_t(j) - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
        std::swap(previous, current);
    }
    return previous[size_t(b.size())];
}

double cer(const QString &truth, const QString &extracted)
{
    const QString t = normalised(truth);
    const QString e = normalised(extracted);
    return t.isEmpty() ? (e.isEmpty() ? 0.0 : 1.0) : double(levenshtein(t, e)) / double(t.size());
}

// Words are what spaces part: a lost space costs two words, as a reader correcting it sees it. A
// line in a script without spaces is one word.
double wer(const QString &truth, const QString &extracted)
{
    const QStringList t = normalised(truth).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList e = normalised(extracted).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return t.isEmpty() ? (e.isEmpty() ? 0.0 : 1.0) : double(levenshtein(t, e)) / double(t.size());
}

bool overlaps(const Subtitle &a, const Subtitle &b)
{
    return a.start < b.end && b.start < a.end;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_e2e_score TRUTH.srt EXTRACTED.srt\n");
        return 2;
    }
    const std::vector<Subtitle> truth = readSrt(QString::fromLocal8Bit(argv[1]));
    const std::vector<Subtitle> extracted = readSrt(QString::fromLocal8Bit(argv[2]));

    struct Candidate { double cer; double wer; size_t t; size_t e; };
    std::vector<Candidate> candidates;
    for (size_t t = 0; t < truth.size(); ++t)
        for (size_t e = 0; e < extracted.size(); ++e)
            if (overlaps(truth[t], extracted[e]))
                candidates.push_back({cer(truth[t].text, extracted[e].text), wer(truth[t].text, extracted[e].text), t, e});
    std::sort(candidates.begin(), candidates.end(), [](const Candidate &a, const Candidate &b) { return a.cer < b.cer; });

    std::vector<bool> truthUsed(truth.size());
    std::vector<bool> extractedUsed(extracted.size());
    int matched = 0;
    double cerSum = 0;
    for (const Candidate &c : candidates) {
        if (c.cer > 0.15 || truthUsed[c.t] || extractedUsed[c.e])
            continue;
        truthUsed[c.t] = extractedUsed[c.e] = true;
        ++matched;
        cerSum += c.cer;
        // start error, end error, cer of this match, truth start and end, for the aggregate over clips
        std::printf("match %lld %lld %.4f %lld %lld\n", static_cast<long long>(extracted[c.e].start - truth[c.t].start),
                    static_cast<long long>(extracted[c.e].end - truth[c.t].end), c.cer,
                    static_cast<long long>(truth[c.t].start), static_cast<long long>(truth[c.t].end));
    }
    // Every truth entry's best CER among overlapping extractions (1.0 when none), for a mean CER
    // that also charges misses; its WER is that of the same extraction.
    for (size_t t = 0; t < truth.size(); ++t) {
        const Candidate *best = nullptr;
        for (const Candidate &c : candidates)
            if (c.t == t && (!best || c.cer < best->cer))
                best = &c;
        std::printf("truthcer %.4f\n", best ? best->cer : 1.0);
        std::printf("truthwer %.4f\n", best ? best->wer : 1.0);
    }
    std::printf("summary truth=%zu extracted=%zu matched=%d\n", truth.size(), extracted.size(), matched);
    return 0;
}
