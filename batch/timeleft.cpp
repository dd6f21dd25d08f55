#include "timeleft.h"

#include "task/di_riror_adiriz.h"

#include <algorithm>

namespace {

// Below this much wall time the first readings (engine loading, seeking) say little about speed.
constexpr qint64 minimumMeasureMs = 2000;

qint64 spanOf(const Di_riror_adiRIZ &task)
{
    return std::max<qint64>(0, task.timeRange_out - task.timeRange_in);
}

} // namespace

void TimeLeft::restart()
{
    seen.clear();
}

void TimeLeft::note(const Di_riror_adiRIZ &task, qint64 nowMs)
{
    auto it = seen.find(&task);
    if (it == seen.end()) {
        seen.insert(&task, Seen{task.progress, task.progress, nowMs, nowMs, spanOf(task)});
        return;
    }
    it->lastProgress = std::max<double>(it->lastProgress, task.progress);
    it->lastMs = nowMs;
    it->span = spanOf(task);
}

double TimeLeft::speed() const
{
    double read = 0;
    qint64 spent = 0;
    for (const Seen &task : seen) {
        read += (task.lastProgress - task.firstProgress) * double(task.span);
        spent += task.lastMs - task.firstMs;
    }
    return spent >= minimumMeasureMs && read > 0 ? read / double(spent) : 0.0;
}

qint64 TimeLeft::forTask(const Di_riror_adiRIZ &task) const
{
    return forTasks({const_cast<Di_riror_adiRIZ *>(&task)});
}

qint64 TimeLeft::forTasks(const QList<Di_riror_adiRIZ *> &tasks) const
{
    const double videoPerWallMs = speed();
    if (videoPerWallMs <= 0)
        return -1;
    double left = 0;
    for (const Di_riror_adiRIZ *task : tasks)
        left += (1.0 - std::clamp<double>(task->progress, 0.0, 1.0)) * double(spanOf(*task));
    return qint64(left / videoPerWallMs);
}
