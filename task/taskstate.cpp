#include "taskstate.h"

#include <QCoreApplication>

std::optional<TaskState> taskStateFromNumber(qint32 number)
{
    if (number < qint32(TaskState::Unknown) || number > qint32(TaskState::Cancelled))
        return std::nullopt;
    return TaskState(number);
}

QString taskStateWord(TaskState state)
{
    static const char *const words[] = {
        QT_TRANSLATE_NOOP("TaskState", "未知状态"),
        QT_TRANSLATE_NOOP("TaskState", "读取"),
        QT_TRANSLATE_NOOP("TaskState", "识别中"),
        QT_TRANSLATE_NOOP("TaskState", "完成"),
        QT_TRANSLATE_NOOP("TaskState", "错误"),
        QT_TRANSLATE_NOOP("TaskState", "取消"),
    };
    if (!taskStateFromNumber(qint32(state)))
        return QString();
    return QCoreApplication::translate("TaskState", words[int(state)]);
}
