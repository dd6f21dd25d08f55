#include "fixtures.h"
#include "taskrewrite.h"
#include "task/di_riror_adiriz.h"
#include "media/thumbnailqueue.h"
#include "ocr/textrecognizer.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <QSignalSpy>
#include <QtTest>

namespace {

// en_two.mp4: 640x360, 6 s, "Hello world" 0.5-2.5 s, "How are you today" 3.0-5.0 s.
const QString englishClip = fixture("en_two.mp4");

void waitUntilReady(Di_riror_adiRIZ &task)
{
    QTRY_COMPARE_WITH_TIMEOUT(task.state, TaskState::Ready, 15000);
}

// Reads by playback once its video is known; `language` when given.
void readyForPlayback(Di_riror_adiRIZ &task, const QString &language = {})
{
    task.setScanMode(ScanMode::Playback);
    QVERIFY(language.isEmpty() || task.setLanguage(language));
    waitUntilReady(task);
}

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// Waits for the end of a run, which must be reported exactly once.
void expectOneEnd(QSignalSpy &completed, int timeoutMs = 20000)
{
    QVERIFY(completed.wait(timeoutMs));
    QTest::qWait(300);
    QCOMPARE(completed.size(), 1);
}

QStringList entryTexts(const Di_riror_adiRIZ &task)
{
    QStringList texts;
    for (const SRTEntry &entry : task.entries)
        texts << entry.text;
    return texts;
}

} // namespace

