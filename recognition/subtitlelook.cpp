#include "subtitlelook.h"

#include "stretchsegmentation.h"

#include "gluedlettering.h"

#include "ocr/letters/wordlist.h"

#include <QLoggingCategory>
#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

Q_LOGGING_CATEGORY(lcLook, "tarnix.recognition.look", QtWarningMsg)

namespace {

// A line the video is sure of: read this clearly, this long, and shown this long.
constexpr float sureConfidence = 0.93f;
constexpr int sureCharacters = 8;
constexpr qint64 sureMs = 500;
constexpr int sureLinesNeeded = 3;
// Below this a reading counts as unsure; a mere few letters or digits are what texture gives.
constexpr float unsureConfidence = 0.85f;
constexpr int scantCharacters = 3;
// Detector boxes of one subtitle font vary with ascenders and descenders, not more.
constexpr double shortest = 0.65, tallest = 1.5;
constexpr double colourDistance = 80;
// Lettering is taken to move with the picture when both ends of its box went the same way by
// this share of its height (and at least `movedPixels`) while its text stayed.
constexpr double movedShare = 0.5;
constexpr int movedPixels = 16;
constexpr qint64 chainGapMs = 5000;

int lettersAndDigits(const QString &text)
{
    return int(std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber(); }));
}

// Words enough to be sure of: several in a spaced script, a few ideographs in an unspaced one.
bool isLong(const QString &text)
{
    constexpr int sureIdeographs = 4;
    const auto ideographs = std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x2E80 && c.isLetter(); });
    return ideographs >= sureIdeographs || (lettersAndDigits(text) >= sureCharacters && text.trimmed().contains(QLatin1Char(' ')));
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double spreadAround(const std::vector<double> &values, double centre)
{
    std::vector<double> deviations;
    for (double value : values)
        deviations.push_back(std::abs(value - centre));
    return median(deviations);
}

double distance(const QColor &a, const QColor &b)
{
    return std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
}

// Same lettering read twice, allowing for what a moving picture does to a reading.
bool alike(const QString &a, const QString &b)
{
    const QString x = a.simplified(), y = b.simplified();
    return !x.isEmpty() && StretchSegmentation::editDistance(x, y) <= std::max<qsizetype>(2, std::max(x.size(), y.size()) / 4);
}

// The line's widest piece: where a piece of texture joins a subtitle's row, the subtitle.
LineReading::Piece widestPiece(const LineReading &line)
{
    if (line.pieces.isEmpty())
        return LineReading::Piece{line.text, line.box, line.confidence};
    return *std::max_element(line.pieces.cbegin(), line.pieces.cend(),
                             [](const LineReading::Piece &a, const LineReading::Piece &b) { return a.box.width() < b.box.width(); });
}

// One reading per time: the one its looks belong to, else the first with text.
QList<FrameSample> oneReadingPerTime(const QList<FrameSample> &samples, const LineLooks &looks)
{
    QList<FrameSample> sorted = samples;
    std::stable_sort(sorted.begin(), sorted.end(), [](const FrameSample &a, const FrameSample &b) { return a.time < b.time; });
    const auto described = [&](const FrameSample &sample) {
        const QList<LineLook> lines = looks.value(sample.time);
        return !lines.isEmpty() && lines.size() == sample.lines.size();
    };
    QList<FrameSample> kept;
    for (const FrameSample &sample : sorted) {
        if (!kept.isEmpty() && kept.last().time == sample.time) {
            const bool better = (!described(kept.last()) && described(sample))
                                || (kept.last().lines.join(QString()).trimmed().isEmpty() && !described(kept.last()));
            if (better)
                kept.last() = sample;
            continue;
        }
        kept.append(sample);
    }
    return kept;
}

QString withoutSpaces(const QString &text)
{
    QString bare;
    for (QChar c : text)
        if (!c.isSpace())
            bare += c;
    return bare;
}

} // namespace

