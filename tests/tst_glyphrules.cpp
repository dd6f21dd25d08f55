#include "inkpictures.h"
#include "ocr/ink/glyphrules.h"

#include <QtTest>

using namespace InkPictures;

Q_DECLARE_METATYPE(PixelBox)

namespace {

PixelBox box(int left, int top, int right, int bottom)
{
    return PixelBox{left, top, right, bottom};
}

struct Found
{
    ComponentLabelling::Labels labels;
    GlyphRules::Glyphs glyphs;
};

Found glyphsOf(const QImage &picture)
{
    Found found;
    found.labels = ComponentLabelling::label(InkPlane(picture, Ink{}), 128);
    found.glyphs = GlyphRules::form(found.labels.components);
    return found;
}

} // namespace

class TestGlyphRules : public QObject
{
    Q_OBJECT

private slots:
    void partsOfOneGlyph_data()
    {
        QTest::addColumn<PixelBox>("a");
        QTest::addColumn<PixelBox>("b");
        QTest::addColumn<bool>("joined");

        QTest::newRow("dot over the stem of an i") << box(10, 10, 12, 30) << box(10, 5, 12, 7) << true;
        QTest::newRow("accent over a capital") << box(10, 10, 25, 30) << box(15, 4, 20, 7) << true;
        QTest::newRow("letters side by side") << box(10, 10, 20, 30) << box(23, 10, 33, 30) << false;
        QTest::newRow("letters of two lines stacked") << box(10, 10, 30, 30) << box(10, 36, 30, 56) << false;
        QTest::newRow("dot far above the stem") << box(10, 20, 12, 40) << box(10, 5, 12, 7) << false;
        QTest::newRow("background shape around a letter") << box(0, 0, 60, 40) << box(20, 10, 30, 30) << false;
        QTest::newRow("mark overlapping a quarter of its width") << box(10, 10, 30, 30) << box(27, 4, 38, 8) << false;
    }
    void partsOfOneGlyph()
    {
        QFETCH(PixelBox, a);
        QFETCH(PixelBox, b);
        QFETCH(bool, joined);
        QCOMPARE(GlyphRules::partsOfOneGlyph(a, b), joined);
        QCOMPARE(GlyphRules::partsOfOneGlyph(b, a), joined);
    }

    void piecesJoin_data()
    {
        QTest::addColumn<QList<QRect>>("drawn");
        QTest::addColumn<int>("glyphs");
        QTest::addColumn<int>("pieces"); // of the first glyph

        QTest::newRow("i: dot and stem") << QList<QRect>{{10, 10, 3, 3}, {10, 15, 3, 14}} << 1 << 2;
        QTest::newRow("speck beside a stem stays out") << QList<QRect>{{20, 10, 1, 1}, {10, 15, 3, 14}} << 1 << 1;
        QTest::newRow("two stems") << QList<QRect>{{10, 10, 3, 14}, {20, 10, 3, 14}} << 2 << 1;
        QTest::newRow("colon-like dots far apart") << QList<QRect>{{10, 10, 3, 3}, {10, 30, 3, 3}} << 2 << 1;
    }
    void piecesJoin()
    {
        QFETCH(QList<QRect>, drawn);
        QFETCH(int, glyphs);
        QFETCH(int, pieces);
        QImage picture = blank(40, 40, Qt::black);
        for (const QRect &rect : drawn)
            fill(picture, rect, Qt::white);
        const Found found = glyphsOf(picture);
        QCOMPARE(int(found.glyphs.glyphs.size()), glyphs);
        QCOMPARE(found.glyphs.glyphs.front().pieces, pieces);
        QCOMPARE(found.glyphs.glyphOfComponent.size(), found.labels.components.size());
        int specks = 0;
        for (const int glyph : found.glyphs.glyphOfComponent)
            specks += glyph < 0;
        QCOMPARE(specks, drawn.front().width() == 1 ? 1 : 0);
    }

    void letterLike_data()
    {
        QTest::addColumn<QList<QRect>>("drawn");
        QTest::addColumn<bool>("letter");

        QTest::newRow("H of strokes") << QList<QRect>{{10, 10, 3, 20}, {22, 10, 3, 20}, {13, 19, 9, 3}} << true;
        QTest::newRow("l: a narrow solid bar") << QList<QRect>{{10, 10, 3, 20}} << true;
        QTest::newRow("solid block") << QList<QRect>{{10, 10, 15, 20}} << false;
        QTest::newRow("speck") << QList<QRect>{{10, 10, 3, 3}} << false;
        QTest::newRow("wide rule") << QList<QRect>{{5, 10, 60, 8}} << false;
        QTest::newRow("frame as tall as the picture") << QList<QRect>{{10, 0, 30, 1}, {10, 59, 30, 1}, {10, 1, 1, 58},
                                                                      {39, 1, 1, 58}}
                                                      << false;
        QTest::newRow("hollow box of letter size") << QList<QRect>{{10, 10, 14, 2}, {10, 28, 14, 2}, {10, 12, 2, 16},
                                                                   {22, 12, 2, 16}}
                                                   << true;
    }
    void letterLike()
    {
        QFETCH(QList<QRect>, drawn);
        QFETCH(bool, letter);
        QImage picture = blank(80, 60, Qt::black);
        for (const QRect &rect : drawn)
            fill(picture, rect, Qt::white);
        const Found found = glyphsOf(picture);
        QCOMPARE(int(found.glyphs.glyphs.size()), 1);
        QCOMPARE(GlyphRules::isLetterLike(found.glyphs.glyphs.front(), picture.height()), letter);
    }
};

QTEST_MAIN(TestGlyphRules)
#include "tst_glyphrules.moc"
