#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class Di_riror_adiRIZ;
class QTimer;

// Runs tasks one after another, driven by their signals; nothing here waits. The owner supplies
// the tasks: at the start and after each task the runner emits nextWanted and goes on when the
// owner answers with offer() (at once or later, e.g. after loading a video). A task that stops
// reporting its position for the stall limit is failed, and the batch goes on.
class BatchRunner : public QObject
{
    Q_OBJECT
public:
    explicit BatchRunner(QObject *parent = nullptr);
    ~BatchRunner() override;

    void setStallLimitMs(int ms);
    int stallLimitMs() const { return stallLimit; }
    bool isRunning() const { return running; }
    bool isStopRequested() const { return stopRequested; }
    Di_riror_adiRIZ *currentTask() const { return current; }

public slots:
    // Ignored while a batch runs.
    void start();
    // The answer to nextWanted: the task to run now, or null to end the batch.
    void offer(Di_riror_adiRIZ *task);
    // Stops the running task; the batch ends once it has wound down. Forgotten by the next start.
    void requestStop();

signals:
    // `previous` is the task that just ended, null at the start or when it was deleted.
    void nextWanted(Di_riror_adiRIZ *previous);
    void taskStarted(Di_riror_adiRIZ *task);
    void taskProgress(Di_riror_adiRIZ *task, float fraction);
    // After the task completed, refused to start, or was failed as stalled; null when it was deleted.
    void taskEnded(Di_riror_adiRIZ *task);
    void finished();

private:
    void watch(Di_riror_adiRIZ *task);
    void unwatch();
    void onTaskOver();
    void endCurrent();
    void checkStall();
    void finish();

    bool running = false;
    bool stopRequested = false;
    bool awaitingOffer = false;
    bool ending = false;
    int stallLimit = 30000;
    QPointer<Di_riror_adiRIZ> current;
    QList<QMetaObject::Connection> links;
    QTimer *watchdog = nullptr;
    QElapsedTimer sinceMove;
    qint64 seenPosition = -1;
};
