#include "inkpictures.h"
#include "ocr/ink/inkreading.h"

#include <QtTest>

using namespace InkPictures;

Q_DECLARE_METATYPE(InkKind)
Q_DECLARE_METATYPE(Ink)

class TestInkPlane : public QObject
{
    Q_OBJECT

private slots:
    void textStandsOut_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<Ink>("ink");
        QTest::addColumn<bool>("apart"); // text at least 128 levels above the background

        const Ink luma{InkKind::Luma, 0};
        const Ink inverse{InkKind::InverseLuma, 0};
        const Ink whiteness{InkKind::Whiteness, 0};
        QTest::newRow("white on black, luma") << QColor(Qt::white) << QColor(Qt::black) << luma << true;
        QTest::newRow("white on black, inverse luma") << QColor(Qt::white) << QColor(Qt::black) << inverse << false;
        QTest::newRow("black on white, inverse luma") << QColor(Qt::black) << QColor(Qt::white) << inverse << true;
        QTest::newRow("white on yellow, luma") << QColor(Qt::white) << QColor(Qt::yellow) << luma << false;
        QTest::newRow("white on yellow, whiteness") << QColor(Qt::white) << QColor(Qt::yellow) << whiteness << true;
        QTest::newRow("yellow on white, closeness to yellow")
            << QColor(Qt::yellow) << QColor(Qt::white) << Ink{InkKind::Closeness, qRgb(250, 250, 10)} << true;
        QTest::newRow("yellow on white, luma") << QColor(Qt::yellow) << QColor(Qt::white) << luma << false;
    }
    void textStandsOut()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        QFETCH(Ink, ink);
        QFETCH(bool, apart);
        QImage picture = blank(8, 4, background);
        fill(picture, QRect(0, 0, 4, 4), text);
        const InkPlane plane(picture, ink);
        QCOMPARE(plane.width, 8);
        QCOMPARE(plane.height, 4);
        QCOMPARE(plane.row(3)[0] >= plane.row(3)[7] + 128, apart);
    }

    void readingChoosesInk_data()
    {
        QTest::addColumn<QColor>("text");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<InkKind>("kind");

        QTest::newRow("light text on a dark picture") << QColor(Qt::white) << QColor(20, 20, 30) << InkKind::Luma;
        QTest::newRow("dark text on a light panel") << QColor(10, 10, 60) << QColor(230, 230, 220) << InkKind::InverseLuma;
        QTest::newRow("white text on yellow") << QColor(Qt::white) << QColor(Qt::yellow) << InkKind::Whiteness;
    }
    void readingChoosesInk()
    {
        QFETCH(QColor, text);
        QFETCH(QColor, background);
        QFETCH(InkKind, kind);
        QImage picture = blank(320, 60, background);
        drawWords(picture, QStringLiteral("Where are you going"), text, {20, 40}, 24);
        const InkReading reading = InkReading::best(
            picture, {Ink{InkKind::Luma, 0}, Ink{InkKind::InverseLuma, 0}, Ink{InkKind::Whiteness, 0}});
        QCOMPARE(reading.ink.kind, kind);
        QCOMPARE(int(reading.rows.size()), 1);
        // Every letter of the line counts; the i's dot joins its stem.
        QVERIFY2(reading.score >= 14 && reading.score <= 16, qPrintable(QString::number(reading.score)));
    }

    void sameLines()
    {
        const std::vector<Ink> kinds{Ink{InkKind::Luma, 0}};
        QImage top = blank(400, 120, Qt::black);
        drawWords(top, QStringLiteral("Where are you going"), Qt::white, {20, 40}, 24);
        QImage topWithMore = top;
        drawWords(topWithMore, QStringLiteral("now?"), Qt::white, {280, 40}, 24);
        QImage bottom = blank(400, 120, Qt::black);
        drawWords(bottom, QStringLiteral("Where are you going"), Qt::white, {20, 100}, 24);
        const InkReading a = InkReading::best(top, kinds);
        QVERIFY(a.sameLinesAs(a));
        QVERIFY(a.sameLinesAs(InkReading::best(topWithMore, kinds)));
        QVERIFY(!a.sameLinesAs(InkReading::best(bottom, kinds)));
        QVERIFY(!a.sameLinesAs(InkReading::best(blank(400, 120, Qt::black), kinds)));
    }
};

QTEST_MAIN(TestInkPlane)
#include "tst_inkplane.moc"
