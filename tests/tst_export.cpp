#include "taskstesthelpers.h"

#include "task/di_riror_adiriz.h"
#include "batch/exportplanner.h"
#include "batch/tasklistobj.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace TasksTest;

namespace {

Di_riror_adiRIZ *taskWithText(TaskListOBJ &list, const QString &name, TaskState state, const QString &text)
{
    Di_riror_adiRIZ *task = handMadeTask(list, QStringLiteral("/videos/") + name, state);
    rewrite(task, [&](TaskRecord &r) { r.entries = {SRTEntry{500, 2500, text, {}, {}}}; });
    return task;
}

QStringList fileNames(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names.append(QFileInfo(path).fileName());
    return names;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    // Each finished task gets a name of its own in the folder; the others are named as skipped, and
    // only the targets that are already there are asked about.
    void targetsAndSkips_data()
    {
        QTest::addColumn<QStringList>("videos");
        QTest::addColumn<QList<TaskState>>("states");
        QTest::addColumn<SubtitleFormat>("format");
        QTest::addColumn<QStringList>("targets");
        QTest::addColumn<QStringList>("skipped");
        QTest::addColumn<QStringList>("present"); // files in the folder before
        QTest::addColumn<QStringList>("existing");
        const QList<TaskState> allDone{TaskState::Done, TaskState::Done, TaskState::Done};
        const SubtitleFormat srt = SubtitleFormat::Srt;
        QTest::newRow("three done, two not") << QStringList{"a.mp4", "b.mp4", "c.mp4", "d.mp4", "e.mp4"}
                                             << QList<TaskState>{TaskState::Done, TaskState::Ready, TaskState::Cancelled, TaskState::Done, TaskState::Done} << srt
                                             << QStringList{"a.srt", "d.srt", "e.srt"} << QStringList{"b.mp4", "c.mp4"}
                                             << QStringList{} << QStringList{};
        QTest::newRow("webvtt, same names numbered") << QStringList{"a.mp4", "a.mp4", "a.mp4"} << allDone << SubtitleFormat::Vtt
                                                     << QStringList{"a.vtt", "a (2).vtt", "a (3).vtt"} << QStringList{}
                                                     << QStringList{} << QStringList{};
        QTest::newRow("parts of one talk: the base name ends at the first dot")
            << QStringList{"talk.part1.mp4", "talk.part2.mp4", "talk.part3.mp4"} << allDone << srt
            << QStringList{"talk.srt", "talk (2).srt", "talk (3).srt"} << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("a later video already called like the second name")
            << QStringList{"a.mp4", "a.mkv", "a (2).mp4"} << allDone << srt << QStringList{"a.srt", "a (3).srt", "a (2).srt"}
            << QStringList{} << QStringList{} << QStringList{};
        QTest::newRow("an unfinished twin takes no name") << QStringList{"a.mp4", "a.mkv"} << QList<TaskState>{TaskState::Ready, TaskState::Done} << srt
                                                          << QStringList{"a.srt"} << QStringList{"a.mp4"} << QStringList{}
                                                          << QStringList{};
        QTest::newRow("nothing finished") << QStringList{"a.mp4", "b.mp4"} << QList<TaskState>{TaskState::Failed, TaskState::Unknown} << srt
                                          << QStringList{} << QStringList{"a.mp4", "b.mp4"} << QStringList{} << QStringList{};
        QTest::newRow("only a file that was there is asked about")
            << QStringList{"a.mp4", "a.mkv", "b.mp4"} << allDone << srt << QStringList{"a.srt", "a (2).srt", "b.srt"}
            << QStringList{} << QStringList{"a.srt", "b.txt"} << QStringList{"a.srt"};
    }
    void targetsAndSkips()
    {
        QFETCH(QStringList, videos);
        QFETCH(QList<TaskState>, states);
        QFETCH(SubtitleFormat, format);
        QFETCH(QStringList, present);

        QTemporaryDir dir;
        for (const QString &name : present)
            QVERIFY(writeAll(dir.filePath(name), "older"));
        TaskListOBJ list;
        for (int i = 0; i < videos.size(); ++i)
            handMadeTask(list, QStringLiteral("/videos/") + videos.at(i), states.at(i));

        const ExportPlanner::Plan plan = ExportPlanner::plan(list.taskList(), dir.path(), format);

        QTEST(fileNames(plan.targets), "targets");
        for (const QString &target : plan.targets)
            QCOMPARE(QFileInfo(target).absolutePath(), QDir(dir.path()).absolutePath());
        QTEST(plan.skipped, "skipped");
        QCOMPARE(plan.tasks.size(), plan.targets.size());
        QTEST(fileNames(plan.existing), "existing");
    }

    void writesUtf8WithCrLfAndRemembersTheFile()
    {
        QTemporaryDir dir;
        TaskListOBJ list;
        Di_riror_adiRIZ *first = taskWithText(list, "a.mp4", TaskState::Done, QStringLiteral("你好\nworld\n"));
        Di_riror_adiRIZ *second = taskWithText(list, "a.mkv", TaskState::Done, QStringLiteral("second"));
        Di_riror_adiRIZ *unfinished = taskWithText(list, "b.mp4", TaskState::Ready, QStringLiteral("x"));

        const ExportPlanner::Plan plan = ExportPlanner::plan(list.taskList(), dir.path(), SubtitleFormat::Srt);
        const ExportPlanner::Outcome outcome = ExportPlanner::write(plan, SubtitleFormat::Srt);

        QCOMPARE(outcome.written, plan.targets);
        QVERIFY(outcome.failed.isEmpty());
        QCOMPARE(readAll(dir.filePath("a.srt")), first->toSrtText().replace("\n", "\r\n").toUtf8());
        // The twin's subtitles are not lost under the first one's.
        QVERIFY(readAll(dir.filePath("a (2).srt")).contains("second\r\n"));
        QCOMPARE(first->exportPath, dir.filePath("a.srt"));
        QCOMPARE(second->exportPath, dir.filePath("a (2).srt"));
        QVERIFY(unfinished->exportPath.isNull());

        const ExportPlanner::Plan txt = ExportPlanner::plan(list.taskList(), dir.path(), SubtitleFormat::Txt);
        QVERIFY(txt.existing.isEmpty());
        ExportPlanner::write(txt, SubtitleFormat::Txt);
        QCOMPARE(readAll(dir.filePath("a.txt")), QByteArray("你好\r\nworld\r\n"));
        QVERIFY(QFile::exists(dir.filePath("a.srt")));
    }

    void unwritableTargetCountsAsFailure()
    {
        QTemporaryDir dir;
        // A folder in the way of the target cannot be replaced by a file.
        QVERIFY(QDir(dir.path()).mkdir("b.srt"));
        TaskListOBJ list;
        taskWithText(list, "a.mp4", TaskState::Done, "a");
        Di_riror_adiRIZ *blocked = taskWithText(list, "b.mp4", TaskState::Done, "b");
        taskWithText(list, "c.mp4", TaskState::Cancelled, "c");

        const ExportPlanner::Plan plan = ExportPlanner::plan(list.taskList(), dir.path(), SubtitleFormat::Srt);
        const ExportPlanner::Outcome outcome = ExportPlanner::write(plan, SubtitleFormat::Srt);

        QCOMPARE(fileNames(outcome.written), QStringList{"a.srt"});
        QCOMPARE(outcome.failed.size(), 1);
        QVERIFY(outcome.failed.first().contains(QDir::toNativeSeparators(dir.filePath("b.srt"))));
        QVERIFY(blocked->exportPath.isNull());

        // The statistics count the failed write with the unfinished task.
        const QString text = ExportPlanner::statisticsText(int(outcome.written.size()), plan.skipped + outcome.failed);
        QVERIFY(text.startsWith(QStringLiteral("成功： 1 / 3\n\n失败: 2 / 3\nc.mp4\n")));
        QVERIFY(text.contains(QDir::toNativeSeparators(dir.filePath("b.srt"))));
    }
};


QTEST_MAIN(TestExport)
#include "tst_export.moc"
