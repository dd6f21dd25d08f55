#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class TaskListOBJ;

// A copy of the open batch kept beside the user's settings (never over the project) while it
// differs from what was saved last, so that a crash or a power cut during a long batch loses
// little. Written atomically; gone after a clean save or quit, so one left over at the next start
// means the session before did not end cleanly.
class RecoveryCopy : public QObject
{
    Q_OBJECT
public:
    explicit RecoveryCopy(TaskListOBJ *list, QObject *parent = nullptr);

    static QString path();
    static bool exists();
    // Reads the copy into `into` (an empty list); `projectPath` gets the project it was copied
    // from, empty for a batch never saved.
    static bool load(TaskListOBJ &into, QString *projectPath);

    // The batch is what `projectPath` holds now (saved or opened): no copy is needed.
    void markSaved(const QString &projectPath);
    bool hasUnsavedChanges() const;
    // A change was made: the copy is written within the delay, however many changes follow.
    void scheduleWrite();
    void setDelayMs(int ms);
    // Writes the copy when the batch differs from the saved one, removes it otherwise.
    void writeNow();
    void remove();

private:
    QByteArray fingerprint() const;

    TaskListOBJ *list;
    QString project;
    QByteArray savedFingerprint;
    QByteArray writtenFingerprint;
    QTimer writeTimer;
    // Edits in an open editor send no signal; the batch is looked at this often as well.
    QTimer lookTimer;
};
