#pragma once

#include "timeleft.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

class Di_riror_adiRIZ;
class QLabel;
class TaskCustomItem;

// The line under the batch: how long it has left while it runs, and once it is over, how many of
// its tasks failed or warned (their texts in the tooltip). A batch that went well, or was only
// stopped, ends without a word.
class BatchStatusLine : public QObject
{
    Q_OBJECT
public:
    explicit BatchStatusLine(QLabel *label);

    void say(const QString &text);
    // The batch starts with the tasks it will take.
    void started(const QList<Di_riror_adiRIZ *> &tasks);
    // `task` reported progress; `row` shows it.
    void progressed(Di_riror_adiRIZ *task, TaskCustomItem *row);
    void ended();

private:
    QLabel *label;
    QList<QPointer<Di_riror_adiRIZ>> batchTasks;
    TimeLeft timeLeft;
    QElapsedTimer clock;
};
