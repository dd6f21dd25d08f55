#pragma once

#include <QColor>
#include <QPixmap>

#include "task/taskstate.h"

// The coloured dots a task row shows for its state, made once and shared by all rows.
class StateDot
{
public:
    enum Dot { Red = 0, Green = 1, Gray = 2, Orange = 3, Indigo = 4, Teal = 5 };
    static constexpr int count = 6;
    static constexpr int size = 10;

    static QColor colour(int dot);
    // The dot for a task state; -1 for a value outside the enumeration.
    static int forState(TaskState state);
    // Needs a GUI application; made on the first call.
    static const QPixmap &pixmap(int dot);
};
