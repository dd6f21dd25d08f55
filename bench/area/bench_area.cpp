// Subtitle-area benchmark: for each clip NAME.mp4 with NAME.subs.mkv beside it (the subtitles alone
// over black), detects the band and prints one row: share of subtitle pixels inside the band, band
// height over the true band's height (of the busiest band), band width over the picture's, the detection time and the
// time per sample. Clips without NAME.subs.mkv must give no band.
//   bench_area CLIP.mp4...
#include "media/framegrabber.h"
#include "recognition/subtitleareadetector.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

// Subtitle pixels at each point of the picture over all frames. Read as it comes: two minutes of
// 1080p are gigabytes of raw frames.
std::vector<qint32> subtitlePixels(const QString &path, int width, int height)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    std::vector<qint32> pixels(size_t(width) * size_t(height), 0);
    qint64 offset = 0;
    const qint64 frameBytes = qint64(width) * height;
    while (process.waitForReadyRead(-1) || process.bytesAvailable() > 0) {
        const QByteArray bytes = process.readAllStandardOutput();
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (quint8(bytes[i]) > 40)
                ++pixels[size_t((offset + i) % frameBytes)];
        }
        offset += bytes.size();
    }
    process.waitForFinished(-1);
    return pixels;
}

qint64 durationMs(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("ffprobe"),
                  {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path});
    process.waitForFinished(-1);
    return qint64(QString::fromUtf8(process.readAllStandardOutput()).trimmed().toDouble() * 1000);
}

QSize sizeOf(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                              "stream=width,height", "-of", "csv=p=0:s=x", path});
    process.waitForFinished(-1);
    const QStringList parts = QString::fromUtf8(process.readAllStandardOutput()).trimmed().split('x');
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("%-28s %9s %8s %8s %7s %17s %8s %7s %9s\n", "clip", "size", "covered", "height/x", "width%", "band",
                "ms", "samples", "ms/sample");
    for (const QString &clip : app.arguments().mid(1)) {
        const QString subs = clip.chopped(4) + QStringLiteral(".subs.mkv");
        const QSize size = sizeOf(clip);
        FrameGrabber grabber;
        const int samples = SubtitleAreaDetector::samplesFor(durationMs(clip), grabber.open(clip) ? grabber.keyFrameSpacingMs() : 0);
        QElapsedTimer timer;
        timer.start();
        const QList<QRect> bands = SubtitleAreaDetector::detectAll(clip);
        const qint64 ms = timer.elapsed();
        const std::optional<QRect> band = bands.isEmpty() ? std::nullopt : std::optional<QRect>(bands.first());
        const QString name = QFileInfo(clip).completeBaseName();
        const QString sizeText = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        QStringList bandTexts;
        for (const QRect &each : bands)
            bandTexts.append(QStringLiteral("%1,%2 %3x%4").arg(each.left()).arg(each.top()).arg(each.width()).arg(each.height()));
        const QString bandText = bands.isEmpty() ? QStringLiteral("none") : bandTexts.join(QStringLiteral(" + "));
        const auto inAnyBand = [&bands](int x, int y) {
            return std::any_of(bands.cbegin(), bands.cend(), [x, y](const QRect &each) { return each.contains(x, y); });
        };
        const double perSample = double(ms) / samples;
        const double widthShare = band ? 100.0 * band->width() / size.width() : 0.0;
        if (!QFileInfo::exists(subs)) {
            std::printf("%-28s %9s %8s %8s %7s %17s %8lld %7d %9.1f\n", qPrintable(name), qPrintable(sizeText),
                        band ? "FALSE+" : "ok", "-", "-", qPrintable(bandText), static_cast<long long>(ms), samples,
                        perSample);
            continue;
        }
        const std::vector<qint32> pixels = subtitlePixels(subs, size.width(), size.height());
        qint64 total = 0, inside = 0;
        int first = -1, last = -1;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const qint32 count = pixels[size_t(y) * size_t(size.width()) + size_t(x)];
                if (count == 0)
                    continue;
                total += count;
                first = first < 0 ? y : first;
                last = y;
                if (inAnyBand(x, y))
                    inside += count;
            }
        }
        const double covered = total ? 100.0 * double(inside) / double(total) : 0.0;
        const double ratio = band && last >= first ? double(band->height()) / (last - first + 1) : 0.0;
        std::printf("%-28s %9s %7.2f%% %8.2f %7.1f %17s %8lld %7d %9.1f\n", qPrintable(name), qPrintable(sizeText),
                    covered, ratio, widthShare, qPrintable(bandText), static_cast<long long>(ms), samples, perSample);
    }
    return 0;
}