SubtitleLook::SubtitleLook(const QList<FrameSample> &samples, const LineLooks &lineLooks)
    : looks(lineLooks)
    , readings(oneReadingPerTime(samples, looks))
{
    for (qsizetype r = 0; r < readings.size(); ++r) {
        durations.append(r + 1 < readings.size() ? readings[r + 1].time - readings[r].time : 0);
        const auto found = looks.constFind(readings[r].time);
        if (found == looks.cend() || found->size() != readings[r].lines.size())
            continue;
        for (qsizetype i = 0; i < found->size(); ++i) {
            if ((*found)[i].hasBox() && (*found)[i].reading.text == readings[r].lines[i])
                lines.append(Line{int(r), int(i), &(*found)[i], (*found)[i].reading.text, (*found)[i].reading.box, QString()});
        }
    }
    markMoving();
    cutGlued();
    learn();
    // Lettering that stands still is known only once the subtitles' placement is.
    if (model.known) {
        cutGlued();
        learn();
    }
}

// Chains each line to the like line read last (within a few seconds, blanks between allowed: the
// scan reads a picture only where its subtitles change), and marks chains whose box went one
// way: subtitles stand still while they show, lettering in a panned picture does not.
void SubtitleLook::markMoving()
{
    std::vector<int> chainOf(size_t(lines.size()), -1);
    std::vector<std::vector<int>> chains;
    for (int i = 0; i < int(lines.size()); ++i) {
        const qint64 time = readings[lines[i].reading].time;
        for (int j = i - 1; j >= 0 && readings[lines[j].reading].time >= time - chainGapMs; --j) {
            std::vector<int> &chain = chains[size_t(chainOf[size_t(j)])];
            if (lines[j].reading < lines[i].reading && chain.back() == j
                && alike(lines[j].look->reading.text, lines[i].look->reading.text)) {
                chainOf[size_t(i)] = chainOf[size_t(j)];
                break;
            }
        }
        if (chainOf[size_t(i)] < 0) {
            chainOf[size_t(i)] = int(chains.size());
            chains.emplace_back();
        }
        chains[size_t(chainOf[size_t(i)])].push_back(i);
    }
    for (const std::vector<int> &chain : chains) {
        // Held against the last reading of the same text: lettering panned out of the picture
        // ends its chain in part ("to Carlisle" after "27 to Carlisle"), which tells nothing.
        const LineReading::Piece first = widestPiece(lines[chain.front()].look->reading);
        LineReading::Piece last = first;
        for (int i : chain) {
            const LineReading::Piece piece = widestPiece(lines[i].look->reading);
            if (alike(first.text, piece.text))
                last = piece;
        }
        const int enough = std::max(movedPixels, int(movedShare * first.box.height()));
        const int left = last.box.left() - first.box.left(), right = last.box.right() - first.box.right();
        const bool moved = std::abs(left) > enough && std::abs(right) > enough && (left > 0) == (right > 0);
        qint64 shown = 0;
        for (int i : chain)
            shown += durations[lines[i].reading];
        for (int i : chain) {
            lines[i].chain = chainOf[size_t(chain.front())];
            lines[i].moving = moved;
            lines[i].shownMs = shown;
        }
    }
    markOutlasting(chains);
}

// A chain that other lines began and ended under, twice or more: a subtitle gives way to the
// next, lettering of a steady picture stays.
void SubtitleLook::markOutlasting(const std::vector<std::vector<int>> &chains)
{
    std::vector<qint64> starts;
    for (const std::vector<int> &chain : chains)
        starts.push_back(readings[lines[chain.front()].reading].time);
    for (const std::vector<int> &chain : chains) {
        const qint64 from = readings[lines[chain.front()].reading].time;
        const qint64 to = readings[lines[chain.back()].reading].time;
        const auto others = std::count_if(starts.cbegin(), starts.cend(), [&](qint64 start) { return start > from && start < to; });
        for (int i : chain)
            lines[i].outlasts = others >= 2;
    }
}

bool SubtitleLook::isPicture(const Line &line) const
{
    return line.moving || (line.outlasts && model.known && !fitsPlacement(line.box));
}

