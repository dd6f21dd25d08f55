#include "taskrecordcheck.h"

#include "di_riror_adiriz.h"
#include "projectstream.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

bool isTime(qint64 ms)
{
    return ms >= 0 && ms <= TaskRecordCheck::longestMs;
}

// -1 stands for "not set yet" in a task that never loaded its video.
bool isTimeOrUnset(qint64 ms)
{
    return ms == -1 || isTime(ms);
}

bool isKnownState(TaskState state)
{
    return taskStateFromNumber(qint32(state)).has_value();
}

bool cropIsSane(const QRect &crop)
{
    // Only the stored corners are read: QRect's own arithmetic overflows on values like these.
    const int limit = TaskRecordCheck::largestFrameSide;
    const int left = crop.left();
    const int top = crop.top();
    const int right = crop.right();
    const int bottom = crop.bottom();
    const bool isNull = left == 0 && top == 0 && right == -1 && bottom == -1;
    if (isNull)
        return true;
    return left >= 0 && top >= 0 && left <= limit && top <= limit && right >= left && bottom >= top
           && right < left + limit && bottom < top + limit;
}

bool samplesAreSane(const QList<FrameSample> &samples)
{
    return std::all_of(samples.cbegin(), samples.cend(), [](const FrameSample &sample) { return isTime(sample.time); });
}

bool entriesAreSane(const QList<SRTEntry> &entries)
{
    return std::all_of(entries.cbegin(), entries.cend(), [](const SRTEntry &entry) {
        return isTime(entry.intime) && isTime(entry.outtime) && samplesAreSane(entry.list);
    });
}

} // namespace

std::optional<TaskRecordFault> TaskRecordCheck::check(const Di_riror_adiRIZ &task)
{
    return check(task.record());
}

std::optional<TaskRecordFault> TaskRecordCheck::check(const TaskRecord &task)
{
    if (task.recordVersion < 1 || task.recordVersion > ProjectStream::recordVersion)
        return TaskRecordFault::UnknownRecordVersion;
    if (!isTime(task.duration) || !isTimeOrUnset(task.timeRange_in) || !isTimeOrUnset(task.timeRange_out)
        || !isTime(task.lastPosition))
        return TaskRecordFault::TimeOutOfRange;
    if (!std::isfinite(task.progress) || task.progress < 0 || task.progress > 1)
        return TaskRecordFault::ProgressOutOfRange;
    if (!isKnownState(task.state))
        return TaskRecordFault::UnknownState;
    if (!std::isfinite(task.Frame_rate) || task.Frame_rate < 0.1 || task.Frame_rate > 10.0)
        return TaskRecordFault::RateOutOfRange;
    if (!cropIsSane(task.cropRect)
        || !std::all_of(task.otherAreas.cbegin(), task.otherAreas.cend(), [](const QRect &area) { return cropIsSane(area); }))
        return TaskRecordFault::CropOutOfRange;
    if (!samplesAreSane(task.samples))
        return TaskRecordFault::SampleOutOfRange;
    if (!entriesAreSane(task.entries))
        return TaskRecordFault::EntryOutOfRange;
    return std::nullopt;
}

QString TaskRecordCheck::faultText(TaskRecordFault fault)
{
    switch (fault) {
    case TaskRecordFault::UnknownRecordVersion:
        return QCoreApplication::translate("TaskRecordCheck", "任务记录的版本比本软件新");
    case TaskRecordFault::TimeOutOfRange:
        return QCoreApplication::translate("TaskRecordCheck", "时间超出范围");
    case TaskRecordFault::ProgressOutOfRange:
        return QCoreApplication::translate("TaskRecordCheck", "进度超出范围");
    case TaskRecordFault::UnknownState:
        return QCoreApplication::translate("TaskRecordCheck", "未知的任务状态");
    case TaskRecordFault::RateOutOfRange:
        return QCoreApplication::translate("TaskRecordCheck", "识别速率超出范围");
    case TaskRecordFault::CropOutOfRange:
        return QCoreApplication::translate("TaskRecordCheck", "裁剪区域超出范围");
    case TaskRecordFault::SampleOutOfRange:
        return QCoreApplication::translate("TaskRecordCheck", "识别样本的时间超出范围");
    case TaskRecordFault::EntryOutOfRange:
        return QCoreApplication::translate("TaskRecordCheck", "字幕条目的时间超出范围");
    }
    return QString();
}
