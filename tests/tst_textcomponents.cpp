#include "inkpictures.h"
#include "ocr/tesseract/textcomponents.h"

#include <QtTest>

using namespace InkPictures;

namespace {

const QString words = QStringLiteral("OH WHERE ARE YOU");

QImage line()
{
    QImage picture = blank(360, 70, Qt::black);
    drawWords(picture, words, Qt::white, {20, 40}, 24);
    return picture;
}

} // namespace

class TestTextComponents : public QObject
{
    Q_OBJECT

private slots:
    void marks_data()
    {
        QTest::addColumn<bool>("inFirstLetter"); // placed from the first letter's centre, else from the line's end
        QTest::addColumn<QRect>("mark"); // from the line's right end and baseline
        QTest::addColumn<int>("grey");
        QTest::addColumn<bool>("piecesInsideLetters");
        QTest::addColumn<bool>("kept");

        QTest::newRow("full stop after the line") << false << QRect(4, -3, 3, 3) << 255 << false << true;
        QTest::newRow("comma-sized mark below the baseline") << false << QRect(4, 0, 3, 5) << 255 << false << true;
        QTest::newRow("dash through the middle") << false << QRect(4, -9, 12, 2) << 255 << false << true;
        QTest::newRow("one-pixel speck beside the line") << false << QRect(4, -3, 1, 1) << 255 << false << false;
        QTest::newRow("faint speck barely over the threshold") << false << QRect(4, -3, 3, 3) << 140 << false << false;
        QTest::newRow("dot far below the line") << false << QRect(4, 16, 3, 3) << 255 << false << false;
        QTest::newRow("dot far to the right") << false << QRect(40, -3, 3, 3) << 255 << false << false;
        QTest::newRow("blob inside the O of an alphabet") << true << QRect(-1, -1, 3, 3) << 255 << false << false;
        QTest::newRow("piece inside an ideograph's box") << true << QRect(-1, -1, 3, 3) << 255 << true << true;
    }
    void marks()
    {
        QFETCH(bool, inFirstLetter);
        QFETCH(QRect, mark);
        QFETCH(int, grey);
        QFETCH(bool, piecesInsideLetters);
        QFETCH(bool, kept);
        QImage picture = line();
        const InkReading plain = InkReading::at(InkPlane(picture, Ink{}), Ink{}, 128);
        QCOMPARE(int(plain.rows.size()), 1);
        const PixelBox &row = plain.rows.front().box;
        const int first = *std::min_element(plain.rows.front().glyphs.begin(), plain.rows.front().glyphs.end());
        const QRect letter = rectOf(plain.glyphs.glyphs[std::size_t(first)].box);
        mark.translate(inFirstLetter ? letter.center() : QPoint(row.right, row.bottom));
        fill(picture, mark, QColor(grey, grey, grey));

        const InkReading reading = InkReading::at(InkPlane(picture, Ink{}), Ink{}, 128);
        QCOMPARE(int(reading.rows.size()), 1);
        const std::vector<bool> selected = TextComponents::select(reading, piecesInsideLetters);
        const int component = componentAt(reading.labels, mark.topLeft());
        QVERIFY(component >= 0);
        QCOMPARE(rectOf(reading.labels.components[std::size_t(component)].box), mark); // standing alone
        QCOMPARE(bool(selected[std::size_t(component)]), kept);
        // The letters are text whatever else is.
        for (const int glyph : reading.rows.front().glyphs) {
            for (std::size_t c = 0; c < reading.labels.components.size(); ++c) {
                if (reading.glyphs.glyphOfComponent[c] == glyph)
                    QVERIFY(selected[c]);
            }
        }
    }
};

QTEST_MAIN(TestTextComponents)
#include "tst_textcomponents.moc"
