// The whole road of a batch through the page: drop two clips, run them, export, save, reopen.

#include "taskstesthelpers.h"

#include "app/appconstants.h"
#include "recognition/di_riror_adiriz.h"
#include "tasks/taskcustomitem.h"
#include "tasks/tasklistobj.h"
#include "tasks/tasklistwidgetsclass.h"
#include "tasks/taskqlistwidget.h"

#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace TasksTest;

namespace {

QString stateShown(TaskListWidgetsClass &page, int row)
{
    return page.findChild<TaskQListWidget *>("listWidget")->rowWidget(row)->findChild<QLabel *>("state_label")->text();
}

QStringList texts(const QList<SRTEntry> &entries)
{
    QStringList result;
    for (const SRTEntry &entry : entries)
        result.append(entry.text);
    return result;
}

} // namespace

class TestScenario : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void dropRunExportSaveReopen();

private:
    QTemporaryDir home;
};

void TestScenario::initTestCase()
{
    QVERIFY(home.isValid());
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY2(QFile::exists(fixture("en_two.mp4")), "fixtures missing: run scripts/render-fixtures.sh");
}

void TestScenario::dropRunExportSaveReopen()
{
    const QString english = fixture("en_two.mp4");
    const QString chinese = fixture("zh_yellow.mkv");
    QTemporaryDir out;

    TaskListWidgetsClass page;
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));

    // Import by drop; both clips become tasks and get their media facts.
    dropOn(&page, {english, chinese});
    QTRY_COMPARE_WITH_TIMEOUT(page.taskList()->tasks.size(), 2, 20000);
    const QList<Di_riror_adiRIZ *> tasks = page.taskList()->taskList();
    QCOMPARE(tasks.at(0)->videoPath, english);
    QCOMPARE(tasks.at(1)->videoPath, chinese);
    for (Di_riror_adiRIZ *task : tasks)
        QTRY_COMPARE_WITH_TIMEOUT(task->state, int(Ready), 15000);

    // Start: the batch runs inside the click and ends with every task done.
    QTest::mouseClick(button(page, "runpushButton"), Qt::LeftButton);
    QVERIFY(!page.isRunning());
    QCOMPARE(tasks.at(0)->state, int(Done));
    QCOMPARE(tasks.at(1)->state, int(Done));
    QVERIFY2(texts(tasks.at(0)->entries).join(QString()).contains(QStringLiteral("Hello world")),
             qPrintable(texts(tasks.at(0)->entries).join('|')));
    QCOMPARE(stateShown(page, 0), QStringLiteral("完成"));
    QCOMPARE(stateShown(page, 1), QStringLiteral("完成"));

    // Export all as SRT into a folder of our choosing.
    {
        FileAnswers folder({out.path()});
        auto statistics = answerMessageBox(QMessageBox::Cancel);
        QTest::mouseClick(button(page, "toallsrt_pushButton"), Qt::LeftButton);
        QVERIFY(statistics->seen);
        QCOMPARE(statistics->text, QStringLiteral("成功： 2 / 2\n\n失败: 0 / 2\n"));
    }
    const QByteArray srt = readAll(out.filePath("en_two.srt"));
    QVERIFY2(srt.contains("Hello world"), srt.constData());
    QVERIFY(srt.startsWith("1\r\n00:00:0"));
    QVERIFY(QFile::exists(out.filePath("zh_yellow.srt")));
    QCOMPARE(tasks.at(0)->exportPath, out.filePath("en_two.srt"));

    // Save the project with Ctrl+S.
    const QString project = out.filePath("batch.wtarnix");
    {
        FileAnswers name({project});
        QTest::keyClick(&page, Qt::Key_S, Qt::ControlModifier);
    }
    QVERIFY(QFileInfo(project).size() > 20);

    // Reopen it into a fresh page: same tasks, states, results and export files.
    TaskListWidgetsClass reopened;
    reopened.show();
    QVERIFY(QTest::qWaitForWindowExposed(&reopened));
    {
        FileAnswers name({project});
        QTest::mouseClick(button(reopened, "openproject_pushButton"), Qt::LeftButton);
    }
    const QList<Di_riror_adiRIZ *> restored = reopened.taskList()->taskList();
    QCOMPARE(restored.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const Di_riror_adiRIZ &before = *tasks.at(i);
        const Di_riror_adiRIZ &after = *restored.at(i);
        QCOMPARE(after.videoPath, before.videoPath);
        QCOMPARE(after.state, int(Done));
        QVERIFY(!after.fileMissing);
        QVERIFY(after.restoredFromProject);
        QCOMPARE(after.exportPath, before.exportPath);
        QCOMPARE(after.cropRect, before.cropRect);
        QCOMPARE(after.timeRange_out, before.timeRange_out);
        QCOMPARE(after.samples.size(), before.samples.size());
        QCOMPARE(texts(after.entries), texts(before.entries));
        for (int e = 0; e < before.entries.size(); ++e) {
            QCOMPARE(after.entries.at(e).intime, before.entries.at(e).intime);
            QCOMPARE(after.entries.at(e).outtime, before.entries.at(e).outtime);
        }
        QCOMPARE(stateShown(reopened, i), QStringLiteral("完成"));
    }
    QCOMPARE(reopened.currentProjectPath(), project);
    // The restored finished tasks export the same text again.
    QCOMPARE(restored.at(0)->toSrtText(), tasks.at(0)->toSrtText());
}

QTEST_MAIN(TestScenario)
#include "tst_scenario.moc"
