#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

class FrameGrabber;

// Finds the band of the frame where subtitles appear, from frames spread over a video. Each
// sample is a pair of frames a few frames apart: subtitle letters are sharp edges that stand still
// between the two, so moving pictures, scrolling tickers and credits drop out; what has edges in
// nearly every sample (logos, a static picture) drops out too. What is left are rows that carry
// still text in some samples and not in others - the cadence of subtitles.
class SubtitleAreaDetector
{
public:
    // Pictures are analysed at most this tall; taller ones are sampled down by a whole factor.
    static constexpr int analysisHeight = 720;

    // Both pictures greyscale and of the same size as every earlier sample.
    void addSample(const QImage &first, const QImage &later);
    int sampleCount() const { return samples; }
    // The band, full width or the text's extent, in the samples' pixels; nothing when no rows carry text at subtitle
    // cadence.
    std::optional<QRect> band() const;
    // Every band where subtitles come and go (dialogue at the bottom, signs at the top), those in
    // the picture's lower half first, each half's busiest first; none overlap.
    std::vector<QRect> bands() const;

    // Samples the video between `fromMs` and `toMs` (-1: its end) and gives the band in the
    // pixels of the picture the caller's crops are drawn on, of size `cropPicture`: upright when
    // empty, else as CropOrientation::drawnOnStored says for a turned clip. Blocks for up to a few
    // seconds: call it off the GUI thread.
    static std::optional<QRect> detect(const QString &path, qint64 fromMs = 0, qint64 toMs = -1,
                                       const QSize &cropPicture = QSize());
    // Every band, as bands() finds them, in the same pixels; empty when none.
    static QList<QRect> detectAll(const QString &path, qint64 fromMs = 0, qint64 toMs = -1,
                                  const QSize &cropPicture = QSize());
    // How many samples a range of this length gets.
    static int samplesFor(qint64 rangeMs, qint64 keyFrameSpacingMs = 0);

private:
    QRect bandOf(int runTop, int runBottom, const std::vector<double> &activity, const std::vector<quint16> &seen,
                 int persistent) const;
    static QRect toCropSpace(const QRect &band, const QSize &analysed, const QSize &frame,
                             const FrameGrabber &grabber, const QSize &cropPicture);
    std::vector<quint8> stillEdges(const QImage &first, const QImage &later) const;
    // The columns the text of rows `top` to `bottom` spans, with a margin; the whole width when
    // that is most of it.
    std::pair<int, int> horizontalExtent(const std::vector<quint16> &seen, int persistent, int top, int bottom) const;

    QSize size;
    int samples = 0;
    std::vector<std::vector<quint8>> edgeMaps; // one per sample, 1 where a still edge is
};
