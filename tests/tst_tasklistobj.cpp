#include "taskstesthelpers.h"

#include "task/di_riror_adiriz.h"
#include "batch/tasklistobj.h"
#include "batch/timeleft.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace TasksTest;

class TestTaskListObj : public QObject
{
    Q_OBJECT

private slots:
    void runsReadyTasksInOrderAndSkipsTheRest_data()
    {
        QTest::addColumn<QList<TaskState>>("states");
        QTest::addColumn<QList<int>>("missing");
        QTest::addColumn<QStringList>("expectedRuns");

        QTest::newRow("empty batch completes at once") << QList<TaskState>{} << QList<int>{} << QStringList{};
        QTest::newRow("all ready run in list order") << QList<TaskState>{TaskState::Ready, TaskState::Ready, TaskState::Ready} << QList<int>{}
                                                     << QStringList{"t0", "t1", "t2"};
        QTest::newRow("finished, failed, unknown and running are skipped, cancelled resumed")
            << QList<TaskState>{TaskState::Done, TaskState::Ready, TaskState::Failed, TaskState::Cancelled, TaskState::Unknown, TaskState::Running, TaskState::Ready} << QList<int>{}
            << QStringList{"t1", "t3", "t6"};
        QTest::newRow("nothing ready or stopped runs nothing") << QList<TaskState>{TaskState::Done, TaskState::Failed, TaskState::Unknown} << QList<int>{}
                                                               << QStringList{};
        QTest::newRow("a ready task whose video is gone is skipped") << QList<TaskState>{TaskState::Ready, TaskState::Ready, TaskState::Ready}
                                                                     << QList<int>{1} << QStringList{"t0", "t2"};
    }
    void runsReadyTasksInOrderAndSkipsTheRest()
    {
        QFETCH(QList<TaskState>, states);
        QFETCH(QList<int>, missing);
        QFETCH(QStringList, expectedRuns);

        TaskListOBJ list;
        for (int i = 0; i < states.size(); ++i)
            handMadeTask(list, QStringLiteral("t%1").arg(i), states.at(i))->setFileMissing(missing.contains(i));
        BatchDriver driver(list);
        QSignalSpy completed(&list, &TaskListOBJ::completedSig);

        QVERIFY(runToEnd(list));

        QCOMPARE(driver.ran, expectedRuns);
        QCOMPARE(completed.count(), 1);
        QVERIFY(!list.isRunning());
        for (int i = 0; i < states.size(); ++i) {
            const bool ran = expectedRuns.contains(QStringLiteral("t%1").arg(i));
            QCOMPARE(list.taskList().at(i)->state, ran ? TaskState::Done : states.at(i));
        }
    }

    void progressCarriesTheTaskIndex()
    {
        TaskListOBJ list;
        handMadeTask(list, "t0", TaskState::Done);
        handMadeTask(list, "t1", TaskState::Done);
        handMadeTask(list, "t2", TaskState::Ready);
        BatchDriver driver(list, [](Di_riror_adiRIZ *task) {
            emit task->progress_updata(0.25f);
            emit task->progress_updata(0.75f);
            finish(task);
        });
        QSignalSpy progress(&list, &TaskListOBJ::progress_updataSig);

        QVERIFY(runToEnd(list));

        QCOMPARE(progress.count(), 2);
        QCOMPARE(progress.at(0).at(0).toInt(), 2);
        QCOMPARE(progress.at(1).at(0).toInt(), 2);
    }

