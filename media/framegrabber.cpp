#include "framegrabber.h"

#include <QFile>
#include <QLoggingCategory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

Q_LOGGING_CATEGORY(lcGrabber, "tarnix.media.grabber", QtWarningMsg)

struct FrameGrabber::State
{
    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *scaler = nullptr;
    int stream = -1;
    AVRational timeBase{1, 1000};
    bool endOfFile = false;

    ~State()
    {
        sws_freeContext(scaler);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

namespace {

bool isPlanarYuv(int pixelFormat)
{
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(AVPixelFormat(pixelFormat));
    return descriptor && !(descriptor->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL))
           && (descriptor->flags & AV_PIX_FMT_FLAG_PLANAR) && descriptor->comp[0].depth == 8
           && descriptor->nb_components >= 3;
}

} // namespace

FrameGrabber::FrameGrabber() = default;
FrameGrabber::~FrameGrabber() = default;

bool FrameGrabber::open(const QString &path)
{
    av_log_set_level(AV_LOG_QUIET);
    auto state = std::make_unique<State>();
    const QByteArray name = QFile::encodeName(path);
    if (avformat_open_input(&state->format, name.constData(), nullptr, nullptr) != 0
        || avformat_find_stream_info(state->format, nullptr) < 0)
        return false;
    const AVCodec *decoder = nullptr;
    state->stream = av_find_best_stream(state->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (state->stream < 0 || !decoder)
        return false;
    AVStream *stream = state->format->streams[state->stream];
    state->timeBase = stream->time_base;
    state->codec = avcodec_alloc_context3(decoder);
    if (!state->codec || avcodec_parameters_to_context(state->codec, stream->codecpar) < 0)
        return false;
    // Two threads decode a 1080p frame in about half the time; more buy nothing on this machine.
    state->codec->thread_count = 2;
    if (avcodec_open2(state->codec, decoder, nullptr) < 0)
        return false;
    state->frame = av_frame_alloc();
    state->packet = av_packet_alloc();
    if (!state->frame || !state->packet)
        return false;
    d = std::move(state);
    return true;
}

qint64 FrameGrabber::durationMs() const
{
    return d && d->format->duration > 0 ? d->format->duration / (AV_TIME_BASE / 1000) : 0;
}

QSize FrameGrabber::frameSize() const
{
    return d ? QSize(d->codec->width, d->codec->height) : QSize();
}

FrameGrabber::Frame FrameGrabber::frameAt(qint64 timeMs, qint64 toleranceMs)
{
    if (!d)
        return {};
    const int64_t target = av_rescale_q(timeMs, AVRational{1, 1000}, d->timeBase);
    if (av_seek_frame(d->format, d->stream, target, AVSEEK_FLAG_BACKWARD) < 0)
        qCDebug(lcGrabber) << "seek failed at" << timeMs;
    avcodec_flush_buffers(d->codec);
    d->endOfFile = false;
    for (;;) {
        Frame frame = decodeNext();
        if (frame.grey.isNull() || frame.time >= timeMs - toleranceMs)
            return frame;
    }
}

FrameGrabber::Frame FrameGrabber::framesLater(int count)
{
    Frame frame;
    for (int i = 0; i < count && d; ++i) {
        Frame next = decodeNext();
        if (next.grey.isNull())
            break;
        frame = std::move(next);
    }
    return frame;
}

FrameGrabber::Frame FrameGrabber::decodeNext()
{
    for (;;) {
        const int received = avcodec_receive_frame(d->codec, d->frame);
        if (received == 0)
            break;
        if (received != AVERROR(EAGAIN) || d->endOfFile)
            return {};
        av_packet_unref(d->packet);
        const int read = av_read_frame(d->format, d->packet);
        if (read < 0) {
            d->endOfFile = true;
            avcodec_send_packet(d->codec, nullptr);
        } else if (d->packet->stream_index == d->stream) {
            avcodec_send_packet(d->codec, d->packet);
        }
    }
    AVFrame *source = d->frame;
    const int step = maximumHeight > 0 ? std::max(1, (source->height + maximumHeight - 1) / maximumHeight) : 1;
    Frame result;
    const int64_t pts = source->best_effort_timestamp != AV_NOPTS_VALUE ? source->best_effort_timestamp : source->pts;
    result.time = pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(pts, d->timeBase, AVRational{1, 1000});
    QImage grey(source->width / step, source->height / step, QImage::Format_Grayscale8);
    if (isPlanarYuv(source->format)) {
        for (int y = 0; y < grey.height(); ++y) {
            const uint8_t *in = source->data[0] + qsizetype(y) * step * source->linesize[0];
            uchar *out = grey.scanLine(y);
            for (int x = 0; x < grey.width(); ++x)
                out[x] = in[x * step];
        }
    } else {
        d->scaler = sws_getCachedContext(d->scaler, source->width, source->height, AVPixelFormat(source->format),
                                         grey.width(), grey.height(), AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr,
                                         nullptr);
        if (!d->scaler)
            return {};
        uint8_t *planes[1] = {grey.bits()};
        const int strides[1] = {int(grey.bytesPerLine())};
        sws_scale(d->scaler, source->data, source->linesize, 0, source->height, planes, strides);
    }
    av_frame_unref(source);
    result.grey = grey;
    return result;
}
