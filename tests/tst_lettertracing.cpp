#include "inkpictures.h"
#include "ocr/tesseract/lettertracing.h"

#include <QPainterPath>
#include <QtTest>

using namespace InkPictures;

namespace {

const std::vector<Ink> firstKinds{Ink{InkKind::Luma, 0}, Ink{InkKind::InverseLuma, 0}, Ink{InkKind::Whiteness, 0}};

// Capitals with an outline, as subtitles are often drawn.
void drawOutlined(QImage &picture, const QString &words, const QColor &fillColour, const QColor &outline,
                  const QPointF &baseline, int pixelSize, int outlineWidth)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    QPainterPath path;
    path.addText(baseline, font, words);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(path, QPen(outline, outlineWidth));
    painter.fillPath(path, fillColour);
}

struct Traced
{
    QRect ink; // box of the black pixels
    int shapes = 0; // black components
};

Traced measure(const QImage &out)
{
    QImage inverted = out.convertToFormat(QImage::Format_RGB32);
    inverted.invertPixels();
    const ComponentLabelling::Labels labels = ComponentLabelling::label(InkPlane(inverted, Ink{}), 128);
    Traced traced;
    for (const ComponentLabelling::Component &c : labels.components)
        traced.ink |= rectOf(c.box);
    traced.shapes = int(labels.components.size());
    return traced;
}

// A mask over a 12×12 region: the letters' core in the middle 4×4, grown to the middle 8×8.
TextMask squareMask()
{
    TextMask text;
    text.region = QRect(0, 0, 12, 12);
    text.core.assign(144, 0);
    text.mask.assign(144, 0);
    for (int y = 2; y < 10; ++y) {
        for (int x = 2; x < 10; ++x) {
            text.mask[std::size_t(y * 12 + x)] = 1;
            text.core[std::size_t(y * 12 + x)] = x >= 4 && x < 8 && y >= 4 && y < 8;
        }
    }
    text.letterHeight = 4;
    return text;
}

} // namespace

class TestLetterTracing : public QObject
{
    Q_OBJECT

private slots:
    void textColour_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");

        QTest::newRow("yellow on dark blue") << QColor(250, 230, 20) << QColor(10, 10, 60);
        QTest::newRow("white on grey") << QColor(Qt::white) << QColor(90, 90, 90);
        QTest::newRow("dark red on a light panel") << QColor(120, 0, 0) << QColor(235, 235, 225);
    }
    void textColour()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        QImage picture = blank(320, 60, background);
        drawWords(picture, QStringLiteral("Where are you going"), text, {20, 40}, 24);
        const InkReading reading = InkReading::best(picture, firstKinds);
        const QRgb found = LetterTracing::textColour(picture, TextMask::of(reading, 320, 60, false));
        QVERIFY2(std::abs(qRed(found) - text.red()) <= 24 && std::abs(qGreen(found) - text.green()) <= 24
                     && std::abs(qBlue(found) - text.blue()) <= 24,
                 qPrintable(QColor(found).name()));
    }

    void threshold_data()
    {
        QTest::addColumn<int>("letters");
        QTest::addColumn<int>("border");
        QTest::addColumn<int>("expected");

        QTest::newRow("bright letters, dark outline") << 220 << 20 << 120;
        QTest::newRow("letters on a mid-grey border") << 200 << 101 << 151;
        QTest::newRow("border as bright as the letters") << 180 << 180 << 77;
    }
    void threshold()
    {
        QFETCH(int, letters);
        QFETCH(int, border);
        QFETCH(int, expected);
        const TextMask text = squareMask();
        InkPlane plane(12, 12);
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 12; ++x)
                plane.row(y)[x] = std::uint8_t(text.at(text.core, x, y) ? letters : text.at(text.mask, x, y) ? border : 255);
        }
        QCOMPARE(LetterTracing::threshold(plane, text, 77), expected);
    }

    void trace_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("letterHeight");

        QImage small = blank(120, 30, Qt::black);
        drawWords(small, QStringLiteral("HEH"), Qt::white, {10, 22}, 14);
        QTest::newRow("small white letters enlarged") << small << 40;

        QImage large = blank(400, 120, QColor(230, 230, 220));
        drawWords(large, QStringLiteral("HEH"), QColor(20, 20, 20), {20, 90}, 80);
        QTest::newRow("large dark letters reduced") << large << 40;

        QImage outlined = blank(200, 60, Qt::white);
        drawOutlined(outlined, QStringLiteral("HEH"), Qt::white, Qt::black, {20, 45}, 36, 4);
        QTest::newRow("white letters outlined on white") << outlined << 30;
    }
    void trace()
    {
        QFETCH(QImage, picture);
        QFETCH(int, letterHeight);
        const InkReading reading = InkReading::best(picture, firstKinds);
        QCOMPARE(int(reading.rows.size()), 1);
        const TextMask text = TextMask::of(reading, picture.width(), picture.height(), false);
        const Ink ink{InkKind::Closeness, LetterTracing::textColour(picture, text)};
        const int level = LetterTracing::threshold(InkPlane(picture, ink), text, reading.threshold);
        const QImage out = LetterTracing::trace(picture, 1.0, ink, text, level, letterHeight);
        QCOMPARE(out.format(), QImage::Format_Grayscale8);
        const Traced traced = measure(out);
        // Three letters, black, at the asked height, in a white margin.
        QCOMPARE(traced.shapes, 3);
        QVERIFY2(std::abs(traced.ink.height() - letterHeight) <= 3, qPrintable(QString::number(traced.ink.height())));
        QVERIFY(traced.ink.left() >= 8 && traced.ink.top() >= 8);
        QVERIFY(traced.ink.right() < out.width() - 8 && traced.ink.bottom() < out.height() - 8);
    }

    void unitedMasks()
    {
        QImage picture = blank(320, 120, Qt::black);
        drawWords(picture, QStringLiteral("Where are you"), Qt::white, {20, 40}, 24);
        QImage lower = blank(320, 120, Qt::black);
        drawWords(lower, QStringLiteral("Where are you"), Qt::white, {60, 100}, 24);
        const TextMask a = TextMask::of(InkReading::best(picture, firstKinds), 320, 120, false);
        const TextMask b = TextMask::of(InkReading::best(lower, firstKinds), 320, 120, false);
        const TextMask both = a.united(b);
        QCOMPARE(both.region, a.region | b.region);
        for (const TextMask *part : {&a, &b}) {
            for (int y = part->region.top(); y <= part->region.bottom(); ++y) {
                for (int x = part->region.left(); x <= part->region.right(); ++x) {
                    if (part->at(part->core, x, y))
                        QVERIFY(both.at(both.core, x, y));
                    if (part->at(part->mask, x, y))
                        QVERIFY(both.at(both.mask, x, y));
                }
            }
        }
        // Between the two lines lies nothing.
        QVERIFY(!both.at(both.mask, 100, 70));
    }
};

QTEST_MAIN(TestLetterTracing)
#include "tst_lettertracing.moc"
