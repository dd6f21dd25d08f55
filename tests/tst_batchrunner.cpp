#include "task/batchrunner.h"
#include "task/di_riror_adiriz.h"
#include "taskrewrite.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// A task without media that runs by playback: its idle player keeps a started run Running until
// the test ends it.
Di_riror_adiRIZ *handMadeTask(QObject *owner, const QString &name, TaskState state = TaskState::Ready)
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

void finish(Di_riror_adiRIZ *task, TaskState state = TaskState::Done)
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
                if (task->state == TaskState::Running)
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
        QCOMPARE(batch.tasks.at(1)->state, TaskState::Done);
    }

    void refusedStartEndsTheTaskAndTheBatchGoesOn_data()
    {
        QTest::addColumn<TaskState>("state");
        QTest::newRow("already done") << TaskState::Done;
        QTest::newRow("still loading") << TaskState::Unknown;
        QTest::newRow("failed before") << TaskState::Failed;
    }
    void refusedStartEndsTheTaskAndTheBatchGoesOn()
    {
        QFETCH(TaskState, state);
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

    // A task that reports no new position within the stall limit is failed and the batch goes on;
    // one that keeps moving, for several limits in all, is left to finish.
    void stalledTaskIsFailedAndTheBatchGoesOn_data()
    {
        QTest::addColumn<bool>("moves");
        QTest::newRow("hung back end") << false;
        QTest::newRow("slow but moving") << true;
    }
    void stalledTaskIsFailedAndTheBatchGoesOn()
    {
        QFETCH(bool, moves);
        QObject owner;
        QTimer mover;
        Batch batch({handMadeTask(&owner, "first"), handMadeTask(&owner, "t1")}, [&](Di_riror_adiRIZ *task) {
            if (task->videoPath != QLatin1String("first"))
                return finish(task);
            connect(&mover, &QTimer::timeout, task, [task] {
                rewrite(task, [](TaskRecord &record) { record.lastPosition += 40; });
                if (task->lastPosition >= 1200)
                    finish(task);
            });
            if (moves)
                mover.start(20);
        });
        batch.runner.setStallLimitMs(moves ? 400 : 150);

        QVERIFY(batch.run());

        QCOMPARE(batch.tasks.at(0)->state, moves ? TaskState::Done : TaskState::Failed);
        QCOMPARE(batch.tasks.at(0)->errorText, moves ? QString() : QStringLiteral("playback stopped making progress"));
        QCOMPARE(batch.tasks.at(1)->state, TaskState::Done);
        QCOMPARE(batch.log.mid(3, 3), (QStringList{"want after first", "start t1", "end t1"}));
    }
};

QTEST_MAIN(TestBatchRunner)
#include "tst_batchrunner.moc"
