#include "subtitleareadetector.h"

#include "media/croporientation.h"

#include "media/framegrabber.h"

#include <QLoggingCategory>

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

// The run of rows with the most text at subtitle cadence: runs of active rows, bridged across the
// gap between two lines of a subtitle, which is less than the height of the line above it.
std::pair<int, int> busiestRun(const std::vector<double> &activity, int samples)
{
    const int h = int(activity.size());
    const double minimumActivity = std::max(1.5 / samples, 0.08);
    const int bridge = std::max(2, h / 40);
    int bestTop = -1;
    int bestBottom = -1;
    double bestScore = 0.0;
    for (int y = 0; y < h;) {
        if (activity[size_t(y)] < minimumActivity) {
            ++y;
            continue;
        }
        int top = y;
        int bottom = y;
        double score = 0.0;
        int activeRows = 0;
        int gap = 0;
        for (; y < h && gap <= std::max(bridge, bottom - top + 1); ++y) {
            if (activity[size_t(y)] >= minimumActivity) {
                bottom = y;
                score += activity[size_t(y)];
                ++activeRows;
                gap = 0;
            } else {
                ++gap;
            }
        }
        const double share = score / (bottom - top + 1);
        if (score > bestScore && score / activeRows < alwaysShare && share >= rarelyShare) {
            bestScore = score;
            bestTop = top;
            bestBottom = bottom;
        }
        y = bottom + 1;
    }
    return {bestTop, bestBottom};
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

int SubtitleAreaDetector::samplesFor(qint64 rangeMs)
{
    return int(std::clamp<qint64>(rangeMs / 500, minimumSamples, maximumSamples));
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
    if (samples < 2)
        return std::nullopt;
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
    for (const std::vector<quint8> &map : edgeMaps) {
        for (int y = 0; y < h; ++y) {
            int count = 0;
            const size_t row = size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                count += map[row + x] && seen[row + x] < persistent;
            if (count >= minimumEdges)
                activity[size_t(y)] += 1.0 / samples;
        }
    }

    if (lcArea().isDebugEnabled()) {
        QString rows;
        for (int y = 0; y < h; ++y) {
            if (activity[size_t(y)] > 0)
                rows += QStringLiteral(" %1:%2").arg(y).arg(activity[size_t(y)], 0, 'f', 2);
        }
        qCDebug(lcArea).noquote() << "activity" << rows;
    }
    auto [bestTop, bestBottom] = busiestRun(activity, samples);
    // A line of text is a few rows tall at the least; a thin run is a stray edge.
    if (bestTop < 0 || bestBottom - bestTop + 1 < std::max(3, h / 100))
        return std::nullopt;
    const int mainTop = bestTop;
    const int mainHeight = bestBottom - bestTop + 1;
    std::tie(bestTop, bestBottom) = withNeighbourLines(activity, samples, bestTop, bestBottom);
    // Outlines, shadows and the feet of letters reach past the rows full of edges, and a reader
    // finds lines poorly that touch the picture's edge: half a line (of at most a twentieth of the
    // picture, as two-line runs are taller) above and below.
    const int margin = std::max(4, std::min(mainHeight, h / 20) / 2);
    const int top = std::max(0, bestTop - margin);
    const int bottom = std::min(h - 1, bestBottom + margin);
    const auto [left, right] = horizontalExtent(seen, persistent, bestTop, bestBottom);
    qCDebug(lcArea) << "rows" << bestTop << bestBottom << "from" << mainTop << "columns" << left << right << "of"
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
    if (std::abs((left + right) / 2 - centre) <= w / 20) {
        const int half = std::max(centre - left, right - centre);
        left = centre - half;
        right = centre + half;
    }
    const int margin = std::max(lineHeight, w / 50);
    left = std::max(0, left - margin);
    right = std::min(w - 1, right + margin);
    // Text over most of the width: the whole width costs little more to read.
    if (right - left + 1 >= w * 3 / 4)
        return {0, w - 1};
    return {left, right};
}

std::optional<QRect> SubtitleAreaDetector::detect(const QString &path, qint64 fromMs, qint64 toMs,
                                                  const QSize &cropPicture)
{
    FrameGrabber grabber;
    if (!grabber.open(path))
        return std::nullopt;
    grabber.setMaximumHeight(analysisHeight);
    const QSize frame = grabber.frameSize();
    const qint64 end = toMs < 0 ? grabber.durationMs() : std::min(toMs, grabber.durationMs());
    const qint64 start = std::max<qint64>(0, fromMs);
    if (end <= start || !frame.isValid())
        return std::nullopt;
    const int count = samplesFor(end - start);
    const qint64 interval = (end - start) / count;
    SubtitleAreaDetector detector;
    for (int i = 0; i < count; ++i) {
        const qint64 from = start + i * interval;
        const qint64 until = from + std::max<qint64>(1, qint64(double(interval) * samplePhase(i)));
        const FrameGrabber::Frame first = grabber.frameBetween(from, until);
        const FrameGrabber::Frame later = grabber.framesLater(pairGap);
        qCDebug(lcArea) << "sample at" << first.time << "ms";
        if (!first.grey.isNull() && !later.grey.isNull())
            detector.addSample(first.grey, later.grey);
    }
    qCDebug(lcArea) << detector.sampleCount() << "samples," << grabber.decodedFrames() << "frames decoded,"
                    << grabber.passedFrames() << "of them on the way";
    const std::optional<QRect> found = detector.band();
    if (!found || detector.size.height() == 0)
        return std::nullopt;
    // Back to the video's pixels.
    const double scaleY = double(frame.height()) / detector.size.height();
    const double scaleX = double(frame.width()) / detector.size.width();
    const int top = int(found->top() * scaleY);
    const int bottom = std::min(frame.height(), int((found->bottom() + 1) * scaleY + 0.5));
    const int left = found->left() == 0 ? 0 : int(found->left() * scaleX);
    const int right = found->right() == detector.size.width() - 1
                          ? frame.width()
                          : std::min(frame.width(), int((found->right() + 1) * scaleX + 0.5));
    const QRect upright(left, top, right - left, bottom - top);
    // Text runs level only on the upright picture, so the band is found there and turned back
    // for callers whose crops are drawn on the stored one.
    if (CropOrientation::drawnOnStored(cropPicture, grabber.storedSize(), grabber.rotation()))
        return CropOrientation::toSource(upright, grabber.storedSize(), grabber.rotation());
    return upright;
}
