#pragma once

#include "task/subtitleformat.h"

#include <QListWidget>
#include <QPointer>

class Di_riror_adiRIZ;
class QMenu;
class TaskCustomItem;
class TaskListOBJ;

// The list of task rows, rebuilt from the task list, with the per-task context menu.
class TaskQListWidget : public QListWidget
{
    Q_OBJECT
public:
    explicit TaskQListWidget(QWidget *parent = nullptr);

    void setTaskList(TaskListOBJ *list);
    void setRememberedRow(int row);
    int rememberedRow() const { return remembered; }
    TaskCustomItem *rowWidget(int row) const;

    // The menu the user gets on the selected rows; null when nothing is selected.
    QMenu *createContextMenu();
    // The paths revealSelected hands to the file manager: sources (0) or exported files (1).
    QStringList pathsToReveal(int which) const;

public slots:
    void rebuildRows();
    // Rows for the tasks appended since the last build, leaving the others as they are.
    void addMissingRows();
    void refreshRows();
    void deleteSelected();
    void revealSelected(int which);
    void resetSelected(int mode);
    void exportSelected(SubtitleFormat format);
    // The first selected task's subtitle stream, taken out as the video carries it.
    void exportTextStream();
    // Each selected task gets the subtitle band found in its video, found off the GUI thread.
    void detectAreaSelected();

signals:
    void editpushButt(int tag);
    void delitemSig(int tag);
    void areaDetected(Di_riror_adiRIZ *task);

private:
    void addRow(Di_riror_adiRIZ *task, int index);
    void showContextMenu(const QPoint &position);
    void removeTasks(const QList<QPointer<Di_riror_adiRIZ>> &chosen);
    QString askExportPath(const QString &videoPath, const QString &extension, const QString &filter);
    QList<int> selectedRows() const;
    // Deleting or resetting the running task would leave the batch waiting for it.
    bool refuseWhileRunning();

    TaskListOBJ *taskList = nullptr;
    int remembered = 0;
};
