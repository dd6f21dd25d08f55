#pragma once

#include "task/di_riror_adiriz.h"

#include <memory>

// Puts a task into a state a test needs the way a project file does: through its record.
template<typename Change>
void rewrite(Di_riror_adiRIZ &task, Change change)
{
    TaskRecord record = task.record();
    change(record);
    task.restore(record);
}

template<typename Change>
void rewrite(Di_riror_adiRIZ *task, Change change)
{
    rewrite(*task, change);
}

template<typename Change>
void rewrite(const std::unique_ptr<Di_riror_adiRIZ> &task, Change change)
{
    rewrite(*task, change);
}