    void stopEndsBatchAndNextStartResumesAndRunsTheRest()
    {
        TaskListOBJ list;
        for (const char *name : {"t0", "t1", "t2"})
            handMadeTask(list, name, TaskState::Ready);
        bool stopNext = true;
        auto driver = std::make_unique<BatchDriver>(list, [&](Di_riror_adiRIZ *task) {
            if (!stopNext)
                return finish(task);
            stopNext = false;
            list.requestStop();
            QVERIFY(task->stopRequested); // the running task winds down as Cancelled
            finish(task, TaskState::Cancelled);
        });
        QSignalSpy completed(&list, &TaskListOBJ::completedSig);
        QSignalSpy stops(&list, &TaskListOBJ::stopSig);

        QVERIFY(runToEnd(list));
        QCOMPARE(driver->ran, QStringList{"t0"});
        QCOMPARE(completed.count(), 1);
        QCOMPARE(stops.count(), 1);
        QCOMPARE(list.taskList().at(1)->state, TaskState::Ready);

        // A stop while idle reaches no task and is forgotten by the next start, which resumes the
        // stopped task where it was before going on with the rest.
        rewrite(list.taskList().at(0), [&](TaskRecord &r) {
            r.stopRequested = false;
            r.lastPosition = 21000;
            r.samples = {FrameSample{20000, {"so far"}}};
        });
        list.requestStop();
        QVERIFY(!list.taskList().at(0)->stopRequested);
        QList<qint64> resumedFrom;
        driver = std::make_unique<BatchDriver>(list, [&](Di_riror_adiRIZ *task) {
            resumedFrom.append(task->lastPosition);
            QCOMPARE(task->samples.size(), task == list.taskList().at(0) ? 1 : 0);
            finish(task);
        });
        QVERIFY(runToEnd(list));
        QCOMPARE(driver->ran, (QStringList{"t0", "t1", "t2"}));
        QCOMPARE(resumedFrom, (QList<qint64>{21000, 0, 0}));
        QCOMPARE(completed.count(), 2);
        QVERIFY(!list.batchStopRequested);
        QCOMPARE(list.taskList().at(0)->state, TaskState::Done);
    }

    // The time left follows the speed measured so far, once there is enough of it to go by; the
    // tasks waiting count with their whole ranges.
    void timeLeftFromTheSpeedSoFar()
    {
        TaskListOBJ list;
        Di_riror_adiRIZ *running = handMadeTask(list, "t0", TaskState::Running); // 60 s of video
        Di_riror_adiRIZ *waiting = handMadeTask(list, "t1", TaskState::Ready);
        const auto reach = [running](float progress) { rewrite(running, [progress](TaskRecord &r) { r.progress = progress; }); };
        TimeLeft left;
        left.note(*running, 0);
        QCOMPARE(left.forTask(*running), qint64(-1));
        reach(0.1f);
        left.note(*running, 500);
        QCOMPARE(left.forTask(*running), qint64(-1)); // too soon to tell
        reach(0.5f);
        left.note(*running, 3000); // 30 s of video in 3 s
        QCOMPARE(left.forTask(*running), qint64(3000));
        QCOMPARE(left.forTasks({running, waiting}), qint64(9000));
        left.restart();
        QCOMPARE(left.forTask(*running), qint64(-1));
    }

    void taskDeletedWhileRunningEndsItsWait()
    {
        TaskListOBJ list;
        handMadeTask(list, "t0", TaskState::Ready);
        handMadeTask(list, "t1", TaskState::Ready);
        handMadeTask(list, "t2", TaskState::Ready);
        BatchDriver driver(list, [&list](Di_riror_adiRIZ *task) {
            if (task->videoPath == QLatin1String("t1"))
                list.removeTask(int(list.taskList().indexOf(task)));
            else
                finish(task);
        });
        QSignalSpy completed(&list, &TaskListOBJ::completedSig);

        QVERIFY(runToEnd(list));

        QCOMPARE(driver.ran, (QStringList{"t0", "t1", "t2"}));
        QCOMPARE(pathsOf(list), (QStringList{"t0", "t2"}));
        QCOMPARE(completed.count(), 1);
        QVERIFY(!list.isRunning());
    }

    void removeTaskDeletesOnlyThatTask()
    {
        TaskListOBJ list;
        for (const char *name : {"t0", "t1", "t2"})
            handMadeTask(list, name, TaskState::Ready);
        const QPointer<Di_riror_adiRIZ> removed = list.taskList().at(1);
        list.removeTask(1);
        list.removeTask(2); // past the end and before the start: nothing happens
        list.removeTask(-1);
        QCOMPARE(pathsOf(list), (QStringList{"t0", "t2"}));
        QVERIFY(removed.isNull());
    }

    void handedOverTasksSurviveTheirFirstList()
    {
        TaskListOBJ live;
        QPointer<Di_riror_adiRIZ> handedOver;
        QPointer<Di_riror_adiRIZ> leftBehind;
        {
            TaskListOBJ loaded;
            handedOver = handMadeTask(loaded, "kept", TaskState::Ready);
            leftBehind = handMadeTask(loaded, "dropped", TaskState::Ready);
            live.appendTask(handedOver);
        }
        QVERIFY(!handedOver.isNull());
        QCOMPARE(handedOver->parent(), &live);
        QVERIFY(leftBehind.isNull());
    }
};

QTEST_MAIN(TestTaskListObj)
#include "tst_tasklistobj.moc"
