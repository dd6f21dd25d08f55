#pragma once

#include "task/taskstate.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class Di_riror_adiRIZ;

namespace Ui {
class TaskCustomItemClass;
}

// One row of the batch list: thumbnail, name, duration, settings summary, progress, state and
// the relink and edit buttons. Rows are rebuilt after every change of the list.
class TaskCustomItem : public QWidget
{
    Q_OBJECT
public:
    explicit TaskCustomItem(QWidget *parent = nullptr);
    TaskCustomItem(Di_riror_adiRIZ *task, int tag, QWidget *parent = nullptr);
    ~TaskCustomItem() override;

    int tag = -1;
    Di_riror_adiRIZ *task() const;

    // While the task runs: the time it has left beside its progress; -1 when not known yet.
    void showTimeLeft(qint64 ms);

public slots:
    void refresh();
    void relink();

signals:
    void editpushButt(int tag);

private:
    void showState(TaskState state);
    void showProblem(const Di_riror_adiRIZ &task);
    static QString detailsText(const Di_riror_adiRIZ &task);

    std::unique_ptr<Ui::TaskCustomItemClass> ui;
    QPointer<Di_riror_adiRIZ> shownTask;
};
