#include "mediaprobe.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

qint64 MediaProbe::containerDurationMs(const QString &path)
{
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext *context = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (avformat_open_input(&context, name.constData(), nullptr, nullptr) != 0)
        return 0;
    qint64 duration = 0;
    if (avformat_find_stream_info(context, nullptr) >= 0 && context->duration > 0)
        duration = context->duration / (AV_TIME_BASE / 1000);
    avformat_close_input(&context);
    return duration;
}