// Lettering of the picture (SubtitleLook::isPicture) is looked for at the start or end of the lines it touches about then:
// where the recogniser read the two as one line, the lettering is taken off.
void SubtitleLook::cutGlued()
{
    for (Line &line : lines) {
        if (!line.cut.isEmpty() || isPicture(line))
            continue;
        const qint64 time = readings[line.reading].time;
        const Line *nearest = nullptr;
        for (const Line &lettering : lines) {
            const qint64 distance = std::abs(readings[lettering.reading].time - time);
            if (isPicture(lettering) && distance <= chainGapMs && lettering.box.intersects(line.box)
                && (!nearest || distance < std::abs(readings[nearest->reading].time - time)))
                nearest = &lettering;
        }
        if (nearest)
            cutGlued(line, *nearest);
    }
}

void SubtitleLook::cutGlued(Line &line, const Line &lettering)
{
    const GluedLettering::End end = lettering.box.center().x() < line.box.center().x() ? GluedLettering::End::Start
                                                                                      : GluedLettering::End::Finish;
    const int count = GluedLettering::matchedCharacters(line.text, lettering.text, end);
    if (count == 0)
        return;
    // A piece of the lettering read on its own (cut by the band's edge or by a subtitle) is the
    // lettering too, not a line with some of it glued on.
    if (withoutSpaces(lettering.text).contains(withoutSpaces(line.text), Qt::CaseInsensitive)) {
        line.moving = lettering.moving;
        line.outlasts = lettering.outlasts;
        qCDebug(lcLook) << "piece" << line.text << "of" << lettering.text;
        return;
    }
    const QString rest = GluedLettering::withoutStrayLetter(GluedLettering::without(line.text, count, end), end,
                                                            WordList::english());
    if (lettersAndDigits(rest) < scantCharacters)
        return;
    // The rest's box, shared out by characters: the picture shows no edge between the two.
    const int width = int(line.box.width() * double(lettersAndDigits(rest)) / std::max(1, lettersAndDigits(line.text)));
    line.cut = GluedLettering::part(line.text, count, end);
    line.text = rest;
    if (end == GluedLettering::End::Start)
        line.box.setLeft(line.box.right() - width);
    else
        line.box.setWidth(width);
    qCDebug(lcLook) << "cut" << line.cut << "off" << line.text;
}

double SubtitleLook::positionOf(const QRect &box, Anchor anchor) const
{
    switch (anchor) {
    case Anchor::Left:
        return box.left();
    case Anchor::Right:
        return box.right();
    case Anchor::Centre:
        break;
    }
    return (box.left() + box.right()) / 2.0;
}

void SubtitleLook::learn()
{
    // One line of each chain: a line read many times over (a moving picture behind it makes the
    // scan read it again and again) weighs no more than one read once.
    std::vector<const Line *> sure;
    QSet<int> chainsTaken;
    for (const Line &line : lines) {
        const float confidence = line.look->reading.confidence;
        if (!line.moving && confidence >= sureConfidence && isLong(line.text) && line.shownMs >= sureMs
            && !chainsTaken.contains(line.chain)) {
            sure.push_back(&line);
            chainsTaken.insert(line.chain);
        }
    }
    if (int(sure.size()) < sureLinesNeeded)
        return;
    std::vector<double> heights;
    std::array<std::vector<double>, 3> channels[2];
    for (const Line *line : sure) {
        heights.push_back(line->box.height());
        for (int end = 0; end < 2; ++end) {
            const QColor colour = end ? line->look->dark : line->look->light;
            channels[end][0].push_back(colour.red());
            channels[end][1].push_back(colour.green());
            channels[end][2].push_back(colour.blue());
        }
    }
    model.height = median(heights);
    model.light = QColor(int(median(channels[0][0])), int(median(channels[0][1])), int(median(channels[0][2])));
    model.dark = QColor(int(median(channels[1][0])), int(median(channels[1][1])), int(median(channels[1][2])));
    // The alignment is the edge (or middle) the sure lines agree on best.
    double best = -1;
    for (Anchor anchor : {Anchor::Centre, Anchor::Left, Anchor::Right}) {
        std::vector<double> positions;
        for (const Line *line : sure)
            positions.push_back(positionOf(line->box, anchor));
        const double position = median(positions), spread = spreadAround(positions, position);
        if (best < 0 || spread < best) {
            best = spread;
            model.anchor = anchor;
            model.position = position;
            model.spread = spread;
        }
    }
    model.known = true;
    qCDebug(lcLook) << "subtitles" << model.height << "high, anchor" << int(model.anchor) << "at" << model.position
                    << "±" << model.spread << "colours" << model.light << model.dark << "from" << sure.size() << "lines";
}

