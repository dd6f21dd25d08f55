#pragma once

#include <QString>

#include <optional>

// Where a task is. The numbers are stored in project files: never renumber.
enum class TaskState : int {
    Unknown = 0,
    Ready = 1,
    Running = 2,
    Done = 3,
    Failed = 4,
    Cancelled = 5,
};

// The state a stored number stands for; nothing for a number no version ever wrote.
std::optional<TaskState> taskStateFromNumber(qint32 number);
// The word a task row shows for a state, translated; empty for a value outside the enumeration.
QString taskStateWord(TaskState state);
