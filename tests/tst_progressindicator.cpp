#include "tasks/qprogressindicator.h"

#include <QAbstractEventDispatcher>
#include <QImage>
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

QList<QAbstractEventDispatcher::TimerInfo> timersOf(QObject *object)
{
    return QAbstractEventDispatcher::instance()->registeredTimers(object);
}

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

    void oneTimerWhileAnimated()
    {
        QProgressIndicator indicator;
        indicator.setAnimationDelay(7); // while stopped the delay is only stored
        QVERIFY(timersOf(&indicator).isEmpty());
        indicator.startAnimation();
        QTRY_VERIFY(indicator.angle() != 0);
        indicator.startAnimation(); // a second start restarts the wheel, not a second timer
        QCOMPARE(indicator.angle(), 0);
        QCOMPARE(timersOf(&indicator).size(), 1);
        QCOMPARE(timersOf(&indicator).first().interval, 7);
        indicator.setAnimationDelay(6); // while running the timer is replaced
        QCOMPARE(timersOf(&indicator).size(), 1);
        QCOMPARE(timersOf(&indicator).first().interval, 6);
        indicator.stopAnimation();
        QVERIFY(!indicator.isAnimated());
        QVERIFY(timersOf(&indicator).isEmpty());
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
