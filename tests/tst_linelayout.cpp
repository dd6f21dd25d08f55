#include "ocr/ppocr/linelayout.h"

#include <QPainter>
#include <QtTest>

class TestLineLayout : public QObject
{
    Q_OBJECT

private slots:
    void trimsCropAtPanelEdges_data();
    void trimsCropAtPanelEdges();
    void findsLineStartInJoinedPiece_data();
    void findsLineStartInJoinedPiece();
    void addsOnlyPiecesOfRowsRead_data();
    void addsOnlyPiecesOfRowsRead();
};

void TestLineLayout::trimsCropAtPanelEdges_data()
{
    QTest::addColumn<QRect>("panel");
    QTest::addColumn<QRect>("stroke"); // a letter's stroke in the margin, which must stay
    QTest::addColumn<QRect>("trimmed");
    QTest::addColumn<int>("stripeWidth"); // of the frame's vertical stripes, none at 0
    // The panel's edges blend it with the ground, and the next line's wider panel reaches under the crop.
    QTest::addColumn<bool>("blended");
    const QRect box(100, 40, 200, 40), crop(84, 32, 232, 56);
    QTest::newRow("panel wider than the crop") << QRect(0, 0, 400, 120) << QRect() << crop << 0 << false;
    QTest::newRow("panel edges inside both margins")
        << QRect(92, 30, 214, 60) << QRect() << QRect(92, 32, 214, 56) << 0 << false;
    QTest::newRow("letter stroke in the margin") << QRect(0, 0, 400, 120) << QRect(90, 44, 4, 32) << crop << 0 << false;
    QTest::newRow("vertical stripes, no panel") << QRect() << QRect() << crop << 5 << false;
    QTest::newRow("panel edges blended, the next line's wider panel below")
        << QRect(92, 30, 214, 52) << QRect() << QRect(92, 32, 214, 56) << 0 << true;
}

void TestLineLayout::trimsCropAtPanelEdges()
{
    QFETCH(QRect, panel);
    QFETCH(QRect, stroke);
    QFETCH(QRect, trimmed);
    QFETCH(int, stripeWidth);
    QFETCH(bool, blended);
    QImage picture(400, 120, QImage::Format_RGB32);
    picture.fill(QColor(0x20, 0xd0, 0x30));
    QPainter painter(&picture);
    for (int x = 0; stripeWidth > 0 && x < picture.width(); x += 2 * stripeWidth)
        painter.fillRect(x, 0, stripeWidth, picture.height(), QColor(0xf0, 0xf0, 0xf0));
    painter.fillRect(panel, QColor(0xf0, 0xe4, 0xd8));
    if (blended) {
        painter.fillRect(panel.left() - 1, panel.top(), 1, panel.height(), QColor(0x88, 0xda, 0x84));
        painter.fillRect(panel.right() + 1, panel.top(), 1, panel.height(), QColor(0x88, 0xda, 0x84));
        painter.fillRect(QRect(40, panel.bottom() + 1, 320, 40), QColor(0xf0, 0xe4, 0xd8));
    }
    painter.fillRect(stroke, QColor(0x20, 0x20, 0x28));
    painter.end();
    QCOMPARE(LineLayout::trimmedAtPanelEdges(picture, QRect(84, 32, 232, 56), QRect(100, 40, 200, 40)), trimmed);
}

void TestLineLayout::findsLineStartInJoinedPiece_data()
{
    QTest::addColumn<QList<QRect>>("boxes");
    QTest::addColumn<QRect>("start");
    const QRect line(478, 50, 320, 35);
    // The detector boxes busy texture beside a line at about half its height.
    const QRect texture(800, 59, 249, 17);
    QTest::newRow("texture joined after the line") << QList<QRect>{texture, line} << line;
    const QRect dash(440, 64, 20, 6);
    QTest::newRow("dash boxed alone before the line") << QList<QRect>{line, dash} << line;
    const QRect wordAfterGap(830, 52, 120, 33);
    QTest::newRow("line cut at a wide space") << QList<QRect>{wordAfterGap, line} << line;
    const QRect otherLine(456, 92, 363, 32);
    QTest::newRow("the next line is no piece of it") << QList<QRect>{otherLine, texture, line} << line;
}

void TestLineLayout::findsLineStartInJoinedPiece()
{
    QFETCH(QList<QRect>, boxes);
    QFETCH(QRect, start);
    const QList<QList<QRect>> rows = LineLayout::rows(boxes);
    QVERIFY(!rows.isEmpty());
    QCOMPARE(LineLayout::firstPiece(rows.first().first(), boxes, 0.6), start);
}

void TestLineLayout::addsOnlyPiecesOfRowsRead_data()
{
    QTest::addColumn<QRect>("piece");
    QTest::addColumn<bool>("added");
    // A row read from a thin box (the detector's region shrunk by texture) at y 163..225.
    QTest::newRow("the line's end beside it") << QRect(2180, 165, 300, 60) << true;
    QTest::newRow("the whole line, taller") << QRect(1362, 129, 1116, 131) << true;
    QTest::newRow("a line below it") << QRect(1400, 240, 900, 60) << false;
    QTest::newRow("texture overlapping it by less than half") << QRect(500, 200, 80, 80) << false;
}

void TestLineLayout::addsOnlyPiecesOfRowsRead()
{
    QFETCH(QRect, piece);
    QFETCH(bool, added);
    const QList<QRect> boxes{QRect(1690, 163, 469, 63), QRect(40, 20, 30, 8)};
    const QList<QRect> merged = LineLayout::withPiecesOfRows(boxes, {QRect(1690, 163, 469, 63)}, {piece});
    QCOMPARE(merged.mid(0, 2), boxes);
    QCOMPARE(merged.contains(piece), added);
}

QTEST_MAIN(TestLineLayout)
#include "tst_linelayout.moc"
