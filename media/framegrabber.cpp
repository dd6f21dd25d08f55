#include "framegrabber.h"

#include "croporientation.h"
#include "ffmpegfilename.h"
#include "medialog.h"
#include "presentationstart.h"
#include "streamrotation.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTransform>

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
    int rotation = 0; // counter-clockwise degrees that turn the stored picture upright
    AVRational timeBase{1, 1000};
    int64_t startTime = 0; // the presentation's, in the stream's time base
    bool endOfFile = false;
    // MPEG-TS has no index of its own: the one ffmpeg builds while reading and seeking knows only
    // the key frames met on the way.
    bool indexed = false;
    qint64 position = -1; // ms of the last frame decoded since the last seek
    qint64 lastTaken = -1; // ms of the last frame given by frameBetween
    int decodedFrames = 0;
    int passedFrames = 0; // decoded on the way to a frame, never looked at

    qint64 milliseconds(int64_t streamTime) const
    {
        return av_rescale_q(streamTime - startTime, timeBase, AVRational{1, 1000});
    }
    int64_t streamTime(qint64 ms) const { return startTime + av_rescale_q(ms, AVRational{1, 1000}, timeBase); }

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
    MediaLog::quietLibraries();
    auto state = std::make_unique<State>();
    const QByteArray name = FfmpegFileName::of(path);
    if (avformat_open_input(&state->format, name.constData(), nullptr, nullptr) != 0
        || avformat_find_stream_info(state->format, nullptr) < 0)
        return false;
    const AVCodec *decoder = nullptr;
    state->stream = av_find_best_stream(state->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (state->stream < 0 || !decoder)
        return false;
    AVStream *stream = state->format->streams[state->stream];
    state->timeBase = stream->time_base;
    state->indexed = avformat_index_get_entries_count(stream) > 0;
    state->rotation = streamRotationDegrees(stream);
    state->startTime = av_rescale_q(PresentationStart::ofContainer(state->format), AVRational{1, 1000}, stream->time_base);
    state->codec = avcodec_alloc_context3(decoder);
    if (!state->codec || avcodec_parameters_to_context(state->codec, stream->codecpar) < 0)
        return false;
    // Two threads decode a 1080p frame in about half the time; more buy nothing on this machine.
    state->codec->thread_count = 2;
    // The analyses look for edges far stronger than the blocks an unfiltered picture shows, and
    // skipping the loop filter saves a good part of the decoding.
    state->codec->skip_loop_filter = AVDISCARD_ALL;
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

QSize FrameGrabber::storedSize() const
{
    return d ? QSize(d->codec->width, d->codec->height) : QSize();
}

QSize FrameGrabber::frameSize() const
{
    return d ? CropOrientation::displaySize(storedSize(), d->rotation) : QSize();
}

int FrameGrabber::rotation() const
{
    return d ? d->rotation : 0;
}

namespace {

// Without an index, decoding on is cheaper than a seek up to about this far.
constexpr qint64 decodeOnWithoutIndexMs = 4000;
// Decoding on this far costs no more than the key frame a seek would decode.
constexpr qint64 shortHopMs = 1000;
// Where the range holds a key frame, decoding on is worth it only for a few frames.
constexpr qint64 shortHopToKeyMs = 200;

} // namespace

std::optional<int64_t> FrameGrabber::keyFrameBefore(qint64 timeMs) const
{
    AVStream *stream = d->format->streams[d->stream];
    const int index = av_index_search_timestamp(stream, d->streamTime(timeMs), AVSEEK_FLAG_BACKWARD);
    const AVIndexEntry *entry = index >= 0 ? avformat_index_get_entry(stream, index) : nullptr;
    return entry ? std::optional<int64_t>(entry->timestamp) : std::nullopt;
}

std::optional<qint64> FrameGrabber::keyFrameBetween(qint64 fromMs, qint64 toMs) const
{
    if (!d || !d->indexed || toMs < fromMs)
        return std::nullopt;
    // Searching forward without AVSEEK_FLAG_ANY lands on the first key frame at or after the time.
    AVStream *stream = d->format->streams[d->stream];
    const int index = av_index_search_timestamp(stream, d->streamTime(fromMs), 0);
    const AVIndexEntry *entry = index >= 0 ? avformat_index_get_entry(stream, index) : nullptr;
    const qint64 ms = entry ? d->milliseconds(entry->timestamp) : -1;
    return entry && ms >= fromMs && ms <= toMs ? std::optional<qint64>(ms) : std::nullopt;
}

qint64 FrameGrabber::keyFrameSpacingMs() const
{
    if (!d || !d->indexed)
        return 0;
    AVStream *stream = d->format->streams[d->stream];
    const int count = avformat_index_get_entries_count(stream);
    int keys = 0;
    int64_t first = 0, last = 0;
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(stream, i);
        if (!(entry->flags & AVINDEX_KEYFRAME))
            continue;
        first = keys == 0 ? entry->timestamp : first;
        last = entry->timestamp;
        ++keys;
    }
    return keys > 1 ? (d->milliseconds(last) - d->milliseconds(first)) / (keys - 1) : 0;
}

