#include "recognition/batchrunner.h"
#include "recognition/di_riror_adiriz.h"
#include "taskrewrite.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// A task without media that runs by playback: its idle player keeps a started run Running until
// the test ends it.
Di_riror_adiRIZ *handMadeTask(QObject *owner, const QString &name, int state = Ready)
{
    auto *task = new Di_riror_adiRIZ(owner);
    rewrite(task, [&](TaskRecord &record) {
        record.scanMode = ScanMode::Playback;
        record.videoPath = name;
        record.videoFileName = name;
        record.state = TaskState(state);
        record.timeRange_in = 0;
        record.timeRange_out = record.duration = 60000;
    });
    return task;
}

void finish(Di_riror_adiRIZ *task, int state = Done)
{
    rewrite(task, [&](TaskRecord &record) { record.state = TaskState(state); });
    emit task->completedSig();
}

QString nameOf(const Di_riror_adiRIZ *task)
{
    return task ? task->videoPath : QStringLiteral("-");
}

// Offers the tasks in order and writes down what the runner says, one line per signal.
// `onStarted` plays the worker's part once the run has begun (by default it finishes at once).
struct Batch
{
    using Action = std::function<void(Di_riror_adiRIZ *)>;

    explicit Batch(QList<QPointer<Di_riror_adiRIZ>> tasks, Action action = [](Di_riror_adiRIZ *task) { finish(task); })
        : tasks(std::move(tasks))
        , onStarted(std::move(action))
    {
        QObject::connect(&runner, &BatchRunner::nextWanted, &runner, [this](Di_riror_adiRIZ *previous) {
            log << QStringLiteral("want after ") + nameOf(previous);
            runner.offer(next < this->tasks.size() ? this->tasks.at(next++).data() : nullptr);
        });
        QObject::connect(&runner, &BatchRunner::taskStarted, &runner, [this](Di_riror_adiRIZ *task) {
            log << QStringLiteral("start ") + nameOf(task);
            // Once run_mian has returned, as a worker's report would come.
            QTimer::singleShot(0, task, [this, task] {
                if (task->state == Running)
                    onStarted(task);
            });
        });
        QObject::connect(&runner, &BatchRunner::taskProgress, &runner, [this](Di_riror_adiRIZ *task, float fraction) {
            log << QStringLiteral("progress %1 %2").arg(nameOf(task)).arg(fraction);
        });
        QObject::connect(&runner, &BatchRunner::taskEnded, &runner,
                         [this](Di_riror_adiRIZ *task) { log << QStringLiteral("end ") + nameOf(task); });
        QObject::connect(&runner, &BatchRunner::finished, &runner, [this] { log << QStringLiteral("finished"); });
    }

    // Runs the batch to its end; false when it did not end in time.
    bool run(int timeoutMs = 10000)
    {
        QSignalSpy over(&runner, &BatchRunner::finished);
        runner.start();
        return !over.isEmpty() || over.wait(timeoutMs);
    }

    BatchRunner runner;
    QList<QPointer<Di_riror_adiRIZ>> tasks;
    qsizetype next = 0;
    Action onStarted;
    QStringList log;
};

} // namespace

class TestBatchRunner : public QObject
{
    Q_OBJECT

private slots:
    void runsTasksInTheOrderOfferedAndSaysEachStep()
    {
        QObject owner;
        Batch batch({handMadeTask(&owner, "t0"), handMadeTask(&owner, "t1")}, [](Di_riror_adiRIZ *task) {
            emit task->progress_updata(0.5f);
            finish(task);
        });

        QVERIFY(batch.run());

        QCOMPARE(batch.log, (QStringList{"want after -", "start t0", "progress t0 0.5", "end t0", "want after t0",
                                         "start t1", "progress t1 0.5", "end t1", "want after t1", "finished"}));
        QVERIFY(!batch.runner.isRunning());
        QCOMPARE(batch.tasks.at(1)->state, int(Done));
    }

    void emptyBatchFinishesAtOnce()
    {
        Batch batch({});
        QVERIFY(batch.run(0));
        QCOMPARE(batch.log, (QStringList{"want after -", "finished"}));
    }

