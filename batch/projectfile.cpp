#include "projectfile.h"

#include "batchlog.h"
#include "task/di_riror_adiriz.h"
#include "task/projectstream.h"
#include "task/taskrecordcheck.h"
#include "tasklistobj.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

void ProjectFile::writeTask(QDataStream &out, const Di_riror_adiRIZ &task)
{
    ProjectStream::writeRecord(out, task.record());
}

bool ProjectFile::readTask(QDataStream &in, Di_riror_adiRIZ &task)
{
    TaskRecord record;
    const bool read = ProjectStream::readRecord(in, &record);
    // The record is the task's whatever the stream said; the caller drops a task read in error.
    task.restore(record);
    return read;
}

QDataStream &operator<<(QDataStream &out, const TaskListOBJ &list)
{
    ProjectStream::writeHeader(out, {list.projectVersion, list.platformTag, qint64(list.taskList().size())});
    for (const Di_riror_adiRIZ *task : list.taskList())
        ProjectFile::writeTask(out, *task);
    return out;
}

QDataStream &operator>>(QDataStream &in, TaskListOBJ &list)
{
    ProjectStream::Header header;
    const bool sound = ProjectStream::readHeader(in, &header);
    list.projectVersion = header.projectVersion;
    list.platformTag = header.platformTag;
    list.loadedCount = header.count;
    if (!sound)
        return in;
    for (qint64 i = 0; i < list.loadedCount; ++i) {
        auto *task = new Di_riror_adiRIZ(&list);
        if (!ProjectFile::readTask(in, *task)) {
            if (task->recordVersion > ProjectFile::recordVersion)
                list.refusedRecordVersion = task->recordVersion;
            delete task;
            break;
        }
        list.appendTask(task);
    }
    return in;
}

bool ProjectFile::save(const QString &path, const TaskListOBJ &list, QString *errorText)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    QDataStream out(&file);
    out << list;
    if (out.status() != QDataStream::Ok) {
        file.cancelWriting();
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}

bool ProjectFile::load(const QString &path, TaskListOBJ &into, QString *errorText)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    if (!read(&file, into, errorText))
        return false;
    for (Di_riror_adiRIZ *task : std::as_const(into.taskList())) {
        task->openVideo(task->videoPath);
        qCDebug(lcBatch) << task->videoPath;
    }
    return true;
}

bool ProjectFile::read(QIODevice *device, TaskListOBJ &into, QString *errorText)
{
    QDataStream in(device);
    in >> into;
    std::optional<TaskRecordFault> fault;
    qsizetype faulty = 0;
    for (; in.status() == QDataStream::Ok && faulty < into.taskList().size(); ++faulty) {
        fault = TaskRecordCheck::check(*into.taskList()[faulty]);
        if (fault)
            break;
    }
    if (in.status() == QDataStream::Ok && !fault)
        return true;
    into.deleteAll();
    if (errorText && into.refusedRecordVersion > 0) {
        *errorText = tr("工程文件由更新版本的软件保存（任务记录版本 %1），本软件无法读取").arg(into.refusedRecordVersion);
    } else if (errorText) {
        *errorText = tr("工程文件已损坏或不完整");
        if (fault)
            *errorText += QLatin1Char('\n') + tr("任务 %1：%2").arg(faulty + 1).arg(TaskRecordCheck::faultText(*fault));
    }
    return false;
}