void FrameGrabber::seekTo(int64_t streamTime)
{
    if (av_seek_frame(d->format, d->stream, streamTime, AVSEEK_FLAG_BACKWARD) < 0)
        qCDebug(lcGrabber) << "seek failed at" << d->milliseconds(streamTime);
    avcodec_flush_buffers(d->codec);
    d->endOfFile = false;
    d->position = -1;
}

int FrameGrabber::decodedFrames() const
{
    return d ? d->decodedFrames : 0;
}

int FrameGrabber::passedFrames() const
{
    return d ? d->passedFrames : 0;
}

FrameGrabber::Frame FrameGrabber::frameBetween(qint64 fromMs, qint64 toMs)
{
    if (!d)
        return {};
    // Never the same frame twice, though a seek may land before the last one.
    const qint64 wanted = std::max(fromMs, d->lastTaken + 1);
    const bool near = d->position >= 0 && d->position < toMs && wanted - d->position <= shortHopMs;
    if (!near && !d->indexed) {
        // Without an index a seek by time lands anywhere before the time, and decoding on from
        // there to a key frame and on to the time cost most of the frames of short samples.
        if (d->position < 0 || d->position >= wanted || wanted - d->position > decodeOnWithoutIndexMs)
            seekTo(d->streamTime(wanted));
        Frame frame = skimToKeyFrame(wanted, toMs);
        if (!frame.grey.isNull())
            d->lastTaken = frame.time;
        return frame;
    }
    const std::optional<int64_t> keyTime = keyFrameBefore(toMs);
    const std::optional<qint64> key = keyTime ? std::optional<qint64>(d->milliseconds(*keyTime)) : std::nullopt;
    const bool keyAhead = d->indexed && key && *key >= wanted && d->position < *key - shortHopToKeyMs;
    if (!near || keyAhead) {
        const bool onward = d->position >= 0 && d->position < wanted
                            && (key ? d->position >= *key : wanted - d->position <= decodeOnWithoutIndexMs);
        if (key && *key >= wanted) {
            // One key frame decoded: the cheap case, which spacing samples wider than key frames
            // gives. The index holds decoding times, seeking takes presentation times: aim at the
            // range's end.
            seekTo(d->streamTime(toMs));
        } else if (!onward) {
            seekTo(d->streamTime(wanted));
        }
    }
    Frame frame = decodeUntil(wanted);
    if (!frame.grey.isNull())
        d->lastTaken = frame.time;
    return frame;
}

FrameGrabber::Frame FrameGrabber::framesLater(int count)
{
    if (!d)
        return {};
    for (int i = 0; i < count; ++i) {
        if (!receiveNext())
            return {};
        if (i + 1 < count)
            av_frame_unref(d->frame);
    }
    return takeFrame();
}

