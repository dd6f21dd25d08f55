#include "ocr/linelayout.h"

#include <QPainter>
#include <QtTest>

class TestLineLayout : public QObject
{
    Q_OBJECT

private slots:
    void trimsCropAtPanelEdges_data();
    void trimsCropAtPanelEdges();
};

void TestLineLayout::trimsCropAtPanelEdges_data()
{
    QTest::addColumn<QRect>("panel");
    QTest::addColumn<QRect>("stroke"); // a letter's stroke in the margin, which must stay
    QTest::addColumn<QRect>("trimmed");
    const QRect box(100, 40, 200, 40), crop(84, 32, 232, 56);
    QTest::newRow("panel wider than the crop") << QRect(0, 0, 400, 120) << QRect() << crop;
    QTest::newRow("panel edges inside both margins")
        << QRect(92, 30, 214, 60) << QRect() << QRect(92, 32, 214, 56);
    QTest::newRow("letter stroke in the margin") << QRect(0, 0, 400, 120) << QRect(90, 44, 4, 32) << crop;
}

void TestLineLayout::trimsCropAtPanelEdges()
{
    QFETCH(QRect, panel);
    QFETCH(QRect, stroke);
    QFETCH(QRect, trimmed);
    QImage picture(400, 120, QImage::Format_RGB32);
    picture.fill(QColor(0x20, 0xd0, 0x30));
    QPainter painter(&picture);
    painter.fillRect(panel, QColor(0xf0, 0xe4, 0xd8));
    painter.fillRect(stroke, QColor(0x20, 0x20, 0x28));
    painter.end();
    QCOMPARE(LineLayout::trimmedAtPanelEdges(picture, QRect(84, 32, 232, 56), QRect(100, 40, 200, 40)), trimmed);
}

QTEST_MAIN(TestLineLayout)
#include "tst_linelayout.moc"
