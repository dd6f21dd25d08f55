#include "batchstatusline.h"

#include "core/srtqtime.h"
#include "task/di_riror_adiriz.h"
#include "taskcustomitem.h"
#include "tasklistobj.h"

#include <QLabel>

BatchStatusLine::BatchStatusLine(QLabel *label)
    : QObject(label)
    , label(label)
{
}

void BatchStatusLine::say(const QString &text)
{
    label->setText(text);
    label->setToolTip(QString());
}

void BatchStatusLine::started(const QList<Di_riror_adiRIZ *> &tasks)
{
    batchTasks.clear();
    for (Di_riror_adiRIZ *task : tasks)
        batchTasks.append(task);
    say(QString());
    timeLeft.restart();
    clock.start();
}

void BatchStatusLine::progressed(Di_riror_adiRIZ *task, TaskCustomItem *row)
{
    if (!clock.isValid())
        return;
    timeLeft.note(*task, clock.elapsed());
    if (row)
        row->showTimeLeft(timeLeft.forTask(*task));
    QList<Di_riror_adiRIZ *> left;
    for (const QPointer<Di_riror_adiRIZ> &queued : std::as_const(batchTasks)) {
        if (queued && (queued->state == TaskState::Running || TaskListOBJ::canRun(queued)))
            left.append(queued);
    }
    const qint64 ms = timeLeft.forTasks(left);
    say(ms < 0 ? QString() : tr("全部剩余约 %1").arg(SRTQTime::clockText(ms, SRTQTime::Form::Seconds)));
}

void BatchStatusLine::ended()
{
    int failed = 0;
    int warned = 0;
    QStringList details;
    for (const QPointer<Di_riror_adiRIZ> &task : std::as_const(batchTasks)) {
        if (!task || task->errorText.isEmpty() || task->state == TaskState::Cancelled)
            continue;
        // A task refused at its start (its language, say) stays Ready with the reason.
        if (task->state == TaskState::Failed || task->state == TaskState::Ready)
            ++failed;
        else
            ++warned;
        details.append(task->videoFileName + QStringLiteral(": ") + task->errorText);
    }
    batchTasks.clear();
    clock.invalidate();
    say(QString());
    if (failed == 0 && warned == 0)
        return;
    label->setText(tr("识别结束：%1 个任务失败，%2 个任务有警告").arg(failed).arg(warned));
    label->setToolTip(details.join(QLatin1Char('\n')));
}