    void refusedStartEndsTheTaskAndTheBatchGoesOn_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("already done") << int(Done);
        QTest::newRow("still loading") << int(Unknown);
        QTest::newRow("failed before") << int(Failed);
    }
    void refusedStartEndsTheTaskAndTheBatchGoesOn()
    {
        QFETCH(int, state);
        QObject owner;
        Batch batch({handMadeTask(&owner, "refused", state), handMadeTask(&owner, "t1")});

        QVERIFY(batch.run());

        QCOMPARE(batch.log, (QStringList{"want after -", "start refused", "end refused", "want after refused",
                                         "start t1", "end t1", "want after t1", "finished"}));
        QCOMPARE(batch.tasks.at(0)->state, state);
    }

    void answerGivenLaterIsWaitedFor()
    {
        QObject owner;
        Di_riror_adiRIZ *late = handMadeTask(&owner, "late");
        BatchRunner runner;
        QStringList ran;
        connect(&runner, &BatchRunner::nextWanted, &runner, [&](Di_riror_adiRIZ *previous) {
            // As the command line does while a video loads.
            QTimer::singleShot(50, &runner, [&runner, late, previous] { runner.offer(previous ? nullptr : late); });
        });
        connect(&runner, &BatchRunner::taskStarted, &runner, [&](Di_riror_adiRIZ *task) {
            ran << task->videoPath;
            QTimer::singleShot(0, task, [task] { finish(task); });
        });
        QSignalSpy over(&runner, &BatchRunner::finished);

        runner.start();
        QVERIFY(runner.isRunning());
        QVERIFY(over.wait(5000));
        QCOMPARE(ran, QStringList{"late"});
    }

    void stopEndsTheBatchAfterTheRunningTask()
    {
        QObject owner;
        bool stopNext = true;
        Batch batch({handMadeTask(&owner, "t0"), handMadeTask(&owner, "t1")}, [&](Di_riror_adiRIZ *task) {
            if (!stopNext)
                return finish(task);
            stopNext = false;
            batch.runner.requestStop();
            QVERIFY(task->stopRequested); // the task is told, and winds down as Cancelled
            finish(task, Cancelled);
        });

        QVERIFY(batch.run());
        QCOMPARE(batch.log, (QStringList{"want after -", "start t0", "end t0", "finished"}));
        QCOMPARE(batch.tasks.at(1)->state, int(Ready));

        // The next start forgets the stop and takes the rest.
        batch.log.clear();
        QVERIFY(batch.run());
        QVERIFY(!batch.runner.isStopRequested());
        QCOMPARE(batch.log, (QStringList{"want after -", "start t1", "end t1", "want after t1", "finished"}));
    }

    void startWhileRunningIsIgnored()
    {
        QObject owner;
        int starts = 0;
        Batch batch({handMadeTask(&owner, "t0")}, [&](Di_riror_adiRIZ *task) {
            batch.runner.start();
            finish(task);
        });
        connect(&batch.runner, &BatchRunner::nextWanted, &batch.runner, [&](Di_riror_adiRIZ *previous) {
            starts += previous ? 0 : 1;
        });

        QVERIFY(batch.run());
        QCOMPARE(starts, 1);
    }

    void stalledTaskIsFailedAndTheBatchGoesOn()
    {
        QObject owner;
        // The first task never reports, as a back end that hung would.
        Batch batch({handMadeTask(&owner, "stuck"), handMadeTask(&owner, "t1")}, [](Di_riror_adiRIZ *task) {
            if (task->videoPath != QLatin1String("stuck"))
                finish(task);
        });
        batch.runner.setStallLimitMs(150);

        QVERIFY(batch.run());

        QCOMPARE(batch.tasks.at(0)->state, int(Failed));
        QCOMPARE(batch.tasks.at(0)->errorText, QStringLiteral("playback stopped making progress"));
        QCOMPARE(batch.tasks.at(1)->state, int(Done));
        QCOMPARE(batch.log.mid(3, 3), (QStringList{"want after stuck", "start t1", "end t1"}));
    }

    void taskThatKeepsMovingIsNotFailed()
    {
        QObject owner;
        QTimer mover;
        Batch batch({handMadeTask(&owner, "slow")}, [&](Di_riror_adiRIZ *task) {
            // Reports a new position well within the limit, for several limits in all.
            connect(&mover, &QTimer::timeout, task, [task] {
                rewrite(task, [](TaskRecord &record) { record.lastPosition += 40; });
                if (task->lastPosition >= 1200)
                    finish(task);
            });
            mover.start(20);
        });
        batch.runner.setStallLimitMs(400);

        QVERIFY(batch.run());

        QCOMPARE(batch.tasks.at(0)->state, int(Done));
    }

    void taskDeletedWhileRunningEndsAndTheBatchGoesOn()
    {
        QObject owner;
        Batch batch({handMadeTask(&owner, "gone"), handMadeTask(&owner, "t1")}, [](Di_riror_adiRIZ *task) {
            if (task->videoPath == QLatin1String("gone"))
                task->deleteLater();
            else
                finish(task);
        });

        QVERIFY(batch.run());

        QVERIFY(batch.tasks.at(0).isNull());
        QCOMPARE(batch.log, (QStringList{"want after -", "start gone", "end -", "want after -", "start t1", "end t1",
                                         "want after t1", "finished"}));
    }
};

QTEST_MAIN(TestBatchRunner)
#include "tst_batchrunner.moc"
