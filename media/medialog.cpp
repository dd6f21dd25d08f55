#include "medialog.h"

#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

Q_LOGGING_CATEGORY(lcMedia, "tarnix.media", QtWarningMsg)

// Process-wide settings of two libraries: made once, whichever thread asks first.
void MediaLog::quietLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (lcMedia().isDebugEnabled())
            return;
        av_log_set_level(AV_LOG_QUIET);
        QLoggingCategory::setFilterRules(QStringLiteral("qt.multimedia.*=false\nqt.multimedia.ffmpeg.*=false"));
    });
}
