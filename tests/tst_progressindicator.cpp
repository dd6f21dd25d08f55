#include "tasks/qprogressindicator.h"

#include <QImage>
#include <QSet>
#include <QtTest>

// Collects the ids of the timers that tick on a widget.
class TimerSpy : public QObject
{
public:
    explicit TimerSpy(QObject *watched) : QObject(watched) { watched->installEventFilter(this); }
    QList<int> ticks;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            ticks.append(static_cast<QTimerEvent *>(event)->timerId());
        return false;
    }
};

namespace {

int paintedPixels(QProgressIndicator &indicator)
{
    QImage image(indicator.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    indicator.render(&image, {}, {}, QWidget::DrawChildren);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

} // namespace

class TestProgressIndicator : public QObject
{
    Q_OBJECT

private slots:
    void geometry_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("outer");
        QTest::addColumn<int>("inner");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("capsuleWidth");
        QTest::addColumn<int>("radius");
        QTest::newRow("size hint 20") << 20 << 9 << 3 << 6 << 2 << 1;
        QTest::newRow("32 still uses wide bars") << 32 << 15 << 5 << 10 << 3 << 1;
        QTest::newRow("40 uses thin bars") << 40 << 19 << 7 << 12 << 2 << 1;
        QTest::newRow("100") << 100 << 49 << 18 << 31 << 7 << 3;
        QTest::newRow("single pixel") << 1 << 0 << 0 << 0 << 0 << 0;
    }
    void geometry()
    {
        QFETCH(int, width);
        const QProgressIndicator::Geometry g = QProgressIndicator::geometryFor(width);
        QTEST(g.outerRadius, "outer");
        QTEST(g.innerRadius, "inner");
        QTEST(g.capsuleHeight, "height");
        QTEST(g.capsuleWidth, "capsuleWidth");
        QTEST(g.capsuleRadius, "radius");
    }

    void initialStateAndProperties()
    {
        QProgressIndicator indicator;
        QCOMPARE(indicator.sizeHint(), QSize(20, 20));
        QCOMPARE(indicator.heightForWidth(37), 37);
        QCOMPARE(indicator.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(indicator.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(indicator.focusPolicy(), Qt::NoFocus);
        QVERIFY(!indicator.isAnimated());
        QCOMPARE(indicator.property("delay").toInt(), 40);
        QCOMPARE(indicator.property("displayedWhenStopped").toBool(), false);
        QCOMPARE(indicator.property("color").value<QColor>(), QColor(Qt::black));

        QVERIFY(indicator.setProperty("delay", 15));
        QVERIFY(indicator.setProperty("displayedWhenStopped", true));
        QVERIFY(indicator.setProperty("color", QColor(Qt::red)));
        QCOMPARE(indicator.animationDelay(), 15);
        QVERIFY(indicator.isDisplayedWhenStopped());
        QCOMPARE(indicator.color(), QColor(Qt::red));
    }

    void startTwiceRunsOneTimerAndResetsAngle()
    {
        QProgressIndicator indicator;
        TimerSpy spy(&indicator);
        indicator.setAnimationDelay(5);
        indicator.startAnimation();
        QTRY_VERIFY(indicator.angle() != 0);
        indicator.startAnimation();
        QCOMPARE(indicator.angle(), 0);
        QVERIFY(indicator.isAnimated());
        spy.ticks.clear();
        QTRY_VERIFY(spy.ticks.size() >= 4);
        QCOMPARE(QSet<int>(spy.ticks.cbegin(), spy.ticks.cend()).size(), 1);
        QCOMPARE(indicator.angle() % 30, 0);

        indicator.stopAnimation();
        QVERIFY(!indicator.isAnimated());
        const int stoppedAt = indicator.angle();
        QTest::qWait(30);
        QCOMPARE(indicator.angle(), stoppedAt);
    }

    void delayWhileStoppedOnlyStores()
    {
        QProgressIndicator indicator;
        TimerSpy spy(&indicator);
        indicator.setAnimationDelay(7);
        QVERIFY(!indicator.isAnimated());
        QCOMPARE(indicator.animationDelay(), 7);
        QTest::qWait(30);
        QVERIFY(spy.ticks.isEmpty());
    }

    void delayWhileRunningReplacesTheTimer()
    {
        QProgressIndicator indicator;
        TimerSpy spy(&indicator);
        indicator.setAnimationDelay(5);
        indicator.startAnimation();
        QTRY_VERIFY(!spy.ticks.isEmpty());
        indicator.setAnimationDelay(6);
        QVERIFY(indicator.isAnimated());
        spy.ticks.clear();
        QTRY_VERIFY(spy.ticks.size() >= 3);
        // A freed id can be handed out again, so only the number of ticking timers tells.
        QCOMPARE(QSet<int>(spy.ticks.cbegin(), spy.ticks.cend()).size(), 1);
    }

    void wheelAdvancesInStepsOf30()
    {
        QProgressIndicator indicator;
        TimerSpy spy(&indicator);
        indicator.setAnimationDelay(5);
        indicator.startAnimation();
        QTRY_VERIFY(spy.ticks.size() >= 13);
        indicator.stopAnimation();
        QCOMPARE(indicator.angle(), int(spy.ticks.size() * 30 % 360));
    }

    void paintsOnlyWhenAnimatedOrAskedTo()
    {
        QProgressIndicator indicator;
        indicator.resize(20, 20);
        QCOMPARE(paintedPixels(indicator), 0);
        indicator.setDisplayedWhenStopped(true);
        QVERIFY(paintedPixels(indicator) > 0);
        indicator.setDisplayedWhenStopped(false);
        indicator.startAnimation();
        QVERIFY(paintedPixels(indicator) > 0);
        indicator.stopAnimation();
        QCOMPARE(paintedPixels(indicator), 0);
    }
};

QTEST_MAIN(TestProgressIndicator)
#include "tst_progressindicator.moc"
