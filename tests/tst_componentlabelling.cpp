#include "inkpictures.h"

#include <QtTest>

using namespace InkPictures;

class TestComponentLabelling : public QObject
{
    Q_OBJECT

private slots:
    void blobs_data()
    {
        QTest::addColumn<QList<QRect>>("drawn");
        QTest::addColumn<QList<QRect>>("boxes");
        QTest::addColumn<QList<int>>("areas");

        QTest::newRow("two squares apart") << QList<QRect>{{2, 2, 5, 5}, {10, 2, 5, 5}}
                                           << QList<QRect>{{2, 2, 5, 5}, {10, 2, 5, 5}} << QList<int>{25, 25};
        QTest::newRow("corner to corner is one") << QList<QRect>{{2, 2, 3, 3}, {5, 5, 3, 3}}
                                                 << QList<QRect>{{2, 2, 6, 6}} << QList<int>{18};
        QTest::newRow("one column apart is two") << QList<QRect>{{2, 2, 3, 3}, {6, 2, 3, 3}}
                                                 << QList<QRect>{{2, 2, 3, 3}, {6, 2, 3, 3}} << QList<int>{9, 9};
        // Two arms that meet only at the bottom start as separate runs.
        QTest::newRow("arms joined below") << QList<QRect>{{2, 2, 2, 10}, {10, 2, 2, 10}, {2, 11, 10, 2}}
                                           << QList<QRect>{{2, 2, 10, 11}} << QList<int>{56};
        QTest::newRow("outline of a box") << QList<QRect>{{3, 3, 10, 1}, {3, 12, 10, 1}, {3, 4, 1, 8}, {12, 4, 1, 8}}
                                          << QList<QRect>{{3, 3, 10, 10}} << QList<int>{36};
        QTest::newRow("touching the picture's edges") << QList<QRect>{{0, 0, 4, 4}, {26, 16, 4, 4}}
                                                      << QList<QRect>{{0, 0, 4, 4}, {26, 16, 4, 4}} << QList<int>{16, 16};
    }
    void blobs()
    {
        QFETCH(QList<QRect>, drawn);
        QFETCH(QList<QRect>, boxes);
        QFETCH(QList<int>, areas);
        QImage picture = blank(30, 20, Qt::black);
        for (const QRect &rect : drawn)
            fill(picture, rect, Qt::white);
        const ComponentLabelling::Labels labels = ComponentLabelling::label(InkPlane(picture, Ink{}), 128);
        QCOMPARE(int(labels.components.size()), boxes.size());
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            const ComponentLabelling::Component &c = labels.components[std::size_t(i)];
            QCOMPARE(rectOf(c.box), boxes[i]);
            QCOMPARE(c.area, areas[i]);
            QCOMPARE(c.inkSum, 255 * areas[i]);
            QCOMPARE(c.inkPeak, 255);
        }
        // Every run belongs to the component whose box holds it.
        for (const ComponentLabelling::Run &run : labels.runs)
            QVERIFY(boxes[run.label].contains(QRect(run.left, run.y, run.right - run.left + 1, 1)));
    }

    void thresholdIsInclusive_data()
    {
        QTest::addColumn<int>("grey");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<int>("components");

        QTest::newRow("at the threshold") << 128 << 128 << 1;
        QTest::newRow("just below") << 127 << 128 << 0;
    }
    void thresholdIsInclusive()
    {
        QFETCH(int, grey);
        QFETCH(int, threshold);
        QFETCH(int, components);
        QImage picture = blank(20, 20, Qt::black);
        fill(picture, QRect(5, 5, 6, 6), QColor(grey, grey, grey));
        QCOMPARE(int(ComponentLabelling::label(InkPlane(picture, Ink{}), threshold).components.size()), components);
    }

    void crowding_data()
    {
        QTest::addColumn<bool>("amongStripes");
        QTest::addColumn<bool>("crowded");

        QTest::newRow("bar standing alone") << false << false;
        QTest::newRow("bar among stripes") << true << true;
    }
    // The pixels sampled beside a shape tell packed texture from a letter with space around it.
    void crowding()
    {
        QFETCH(bool, amongStripes);
        QFETCH(bool, crowded);
        QImage picture = blank(40, 20, Qt::black);
        fill(picture, QRect(20, 4, 1, 12), Qt::white);
        if (amongStripes) {
            for (int x = 0; x < 40; x += 2)
                fill(picture, QRect(x, 2, 1, 16), Qt::white);
        }
        const ComponentLabelling::Labels labels = ComponentLabelling::label(InkPlane(picture, Ink{}), 128);
        const int bar = componentAt(labels, QPoint(20, 10));
        QVERIFY(bar >= 0);
        const ComponentLabelling::Component &c = labels.components[std::size_t(bar)];
        QVERIFY(c.besideSamples > 0);
        QCOMPARE(c.besideInked > c.besideSamples / 2, crowded);
        QCOMPARE(c.besideInked == 0, !crowded);
    }
};

QTEST_MAIN(TestComponentLabelling)
#include "tst_componentlabelling.moc"
