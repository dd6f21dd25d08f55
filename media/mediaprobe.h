#pragma once

#include <QString>

// Facts read from the media container itself, for what the player leaves out: the ffmpeg back
// end reports a duration of 0 for Matroska files, whose length only the container header holds.
class MediaProbe
{
public:
    // Duration in milliseconds, or 0 when the file cannot be read or has none.
    static qint64 containerDurationMs(const QString &path);
};
