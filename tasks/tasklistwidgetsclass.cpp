#include "tasklistwidgetsclass.h"

TaskListWidgetsClass::TaskListWidgetsClass(QWidget *parent)
    : QWidget(parent)
{
}
