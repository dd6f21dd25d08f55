#pragma once

#include "srtentry.h"

#include <QString>

// An entry read from the picture that did not look like the video's subtitles: kept beside the
// accepted ones (in JSON) so that nothing read is lost for good, with the reason in words.
struct RefusedEntry
{
    SRTEntry entry;
    QString reason;
};
