#include "fixtures.h"
#include "batch/videoimportcheck.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>


class TestVideoImportCheck : public QObject
{
    Q_OBJECT

private slots:
    void verdicts_data()
    {
        using Reason = VideoImportCheck::Reason;
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("reason");
        QTest::newRow("mp4 video") << fixture("en_two.mp4") << int(VideoImportCheck::Verdict::Video) << int(Reason::None);
        QTest::newRow("matroska video") << fixture("zh_yellow.mkv") << int(VideoImportCheck::Verdict::Video)
                                        << int(Reason::None);
        QTest::newRow("text named .mp4") << fixture("not_a_video.mp4") << int(VideoImportCheck::Verdict::NotAVideo)
                                         << int(Reason::Unreadable);
        QTest::newRow("audio only") << fixture("audio_only.m4a") << int(VideoImportCheck::Verdict::NotAVideo)
                                    << int(Reason::NoVideoStream);
        QTest::newRow("missing file") << fixture("absent.mp4") << int(VideoImportCheck::Verdict::NotAFile)
                                      << int(Reason::None);
        QTest::newRow("folder") << QStringLiteral(TARNIX_FIXTURE_DIR) << int(VideoImportCheck::Verdict::NotAFile)
                                << int(Reason::None);
    }
    void verdicts()
    {
        QFETCH(QString, path);
        QFETCH(int, verdict);
        QFETCH(int, reason);
        VideoImportCheck::Reason why = VideoImportCheck::Reason::StillPicture;
        QCOMPARE(int(VideoImportCheck::check(path, &why)), verdict);
        QCOMPARE(int(why), reason);
    }

    // A file is probed once for its row and again for its task; one replaced in between is new.
    void replacedFileIsCheckedAnew()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("clip.mp4"));
        QVERIFY(QFile::copy(fixture("en_two.mp4"), path));
        QCOMPARE(VideoImportCheck::check(path), VideoImportCheck::Verdict::Video);
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::copy(fixture("not_a_video.mp4"), path));
        QCOMPARE(VideoImportCheck::check(path), VideoImportCheck::Verdict::NotAVideo);
        QVERIFY(QFile::remove(path));
        QCOMPARE(VideoImportCheck::check(path), VideoImportCheck::Verdict::NotAFile);
    }

    // However the pool's threads finish, the videos come in the order given, one per pass of the
    // event loop even when a slow receiver lets every result be ready at once.
    void reportsInOrderOnePerPass()
    {
        QStringList paths;
        QStringList expected;
        for (int i = 0; i < 4; ++i) {
            for (const char *name : {"en_two.mp4", "not_a_video.mp4", "zh_yellow.mkv", "absent.mp4", "portrait.mp4"})
                paths << fixture(name);
            expected << fixture("en_two.mp4") << fixture("zh_yellow.mkv") << fixture("portrait.mp4");
        }
        VideoImportCheck check;
        // A timer of no interval fires once a pass, between the loop's batches of posted events.
        int passes = 0;
        QTimer everyPass;
        connect(&everyPass, &QTimer::timeout, this, [&passes] { ++passes; });
        everyPass.start(0);
        QStringList found;
        QList<int> passAtFound;
        connect(&check, &VideoImportCheck::videoFound, this, [&](const QString &path) {
            found << path;
            passAtFound << passes;
            QThread::msleep(20); // as making the row's task takes a while
        });
        QSignalSpy finished(&check, &VideoImportCheck::finished);

        check.start(paths);
        QVERIFY(check.isRunning());
        QVERIFY(found.isEmpty()); // nothing is reported inside start

        QVERIFY(finished.wait(20000));
        QCOMPARE(found, expected);
        for (qsizetype i = 1; i < passAtFound.size(); ++i)
            QVERIFY2(passAtFound.at(i) > passAtFound.at(i - 1), qPrintable(QString::number(i)));
        QCOMPARE(finished.first().first().toStringList(), QStringList(4, fixture("not_a_video.mp4")));
        QVERIFY(!check.isRunning());
    }

    void nothingToCheckFinishesEmpty()
    {
        VideoImportCheck check;
        QSignalSpy found(&check, &VideoImportCheck::videoFound);
        QSignalSpy finished(&check, &VideoImportCheck::finished);
        check.start({QStringLiteral(TARNIX_FIXTURE_DIR), fixture("absent.mp4")});
        QVERIFY(finished.count() == 1 || finished.wait(5000));
        QCOMPARE(found.count(), 0);
        QVERIFY(finished.first().first().toStringList().isEmpty());
    }
};

QTEST_MAIN(TestVideoImportCheck)
#include "tst_videoimportcheck.moc"
