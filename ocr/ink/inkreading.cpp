#include "inkreading.h"

#include "ratio.h"

#include <QRect>

#include <array>

namespace {

// Ink levels tried for every kind of ink: evenly spaced through the range, so that faint text,
// bright text and text with a glow each meet one that cuts their letters cleanly.
constexpr std::array<int, 6> thresholdLadder{64, 96, 128, 160, 192, 224};
// Thresholds scoring at least 9/10 of the best count as reaching it: one glyph lost to a
// merge should not move the choice off the middle of the range.
constexpr Ratio nearTopScore{9, 10};
// Two readings see the same lines when the lines' boxes share 6/10 of their union.
constexpr Ratio sameLinesOverlap{6, 10};

QRect linesBox(const InkReading &reading)
{
    QRect box;
    for (const RowRules::Row &row : reading.rows)
        box |= QRect(QPoint(row.box.left, row.box.top), QPoint(row.box.right, row.box.bottom));
    return box;
}

} // namespace

InkReading InkReading::at(const InkPlane &plane, const Ink &ink, int threshold)
{
    InkReading reading;
    reading.ink = ink;
    reading.threshold = threshold;
    reading.labels = ComponentLabelling::label(plane, threshold);
    reading.glyphs = GlyphRules::form(reading.labels.components);
    reading.rows = RowRules::find(reading.glyphs.glyphs, plane.height);
    for (const RowRules::Row &row : reading.rows)
        reading.score += int(row.glyphs.size());
    return reading;
}

InkReading InkReading::best(const QImage &picture, const std::vector<Ink> &kinds)
{
    InkReading best;
    for (const Ink &ink : kinds) {
        const InkPlane plane(picture, ink);
        std::vector<InkReading> readings;
        for (const int threshold : thresholdLadder)
            readings.push_back(at(plane, ink, threshold));
        int top = 0;
        for (const InkReading &reading : readings)
            top = std::max(top, reading.score);
        if (top <= best.score)
            continue;
        std::vector<std::size_t> atTop;
        for (std::size_t i = 0; i < readings.size(); ++i) {
            if (nearTopScore.reachedBy(readings[i].score, top))
                atTop.push_back(i);
        }
        best = std::move(readings[atTop[atTop.size() / 2]]);
    }
    return best;
}

bool InkReading::sameLinesAs(const InkReading &other) const
{
    const QRect boxA = linesBox(*this);
    const QRect boxB = linesBox(other);
    const QRect common = boxA & boxB;
    const long long commonArea = 1LL * common.width() * common.height();
    const long long unionArea = 1LL * boxA.width() * boxA.height() + 1LL * boxB.width() * boxB.height() - commonArea;
    return unionArea > 0 && sameLinesOverlap.reachedBy(commonArea, unionArea);
}
