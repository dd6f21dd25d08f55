// The whole road of a batch through the page: drop two clips, run them, export, save, reopen.

#include "taskstesthelpers.h"
#include "ocr/textrecognizer.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace TasksTest;

namespace {

// "in-out text" for each entry, so that times and texts are compared at once.
QStringList timedTexts(const QList<SRTEntry> &entries)
{
    QStringList result;
    for (const SRTEntry &entry : entries)
        result.append(QStringLiteral("%1-%2 %3").arg(entry.intime).arg(entry.outtime).arg(entry.text));
    return result;
}

} // namespace

class TestScenario : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        useHome(home.path());
        QVERIFY2(QFile::exists(fixture("en_two.mp4")), "fixtures missing: run scripts/render-fixtures.sh");
        // The batch runs at rate 3 on whole frames, where only Tesseract keeps up with playback.
        TextRecognizer::setEngineOverride(TextRecognizer::Engine::Tesseract);
    }

    void dropRunExportSaveReopen()
    {
        const QString english = fixture("en_two.mp4");
        const QString chinese = fixture("zh_yellow.mkv");
        QTemporaryDir out;

        TaskListWidgetsClass page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));

        // Import by drop; both clips become tasks and get their media facts.
        dropOn(&page, {english, chinese});
        QTRY_COMPARE_WITH_TIMEOUT(page.taskList()->taskList().size(), 2, 20000);
        const QList<Di_riror_adiRIZ *> tasks = page.taskList()->taskList();
        QCOMPARE(pathsOf(*page.taskList()), (QStringList{english, chinese}));
        for (Di_riror_adiRIZ *task : tasks) {
            QTRY_COMPARE_WITH_TIMEOUT(task->state, TaskState::Ready, 15000);
            rewrite(task, [&](TaskRecord &r) { r.Frame_rate = 3.0; }); // as chosen in the editor; keeps the run short
        }

        // Start: the batch runs once the new tasks have their subtitle areas, and ends with every task done.
        QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(page.isRunning(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!page.isRunning(), 120000);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(tasks.at(i)->state, TaskState::Done);
            QCOMPARE(stateShown(page, i), QStringLiteral("完成"));
        }
        const QString englishText = tasks.at(0)->toSrtText();
        QVERIFY2(englishText.contains(QStringLiteral("Hello world")), qPrintable(englishText));
        QVERIFY2(englishText.contains(QStringLiteral("How are you today")), qPrintable(englishText));

        // Export all as SRT into a folder of our choosing.
        {
            FileAnswers folder({out.path()});
            auto statistics = answerMessageBox(QMessageBox::Cancel);
            QTest::mouseClick(button(page, "toallsrt_pushButton"), Qt::LeftButton);
            QCOMPARE(statistics->text, QStringLiteral("成功： 2 / 2\n\n失败: 0 / 2\n"));
        }
        const QByteArray srt = readAll(out.filePath("en_two.srt"));
        QCOMPARE(srt, englishText.toUtf8().replace("\n", "\r\n"));
        QVERIFY(QFile::exists(out.filePath("zh_yellow.srt")));
        QCOMPARE(tasks.at(0)->exportPath, out.filePath("en_two.srt"));

        // Save the project with Ctrl+S.
        const QString project = out.filePath("batch.wtarnix");
        {
            FileAnswers name({project});
            QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier);
        }
        QVERIFY(QFileInfo(project).size() > 20);

        // Reopen it into a fresh page: same tasks, states and results (every other member of the
        // record is compared byte for byte where the project file is tested).
        TaskListWidgetsClass reopened;
        reopened.show();
        {
            FileAnswers name({project});
            QTest::mouseClick(button(reopened, "openproject_pushButton"), Qt::LeftButton);
        }
        QCOMPARE(reopened.currentProjectPath(), project);
        const QList<Di_riror_adiRIZ *> restored = reopened.taskList()->taskList();
        QCOMPARE(restored.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const Di_riror_adiRIZ &before = *tasks.at(i);
            const Di_riror_adiRIZ &after = *restored.at(i);
            QCOMPARE(after.videoPath, before.videoPath);
            QCOMPARE(after.state, TaskState::Done);
            QCOMPARE(timedTexts(after.entries), timedTexts(before.entries));
            QCOMPARE(stateShown(reopened, i), QStringLiteral("完成"));
        }
    }

private:
    QTemporaryDir home;
};

QTEST_MAIN(TestScenario)
#include "tst_scenario.moc"
