#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class BatchRunner;
class Di_riror_adiRIZ;

// The batch: the ordered tasks, the runner that takes them one after another, and the header
// values of a project file. A task's index in `tasks` is its identity on the page.
class TaskListOBJ : public QObject
{
    Q_OBJECT
public:
    explicit TaskListOBJ(QObject *parent = nullptr);
    // Tasks handed over to another list (appendTask there) survive; those still here go with the list.
    ~TaskListOBJ() override;

    void addTask(const QUrl &url);
    // Takes `task` into the batch, out of the batch that held it before, if any.
    void appendTask(Di_riror_adiRIZ *task);
    void removeTask(int index);
    // Hands every task out: they stay this list's children until another list takes them.
    QList<Di_riror_adiRIZ *> takeAll();
    void deleteAll();
    const QList<Di_riror_adiRIZ *> &taskList() const { return tasks; }
    bool isRunning() const;
    // A running task whose position has not moved for this long is failed and the batch goes on.
    void setStallLimitMs(int ms);

    // True when the file's container holds a decodable video stream and a duration.
    static bool isPlayableVideo(const QUrl &url);
    // The batch takes this task when it comes to it: a ready one, or a stopped one to resume.
    static bool canRun(const Di_riror_adiRIZ *task);

    bool batchStopRequested = false;
    qint16 projectVersion = 1;
    QString platformTag = QStringLiteral("win");
    qint64 loadedCount = 0;
    // A task record newer than this program reads stops loading; its version, 0 when none.
    qint16 refusedRecordVersion = 0;

public slots:
    // Starts the batch and returns; completedSig tells when it is over.
    void runAll();
    void requestStop();

signals:
    void progress_updataSig(int tag);
    void completedSig();
    void stopSig();

private:
    void offerNext(Di_riror_adiRIZ *previous);

    QList<Di_riror_adiRIZ *> tasks;
    BatchRunner *runner = nullptr;
    // Where the batch goes on when the task that ran was deleted meanwhile.
    qsizetype cursor = 0;
};
