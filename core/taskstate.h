#pragma once

#include <QString>

enum TaskState : int {
    Unknown = 0,
    Ready = 1,
    Running = 2,
    Done = 3,
    Failed = 4,
    Cancelled = 5,
};

// The word a task row shows for a state, translated; empty for a value outside the enumeration.
QString taskStateWord(int state);
