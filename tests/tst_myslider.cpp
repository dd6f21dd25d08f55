#include "editor/myslider.h"

#include <QSignalSpy>
#include <QtTest>

// 220 x 20: the groove runs from x 10 over 200 pixels, so x = 10 + 200 * fraction.
class SliderFixture
{
public:
    SliderFixture()
    {
        slider.setOrientation(Qt::Horizontal);
        slider.setMaximum(1000);
        slider.setFixedSize(220, 20);
        slider.show();
    }
    void paint() { slider.grab(); }
    void press(QPoint p) { QTest::mousePress(&slider, Qt::LeftButton, {}, p); }
    void move(int x) { QTest::mouseMove(&slider, QPoint(x, 15)); }
    void release(int x) { QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x, 15)); }

    MySlider slider;
};

class TestMySlider : public QObject
{
    Q_OBJECT

private slots:
    void setters_data()
    {
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("out");
        QTest::addColumn<double>("expectedIn");
        QTest::addColumn<double>("expectedOut");
        // setOutTime runs first, then setInTime.
        QTest::newRow("inside the range") << 0.2 << 0.6 << 0.2 << 0.6;
        QTest::newRow("in above out stops at out") << 0.8 << 0.6 << 0.6 << 0.6;
    }
    void setters()
    {
        QFETCH(double, in);
        QFETCH(double, out);
        QFETCH(double, expectedIn);
        QFETCH(double, expectedOut);
        MySlider slider;
        slider.setOutTime(out);
        slider.setInTime(in);
        QCOMPARE(slider.inTime(), expectedIn);
        QCOMPARE(slider.outTime(), expectedOut);

        // An out point below the in point stops at the in point.
        slider.setOutTime(expectedIn - 1.0);
        QCOMPARE(slider.outTime(), expectedIn);
    }

    void pressPriority_data()
    {
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<QString>("moved"); // which signal a drag then sends: in, out, now or none

        // Playhead at 0 overlaps the in marker: the in marker is tested first.
        QTest::newRow("in marker over playhead") << QPoint(12, 15) << "in";
        QTest::newRow("out marker") << QPoint(205, 15) << "out";
        // Above y 6 only the playhead's hit area is there.
        QTest::newRow("playhead above the markers") << QPoint(12, 3) << "now";
    }
    void pressPriority()
    {
        QFETCH(QPoint, pressAt);
        QFETCH(QString, moved);
        SliderFixture f;
        f.paint();
        QSignalSpy in(&f.slider, &MySlider::inTimeUpdate);
        QSignalSpy out(&f.slider, &MySlider::outTimeUpdate);
        QSignalSpy now(&f.slider, &MySlider::nowTimeUpdate);

        f.press(pressAt);
        QCOMPARE(in.count() + out.count() + now.count(), 0); // a press changes nothing
        f.move(70);
        f.release(70);

        QCOMPARE(in.count(), moved == "in" ? 2 : 0);
        QCOMPARE(out.count(), moved == "out" ? 2 : 0);
        QCOMPARE(now.count(), moved == "now" ? 2 : 0);
        QCOMPARE(f.slider.inTime(), moved == "in" ? 0.3 : 0.0);
        QCOMPARE(f.slider.outTime(), moved == "out" ? 0.3 : 1.0);
        QCOMPARE(f.slider.nowTime(), moved == "now" ? 0.3 : 0.0);
    }

    // A press on the bar away from every marker moves the playhead there, and a drag goes on from it.
    void pressOnTheBarMovesThePlayhead()
    {
        SliderFixture f;
        f.paint();
        QSignalSpy now(&f.slider, &MySlider::nowTimeUpdate);
        f.press(QPoint(100, 3));
        QCOMPARE(now.count(), 1);
        QCOMPARE(now.first().first().toDouble(), 0.45);
        f.move(70);
        f.release(70);
        QCOMPARE(f.slider.nowTime(), 0.3);
        QCOMPARE(f.slider.inTime(), 0.0);
        QCOMPARE(f.slider.outTime(), 1.0);
    }

    void dragsClampToGroove_data()
    {
        QTest::addColumn<QPoint>("pressAt");
        QTest::addColumn<int>("dragToX");
        QTest::addColumn<double>("expectedIn");
        QTest::addColumn<double>("expectedOut");
        QTest::addColumn<double>("expectedNow");
        QTest::newRow("in marker past the left end") << QPoint(12, 15) << -50 << 0.0 << 1.0 << 0.0;
        QTest::newRow("out marker past the right end") << QPoint(205, 15) << 500 << 0.0 << 1.0 << 0.0;
        QTest::newRow("playhead past the right end") << QPoint(12, 3) << 1000 << 0.0 << 1.0 << 1.0;
    }
    void dragsClampToGroove()
    {
        QFETCH(QPoint, pressAt);
        QFETCH(int, dragToX);
        QFETCH(double, expectedIn);
        QFETCH(double, expectedOut);
        QFETCH(double, expectedNow);
        SliderFixture f;
        f.paint();
        f.press(pressAt);
        f.move(110);
        f.move(dragToX);
        f.release(dragToX);
        QCOMPARE(f.slider.inTime(), expectedIn);
        QCOMPARE(f.slider.outTime(), expectedOut);
        QCOMPARE(f.slider.nowTime(), expectedNow);
    }

    void markersStopAtEachOther()
    {
        SliderFixture f;
        f.slider.setOutTime(0.6);
        f.slider.setInTime(0.2);
        f.paint();

        f.press(QPoint(52, 15)); // in marker at x 50
        f.move(190);             // 0.9, beyond the out point
        f.release(190);
        QCOMPARE(f.slider.inTime(), 0.6);

        f.slider.setInTime(0.2);
        f.paint();
        f.press(QPoint(128, 15)); // out marker spans x 120..129
        f.move(20);               // 0.05, before the in point
        f.release(20);
        QCOMPARE(f.slider.outTime(), 0.2);
    }

    void signalsOnMoveAndRelease()
    {
        SliderFixture f;
        f.slider.setInTime(0.25);
        f.paint();
        QSignalSpy in(&f.slider, &MySlider::inTimeUpdate);
        QSignalSpy out(&f.slider, &MySlider::outTimeUpdate);
        f.press(QPoint(205, 15));
        f.move(170);
        f.move(150);
        QCOMPARE(out.count(), 2);
        QCOMPARE(out.at(0).first().toDouble(), 0.8);
        QCOMPARE(out.at(1).first().toDouble(), 0.7);
        f.release(150);
        QCOMPARE(out.count(), 3);
        QCOMPARE(out.at(2).first().toDouble(), 0.7);

        // A click without a move reports the unchanged value once.
        f.press(QPoint(62, 15));
        f.release(62);
        QCOMPARE(in.count(), 1);
        QCOMPARE(in.first().first().toDouble(), 0.25);
    }
};


QTEST_MAIN(TestMySlider)
#include "tst_myslider.moc"
