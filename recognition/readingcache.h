#pragma once

#include "core/framesample.h"
#include "linelook.h"
#include "recognition/change/inkprint.h"

#include <QHash>
#include <QList>

#include <deque>

// Readings answered by ink: a stretch whose ink is that of a stretch read before (a subtitle back
// after a flicker, the picture's own still lines between subtitles) is not read again; it takes
// the earlier stretch's reading once the pool has made it.
class ReadingCache
{
public:
    // Whether an earlier stretch of the area with the same ink answers for this one (noted for
    // fill()); otherwise the ink is remembered for the stretches after it.
    bool answers(const InkPrint &ink, qint64 timeMs, int area);
    // Adds a copy of the earlier readings, and of their lines' looks, for every stretch answered
    // before `untilMs`.
    void fill(QList<FrameSample> &samples, AreaLineLooks &looks, qint64 untilMs) const;
    int answered() const { return int(echoes.size()); }

private:
    struct Read { InkPrint ink; qint64 timeMs = 0; };
    struct Echo { qint64 timeMs = 0; qint64 sourceMs = 0; int area = 0; };
    // Prints kept per area: enough for a subtitle that comes back and the gaps around it.
    static constexpr size_t kept = 8;
    QHash<int, std::deque<Read>> recent;
    std::vector<Echo> echoes;
};
