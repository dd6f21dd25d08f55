#include "recognition/di_riror_adiriz.h"
#include "ocr/textrecognizer.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(TARNIX_FIXTURE_DIR "/") + QLatin1String(name);
}

// en_two.mp4: 640x360, 6 s, "Hello world" 0.5-2.5 s, "How are you today" 3.0-5.0 s.
const QString englishClip = fixture("en_two.mp4");

void waitUntilReady(Di_riror_adiRIZ &task)
{
    QTRY_COMPARE_WITH_TIMEOUT(task.state, int(Ready), 15000);
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
    void initTestCase();
    void newTaskTakesWholeVideoAndFrame();
    void unplayableFileStaysUnknownAndRefusesToRun();
    void rangeSettersDropSamplesButKeepEntries();
    void languageRefusalKeepsPreviousLanguage();
    void runOverRangeBuildsEntriesAndCompletesOnce();
    void runToEndOfMediaFinishes();
    void endOfMediaEndsRunWithoutFinalReport();
    void matroskaDurationComesFromContainer();
    void playbackErrorEndsRunKeepingSamples();
    void stopThenResumeKeepsSamples();
    void refusedStartsSayWhy_data();
    void refusedStartsSayWhy();
    void restoredTaskKeepsStoredSettingsAndGetsItsLanguage();
    void runWithoutLanguageFailsCleanly();
    void resetRestoresDefaults();
    void previewFromPicture();
    void previewFromPosition();
    void thumbnailOfPortraitClip();
};

void TestWorker::initTestCase()
{
    QVERIFY2(QFile::exists(englishClip), "fixtures missing: run scripts/render-fixtures.sh");
    QVERIFY2(!TextRecognizer().availableLanguages().isEmpty(), "no recognition language installed");
    // These runs check the playback mechanics and their timing; a reader slower than a position
    // report (PP-OCR) would shift every start.
    TextRecognizer::setEngineOverride(TextRecognizer::Engine::Tesseract);
}

void TestWorker::newTaskTakesWholeVideoAndFrame()
{
    Di_riror_adiRIZ task(englishClip);
    task.setScanMode(ScanMode::Playback);
    QCOMPARE(task.videoFileName, QStringLiteral("en_two.mp4"));
    QCOMPARE(task.languages, QStringList{TextRecognizer().userProfileLanguage()});
    waitUntilReady(task);
    QVERIFY(qAbs(task.duration - 6000) <= 100);
    QCOMPARE(task.timeRange_in, 0);
    QCOMPARE(task.timeRange_out, task.duration);
    QCOMPARE(task.cropRect, QRect(0, 0, 640, 360));
}

void TestWorker::unplayableFileStaysUnknownAndRefusesToRun()
{
    Di_riror_adiRIZ task(fixture("not_a_video.mp4"));
    QTRY_VERIFY_WITH_TIMEOUT(task.mediaPlayer()->mediaStatus() == QMediaPlayer::InvalidMedia
                                 || task.mediaPlayer()->error() != QMediaPlayer::NoError,
                             10000);
    QCOMPARE(task.state, int(Unknown));
    QCOMPARE(task.timeRange_in, -1);
    QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
    task.run_mian();
    QCOMPARE(errors.size(), 1);
    QCOMPARE(task.errorText, QStringLiteral("状态不是就绪"));
}

void TestWorker::rangeSettersDropSamplesButKeepEntries()
{
    Di_riror_adiRIZ task;
    task.samples = {{1, {"a"}}};
    task.entries = {SRTEntry{1, 2, "a\n", {}, {}}};
    task.lastPosition = 500;
    task.setInTimeRange(100);
    QVERIFY(task.samples.isEmpty());
    QCOMPARE(task.lastPosition, 0);
    task.samples = {{1, {"a"}}};
    task.lastPosition = 500;
    task.setoutTimeRange(900);
    QVERIFY(task.samples.isEmpty());
    QCOMPARE(task.lastPosition, 0);
    QCOMPARE(task.timeRange_in, 100);
    QCOMPARE(task.timeRange_out, 900);
    QCOMPARE(task.entries.size(), 1);
}

void TestWorker::languageRefusalKeepsPreviousLanguage()
{
    Di_riror_adiRIZ task;
    const QString available = TextRecognizer().availableLanguages().first().first();
    QVERIFY(task.setLanguage(available));
    QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
    QVERIFY(!task.setLanguage(available.toUpper() + QStringLiteral("-X")));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(task.errorText, available.toUpper() + QStringLiteral("-X Error No language"));
    QCOMPARE(task.languages, QStringList{available});
    QVERIFY(task.textRecognizer()->hasEngine());
}