FrameGrabber::Frame FrameGrabber::skimToKeyFrame(qint64 fromMs, qint64 toMs)
{
    int64_t lastKeyBefore = -1; // byte position of the last key frame before `fromMs`
    // The packet of the last decode may still be held; reading over it would leak it.
    av_packet_unref(d->packet);
    while (!d->endOfFile && av_read_frame(d->format, d->packet) >= 0) {
        if (d->packet->stream_index != d->stream) {
            av_packet_unref(d->packet);
            continue;
        }
        const int64_t pts = d->packet->pts != AV_NOPTS_VALUE ? d->packet->pts : d->packet->dts;
        const qint64 ms = pts == AV_NOPTS_VALUE ? -1 : d->milliseconds(pts);
        const bool key = d->packet->flags & AV_PKT_FLAG_KEY;
        if (key && ms >= fromMs && ms <= toMs) {
            avcodec_flush_buffers(d->codec);
            avcodec_send_packet(d->codec, d->packet);
            av_packet_unref(d->packet);
            return decodeUntil(ms);
        }
        if (ms > toMs)
            break;
        if (key && ms >= 0)
            lastKeyBefore = d->packet->pos;
        av_packet_unref(d->packet);
    }
    av_packet_unref(d->packet);
    if (lastKeyBefore >= 0)
        av_seek_frame(d->format, d->stream, lastKeyBefore, AVSEEK_FLAG_BYTE);
    else
        av_seek_frame(d->format, d->stream, d->streamTime(fromMs), AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(d->codec);
    d->endOfFile = false;
    d->position = -1;
    return decodeUntil(fromMs);
}

FrameGrabber::Frame FrameGrabber::decodeUntil(qint64 fromMs)
{
    // On the way, frames no other frame refers to need not be decoded: the one taken is then the
    // first other frame from `fromMs` on.
    d->codec->skip_frame = AVDISCARD_NONREF;
    for (;;) {
        if (!receiveNext())
            break;
        if (d->position >= fromMs) {
            d->codec->skip_frame = AVDISCARD_DEFAULT;
            return takeFrame();
        }
        av_frame_unref(d->frame);
        ++d->passedFrames;
    }
    d->codec->skip_frame = AVDISCARD_DEFAULT;
    return {};
}

bool FrameGrabber::receiveNext()
{
    for (;;) {
        const int received = avcodec_receive_frame(d->codec, d->frame);
        if (received == 0)
            break;
        if (received != AVERROR(EAGAIN) || d->endOfFile)
            return false;
        av_packet_unref(d->packet);
        const int read = av_read_frame(d->format, d->packet);
        if (read < 0) {
            d->endOfFile = true;
            avcodec_send_packet(d->codec, nullptr);
        } else if (d->packet->stream_index == d->stream) {
            avcodec_send_packet(d->codec, d->packet);
        }
    }
    ++d->decodedFrames;
    const int64_t pts = d->frame->best_effort_timestamp != AV_NOPTS_VALUE ? d->frame->best_effort_timestamp : d->frame->pts;
    d->position = pts == AV_NOPTS_VALUE ? 0 : d->milliseconds(pts);
    return true;
}

// The frame just received, scaled down to the maximum height by a whole factor.
FrameGrabber::Frame FrameGrabber::takeFrame()
{
    AVFrame *source = d->frame;
    const int step = maximumHeight > 0 ? std::max(1, (source->height + maximumHeight - 1) / maximumHeight) : 1;
    Frame result;
    result.time = d->position;
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
        if (!d->scaler) {
            av_frame_unref(source);
            return {};
        }
        uint8_t *planes[1] = {grey.bits()};
        const int strides[1] = {int(grey.bytesPerLine())};
        sws_scale(d->scaler, source->data, source->linesize, 0, source->height, planes, strides);
    }
    av_frame_unref(source);
    result.grey = d->rotation == 0 ? grey : grey.transformed(QTransform().rotate(-d->rotation));
    return result;
}
