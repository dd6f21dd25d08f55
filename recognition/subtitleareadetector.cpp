#include "subtitleareadetector.h"

#include "fastscan.h"
#include "media/croporientation.h"

#include "media/framegrabber.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

Q_LOGGING_CATEGORY(lcArea, "tarnix.recognition.area", QtWarningMsg)

namespace {

// Grey-level step across a letter's edge (outline to fill, or text to a plain background).
constexpr int edgeStep = 64;
// How much an edge pixel may change between the two frames of a sample and still stand still.
constexpr int stillTolerance = 24;
// An edge in this share of the samples belongs to the picture's furniture, not to subtitles.
constexpr double persistentShare = 0.6;
// Frames between the two pictures of a sample.
constexpr int pairGap = 4;
// Text in nearly every sample is a clock, a ticker or a crawl; subtitles come and go.
constexpr double alwaysShare = 0.9;
// Subtitles stand in a good part of the samples; a few digits of a clock that stand still for a
// second now and then do not.
constexpr double rarelyShare = 0.2;
constexpr int minimumSamples = 8;
// A further subtitle area has at least this share of the busiest one's text.
constexpr double secondaryShare = 0.3;

struct RowRun
{
    int top = -1;
    int bottom = -1;
    double score = 0.0;
};

// Runs of rows with text at subtitle cadence, the busiest first: runs of active rows, bridged
// across the gap between two lines of a subtitle, which is less than the height of the line above it.
std::vector<RowRun> subtitleRuns(const std::vector<double> &activity, int samples)
{
    const int h = int(activity.size());
    const double minimumActivity = std::max(1.5 / samples, 0.08);
    const int bridge = std::max(2, h / 40);
    std::vector<RowRun> runs;
    for (int y = 0; y < h;) {
        if (activity[size_t(y)] < minimumActivity) {
            ++y;
            continue;
        }
        RowRun run{y, y, 0.0};
        int activeRows = 0;
        int gap = 0;
        for (; y < h && gap <= std::max(bridge, run.bottom - run.top + 1); ++y) {
            if (activity[size_t(y)] >= minimumActivity) {
                run.bottom = y;
                run.score += activity[size_t(y)];
                ++activeRows;
                gap = 0;
            } else {
                ++gap;
            }
        }
        const double share = run.score / (run.bottom - run.top + 1);
        // A line of text is a few rows tall at the least; a thin run is a stray edge.
        const bool tallEnough = run.bottom - run.top + 1 >= std::max(3, h / 100);
        if (tallEnough && run.score / activeRows < alwaysShare && share >= rarelyShare)
            runs.push_back(run);
        y = run.bottom + 1;
    }
    std::stable_sort(runs.begin(), runs.end(), [](const RowRun &a, const RowRun &b) { return a.score > b.score; });
    return runs;
}

// The lines next to the busiest run: the second line of two-line subtitles comes less often than
// the first, so it may fall short of the run's threshold; text seen in two samples within a line's
// height above or below belongs to the band too.
std::pair<int, int> withNeighbourLines(const std::vector<double> &activity, int samples, int top, int bottom)
{
    const int h = int(activity.size());
    const int line = bottom - top + 1;
    const double seenTwice = 1.5 / samples;
    const int bridge = std::max(std::max(2, h / 40), line / 2);
    auto reach = [&](int from, int step) {
        int last = from;
        for (int y = from + step, gap = 0; y >= 0 && y < h && gap <= bridge && std::abs(y - from) <= line + bridge;
             y += step) {
            if (activity[size_t(y)] >= seenTwice && activity[size_t(y)] < alwaysShare) {
                last = y;
                gap = 0;
            } else {
                ++gap;
            }
        }
        return last;
    };
    return {reach(top, -1), reach(bottom, 1)};
}
constexpr int maximumSamples = 60;

// Where in its stretch a sample is looked for, as a share of the stretch: spread by the golden
// ratio, so a video built of regular parts (key frames and subtitles at fixed periods, a scene
// repeated) is not always met at the same phase of them, and a two-line subtitle among one-line
// ones is not missed every time. Always some way in, so the range holds a frame.
double samplePhase(int index)
{
    constexpr double goldenRatioConjugate = 0.6180339887498949;
    constexpr double earliest = 0.15;
    const double spread = index * goldenRatioConjugate;
    return earliest + (1.0 - earliest) * (spread - std::floor(spread));
}

} // namespace