void TestWorker::runOverRangeBuildsEntriesAndCompletesOnce()
{
    Di_riror_adiRIZ task(englishClip);
    task.setScanMode(ScanMode::Playback);
    QVERIFY(task.setLanguage(QStringLiteral("en")));
    waitUntilReady(task);
    task.setInTimeRange(200);
    task.setoutTimeRange(2800);
    task.setCropRect(QRect(0, 240, 640, 120));
    QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
    QSignalSpy progress(&task, &Di_riror_adiRIZ::progress_updata);
    task.run_mian();
    QCOMPARE(task.state, int(Running));
    QVERIFY(completed.wait(20000));
    QCOMPARE(task.state, int(Done));
    QCOMPARE(entryTexts(task), QStringList{"Hello world\n"});
    const SRTEntry &entry = task.entries.first();
    QVERIFY2(entry.intime >= 500 && entry.intime <= 900, qPrintable(QString::number(entry.intime)));
    QVERIFY2(entry.outtime >= 2100 && entry.outtime <= 2500, qPrintable(QString::number(entry.outtime)));
    for (const FrameSample &sample : task.samples)
        QVERIFY(sample.time >= 200 && sample.time <= 2800);
    QVERIFY(!progress.isEmpty());
    QVERIFY(progress.last().first().toFloat() <= 1.0f);
    QTest::qWait(300);
    QCOMPARE(completed.size(), 1);
}

void TestWorker::runToEndOfMediaFinishes()
{
    Di_riror_adiRIZ task(englishClip);
    task.setScanMode(ScanMode::Playback);
    waitUntilReady(task);
    task.setInTimeRange(4200);
    task.setFrameNumber_orc(2.0);
    QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
    task.run_mian();
    QVERIFY(completed.wait(20000));
    QCOMPARE(task.state, int(Done));
    QCOMPARE(completed.size(), 1);
}

void TestWorker::endOfMediaEndsRunWithoutFinalReport()
{
    Di_riror_adiRIZ task(englishClip);
    task.setScanMode(ScanMode::Playback);
    waitUntilReady(task);
    // No report can pass the out point or equal the duration: only the end of the media can end it.
    task.duration += 60000;
    task.timeRange_out = task.duration;
    task.setInTimeRange(5000);
    task.setFrameNumber_orc(2.0);
    QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
    task.run_mian();
    QVERIFY(completed.wait(20000));
    QCOMPARE(task.state, int(Done));
    QTest::qWait(300);
    QCOMPARE(completed.size(), 1);
}

void TestWorker::matroskaDurationComesFromContainer()
{
    Di_riror_adiRIZ task(fixture("zh_yellow.mkv"));
    waitUntilReady(task);
    QVERIFY2(qAbs(task.duration - 5000) <= 100, qPrintable(QString::number(task.duration)));
    QCOMPARE(task.timeRange_out, task.duration);
    QCOMPARE(task.cropRect, QRect(0, 0, 640, 360));
}

void TestWorker::playbackErrorEndsRunKeepingSamples()
{
    Di_riror_adiRIZ task(englishClip);
    task.setScanMode(ScanMode::Playback);
    waitUntilReady(task);
    QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
    QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
    task.run_mian();
    QTRY_VERIFY_WITH_TIMEOUT(task.samples.size() >= 3, 10000);
    emit task.mediaPlayer()->errorOccurred(QMediaPlayer::ResourceError, QStringLiteral("stream broke"));
    QCOMPARE(completed.size(), 1);
    QCOMPARE(task.state, int(Failed));
    QCOMPARE(task.errorText, QStringLiteral("stream broke"));
    QCOMPARE(errors.last().first().toString(), QStringLiteral("stream broke"));
    QVERIFY(task.samples.size() >= 3);
    QVERIFY(task.lastPosition > 0);
    QTest::qWait(300);
    QCOMPARE(completed.size(), 1);
}

void TestWorker::stopThenResumeKeepsSamples()
{
    Di_riror_adiRIZ task(englishClip);
    task.setScanMode(ScanMode::Playback);
    QVERIFY(task.setLanguage(QStringLiteral("en")));
    waitUntilReady(task);
    task.setCropRect(QRect(0, 240, 640, 120));
    QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
    task.run_mian();
    QTRY_VERIFY_WITH_TIMEOUT(task.lastPosition >= 1500, 10000);
    task.stop_slots();
    QVERIFY(completed.wait(5000));
    QCOMPARE(task.state, int(Cancelled));
    QVERIFY(task.entries.isEmpty());
    const qint64 stoppedAt = task.lastPosition;
    const qsizetype samplesBefore = task.samples.size();
    QVERIFY(samplesBefore > 0);

    // Cancelled refuses to run until the list sets it back to Ready; then it resumes.
    task.run_mian();
    QCOMPARE(task.errorText, QStringLiteral("状态不是就绪"));
    task.state = Ready;
    task.run_mian();
    QVERIFY(completed.wait(20000));
    QCOMPARE(task.state, int(Done));
    QCOMPARE(completed.size(), 2);
    QVERIFY(task.samples.size() > samplesBefore);
    QCOMPARE(task.samples.first().time, task.samples.first().time);
    for (qsizetype i = samplesBefore; i < task.samples.size(); ++i)
        QVERIFY2(task.samples[i].time >= stoppedAt - 1000, "the resumed run started over");
    QCOMPARE(entryTexts(task), (QStringList{"Hello world\n", "How are you today\n"}));
}

