#pragma once

#include <QHash>
#include <QList>
#include <QString>

class Di_riror_adiRIZ;

// How long a batch has left, from how fast it went so far: milliseconds of video read per
// millisecond of wall time over the batch, applied to what is left of each task's range. Times
// are given by the caller (milliseconds since the batch started), so nothing here waits or reads a clock.
class TimeLeft
{
public:
    void restart();
    // `task` reported its progress at `nowMs`.
    void note(const Di_riror_adiRIZ &task, qint64 nowMs);
    // What is left of `task`; -1 while nothing is known.
    qint64 forTask(const Di_riror_adiRIZ &task) const;
    // What is left of `tasks` (the running one and those waiting); -1 while nothing is known.
    qint64 forTasks(const QList<Di_riror_adiRIZ *> &tasks) const;

private:
    struct Seen
    {
        double firstProgress = 0;
        double lastProgress = 0;
        qint64 firstMs = 0;
        qint64 lastMs = 0;
        qint64 span = 0;
    };
    // Video milliseconds per wall millisecond; 0 while unknown.
    double speed() const;

    QHash<const Di_riror_adiRIZ *, Seen> seen;
};
