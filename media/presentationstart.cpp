#include "presentationstart.h"

extern "C" {
#include <libavformat/avformat.h>
}

qint64 PresentationStart::ofContainer(const AVFormatContext *format)
{
    if (!format || format->start_time == AV_NOPTS_VALUE)
        return 0;
    return av_rescale_q(format->start_time, AV_TIME_BASE_Q, AVRational{1, 1000});
}