class TestWorker : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(englishClip), "fixtures missing: run scripts/render-fixtures.sh");
        QVERIFY2(!TextRecognizer().availableLanguages().isEmpty(), "no recognition language installed");
        // These runs check the playback mechanics and their timing; a reader slower than a position
        // report (PP-OCR) would shift every start.
        TextRecognizer::setEngineOverride(TextRecognizer::Engine::Tesseract);
    }

    void newTaskTakesWholeVideoAndFrame_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<qint64>("duration");
        QTest::newRow("mp4") << englishClip << qint64(6000);
        QTest::newRow("matroska, length from the container") << fixture("zh_yellow.mkv") << qint64(5000);
    }
    void newTaskTakesWholeVideoAndFrame()
    {
        QFETCH(QString, clip);
        QFETCH(qint64, duration);
        Di_riror_adiRIZ task(clip);
        QCOMPARE(task.videoFileName, QFileInfo(clip).fileName());
        QCOMPARE(task.languages, QStringList{TextRecognizer().userProfileLanguage()});
        waitUntilReady(task);
        QVERIFY2(qAbs(task.duration - duration) <= 100, qPrintable(QString::number(task.duration)));
        QCOMPARE(task.timeRange_in, 0);
        QCOMPARE(task.timeRange_out, task.duration);
        QCOMPARE(task.cropRect, QRect(0, 0, 640, 360));
    }

    void unplayableFileStaysUnknown()
    {
        Di_riror_adiRIZ task(fixture("not_a_video.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(!task.isProbingMedia(), 10000);
        QCOMPARE(task.state, TaskState::Unknown);
        // Nothing to grab from: the row gets its empty picture without a player.
        QVERIFY(task.thumbnailLoaded);
        QVERIFY(task.thumbnail.isNull());
        QCOMPARE(task.timeRange_in, -1);
    }

    void rangeSettersDropSamplesButKeepEntries()
    {
        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) {
            r.samples = {{1, {"a"}}};
            r.entries = {SRTEntry{1, 2, "a\n", {}, {}}};
            r.lastPosition = 500;
        });
        task.setInTimeRange(100);
        QVERIFY(task.samples.isEmpty());
        QCOMPARE(task.lastPosition, 0);
        rewrite(task, [&](TaskRecord &r) {
            r.samples = {{1, {"a"}}};
            r.lastPosition = 500;
        });
        task.setoutTimeRange(900);
        QVERIFY(task.samples.isEmpty());
        QCOMPARE(task.lastPosition, 0);
        QCOMPARE(task.timeRange_in, 100);
        QCOMPARE(task.timeRange_out, 900);
        QCOMPARE(task.entries.size(), 1);
    }

    void languageRefusalKeepsPreviousLanguage_data()
    {
        QTest::addColumn<bool>("onThePool");
        QTest::newRow("loaded at once") << false;
        QTest::newRow("loaded on the pool") << true;
    }
    void languageRefusalKeepsPreviousLanguage()
    {
        QFETCH(bool, onThePool);
        Di_riror_adiRIZ task;
        const auto choose = [&](const QString &tag) { return onThePool ? task.takeLanguage(tag) : task.setLanguage(tag); };
        const QString available = TextRecognizer().availableLanguages().first().first();
        QVERIFY(choose(available));
        QCOMPARE(task.textRecognizer()->hasEngine(), !onThePool);
        QTRY_VERIFY_WITH_TIMEOUT(task.textRecognizer()->hasEngine(), 60000); // seconds under a sanitizer
        // A part not installed is refused at once either way.
        QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
        QVERIFY(!choose(available + QStringLiteral("+xx")));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(task.errorText, QStringLiteral("xx Error No language"));
        QCOMPARE(task.languages, QStringList{available});
        QVERIFY(!task.textRecognizer()->needsLoading(available, task.Frame_rate));
    }

    // A run reads what its range shows and ends once, at its out point or at the media's end where no
    // report can pass the out point or equal the duration. A task left with its own language loads
    // the engine only then.
    void runEndsOnceAtItsOutPoint_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<qint64>("in");
        QTest::addColumn<qint64>("out"); // -1: the duration
        QTest::addColumn<qint64>("promisedMore");
        QTest::addColumn<double>("rate");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("range inside the video") << "en" << qint64(200) << qint64(2800) << qint64(0) << 1.0
                                                << QStringList{"Hello world\n"};
        QTest::newRow("whole video") << "en" << qint64(0) << qint64(-1) << qint64(0) << 2.0
                                     << QStringList{"Hello world\n", "How are you today\n"};
        QTest::newRow("out point at the duration") << QString() << qint64(4500) << qint64(-1) << qint64(0) << 2.0
                                                   << QStringList{};
        QTest::newRow("out point past the media's end") << QString() << qint64(4500) << qint64(-1) << qint64(60000) << 2.0
                                                        << QStringList{};
    }
    void runEndsOnceAtItsOutPoint()
    {
        QFETCH(QString, language);
        QFETCH(qint64, in);
        QFETCH(qint64, out);
        QFETCH(qint64, promisedMore);
        QFETCH(double, rate);
        QFETCH(QStringList, texts);
        Di_riror_adiRIZ task(englishClip);
        readyForPlayback(task, language);
        rewrite(task, [&](TaskRecord &r) { r.duration += promisedMore; });
        task.setInTimeRange(in);
        task.setoutTimeRange(out < 0 ? task.duration : out);
        task.setCropRect(QRect(0, 240, 640, 120));
        task.setFrameNumber_orc(rate);
        if (language.isEmpty()) {
            // Its own language again loads nothing either.
            QVERIFY(task.setLanguage(task.languages.join(QLatin1Char('+'))));
            QVERIFY(!task.textRecognizer()->hasEngine());
        }
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        QSignalSpy progress(&task, &Di_riror_adiRIZ::progress_updata);
        task.run_mian();
        QCOMPARE(task.state, TaskState::Running);
        // Only a reset takes a running task back; setting it Ready would start a second run.
        QVERIFY(!task.makeReady());
        expectOneEnd(completed);
        QCOMPARE(task.state, TaskState::Done);
        QVERIFY(task.textRecognizer()->hasEngine());
        QVERIFY(!progress.isEmpty());
        QVERIFY(progress.last().first().toFloat() <= 1.0f);
        QVERIFY(!task.samples.isEmpty());
        // A reading comes back after the player has moved on; it keeps the time of the frame read,
        // so each text sits where the clip shows it (a frame or a report late at most).
        int read = 0;
        for (qsizetype i = 0; i < task.samples.size(); ++i) {
            const FrameSample &sample = task.samples.at(i);
            const QString time = QString::number(sample.time);
            QVERIFY2(sample.time >= in && sample.time <= task.timeRange_out, qPrintable(time));
            QVERIFY2(i == 0 || sample.time > task.samples.at(i - 1).time, qPrintable(time));
            const QString text = sample.lines.join(QLatin1Char('|'));
            if (text == QLatin1String("Hello world")) {
                QVERIFY2(sample.time >= 400 && sample.time <= 2700, qPrintable(time));
                ++read;
            } else if (text == QLatin1String("How are you today")) {
                QVERIFY2(sample.time >= 2900 && sample.time <= 5200, qPrintable(time));
                ++read;
            }
        }
        QVERIFY(read >= 2 * texts.size());
        if (texts.isEmpty())
            return;
        QCOMPARE(entryTexts(task), texts);
        const SRTEntry &entry = task.entries.first();
        QVERIFY2(entry.intime >= 500 && entry.intime <= 900, qPrintable(QString::number(entry.intime)));
        QVERIFY2(entry.outtime >= 2100 && entry.outtime <= 2500, qPrintable(QString::number(entry.outtime)));
    }

    void playbackErrorEndsRunKeepingSamples()
    {
        Di_riror_adiRIZ task(englishClip);
        readyForPlayback(task);
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
        task.run_mian();
        QTRY_VERIFY_WITH_TIMEOUT(task.samples.size() >= 3, 10000);
        emit task.mediaPlayer()->errorOccurred(QMediaPlayer::ResourceError, QStringLiteral("stream broke"));
        QCOMPARE(completed.size(), 1);
        QCOMPARE(task.state, TaskState::Failed);
        QCOMPARE(task.errorText, QStringLiteral("stream broke"));
        QCOMPARE(errors.last().first().toString(), QStringLiteral("stream broke"));
        QVERIFY(task.samples.size() >= 3);
        QVERIFY(task.lastPosition > 0);
        QTest::qWait(300);
        QCOMPARE(completed.size(), 1);
    }

    void stopThenResumeKeepsSamples()
    {
        Di_riror_adiRIZ task(englishClip);
        readyForPlayback(task, QStringLiteral("en"));
        task.setCropRect(QRect(0, 240, 640, 120));
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        task.run_mian();
        QTRY_VERIFY_WITH_TIMEOUT(task.lastPosition >= 1500, 10000);
        task.stop_slots();
        QVERIFY(completed.wait(5000));
        QCOMPARE(task.state, TaskState::Cancelled);
        QVERIFY(task.entries.isEmpty());
        const qint64 stoppedAt = task.lastPosition;
        const qsizetype samplesBefore = task.samples.size();
        QVERIFY(samplesBefore > 0);

        // Cancelled refuses to run until the list sets it back to Ready; then it resumes.
        task.run_mian();
        QCOMPARE(task.errorText, QStringLiteral("状态不是就绪"));
        QVERIFY(task.makeReady());
        task.run_mian();
        QVERIFY(completed.wait(20000));
        QCOMPARE(task.state, TaskState::Done);
        QCOMPARE(completed.size(), 2);
        QVERIFY(task.samples.size() > samplesBefore);
        for (qsizetype i = samplesBefore; i < task.samples.size(); ++i)
            QVERIFY2(task.samples[i].time >= stoppedAt - 1000, "the resumed run started over");
        QCOMPARE(entryTexts(task), (QStringList{"Hello world\n", "How are you today\n"}));
    }

    void refusedStartsSayWhy_data()
    {
        QTest::addColumn<TaskState>("state");
        QTest::newRow("unknown") << TaskState::Unknown;
        QTest::newRow("running") << TaskState::Running;
        QTest::newRow("done") << TaskState::Done;
        QTest::newRow("failed") << TaskState::Failed;
    }
    void refusedStartsSayWhy()
    {
        QFETCH(TaskState, state);
        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) { r.state = TaskState(state); });
        QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
        task.run_mian();
        QCOMPARE(task.state, state);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first().first().toString(), QStringLiteral("状态不是就绪"));
    }

    void restoredTaskKeepsStoredSettingsAndGetsItsLanguage()
    {
        Di_riror_adiRIZ task;
        rewrite(task, [&](TaskRecord &r) {
            r.state = TaskState(TaskState::Done);
            r.timeRange_in = 1000;
            r.timeRange_out = 2000;
            r.cropRect = QRect(1, 2, 3, 4);
            r.languages = QStringList{QStringLiteral("en")};
        });
        QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
        task.openVideo(englishClip);
        // The engine is loaded when the task reads, not while a project opens.
        QVERIFY(!task.textRecognizer()->hasEngine());
        QVERIFY(errors.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(task.duration > 0, 15000);
        QTest::qWait(200);
        QCOMPARE(task.state, TaskState::Done);
        QCOMPARE(task.timeRange_in, 1000);
        QCOMPARE(task.timeRange_out, 2000);
        QCOMPARE(task.cropRect, QRect(1, 2, 3, 4));
        QCOMPARE(task.languages, QStringList{QStringLiteral("en")});

        // A language no longer installed is told as the project opens.
        Di_riror_adiRIZ gone;
        rewrite(gone, [&](TaskRecord &r) { r.languages = QStringList{QStringLiteral("xx")}; });
        QSignalSpy goneErrors(&gone, &Di_riror_adiRIZ::err);
        gone.openVideo(englishClip);
        QCOMPARE(goneErrors.size(), 1);
        QCOMPARE(gone.errorText, QStringLiteral("xx Error No language"));
    }

    // Stopped while its engine loads: cancelled at once, nothing read.
    void stopWhileTheEngineLoadsCancelsAtOnce()
    {
        Di_riror_adiRIZ task(englishClip);
        readyForPlayback(task);
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        task.run_mian();
        QCOMPARE(task.state, TaskState::Running);
        task.stop_slots();
        QCOMPARE(task.state, TaskState::Cancelled);
        QCOMPARE(completed.size(), 1);
        QVERIFY(task.samples.isEmpty());
        QTest::qWait(300);
        QCOMPARE(completed.size(), 1);
    }

    void runWithoutLanguageFailsCleanly()
    {
        Di_riror_adiRIZ task;
        task.openVideo(englishClip);
        waitUntilReady(task);
        QVERIFY(!task.textRecognizer()->hasEngine());
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
        task.run_mian();
        expectOneEnd(completed, 10000);
        QCOMPARE(task.state, TaskState::Failed);
        QVERIFY(!task.errorText.isEmpty());
        QVERIFY(!errors.isEmpty());
    }

    void resetRestoresDefaults()
    {
        Di_riror_adiRIZ task(englishClip);
        readyForPlayback(task);
        rewrite(task, [&](TaskRecord &r) {
            r.state = TaskState(TaskState::Done);
            r.timeRange_in = 10;
            r.timeRange_out = 20;
            r.Frame_rate = 3.5;
            r.cropRect = QRect(5, 5, 5, 5);
            r.samples = {{1, {"x"}}};
            r.entries = {SRTEntry{}};
            r.lastPosition = 15;
            r.progress = 0.5f;
            r.stopRequested = true;
        });
        task.resetTask();
        QCOMPARE(task.state, TaskState::Ready);
        QCOMPARE(task.timeRange_in, 0);
        QCOMPARE(task.timeRange_out, task.duration);
        QCOMPARE(task.Frame_rate, 1.0);
        QCOMPARE(task.cropRect, QRect(0, 0, 640, 360));
        QVERIFY(task.samples.isEmpty());
        QVERIFY(task.entries.isEmpty());
        QCOMPARE(task.lastPosition, 0);
        QCOMPARE(task.progress, 0.0f);
        QVERIFY(!task.stopRequested);
        QCOMPARE(task.languages, QStringList{TextRecognizer().userProfileLanguage()});
    }

    void previewFromPicture()
    {
        Di_riror_adiRIZ task;
        QVERIFY(task.setLanguage(QStringLiteral("en")));
        QImage picture(QStringLiteral(TARNIX_FIXTURE_DIR "/strip_two.png"));
        QVERIFY(!picture.isNull());
        QString text = QStringLiteral("unchanged");
        QImage cut;

        QVERIFY(task.preview_ORC_V2(&picture, &text, &cut));
        QCOMPARE(text, QStringLiteral("The first line\nAnd the second one\n"));
        QCOMPARE(cut.size(), picture.size());

        // A rectangle reaching outside the picture is not a failure: the outside is zero-filled.
        task.setCropRect(QRect(1200, 0, 200, 50));
        QVERIFY(task.preview_ORC_V2(&picture, &text, &cut));
        QCOMPARE(cut.size(), QSize(200, 50));

        task.setCropRect(QRect(10, 10, 0, 40));
        text = QStringLiteral("unchanged");
        cut = QImage();
        QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
        QVERIFY(!task.preview_ORC_V2(&picture, &text, &cut));
        QCOMPARE(text, QStringLiteral("unchanged"));
        QVERIFY(cut.isNull());
        QCOMPARE(task.errorText, QStringLiteral("为获取图像数据正在重试..."));
        QCOMPARE(errors.size(), 1);
    }

    void previewFromPosition()
    {
        Di_riror_adiRIZ task(englishClip);
        readyForPlayback(task, QStringLiteral("en"));
        task.setCropRect(QRect(0, 240, 640, 120));
        QString text;
        QImage cut;
        QVERIFY(task.preview_ORC(3500, &text, &cut));
        QCOMPARE(text, QStringLiteral("How are you today"));
        QCOMPARE(cut.size(), QSize(640, 120));
        QCOMPARE(task.state, TaskState::Ready);
        QVERIFY(task.samples.isEmpty());
        // The frame is decoded from the file: no player is made for it.
        QVERIFY(!task.mediaPlayer());
        QVERIFY(task.findChildren<QMediaPlayer *>().isEmpty());

        // A phone clip stored on its side: the crop is drawn as stored, its text read upright.
        Di_riror_adiRIZ phone(fixture("fs_rotated.mp4"));
        QVERIFY(phone.setLanguage(QStringLiteral("en")));
        waitUntilReady(phone);
        phone.setCropRect(QRect(0, 0, 200, 360));
        QVERIFY(phone.preview_ORC(1000, &text, &cut));
        QCOMPARE(text, QStringLiteral("Phone text"));
        QCOMPARE(cut.size(), QSize(360, 200));

        // Past the end there is no frame: the empty-picture error, the outputs untouched.
        QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
        text = QStringLiteral("unchanged");
        QVERIFY(!task.preview_ORC(60000, &text, &cut));
        QCOMPARE(text, QStringLiteral("unchanged"));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(task.errorText, QStringLiteral("为获取图像数据正在重试..."));
    }

    void idleTasksOwnNoPlayerOrThread()
    {
        std::vector<std::unique_ptr<Di_riror_adiRIZ>> tasks;
        auto addAndSettle = [&tasks](int count) {
            for (int i = 0; i < count; ++i)
                tasks.push_back(std::make_unique<Di_riror_adiRIZ>(englishClip));
            QTRY_VERIFY_WITH_TIMEOUT(std::all_of(tasks.cbegin(), tasks.cend(), [](const auto &task) {
                                         return task->state == TaskState::Ready && task->thumbnailLoaded;
                                     }),
                                     60000);
            QTRY_COMPARE_WITH_TIMEOUT(ThumbnailQueue::instance()->runningGrabs(), 0, 10000);
        };
        // The first task loads the shared engine and wakes the pool that reads the containers.
        addAndSettle(1);
        QTest::qWait(300);
        const int threadsWithOne = threadCount();
        addAndSettle(8);
        // The pool may have grown by a thread; a thread (or a player's) per task would be eight or more.
        QTRY_VERIFY_WITH_TIMEOUT(threadCount() <= threadsWithOne + 1, 5000);
        for (const auto &task : tasks) {
            QVERIFY(!task->mediaPlayer());
            QVERIFY(task->findChildren<QMediaPlayer *>().isEmpty());
            QVERIFY(task->findChildren<QThread *>().isEmpty());
            QVERIFY(!task->thumbnailPixmap().isNull());
            QCOMPARE(task->videoResolution(), QSize(640, 360));
        }

        // A run takes a player (and a thread to read on) for as long as it plays.
        Di_riror_adiRIZ &runner = *tasks.front();
        runner.setScanMode(ScanMode::Playback);
        runner.setInTimeRange(4000);
        QSignalSpy completed(&runner, &Di_riror_adiRIZ::completedSig);
        runner.run_mian();
        QVERIFY(runner.mediaPlayer());
        QVERIFY(completed.wait(20000));
        QCOMPARE(runner.state, TaskState::Done);
        QVERIFY(!runner.mediaPlayer());
        QTRY_VERIFY_WITH_TIMEOUT(runner.findChildren<QMediaPlayer *>().isEmpty(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(threadCount() <= threadsWithOne + 1, 5000);
    }

    void resetOrDeleteWhileReadingsAreInFlight()
    {
        Di_riror_adiRIZ task(englishClip);
        readyForPlayback(task);
        QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
        QSignalSpy progress(&task, &Di_riror_adiRIZ::progress_updata);
        task.run_mian();
        QVERIFY(progress.wait(10000));
        task.resetTask();
        QCOMPARE(task.state, TaskState::Ready);
        QVERIFY(!task.mediaPlayer());
        // Readings of the dropped run that were still on their way change nothing.
        QTest::qWait(500);
        QVERIFY(task.samples.isEmpty());
        QCOMPARE(task.lastPosition, 0);
        QCOMPARE(completed.size(), 0);

        auto *doomed = new Di_riror_adiRIZ(englishClip);
        readyForPlayback(*doomed);
        QSignalSpy doomedProgress(doomed, &Di_riror_adiRIZ::progress_updata);
        doomed->run_mian();
        QVERIFY(doomedProgress.wait(10000));
        delete doomed;
        QTest::qWait(300);
    }
};

// Converting video frames to images needs a GUI application object.
QTEST_MAIN(TestWorker)
#include "tst_worker.moc"
