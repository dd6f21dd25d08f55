#pragma once

#include <QWidget>

// The batch page. Empty until the batch list is built on it.
class TaskListWidgetsClass : public QWidget
{
    Q_OBJECT
public:
    explicit TaskListWidgetsClass(QWidget *parent = nullptr);
};