int SubtitleAreaDetector::samplesFor(qint64 rangeMs, qint64 keyFrameSpacingMs)
{
    // Samples no closer than the key frames: each then starts from a key frame of its own
    // instead of decoding on through every frame of a short video. But never fewer than twenty
    // where the range has room for them: with fewer, a busy picture passes for text. Beyond
    // those, no more than one every five seconds: a film cut every two seconds has a key frame
    // as often, and a key frame of a grainy film costs ten of its other frames to decode.
    constexpr qint64 densest = 500;
    constexpr qint64 fewestSpread = 20;
    constexpr qint64 sparsestBeyondThose = 5000;
    const qint64 byKeyFrames = std::min(rangeMs / std::max(densest, keyFrameSpacingMs), rangeMs / sparsestBeyondThose);
    const qint64 count = std::max(byKeyFrames, std::min(rangeMs / densest, fewestSpread));
    return int(std::clamp<qint64>(count, minimumSamples, maximumSamples));
}

std::vector<quint8> SubtitleAreaDetector::stillEdges(const QImage &first, const QImage &later) const
{
    const int w = size.width();
    const int h = size.height();
    std::vector<quint8> map(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y) {
        const uchar *a = first.constScanLine(y);
        const uchar *b = later.constScanLine(y);
        quint8 *out = map.data() + size_t(y) * size_t(w);
        for (int x = 1; x + 1 < w; ++x) {
            if (std::abs(a[x + 1] - a[x - 1]) < edgeStep || std::abs(b[x + 1] - b[x - 1]) < edgeStep)
                continue;
            if (std::abs(a[x] - b[x]) <= stillTolerance && std::abs(a[x + 1] - b[x + 1]) <= stillTolerance
                && std::abs(a[x - 1] - b[x - 1]) <= stillTolerance)
                out[x] = 1;
        }
    }
    return map;
}

void SubtitleAreaDetector::addSample(const QImage &first, const QImage &later)
{
    const QImage a = first.convertToFormat(QImage::Format_Grayscale8);
    const QImage b = later.convertToFormat(QImage::Format_Grayscale8);
    if (a.isNull() || a.size() != b.size() || (size.isValid() && a.size() != size))
        return;
    size = a.size();
    edgeMaps.push_back(stillEdges(a, b));
    ++samples;
}

