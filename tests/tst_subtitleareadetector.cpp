#include "recognition/subtitleareadetector.h"

#include <QPainter>
#include <numeric>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(TARNIX_FIXTURE_DIR "/") + name;
}

// Subtitle pixels per row, summed over every frame of the subtitles rendered alone, as ffmpeg
// decodes them; empty when that fails.
QList<qint64> subtitlePixelsPerRow(const QString &path, int width, int height)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
                  {"-v", "error", "-i", path, "-f", "rawvideo", "-pix_fmt", "gray", "-"});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    const QByteArray bytes = process.readAllStandardOutput();
    QList<qint64> rows(height, 0);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (quint8(bytes[i]) > 40)
            ++rows[(i / width) % height];
    }
    return rows;
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
    void findsTheBandInClips_data();
    void findsTheBandInClips();
    void nothingWithoutSubtitles();
    void stillPicturesAlone();
};

void TestSubtitleAreaDetector::findsTheBandInClips_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<bool>("upperHalf");
    QTest::newRow("subtitles at the bottom") << "area_bottom" << false;
    QTest::newRow("subtitles at the top") << "area_top" << true;
    QTest::newRow("beside a static logo") << "area_logo" << false;
    QTest::newRow("above a scrolling ticker") << "area_ticker" << false;
}

void TestSubtitleAreaDetector::findsTheBandInClips()
{
    QFETCH(QString, clip);
    QFETCH(bool, upperHalf);
    const QList<qint64> truth = subtitlePixelsPerRow(fixture(clip + ".subs.mkv"), 640, 360);
    QCOMPARE(truth.size(), 360);
    const auto firstRow = std::find_if(truth.cbegin(), truth.cend(), [](qint64 n) { return n > 0; }) - truth.cbegin();
    const auto lastRow = truth.crend() - std::find_if(truth.crbegin(), truth.crend(), [](qint64 n) { return n > 0; }) - 1;
    QVERIFY(lastRow > firstRow);

    const std::optional<QRect> band = SubtitleAreaDetector::detect(fixture(clip + ".mp4"));
    QVERIFY(band);
    QCOMPARE(band->width(), 640);
    QCOMPARE(band->center().y() < 180, upperHalf);
    const qint64 total = std::accumulate(truth.cbegin(), truth.cend(), qint64(0));
    const qint64 inside = std::accumulate(truth.cbegin() + band->top(), truth.cbegin() + band->bottom() + 1, qint64(0));
    QVERIFY2(inside * 100 >= total * 99, qPrintable(QStringLiteral("%1 of %2 pixels in rows %3-%4, truth %5-%6")
                                                        .arg(inside).arg(total).arg(band->top()).arg(band->bottom())
                                                        .arg(firstRow).arg(lastRow)));
    QVERIFY2(band->height() <= 2 * (lastRow - firstRow + 1), qPrintable(QString::number(band->height())));
}

void TestSubtitleAreaDetector::nothingWithoutSubtitles()
{
    QVERIFY(!SubtitleAreaDetector::detect(fixture("area_none.mp4")));
    QVERIFY(!SubtitleAreaDetector::detect(fixture("not_a_video.mp4")));
}

// Without a video: text that comes and goes is found, a logo that never changes is not.
void TestSubtitleAreaDetector::stillPicturesAlone()
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
}

QTEST_MAIN(TestSubtitleAreaDetector)
#include "tst_subtitleareadetector.moc"
