#include "fixtures.h"
#include "media/framegrabber.h"
#include "recognition/subtitleareadetector.h"

#include <QPainter>
#include <numeric>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

// Subtitle pixels at each point of the picture, summed over every frame of the subtitles rendered
// alone, as ffmpeg decodes them; empty when that fails.
QList<qint64> subtitlePixels(const QString &path, int width, int height)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
                  {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    const QByteArray bytes = process.readAllStandardOutput();
    QList<qint64> pixels(qsizetype(width) * height, 0);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (quint8(bytes[i]) > 40)
            ++pixels[i % pixels.size()];
    }
    return pixels;
}

QImage stripes(int top, int seed)
{
    static const QStringList lines{"Where are you going", "We have to leave now", "Nobody knows the way",
                                   "It is raining outside", "Keep your voice down"};
    QImage picture(320, 180, QImage::Format_Grayscale8);
    picture.fill(30);
    QPainter painter(&picture);
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    if (top >= 0)
        painter.drawText(QRect(0, top, 320, 24), Qt::AlignCenter, lines.at(seed % lines.size()));
    painter.drawText(QRect(250, 4, 60, 20), Qt::AlignRight, QStringLiteral("LOGO"));
    return picture;
}

} // namespace

class TestSubtitleAreaDetector : public QObject
{
    Q_OBJECT
private slots:
    void findsTheBandInClips_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("container");
        QTest::addColumn<bool>("upperHalf");
        QTest::newRow("subtitles at the bottom") << "area_bottom" << "mp4" << false;
        QTest::newRow("subtitles at the bottom, MPEG-TS") << "area_bottom" << "ts" << false;
        QTest::newRow("subtitles at the top") << "area_top" << "mp4" << true;
        QTest::newRow("beside a static logo") << "area_logo" << "mp4" << false;
        QTest::newRow("above a scrolling ticker") << "area_ticker" << "mp4" << false;
    }
    void findsTheBandInClips()
    {
        QFETCH(QString, clip);
        QFETCH(QString, container);
        QFETCH(bool, upperHalf);
        const QList<qint64> pixels = subtitlePixels(fixture(clip + ".subs.mkv"), 640, 360);
        QCOMPARE(pixels.size(), 640 * 360);
        QList<qint64> truth(360, 0);
        for (qsizetype i = 0; i < pixels.size(); ++i)
            truth[i / 640] += pixels[i];
        const auto firstRow = std::find_if(truth.cbegin(), truth.cend(), [](qint64 n) { return n > 0; }) - truth.cbegin();
        const auto lastRow = truth.crend() - std::find_if(truth.crbegin(), truth.crend(), [](qint64 n) { return n > 0; }) - 1;
        QVERIFY(lastRow > firstRow);

        const std::optional<QRect> band = SubtitleAreaDetector::detect(fixture(clip + "." + container));
        QVERIFY(band);
        QVERIFY(QRect(0, 0, 640, 360).contains(*band));
        QCOMPARE(band->center().y() < 180, upperHalf);
        // Centred lines narrower than the picture: the band keeps to them, with a margin.
        QVERIFY2(band->width() < 640, qPrintable(QString::number(band->width())));
        QVERIFY(qAbs(band->center().x() - 320) <= 2);
        qint64 total = 0;
        qint64 inside = 0;
        for (qsizetype i = 0; i < pixels.size(); ++i) {
            total += pixels[i];
            inside += band->contains(int(i % 640), int(i / 640)) ? pixels[i] : 0;
        }
        QVERIFY2(inside * 100 >= total * 99, qPrintable(QStringLiteral("%1 of %2 pixels in %3,%4 %5x%6, truth rows %7-%8")
                                                            .arg(inside).arg(total).arg(band->left()).arg(band->top())
                                                            .arg(band->width()).arg(band->height())
                                                            .arg(firstRow).arg(lastRow)));
        QVERIFY2(band->height() <= 2 * (lastRow - firstRow + 1), qPrintable(QString::number(band->height())));
    }

    // A file without an index is read on to a key frame inside each range (or back to the one
    // before it), not decoded all the way: at most twice the frames the MP4's index needs, which
    // goes straight to its key frames (decoding on through the ranges cost four times as many).
    void samplesWithoutAnIndexDecodeLittleMoreThanWithOne()
    {
        FrameGrabber indexed, unindexed;
        QVERIFY(indexed.open(fixture("area_bottom.mp4")));
        QVERIFY(unindexed.open(fixture("area_bottom.ts")));
        // Samples further apart than decoding on is worth, each range holding a key frame.
        for (qint64 from = 0; from < 5600; from += 1500) {
            const qint64 to = from + 600;
            const FrameGrabber::Frame frame = unindexed.frameBetween(from, to);
            QVERIFY2(frame.time >= from && frame.time <= to, qPrintable(QStringLiteral("%1 in %2-%3").arg(frame.time).arg(from).arg(to)));
            QCOMPARE(frame.grey.size(), QSize(640, 360));
            QVERIFY(!unindexed.framesLater(4).grey.isNull());
            indexed.frameBetween(from, to);
            indexed.framesLater(4);
        }
        QVERIFY2(unindexed.decodedFrames() <= 2 * indexed.decodedFrames(),
                 qPrintable(QStringLiteral("%1 against %2").arg(unindexed.decodedFrames()).arg(indexed.decodedFrames())));
    }

    // Samples as far apart as the key frames start each from a key frame of its own: decoding on
    // from the last sample would decode every frame of a short video.
    void aKeyFrameInTheRangeIsSoughtNotDecodedTo()
    {
        FrameGrabber grabber;
        QVERIFY(grabber.open(fixture("area_bottom.mp4")));
        const qint64 spacing = grabber.keyFrameSpacingMs();
        QVERIFY2(spacing > 0 && spacing <= 1000, qPrintable(QString::number(spacing)));
        QVERIFY(!grabber.frameBetween(0, 100).grey.isNull());
        QVERIFY(grabber.keyFrameBetween(900, 1800));
        const int before = grabber.decodedFrames();
        const FrameGrabber::Frame frame = grabber.frameBetween(900, 1800);
        QVERIFY2(frame.time >= *grabber.keyFrameBetween(900, 1800) && frame.time <= 1800, qPrintable(QString::number(frame.time)));
        // The key frame and the frames its reordering holds back, not the 20 on the way from 0.
        QVERIFY2(grabber.decodedFrames() - before <= 4, qPrintable(QString::number(grabber.decodedFrames() - before)));
        QVERIFY(!FrameGrabber().keyFrameBetween(0, 1000));
    }

    void nothingWithoutSubtitles()
    {
        QVERIFY(!SubtitleAreaDetector::detect(fixture("area_none.mp4")));
        QVERIFY(!SubtitleAreaDetector::detect(fixture("not_a_video.mp4")));
    }

    // Without a video: text that comes and goes is found, a logo that never changes is not.
    void stillPicturesAlone()
    {
        SubtitleAreaDetector logoOnly;
        for (int i = 0; i < 10; ++i)
            logoOnly.addSample(stripes(-1, i), stripes(-1, i));
        QVERIFY(!logoOnly.band());

        SubtitleAreaDetector withText;
        for (int i = 0; i < 10; ++i)
            withText.addSample(stripes(i % 3 ? 140 : -1, i), stripes(i % 3 ? 140 : -1, i));
        const std::optional<QRect> band = withText.band();
        QVERIFY(band);
        QVERIFY2(band->top() <= 144 && band->bottom() >= 160, qPrintable(QStringLiteral("%1-%2").arg(band->top()).arg(band->bottom())));
        QVERIFY(band->height() <= 48);

        SubtitleAreaDetector oneSample;
        oneSample.addSample(stripes(140, 1), stripes(140, 1));
        QVERIFY(!oneSample.band());

        // A corner panel showing the date and the time by turns holds text in every sample;
        // signs in the same place come and go.
        const auto withCorner = [](int sample, bool always) {
            QImage picture = stripes(sample % 3 ? 140 : -1, sample);
            QPainter painter(&picture);
            painter.setPen(Qt::white);
            painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
            const QString date = QStringLiteral("MON %1 MAY").arg(10 + sample);
            const QString time = QStringLiteral("21:%1").arg(17 + 3 * sample);
            if (always || sample % 2 == 0)
                painter.drawText(QRect(8, sample % 2 ? 20 : 4, 120, 16), Qt::AlignLeft, sample % 2 ? time : date);
            return picture;
        };
        SubtitleAreaDetector clock, signs;
        for (int i = 0; i < 12; ++i) {
            clock.addSample(withCorner(i, true), withCorner(i, true));
            signs.addSample(withCorner(i, false), withCorner(i, false));
        }
        QCOMPARE(clock.bands().size(), size_t(1));
        QCOMPARE(signs.bands().size(), size_t(2));
    }

    // Signs above caught in more samples than the dialogue below: the dialogue is still the
    // first area, the one written under the video's own name.
    void dialogueBelowComesBeforeSignsAbove()
    {
        const auto picture = [](int sample) {
            QImage image = stripes(sample % 3 == 0 ? 140 : -1, sample);
            QPainter painter(&image);
            painter.setPen(Qt::white);
            painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
            if (sample % 3 != 0 && sample % 5 != 0)
                painter.drawText(QRect(0, 30, 320, 24), Qt::AlignCenter, QStringLiteral("Platform %1").arg(sample * 7));
            return image;
        };
        SubtitleAreaDetector detector;
        for (int i = 0; i < 15; ++i)
            detector.addSample(picture(i), picture(i));
        const std::vector<QRect> bands = detector.bands();
        QCOMPARE(bands.size(), size_t(2));
        QVERIFY2(bands.front().top() > 90 && bands.back().bottom() < 90,
                 qPrintable(QStringLiteral("%1 then %2").arg(bands.front().top()).arg(bands.back().top())));
    }

    // Centred lines seen reaching well across the picture: a longer line that no sample caught
    // reaches further, and a band fitted to the lines seen would cut it.
    void longCentredLinesTakeTheWholeWidth()
    {
        const QStringList lines{QStringLiteral("We have to leave before dawn"),
                                QStringLiteral("Nobody knows the way back home")};
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(14);
        font.setPixelSize(std::max(8, 14 * 185 / QFontMetrics(font).horizontalAdvance(lines.last())));
        for (const QString &line : lines) {
            const int width = QFontMetrics(font).horizontalAdvance(line);
            QVERIFY2(width >= 150 && width <= 200, qPrintable(QString::number(width)));
        }
        const auto picture = [&](int sample) {
            QImage image = stripes(-1, 0);
            QPainter painter(&image);
            painter.setPen(Qt::white);
            painter.setFont(font);
            if (sample % 3)
                painter.drawText(QRect(0, 140, 320, 24), Qt::AlignCenter, lines.at(sample % 2));
            return image;
        };
        SubtitleAreaDetector detector;
        for (int i = 0; i < 10; ++i)
            detector.addSample(picture(i), picture(i));
        const std::optional<QRect> band = detector.band();
        QVERIFY(band);
        QCOMPARE(band->left(), 0);
        QCOMPARE(band->width(), 320);
    }
};

QTEST_MAIN(TestSubtitleAreaDetector)
#include "tst_subtitleareadetector.moc"
