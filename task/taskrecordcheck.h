#pragma once

#include "taskrecord.h"

#include <QString>

#include <optional>

class Di_riror_adiRIZ;

// What a project file may hold for a task. A record that passes can be shown, run, edited and
// exported without meeting a value no real task ever had.
enum class TaskRecordFault {
    UnknownRecordVersion,
    TimeOutOfRange,
    ProgressOutOfRange,
    UnknownState,
    RateOutOfRange,
    CropOutOfRange,
    SampleOutOfRange,
    EntryOutOfRange,
};

namespace TaskRecordCheck {

// The longest video a record may describe: a week, far beyond any film, far below overflow.
constexpr qint64 longestMs = 7LL * 24 * 60 * 60 * 1000;
// Frame sizes beyond 16K are not video.
constexpr int largestFrameSide = 16384;

std::optional<TaskRecordFault> check(const TaskRecord &record);
std::optional<TaskRecordFault> check(const Di_riror_adiRIZ &task);
QString faultText(TaskRecordFault fault);

} // namespace TaskRecordCheck
