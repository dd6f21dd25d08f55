#include "taskstate.h"

#include <QCoreApplication>

QString taskStateWord(int state)
{
    static const char *const words[] = {
        QT_TRANSLATE_NOOP("TaskCustomItem", "未知状态"),
        QT_TRANSLATE_NOOP("TaskCustomItem", "读取"),
        QT_TRANSLATE_NOOP("TaskCustomItem", "识别中"),
        QT_TRANSLATE_NOOP("TaskCustomItem", "完成"),
        QT_TRANSLATE_NOOP("TaskCustomItem", "错误"),
        QT_TRANSLATE_NOOP("TaskCustomItem", "取消"),
    };
    if (state < Unknown || state > Cancelled)
        return QString();
    return QCoreApplication::translate("TaskCustomItem", words[state]);
}
