// Thumbnails by our decoder and by the player, and the queue that takes a batch of them.
#include "fixtures.h"

#include "media/framethumbnail.h"
#include "media/getvideothumbnail.h"
#include "media/thumbnailqueue.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QSize rowBox(GetVideoThumbnail::thumbnailWidth, GetVideoThumbnail::thumbnailHeight);

QImage byPlayer(const QString &path)
{
    GetVideoThumbnail grabber;
    grabber.setSourcePath(path);
    QSignalSpy done(&grabber, &GetVideoThumbnail::outImageSig);
    grabber.getVideoThumbnail();
    if (!done.wait(15000))
        return QImage();
    return done.first().first().value<QImage>();
}

// Mean difference of the grey levels, 0-255.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage y = b.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column)
            sum += std::abs(int(x.constScanLine(row)[column]) - int(y.constScanLine(row)[column]));
    }
    return sum / double(x.width() * x.height());
}

} // namespace

class TestThumbnails : public QObject
{
    Q_OBJECT

private slots:
    // The decoder's picture is the player's: same size, turn and moment (the subtitle shown at
    // the middle of each clip differs from the first frame's).
    void decoderMatchesPlayer_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QSize>("size");
        QTest::newRow("landscape mp4") << fixture("en_two.mp4") << QSize(112, 63);
        QTest::newRow("matroska, length from the container") << fixture("zh_yellow.mkv") << QSize(112, 63);
        QTest::newRow("portrait picture") << fixture("portrait.mp4") << QSize(35, 63);
        QTest::newRow("stored on its side, display matrix ignored as the player does")
            << fixture("fs_rotated.mp4") << QSize(112, 63);
        QTest::newRow("MPEG-TS starting late") << fixture("fs_late.ts") << QSize(112, 63);
    }
    void decoderMatchesPlayer()
    {
        QFETCH(QString, clip);
        QFETCH(QSize, size);
        const std::optional<QImage> decoded = FrameThumbnail::take(clip, rowBox);
        QVERIFY(decoded);
        QCOMPARE(decoded->size(), size);
        const QImage played = byPlayer(clip);
        QCOMPARE(played.size(), size);
        QVERIFY2(meanDifference(*decoded, played) < 2, qPrintable(QString::number(meanDifference(*decoded, played))));
    }

    void truncatedFileStillGivesAPicture()
    {
        // The container promises six seconds; the middle may lie past what is left.
        const std::optional<QImage> decoded = FrameThumbnail::take(fixture("fs_truncated.mkv"), rowBox);
        QVERIFY(decoded);
        QCOMPARE(decoded->size(), QSize(112, 63));
    }

    void decoderGivesUpOnWhatItCannotOpen_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("text named .mp4") << fixture("not_a_video.mp4");
        QTest::newRow("sound only") << fixture("no_video.wav");
        QTest::newRow("missing") << fixture("absent.mp4");
    }
    void decoderGivesUpOnWhatItCannotOpen()
    {
        QFETCH(QString, path);
        QVERIFY(!FrameThumbnail::take(path, rowBox));
    }

    void fileTheDecoderRefusesGoesToThePlayer()
    {
        // The player gives up too, but only it says so: the row still gets its empty picture.
        ThumbnailQueue *queue = ThumbnailQueue::instance();
        QObject owner;
        int deliveries = 0;
        bool empty = false;
        queue->request(&owner, fixture("not_a_video.mp4"), [&](const QPixmap &picture) {
            ++deliveries;
            empty = picture.isNull();
        }, 0);
        QTRY_COMPARE_WITH_TIMEOUT(deliveries, 1, 15000);
        QVERIFY(empty);
        QTRY_COMPARE_WITH_TIMEOUT(queue->runningGrabs(), 0, 10000);
    }

    // A task removed (or a page closed) while its picture is taken: nothing reaches it, and the
    // queue goes on with the others.
    void ownerGoneMidGrabGetsNothing_data()
    {
        QTest::addColumn<ThumbnailQueue::Way>("way");
        QTest::newRow("decoder") << ThumbnailQueue::Way::Decoder;
        QTest::newRow("player") << ThumbnailQueue::Way::Player;
    }
    void ownerGoneMidGrabGetsNothing()
    {
        QFETCH(ThumbnailQueue::Way, way);
        ThumbnailQueue *queue = ThumbnailQueue::instance();
        queue->setWay(way);
        auto removed = std::make_unique<QObject>();
        auto cancelled = std::make_unique<QObject>();
        QObject kept;
        QStringList delivered;
        auto note = [&delivered](const QString &who) {
            return [&delivered, who](const QPixmap &) { delivered.append(who); };
        };
        queue->request(removed.get(), fixture("zh_yellow.mkv"), note("removed"), 0);
        queue->request(cancelled.get(), fixture("en_two.mp4"), note("cancelled"), 0);
        queue->request(&kept, fixture("en_two.mp4"), note("kept"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(queue->runningGrabs() > 0, 5000);
        removed.reset();
        queue->cancel(cancelled.get());
        cancelled.reset();
        QTRY_COMPARE_WITH_TIMEOUT(delivered, QStringList{"kept"}, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(queue->runningGrabs(), 0, 10000);
        QCOMPARE(delivered, QStringList{"kept"});
        queue->setWay(ThumbnailQueue::Way::Decoder);
    }

    void delayIsKept()
    {
        ThumbnailQueue *queue = ThumbnailQueue::instance();
        QObject owner;
        QElapsedTimer clock;
        clock.start();
        qint64 arrived = -1;
        queue->request(&owner, fixture("en_two.mp4"), [&](const QPixmap &) { arrived = clock.elapsed(); }, 400);
        QTRY_VERIFY_WITH_TIMEOUT(arrived >= 0, 10000);
        QVERIFY2(arrived >= 400, qPrintable(QString::number(arrived)));
    }
};

QTEST_MAIN(TestThumbnails)
#include "tst_thumbnails.moc"
