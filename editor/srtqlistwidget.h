#pragma once

#include "task/di_riror_adiriz.h"

#include <QListWidget>
#include <QMetaObject>
#include <QPointer>

class SRTCustomItem;

// The subtitle list of a finished task: one SRTCustomItem row per entry of the task's entries.
class SRTQListWidget : public QListWidget
{
    Q_OBJECT
public:
    explicit SRTQListWidget(QWidget *parent = nullptr);

    // Shows nothing by itself; refreshItems builds the rows.
    void setTask(Di_riror_adiRIZ *shownTask);
    Di_riror_adiRIZ *currentTask() const { return shownTask; }
    void refreshItems();
    SRTCustomItem *rowWidget(int row) const;

public slots:
    void nowTime(qlonglong time);
    void insertBlankEntry(int index);
    void removeEntry(int index);

signals:
    void setVideoPosition(qlonglong time);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void connectRow(SRTCustomItem *row);
    void focusCurrentText();

    bool refreshing = false; // a row's own button can rebuild the list from inside a rebuild
    QPointer<Di_riror_adiRIZ> shownTask;
    int pendingRow = 0;
    QMetaObject::Connection completedConnection;
};
