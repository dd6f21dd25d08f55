#include "batch/qprogressindicator.h"

#include <QAbstractEventDispatcher>
#include <QImage>
#include <QtTest>

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
        indicator.setAnimationDelay(6); // while running the timer is replaced, not added to
        QCOMPARE(timersOf(&indicator).size(), 1);
        QCOMPARE(timersOf(&indicator).first().interval, 6);
        indicator.stopAnimation();
        QVERIFY(!indicator.isAnimated());
        QVERIFY(timersOf(&indicator).isEmpty());
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