std::optional<QRect> SubtitleAreaDetector::band() const
{
    const std::vector<QRect> all = bands();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

std::vector<QRect> SubtitleAreaDetector::bands() const
{
    if (samples < 2)
        return {};
    const int w = size.width();
    const int h = size.height();
    std::vector<quint16> seen(size_t(w) * size_t(h), 0);
    for (const std::vector<quint8> &map : edgeMaps) {
        for (size_t i = 0; i < map.size(); ++i)
            seen[i] += map[i];
    }
    const int persistent = std::max(2, int(persistentShare * samples + 0.5));

    // Share of the samples in which each row carries text that is not furniture.
    const int minimumEdges = std::max(6, w / 64);
    std::vector<double> activity(size_t(h), 0.0);
    // Per sample, the rows that carry such text.
    std::vector<std::vector<bool>> textRows(edgeMaps.size(), std::vector<bool>(size_t(h), false));
    for (size_t sample = 0; sample < edgeMaps.size(); ++sample) {
        const std::vector<quint8> &map = edgeMaps[sample];
        for (int y = 0; y < h; ++y) {
            int count = 0;
            const size_t row = size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                count += map[row + x] && seen[row + x] < persistent;
            if (count >= minimumEdges) {
                activity[size_t(y)] += 1.0 / samples;
                textRows[sample][size_t(y)] = true;
            }
        }
    }
    // A further area with text in nearly every sample is a clock or a counter whose figures
    // change: signs come and go. (The main area may be a film subtitled all through.)
    const auto alwaysThere = [&](const RowRun &run) {
        const auto holdsText = [&](const std::vector<bool> &rows) {
            return std::any_of(rows.cbegin() + run.top, rows.cbegin() + run.bottom + 1, [](bool text) { return text; });
        };
        return std::count_if(textRows.cbegin(), textRows.cend(), holdsText) >= alwaysShare * samples;
    };

    if (lcArea().isDebugEnabled()) {
        QString rows;
        for (int y = 0; y < h; ++y) {
            if (activity[size_t(y)] > 0)
                rows += QStringLiteral(" %1:%2").arg(y).arg(activity[size_t(y)], 0, 'f', 2);
        }
        qCDebug(lcArea).noquote() << "activity" << rows;
    }
    const std::vector<RowRun> runs = subtitleRuns(activity, samples);
    std::vector<QRect> found;
    for (const RowRun &run : runs) {
        // A further area must come and go nearly as often as the busiest: signs at the top do,
        // texture that now and then stands still for a moment does not.
        if (!found.empty() && run.score < secondaryShare * runs.front().score)
            break;
        if (!found.empty() && alwaysThere(run)) {
            qCDebug(lcArea) << "rows" << run.top << run.bottom << "hold text in nearly every sample";
            continue;
        }
        const QRect rect = bandOf(run.top, run.bottom, activity, seen, persistent);
        const bool overlaps = std::any_of(found.cbegin(), found.cend(), [&rect](const QRect &other) {
            return rect.top() <= other.bottom() && other.top() <= rect.bottom();
        });
        if (!overlaps)
            found.push_back(rect);
    }
    // The first area is the one whose subtitles the user gets under the video's own name: the
    // dialogue below, not signs above that a few samples happened to catch more often.
    std::stable_partition(found.begin(), found.end(), [h](const QRect &rect) { return rect.center().y() >= h / 2; });
    return found;
}

QRect SubtitleAreaDetector::bandOf(int runTop, int runBottom, const std::vector<double> &activity,
                                   const std::vector<quint16> &seen, int persistent) const
{
    const int h = size.height();
    const int mainHeight = runBottom - runTop + 1;
    const auto [textTop, textBottom] = withNeighbourLines(activity, samples, runTop, runBottom);
    // Outlines, shadows and the feet of letters reach past the rows full of edges, and a reader
    // finds lines poorly that touch the picture's edge: half a line (of at most a twentieth of the
    // picture, as two-line runs are taller) above and below.
    const int margin = std::max(4, std::min(mainHeight, h / 20) / 2);
    const int top = std::max(0, textTop - margin);
    const int bottom = std::min(h - 1, textBottom + margin);
    const auto [left, right] = horizontalExtent(seen, persistent, textTop, textBottom);
    qCDebug(lcArea) << "rows" << textTop << textBottom << "from" << runTop << "columns" << left << right << "of"
                    << samples << "samples";
    return QRect(left, top, right - left + 1, bottom - top + 1);
}

std::pair<int, int> SubtitleAreaDetector::horizontalExtent(const std::vector<quint16> &seen, int persistent, int top,
                                                           int bottom) const
{
    const int w = size.width();
    std::vector<int> hits(size_t(w), 0);
    for (const std::vector<quint8> &map : edgeMaps) {
        for (int y = top; y <= bottom; ++y) {
            const size_t row = size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                hits[size_t(x)] += map[row + x] && seen[row + x] < persistent;
        }
    }
    // Columns of text, with the gaps between words and letters bridged; stray edges of the
    // picture make thin runs of their own, far from the text.
    const int lineHeight = bottom - top + 1;
    const int total = std::accumulate(hits.begin(), hits.end(), 0);
    int left = w;
    int right = -1;
    for (int x = 0; x < w;) {
        if (hits[size_t(x)] < 2) {
            ++x;
            continue;
        }
        const int start = x;
        int end = x;
        int mass = 0;
        for (int gap = 0; x < w && gap <= lineHeight; ++x) {
            if (hits[size_t(x)] >= 2) {
                end = x;
                mass += hits[size_t(x)];
                gap = 0;
            } else {
                ++gap;
            }
        }
        if (mass * 20 >= total) {
            left = std::min(left, start);
            right = std::max(right, end);
        }
        x = end + 1;
    }
    if (right < left)
        return {0, w - 1};
    // Centred text: the widest line may have stood in too few samples to show its ends, so the
    // extent reaches as far on both sides.
    const int centre = w / 2;
    const bool centred = std::abs((left + right) / 2 - centre) <= w / 20;
    if (centred) {
        const int half = std::max(centre - left, right - centre);
        left = centre - half;
        right = centre + half;
    }
    const int margin = std::max(lineHeight, w / 50);
    left = std::max(0, left - margin);
    right = std::min(w - 1, right + margin);
    // Text over most of the width: the whole width costs little more to read. Centred lines
    // that reach this far in the samples are long ones, and longer ones reach further.
    const int mostOfTheWidth = centred ? w * 3 / 5 : w * 3 / 4;
    if (right - left + 1 >= mostOfTheWidth)
        return {0, w - 1};
    return {left, right};
}

std::optional<QRect> SubtitleAreaDetector::detect(const QString &path, qint64 fromMs, qint64 toMs,
                                                  const QSize &cropPicture)
{
    const QList<QRect> all = detectAll(path, fromMs, toMs, cropPicture);
    if (all.isEmpty())
        return {};
    return all.first();
}

QList<QRect> SubtitleAreaDetector::detectAll(const QString &path, qint64 fromMs, qint64 toMs, const QSize &cropPicture)
{
    QElapsedTimer clock;
    clock.start();
    const auto profile = qScopeGuard([&clock] {
        qCInfo(lcProfile).noquote() << QStringLiteral("profile: area detection %1 s").arg(double(clock.nsecsElapsed()) / 1e9, 0, 'f', 2);
    });
    FrameGrabber grabber;
    if (!grabber.open(path))
        return {};
    grabber.setMaximumHeight(analysisHeight);
    const QSize frame = grabber.frameSize();
    const qint64 end = toMs < 0 ? grabber.durationMs() : std::min(toMs, grabber.durationMs());
    const qint64 start = std::max<qint64>(0, fromMs);
    if (end <= start || !frame.isValid())
        return {};
    const int count = samplesFor(end - start, grabber.keyFrameSpacingMs());
    const qint64 interval = (end - start) / count;
    SubtitleAreaDetector detector;
    for (int i = 0; i < count; ++i) {
        const qint64 from = start + i * interval;
        qint64 until = from + std::max<qint64>(1, qint64(double(interval) * samplePhase(i)));
        // A key frame further on in the sample's stretch costs one frame; decoding on to the
        // phase's point costs every frame on the way.
        if (!grabber.keyFrameBetween(from, until) && grabber.keyFrameBetween(until + 1, from + interval - 1))
            until = from + interval - 1;
        const FrameGrabber::Frame first = grabber.frameBetween(from, until);
        const FrameGrabber::Frame later = grabber.framesLater(pairGap);
        qCDebug(lcArea) << "sample at" << first.time << "ms";
        if (!first.grey.isNull() && !later.grey.isNull())
            detector.addSample(first.grey, later.grey);
    }
    qCDebug(lcArea) << detector.sampleCount() << "samples," << grabber.decodedFrames() << "frames decoded,"
                    << grabber.passedFrames() << "of them on the way";
    const std::vector<QRect> found = detector.bands();
    if (detector.size.height() == 0)
        return {};
    QList<QRect> areas;
    for (const QRect &band : found)
        areas.append(toCropSpace(band, detector.size, frame, grabber, cropPicture));
    return areas;
}

QRect SubtitleAreaDetector::toCropSpace(const QRect &band, const QSize &analysed, const QSize &frame,
                                        const FrameGrabber &grabber, const QSize &cropPicture)
{
    // Back to the video's pixels.
    const double scaleY = double(frame.height()) / analysed.height();
    const double scaleX = double(frame.width()) / analysed.width();
    const int top = int(band.top() * scaleY);
    const int bottom = std::min(frame.height(), int((band.bottom() + 1) * scaleY + 0.5));
    const int left = band.left() == 0 ? 0 : int(band.left() * scaleX);
    const int right = band.right() == analysed.width() - 1 ? frame.width()
                                                           : std::min(frame.width(), int((band.right() + 1) * scaleX + 0.5));
    const QRect upright(left, top, right - left, bottom - top);
    // Text runs level only on the upright picture, so the band is found there and turned back
    // for callers whose crops are drawn on the stored one.
    if (CropOrientation::drawnOnStored(cropPicture, grabber.storedSize(), grabber.rotation()))
        return CropOrientation::toSource(upright, grabber.storedSize(), grabber.rotation());
    return upright;
}