bool SubtitleLook::fitsPlacement(const QRect &box) const
{
    const double allowed = std::max(0.75 * model.height, 4 * model.spread);
    return std::abs(positionOf(box, model.anchor) - model.position) <= allowed;
}

QStringList SubtitleLook::pictureMisfits(const QRect &box, const LineLook &look) const
{
    QStringList misfits;
    if (box.height() < shortest * model.height || box.height() > tallest * model.height)
        misfits << QStringLiteral("height");
    if (!fitsPlacement(box))
        misfits << QStringLiteral("placement");
    if (look.light.isValid() && model.light.isValid()
        && (distance(look.light, model.light) > colourDistance || distance(look.dark, model.dark) > colourDistance))
        misfits << QStringLiteral("colours");
    return misfits;
}

// Why `line` is refused; empty when it is kept.
QString SubtitleLook::refusal(const Line &line) const
{
    if (line.moving)
        return QStringLiteral("moves with the picture");
    if (line.outlasts && model.known && !fitsPlacement(line.box))
        return QStringLiteral("stays in the picture while subtitles come and go, off their placement");
    if (!model.known)
        return QString();
    const float confidence = line.look->reading.confidence;
    QStringList misfits = pictureMisfits(line.box, *line.look);
    const bool unsure = confidence >= 0 && confidence < unsureConfidence;
    const bool scant = lettersAndDigits(line.text) < scantCharacters;
    if (misfits.isEmpty() || (misfits.size() == 1 && !unsure && !scant))
        return QString();
    if (unsure)
        misfits << QStringLiteral("unsure reading");
    if (scant)
        misfits << QStringLiteral("a mere letter or two");
    return QStringLiteral("unlike the subtitles: ") + misfits.join(QStringLiteral(", "));
}

namespace {


QString joined(const QList<LineReading::Piece> &pieces, qsizetype from, qsizetype to)
{
    QStringList texts;
    for (qsizetype i = from; i < to; ++i)
        texts << pieces[i].text;
    return texts.join(QLatin1Char(' '));
}

} // namespace

// A line off the subtitles' placement made of separately found pieces, whose first or last
// pieces alone put it off: the rest is the subtitle, those pieces lettering of the picture
// beside it. Only whole pieces are cut, so a subtitle's own words never go.
bool SubtitleLook::cutPieces(const LineLook &look, QString *kept, QString *cut) const
{
    const QList<LineReading::Piece> &pieces = look.reading.pieces;
    if (!model.known || pieces.size() < 2 || fitsPlacement(look.reading.box))
        return false;
    const qsizetype n = pieces.size();
    for (qsizetype dropped = 1; dropped < n; ++dropped) {
        for (const bool leading : {true, false}) {
            const qsizetype from = leading ? dropped : 0, to = leading ? n : n - dropped;
            QRect rest;
            for (qsizetype i = from; i < to; ++i)
                rest |= pieces[i].box;
            if (!fitsPlacement(rest) || rest.height() < shortest * model.height || rest.height() > tallest * model.height)
                continue;
            *cut = leading ? joined(pieces, 0, dropped) : joined(pieces, to, n);
            // The line's own text keeps what reading rules made of it, where it can be cut apart.
            const QString text = look.reading.text;
            *kept = leading && withoutSpaces(text).startsWith(withoutSpaces(*cut))
                        ? GluedLettering::without(text, int(withoutSpaces(*cut).size()), GluedLettering::End::Start)
                        : joined(pieces, from, to);
            return !kept->isEmpty();
        }
    }
    return false;
}

