#include "medialog.h"

extern "C" {
#include <libavutil/log.h>
}

Q_LOGGING_CATEGORY(lcMedia, "tarnix.media", QtWarningMsg)

void MediaLog::quietLibraries()
{
    if (lcMedia().isDebugEnabled())
        return;
    av_log_set_level(AV_LOG_QUIET);
    static bool rulesSet = false;
    if (!rulesSet) {
        rulesSet = true;
        QLoggingCategory::setFilterRules(QStringLiteral("qt.multimedia.*=false\nqt.multimedia.ffmpeg.*=false"));
    }
}
