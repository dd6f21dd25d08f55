#pragma once

#include <QtGlobal>

// How a task is recognised: by playing the video at its rate, or by decoding every frame and
// reading the subtitle where it changes. Stored in project files as this number.
enum class ScanMode : qint32 {
    Playback = 0,
    Fast = 1,
};
