// Subtitle-area benchmark: for each clip NAME.mp4 with NAME.subs.mkv beside it (the subtitles alone
// over black), detects the band and prints one row: share of subtitle pixels inside the band, band
// height over the true band's height, and the detection time. Clips without NAME.subs.mkv must give
// no band.
//   bench_area CLIP.mp4...
#include "recognition/subtitleareadetector.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace {

// Read as it comes: two minutes of 1080p are gigabytes of raw frames.
QList<qint64> pixelsPerRow(const QString &path, int width, int height)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    QList<qint64> rows(height, 0);
    qint64 offset = 0;
    const qint64 frameBytes = qint64(width) * height;
    while (process.waitForReadyRead(-1) || process.bytesAvailable() > 0) {
        const QByteArray bytes = process.readAllStandardOutput();
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            if (quint8(bytes[i]) > 40)
                ++rows[((offset + i) % frameBytes) / width];
        }
        offset += bytes.size();
    }
    process.waitForFinished(-1);
    return rows;
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
    std::printf("%-28s %9s %8s %9s %9s %8s\n", "clip", "size", "covered", "height/x", "band", "ms");
    for (const QString &clip : app.arguments().mid(1)) {
        const QString subs = clip.chopped(4) + QStringLiteral(".subs.mkv");
        const QSize size = sizeOf(clip);
        QElapsedTimer timer;
        timer.start();
        const std::optional<QRect> band = SubtitleAreaDetector::detect(clip);
        const qint64 ms = timer.elapsed();
        const QString name = QFileInfo(clip).completeBaseName();
        const QString sizeText = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        const QString bandText = band ? QStringLiteral("%1-%2").arg(band->top()).arg(band->bottom()) : "none";
        if (!QFileInfo::exists(subs)) {
            std::printf("%-28s %9s %8s %9s %9s %8lld\n", qPrintable(name), qPrintable(sizeText), band ? "FALSE+" : "ok",
                        "-", qPrintable(bandText), static_cast<long long>(ms));
            continue;
        }
        const QList<qint64> rows = pixelsPerRow(subs, size.width(), size.height());
        qint64 total = 0, inside = 0;
        int first = -1, last = -1;
        for (int y = 0; y < rows.size(); ++y) {
            total += rows[y];
            if (rows[y] > 0) {
                first = first < 0 ? y : first;
                last = y;
            }
            if (band && y >= band->top() && y <= band->bottom())
                inside += rows[y];
        }
        const double covered = total ? 100.0 * double(inside) / double(total) : 0.0;
        const double ratio = band && last >= first ? double(band->height()) / (last - first + 1) : 0.0;
        std::printf("%-28s %9s %7.2f%% %9.2f %9s %8lld\n", qPrintable(name), qPrintable(sizeText), covered, ratio,
                    qPrintable(bandText), static_cast<long long>(ms));
    }
    return 0;
}
