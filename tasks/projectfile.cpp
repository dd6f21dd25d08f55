#include "projectfile.h"

#include "tasks/batchlog.h"
#include "recognition/di_riror_adiriz.h"
#include "tasks/tasklistobj.h"
#include "tasks/taskrecordcheck.h"

#include <QDebug>
#include <QFile>
#include <QSaveFile>

namespace {

void writeStrings(QDataStream &out, const QStringList &strings)
{
    out << qint32(strings.size());
    for (const QString &text : strings)
        out << text;
}

// Element by element: a damaged count must not reserve memory for it.
QStringList readStrings(QDataStream &in)
{
    QStringList strings;
    qint32 count = 0;
    in >> count;
    if (count < 0)
        in.setStatus(QDataStream::ReadCorruptData);
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString text;
        in >> text;
        strings.append(text);
    }
    if (in.status() != QDataStream::Ok)
        strings.clear();
    return strings;
}

bool countFitsDevice(const QDataStream &in, qint64 count)
{
    const QIODevice *device = in.device();
    if (!device || device->isSequential())
        return true;
    const qint64 remaining = device->size() - device->pos();
    return count <= remaining / ProjectFile::minimumRecordBytes;
}

} // namespace

void ProjectFile::writeTask(QDataStream &out, const Di_riror_adiRIZ &task)
{
    out << ProjectFile::recordVersion << task.videoPath << task.videoFileName << qint64(task.timeRange_in)
        << qint64(task.timeRange_out) << qint64(task.lastPosition) << task.progress << task.exportPath
        << qint64(task.duration) << qint32(task.state) << task.Frame_rate << task.errorText;
    writeStrings(out, task.languages);
    out << task.cropRect << task.samples << task.entries << task.stopRequested;
    out << qint32(task.scanMode);
}

bool ProjectFile::readTask(QDataStream &in, Di_riror_adiRIZ &task)
{
    TaskRecord record;
    in >> record.recordVersion;
    if (in.status() == QDataStream::Ok && record.recordVersion > recordVersion) {
        in.setStatus(QDataStream::ReadCorruptData);
        task.restore(record);
        return false;
    }
    qint32 state = Unknown;
    in >> record.videoPath >> record.videoFileName >> record.timeRange_in >> record.timeRange_out
        >> record.lastPosition >> record.progress >> record.exportPath >> record.duration >> state
        >> record.Frame_rate >> record.errorText;
    record.state = TaskState(state);
    record.languages = readStrings(in);
    in >> record.cropRect >> record.samples >> record.entries >> record.stopRequested;
    record.scanMode = ScanMode::Playback;
    if (record.recordVersion >= 2) {
        qint32 mode = 0;
        in >> mode;
        if (mode != qint32(ScanMode::Playback) && mode != qint32(ScanMode::Fast))
            in.setStatus(QDataStream::ReadCorruptData);
        record.scanMode = ScanMode(mode);
    }
    // The record is the task's whatever the stream said; the caller drops a task read in error.
    task.restore(record);
    return in.status() == QDataStream::Ok;
}

QDataStream &operator<<(QDataStream &out, const TaskListOBJ &list)
{
    out << list.projectVersion << list.platformTag << qint64(list.tasks.size());
    for (const Di_riror_adiRIZ *task : list.tasks)
        ProjectFile::writeTask(out, *task);
    return out;
}

QDataStream &operator>>(QDataStream &in, TaskListOBJ &list)
{
    in >> list.projectVersion >> list.platformTag >> list.loadedCount;
    if (in.status() != QDataStream::Ok)
        return in;
    if (list.loadedCount < 0 || !countFitsDevice(in, list.loadedCount)) {
        in.setStatus(QDataStream::ReadCorruptData);
        return in;
    }
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
    for (Di_riror_adiRIZ *task : std::as_const(into.tasks)) {
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
    for (; in.status() == QDataStream::Ok && faulty < into.tasks.size(); ++faulty) {
        fault = TaskRecordCheck::check(*into.tasks[faulty]);
        if (fault)
            break;
    }
    if (in.status() == QDataStream::Ok && !fault)
        return true;
    qDeleteAll(into.tasks);
    into.tasks.clear();
    if (errorText && into.refusedRecordVersion > 0) {
        *errorText = tr("工程文件由更新版本的软件保存（任务记录版本 %1），本软件无法读取").arg(into.refusedRecordVersion);
    } else if (errorText) {
        *errorText = tr("工程文件已损坏或不完整");
        if (fault)
            *errorText += QLatin1Char('\n') + tr("任务 %1：%2").arg(faulty + 1).arg(TaskRecordCheck::faultText(*fault));
    }
    return false;
}
