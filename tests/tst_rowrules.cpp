#include "inkpictures.h"
#include "ocr/ink/rowrules.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace InkPictures;

namespace {

struct Found
{
    ComponentLabelling::Labels labels;
    GlyphRules::Glyphs glyphs;
    std::vector<RowRules::Row> rows;
};

Found rowsOf(const QImage &picture)
{
    Found found;
    found.labels = ComponentLabelling::label(InkPlane(picture, Ink{}), 128);
    found.glyphs = GlyphRules::form(found.labels.components);
    found.rows = RowRules::find(found.glyphs.glyphs, picture.height());
    return found;
}

// Whether a pixel's component is part of a glyph of some row.
bool inRow(const Found &found, const QPoint &point)
{
    const int component = componentAt(found.labels, point);
    if (component < 0)
        return false;
    const int glyph = found.glyphs.glyphOfComponent[std::size_t(component)];
    for (const RowRules::Row &row : found.rows) {
        if (std::find(row.glyphs.begin(), row.glyphs.end(), glyph) != row.glyphs.end())
            return true;
    }
    return false;
}

// Letter-sized hollow boxes packed one pixel apart, lined up like letters would be; every other
// one shifted down by a share of its height, so that each box has ink beside it on part of its
// height only.
QImage texture(int width, int height, int shift)
{
    QImage picture = blank(width, height, Qt::black);
    for (int y = 4; y + 12 + shift < height; y += 14 + shift) {
        for (int x = 4, i = 0; x + 8 < width; x += 9, ++i) {
            const int top = y + (i % 2) * shift;
            fill(picture, QRect(x, top, 8, 12), Qt::white);
            fill(picture, QRect(x + 2, top + 2, 4, 8), Qt::black);
        }
    }
    return picture;
}

} // namespace

class TestRowRules : public QObject
{
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<int>("rows");

        QImage one = blank(320, 60, Qt::black);
        drawWords(one, QStringLiteral("Where are you going"), Qt::white, {20, 40}, 24);
        QTest::newRow("one line") << one << 1;

        QImage two = blank(320, 100, Qt::black);
        drawWords(two, QStringLiteral("Where are you going"), Qt::white, {20, 40}, 24);
        drawWords(two, QStringLiteral("We have to leave"), Qt::white, {30, 80}, 24);
        QTest::newRow("two lines stacked") << two << 2;

        QImage aside = blank(520, 100, Qt::black);
        drawWords(aside, QStringLiteral("Where are you"), Qt::white, {20, 80}, 24);
        drawWords(aside, QStringLiteral("LOGO TV"), Qt::white, {380, 30}, 24);
        QTest::newRow("words off to the side") << aside << 1;

        QImage smaller = blank(320, 100, Qt::black);
        drawWords(smaller, QStringLiteral("Where are you going"), Qt::white, {20, 40}, 24);
        drawWords(smaller, QStringLiteral("small print"), Qt::white, {20, 80}, 11);
        QTest::newRow("a line of far smaller letters") << smaller << 1;

        QTest::newRow("packed boxes of texture") << texture(320, 60, 0) << 0;
        QTest::newRow("packed boxes of texture, staggered") << texture(320, 60, 6) << 0;
        QTest::newRow("nothing") << blank(320, 60, Qt::black) << 0;

        QImage lone = blank(320, 60, Qt::black);
        drawWords(lone, QStringLiteral("A"), Qt::white, {150, 40}, 24);
        QTest::newRow("a single letter") << lone << 0;
    }
    void rows()
    {
        QFETCH(QImage, picture);
        QFETCH(int, rows);
        const Found found = rowsOf(picture);
        QCOMPARE(int(found.rows.size()), rows);
        for (const RowRules::Row &row : found.rows) {
            QVERIFY(row.glyphs.size() >= 2);
            // Capitals of 24 px DejaVu Sans are about 17 px tall.
            QVERIFY2(row.letterHeight >= 14 && row.letterHeight <= 22, qPrintable(QString::number(row.letterHeight)));
        }
        if (rows > 0)
            QVERIFY(RowRules::letterHeight(found.rows) >= 14);
    }

    void dotOfIStaysSpeckGoes()
    {
        QImage picture = blank(320, 60, Qt::black);
        // Dots of i drawn as exact squares above their stems, in a line of drawn words.
        drawWords(picture, QStringLiteral("Where  are  you"), Qt::white, {20, 40}, 24);
        fill(picture, QRect(250, 27, 3, 13), Qt::white);
        fill(picture, QRect(250, 22, 3, 3), Qt::white);
        fill(picture, QRect(260, 27, 3, 13), Qt::white);
        fill(picture, QRect(260, 22, 3, 3), Qt::white);
        // Specks of noise around the line.
        QRandomGenerator random(7);
        QList<QPoint> specks;
        for (int i = 0; i < 12; ++i) {
            specks << QPoint(20 + random.bounded(280), random.bounded(2) ? 8 + random.bounded(6) : 52 + random.bounded(6));
            fill(picture, QRect(specks.back(), QSize(2, 2)), Qt::white);
        }
        const Found found = rowsOf(picture);
        QCOMPARE(int(found.rows.size()), 1);
        QVERIFY(inRow(found, {251, 30}));
        QVERIFY(inRow(found, {251, 23}));
        QVERIFY(inRow(found, {261, 23}));
        for (const QPoint &speck : specks)
            QVERIFY2(!inRow(found, speck), qPrintable(QStringLiteral("%1,%2").arg(speck.x()).arg(speck.y())));
    }

    // Shapes that line up with a line but stand far beyond its end are not part of it.
    void farWordStaysOut()
    {
        QImage picture = blank(480, 60, Qt::black);
        drawWords(picture, QStringLiteral("Where are you"), Qt::white, {20, 40}, 24);
        drawWords(picture, QStringLiteral("NO"), Qt::white, {420, 40}, 24);
        const Found found = rowsOf(picture);
        QCOMPARE(int(found.rows.size()), 1);
        QVERIFY(found.rows.front().box.left < 30);
        QVERIFY(found.rows.front().box.right < 250);
    }
};

QTEST_MAIN(TestRowRules)
#include "tst_rowrules.moc"