void TestWorker::refusedStartsSayWhy_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("unknown") << int(Unknown);
    QTest::newRow("running") << int(Running);
    QTest::newRow("done") << int(Done);
    QTest::newRow("failed") << int(Failed);
    QTest::newRow("cancelled") << int(Cancelled);
}

void TestWorker::refusedStartsSayWhy()
{
    QFETCH(int, state);
    Di_riror_adiRIZ task;
    task.state = state;
    QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
    task.run_mian();
    QCOMPARE(task.state, state);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.first().first().toString(), QStringLiteral("状态不是就绪"));
}

void TestWorker::restoredTaskKeepsStoredSettingsAndGetsItsLanguage()
{
    Di_riror_adiRIZ task;
    task.restoredFromProject = true;
    task.state = Done;
    task.timeRange_in = 1000;
    task.timeRange_out = 2000;
    task.cropRect = QRect(1, 2, 3, 4);
    task.languages = QStringList{QStringLiteral("en")};
    QVERIFY(!task.textRecognizer()->hasEngine());
    task.openVideo(englishClip);
    QVERIFY(task.textRecognizer()->hasEngine());
    QTRY_VERIFY_WITH_TIMEOUT(task.duration > 0, 15000);
    QTest::qWait(200);
    QCOMPARE(task.state, int(Done));
    QCOMPARE(task.timeRange_in, 1000);
    QCOMPARE(task.timeRange_out, 2000);
    QCOMPARE(task.cropRect, QRect(1, 2, 3, 4));
}

void TestWorker::runWithoutLanguageFailsCleanly()
{
    Di_riror_adiRIZ task;
    task.openVideo(englishClip);
    waitUntilReady(task);
    QVERIFY(!task.textRecognizer()->hasEngine());
    QSignalSpy completed(&task, &Di_riror_adiRIZ::completedSig);
    QSignalSpy errors(&task, &Di_riror_adiRIZ::err);
    task.run_mian();
    QVERIFY(completed.wait(10000));
    QCOMPARE(task.state, int(Failed));
    QVERIFY(!task.errorText.isEmpty());
    QVERIFY(!errors.isEmpty());
    QTest::qWait(300);
    QCOMPARE(completed.size(), 1);
}

void TestWorker::resetRestoresDefaults()
{
    Di_riror_adiRIZ task(englishClip);
    task.setScanMode(ScanMode::Playback);
    waitUntilReady(task);
    task.state = Done;
    task.timeRange_in = 10;
    task.timeRange_out = 20;
    task.Frame_rate = 3.5;
    task.cropRect = QRect(5, 5, 5, 5);
    task.samples = {{1, {"x"}}};
    task.entries = {SRTEntry{}};
    task.lastPosition = 15;
    task.progress = 0.5f;
    task.stopRequested = true;
    task.resetTask();
    QCOMPARE(task.state, int(Ready));
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

void TestWorker::previewFromPicture()
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

void TestWorker::previewFromPosition()
{
    Di_riror_adiRIZ task(englishClip);
    task.setScanMode(ScanMode::Playback);
    QVERIFY(task.setLanguage(QStringLiteral("en")));
    waitUntilReady(task);
    task.setCropRect(QRect(0, 240, 640, 120));
    QString text;
    QImage cut;
    QVERIFY(task.preview_ORC(3500, &text, &cut));
    QCOMPARE(text, QStringLiteral("How are you today"));
    QCOMPARE(cut.size(), QSize(640, 120));
    QCOMPARE(task.state, int(Ready));
    QVERIFY(task.samples.isEmpty());
}

void TestWorker::thumbnailOfPortraitClip()
{
    Di_riror_adiRIZ task(fixture("portrait.mp4"));
    QSignalSpy loaded(&task, &Di_riror_adiRIZ::loadThumbnail_ok);
    QVERIFY(loaded.wait(15000));
    QVERIFY(task.thumbnailLoaded);
    QCOMPARE(task.thumbnailPixmap().height(), 63);
    QVERIFY(task.thumbnailPixmap().width() < 112);
}

// Converting video frames to images needs a GUI application object.
QTEST_MAIN(TestWorker)
#include "tst_worker.moc"