SubtitleLook::Sorted SubtitleLook::sort() const
{
    Sorted sorted;
    for (const FrameSample &reading : readings) {
        sorted.kept.append(FrameSample{reading.time, {}});
        sorted.refused.append(FrameSample{reading.time, {}});
    }
    QHash<QPair<int, int>, const Line *> described;
    for (const Line &line : lines)
        described.insert({line.reading, line.index}, &line);
    // Lettering glued to a line spoils the letters where the two touch: the same subtitle read
    // clean about then gives the text.
    const auto mended = [&](const Line &line) {
        const qint64 time = readings[line.reading].time;
        for (const Line &other : lines) {
            const qsizetype length = std::max(other.text.size(), line.text.size());
            if (other.cut.isEmpty() && !isPicture(other) && std::abs(readings[other.reading].time - time) <= chainGapMs
                && StretchSegmentation::editDistance(other.text, line.text) <= std::max<qsizetype>(1, length / 12))
                return other.text;
        }
        return line.text;
    };
    for (qsizetype r = 0; r < readings.size(); ++r) {
        for (qsizetype i = 0; i < readings[r].lines.size(); ++i) {
            const QString &text = readings[r].lines[i];
            const Line *line = described.value({int(r), int(i)});
            QString kept, cut;
            const QString reason = line ? refusal(*line) : QString();
            if (line && reason.isEmpty() && !line->cut.isEmpty()) {
                sorted.kept[r].lines << mended(*line);
                sorted.refused[r].lines << line->cut;
                sorted.reasons.insert(line->cut, QStringLiteral("lettering of the picture read with a subtitle"));
            } else if (line && reason.isEmpty() && cutPieces(*line->look, &kept, &cut)) {
                sorted.kept[r].lines << kept;
                sorted.refused[r].lines << cut;
                sorted.reasons.insert(cut, QStringLiteral("lettering of the picture beside a subtitle"));
            } else if (!reason.isEmpty()) {
                sorted.refused[r].lines << text;
                sorted.reasons.insert(text, reason);
                qCDebug(lcLook) << "refused" << readings[r].time << text << reason;
            } else {
                sorted.kept[r].lines << text;
            }
        }
    }
    return sorted;
}

SubtitleLook::Verdict SubtitleLook::judge(const QList<FrameSample> &samples, const LineLooks &looks)
{
    const Sorted sorted = SubtitleLook(samples, looks).sort();
    Verdict verdict;
    verdict.accepted = StretchSegmentation::segment(sorted.kept);
    for (const SRTEntry &entry : StretchSegmentation::segment(sorted.refused)) {
        QString reason;
        for (const FrameSample &sample : entry.list)
            for (const QString &line : sample.lines)
                if (reason.isEmpty())
                    reason = sorted.reasons.value(line);
        verdict.refused.append(RefusedEntry{entry, reason});
    }
    return verdict;
}

SubtitleLook::Verdict SubtitleLook::judge(const QList<FrameSample> &samples, const AreaLineLooks &looks)
{
    // The readings are sorted anew without their area: each track's entries get theirs back.
    const auto inArea = [](SRTEntry &entry, int area) {
        entry.area = area;
        for (FrameSample &sample : entry.list)
            sample.area = area;
    };
    Verdict all;
    const QMap<int, QList<FrameSample>> tracks = samplesByArea(samples);
    for (auto track = tracks.cbegin(); track != tracks.cend(); ++track) {
        const int area = track.key();
        Verdict verdict = judge(track.value(), looks.value(area));
        for (SRTEntry &entry : verdict.accepted)
            inArea(entry, area);
        for (RefusedEntry &refused : verdict.refused)
            inArea(refused.entry, area);
        all.accepted.append(verdict.accepted);
        all.refused.append(verdict.refused);
    }
    const auto byStart = [](const SRTEntry &a, const SRTEntry &b) { return a.intime < b.intime; };
    std::stable_sort(all.accepted.begin(), all.accepted.end(), byStart);
    std::stable_sort(all.refused.begin(), all.refused.end(),
                     [&byStart](const RefusedEntry &a, const RefusedEntry &b) { return byStart(a.entry, b.entry); });
    return all;
}
