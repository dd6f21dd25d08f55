#include "videoframereader.h"

#include "croporientation.h"
#include "ffmpegfilename.h"
#include "medialog.h"
#include "presentationstart.h"
#include "streamrotation.h"

#include <QFile>
#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <vector>



namespace {

constexpr AVRational millisecond{1, 1000};
// A stream ending this much before its announced end was cut short.
constexpr qint64 truncationToleranceMs = 1000;

QString errorString(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace

struct VideoFrameReader::Private
{
    ~Private()
    {
        for (Place &each : places) {
            sws_freeContext(each.graySws);
            sws_freeContext(each.colourSws);
        }
        av_frame_free(&frame);
        av_frame_free(&previous);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    bool convert(const AVFrame *source, SwsContext **context, AVPixelFormat target, std::vector<uchar> *buffer,
                 QImage *into);
    QImage oriented(const QImage &image) const;
    bool lumaView();
    qint64 toMs(qint64 streamTime) const { return av_rescale_q(streamTime, stream->time_base, millisecond); }
    void checkTruncation();

    AVFormatContext *format = nullptr;
    AVCodecContext *codec = nullptr;
    AVStream *stream = nullptr;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    AVFrame *previous = av_frame_alloc();
    bool holdsFrame = false;
    // Each crop keeps its own scalers: a scaler made for another size would be made anew on
    // every frame.
    struct Place
    {
        QRect displayCrop;
        QRect sourceCrop;
        SwsContext *graySws = nullptr;
        SwsContext *colourSws = nullptr;
    };
    std::vector<Place> places = std::vector<Place>(1);
    size_t current = 0;
    Place &place() { return places[current]; }
    const Place &place() const { return places[current]; }
    bool makeGray();
    OpenError error = OpenError::None;
    QString errorDetail;
    int rotation = 0;
    VideoFrameReader::CropSpace cropSpace = VideoFrameReader::CropSpace::Shown;
    QImage gray; // a view of grayBuffer
    std::vector<uchar> grayBuffer;
    std::vector<uchar> colourBuffer;
    qint64 timeMs = 0;
    qint64 originMs = 0; // the presentation's start on the stream clock
    qint64 skipBeforeMs = 0;
    qint64 lastStreamTime = AV_NOPTS_VALUE;
    bool draining = false;
    bool readError = false;
    bool isTruncated = false;
    int damaged = 0;
    int decoderThreads = 0;
    bool skipDeblocking = false;
};

VideoFrameReader::VideoFrameReader()
    : d(std::make_unique<Private>())
{
}

VideoFrameReader::~VideoFrameReader() = default;

void VideoFrameReader::setDecoderThreads(int count)
{
    d->decoderThreads = std::max(0, count);
}

void VideoFrameReader::setSkipDeblocking(bool skip)
{
    d->skipDeblocking = skip;
}

bool VideoFrameReader::open(const QString &path)
{
    MediaLog::quietLibraries();
    const QByteArray name = FfmpegFileName::of(path);
    int result = avformat_open_input(&d->format, name.constData(), nullptr, nullptr);
    if (result == 0)
        result = avformat_find_stream_info(d->format, nullptr);
    if (result < 0) {
        d->error = OpenError::Unreadable;
        d->errorDetail = errorString(result);
        return false;
    }
    const AVCodec *decoder = nullptr;
    result = av_find_best_stream(d->format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (result == AVERROR_STREAM_NOT_FOUND) {
        d->error = OpenError::NoVideoStream;
        return false;
    }
    if (result < 0 || !decoder) {
        d->error = OpenError::UnsupportedCodec;
        d->errorDetail = QString::fromUtf8(avcodec_get_name(d->format->streams[0]->codecpar->codec_id));
        return false;
    }
    d->stream = d->format->streams[result];
    for (unsigned i = 0; i < d->format->nb_streams; ++i) {
        if (d->format->streams[i] != d->stream)
            d->format->streams[i]->discard = AVDISCARD_ALL;
    }
    d->codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(d->codec, d->stream->codecpar);
    d->codec->thread_count = d->decoderThreads;
    if (d->decoderThreads != 1)
        d->codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (d->skipDeblocking)
        d->codec->skip_loop_filter = AVDISCARD_ALL;
    result = avcodec_open2(d->codec, decoder, nullptr);
    if (result < 0 || d->codec->width <= 0 || d->codec->height <= 0) {
        d->error = OpenError::UnsupportedCodec;
        d->errorDetail = QString::fromUtf8(decoder->name);
        return false;
    }
    d->rotation = streamRotationDegrees(d->stream);
    d->originMs = PresentationStart::ofContainer(d->format);
    setCrop(QRect(QPoint(0, 0), displaySize()));
    qCDebug(lcMedia) << "opened" << path << codedSize() << "rotation" << d->rotation << "start" << startTimeMs();
    return true;
}

VideoFrameReader::OpenError VideoFrameReader::openError() const
{
    return d->error;
}

QString VideoFrameReader::openErrorDetail() const
{
    return d->errorDetail;
}

QSize VideoFrameReader::codedSize() const
{
    return d->codec ? QSize(d->codec->width, d->codec->height) : QSize();
}

QSize VideoFrameReader::displaySize() const
{
    return CropOrientation::displaySize(codedSize(), d->rotation);
}

int VideoFrameReader::rotation() const
{
    return d->rotation;
}

void VideoFrameReader::setCropSpace(CropSpace space)
{
    d->cropSpace = space;
    setCrop(QRect(QPoint(0, 0), space == CropSpace::Shown ? displaySize() : codedSize()));
}

qint64 VideoFrameReader::startTimeMs() const
{
    if (d->stream && d->stream->start_time != AV_NOPTS_VALUE)
        return d->toMs(d->stream->start_time) - d->originMs;
    return 0;
}

qint64 VideoFrameReader::durationMs() const
{
    if (d->stream && d->stream->duration > 0)
        return d->toMs(d->stream->duration);
    if (d->format && d->format->duration > 0)
        return av_rescale_q(d->format->duration, AV_TIME_BASE_Q, millisecond);
    return 0;
}

qint64 VideoFrameReader::frameDurationMs() const
{
    const AVRational rate = d->stream ? d->stream->avg_frame_rate : AVRational{0, 1};
    if (rate.num <= 0 || rate.den <= 0)
        return 40;
    return std::max<qint64>(1, std::llround(1000.0 * rate.den / rate.num));
}

VideoFrameReader::CropFit VideoFrameReader::setCrop(const QRect &rect)
{
    for (size_t i = 1; i < d->places.size(); ++i) {
        sws_freeContext(d->places[i].graySws);
        sws_freeContext(d->places[i].colourSws);
    }
    d->places.resize(1);
    d->current = 0;
    return placeCrop(rect, 0);
}

VideoFrameReader::CropFit VideoFrameReader::addCrop(const QRect &rect)
{
    d->places.emplace_back();
    const CropFit fit = placeCrop(rect, int(d->places.size()) - 1);
    if (fit == CropFit::Outside)
        d->places.pop_back();
    return fit;
}

int VideoFrameReader::cropCount() const
{
    return int(d->places.size());
}

void VideoFrameReader::selectCrop(int index)
{
    if (index < 0 || size_t(index) >= d->places.size() || size_t(index) == d->current)
        return;
    d->current = size_t(index);
    if (d->holdsFrame && !d->makeGray())
        d->gray = QImage();
}

VideoFrameReader::CropFit VideoFrameReader::placeCrop(const QRect &rect, int index)
{
    const bool shown = d->cropSpace == CropSpace::Shown;
    const QRect frameRect(QPoint(0, 0), shown ? displaySize() : codedSize());
    const QRect clipped = rect.intersected(frameRect);
    if (clipped.isEmpty())
        return CropFit::Outside;
    Private::Place &place = d->places[size_t(index)];
    place.displayCrop = clipped;
    const int rotation = shown ? d->rotation : 0;
    QRect source = CropOrientation::toSource(clipped, codedSize(), rotation);
    // Chroma planes start on whole samples only.
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(d->codec->pix_fmt);
    const int alignX = desc ? 1 << desc->log2_chroma_w : 2;
    const int alignY = desc ? 1 << desc->log2_chroma_h : 2;
    source.setLeft(source.left() / alignX * alignX);
    source.setTop(source.top() / alignY * alignY);
    place.sourceCrop = source;
    return clipped == rect ? CropFit::Inside : CropFit::Clipped;
}

QRect VideoFrameReader::crop() const
{
    return d->place().displayCrop;
}

bool VideoFrameReader::seek(qint64 timeMs)
{
    d->skipBeforeMs = timeMs;
    if (timeMs <= startTimeMs())
        return true;
    const qint64 target = av_rescale_q(timeMs + d->originMs, millisecond, d->stream->time_base);
    if (av_seek_frame(d->format, d->stream->index, target, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(d->codec);
    av_frame_unref(d->frame);
    av_frame_unref(d->previous);
    d->holdsFrame = false;
    d->draining = false;
    d->lastStreamTime = AV_NOPTS_VALUE;
    return true;
}

VideoFrameReader::ReadResult VideoFrameReader::readFrame()
{
    if (d->holdsFrame) {
        av_frame_unref(d->previous);
        av_frame_move_ref(d->previous, d->frame);
        d->holdsFrame = false;
    }
    while (true) {
        int result = avcodec_receive_frame(d->codec, d->frame);
        if (result == 0) {
            if (d->frame->decode_error_flags != 0 || (d->frame->flags & AV_FRAME_FLAG_CORRUPT)) {
                ++d->damaged;
                continue;
            }
            qint64 time = d->frame->best_effort_timestamp;
            if (time == AV_NOPTS_VALUE && d->lastStreamTime != AV_NOPTS_VALUE)
                time = d->lastStreamTime + std::max<int64_t>(d->frame->pkt_duration, 1);
            d->lastStreamTime = time;
            d->timeMs = time == AV_NOPTS_VALUE ? 0 : d->toMs(time) - d->originMs;
            if (d->timeMs < d->skipBeforeMs)
                continue;
            if (d->makeGray()) {
                d->holdsFrame = true;
                return ReadResult::Frame;
            }
            ++d->damaged;
            continue;
        }
        if (result == AVERROR_EOF) {
            d->checkTruncation();
            return ReadResult::End;
        }
        if (result != AVERROR(EAGAIN)) {
            ++d->damaged;
            if (d->draining) {
                d->checkTruncation();
                return ReadResult::End;
            }
        }
        if (d->draining) {
            d->checkTruncation();
            return ReadResult::End;
        }
        result = av_read_frame(d->format, d->packet);
        if (result < 0) {
            if (result != AVERROR_EOF) {
                qCWarning(lcMedia) << "read error" << errorString(result);
                d->readError = true;
            }
            avcodec_send_packet(d->codec, nullptr);
            d->draining = true;
            continue;
        }
        if (d->packet->stream_index == d->stream->index) {
            if (d->packet->flags & AV_PKT_FLAG_CORRUPT)
                ++d->damaged;
            else if (avcodec_send_packet(d->codec, d->packet) < 0)
                ++d->damaged;
        }
        av_packet_unref(d->packet);
    }
}

void VideoFrameReader::Private::checkTruncation()
{
    if (isTruncated)
        return;
    qint64 duration = 0;
    if (stream->duration > 0)
        duration = toMs(stream->duration);
    else if (format->duration > 0)
        duration = av_rescale_q(format->duration, AV_TIME_BASE_Q, millisecond);
    qint64 start = stream->start_time != AV_NOPTS_VALUE ? toMs(stream->start_time) : 0;
    const bool short_ = duration > 0 && lastStreamTime != AV_NOPTS_VALUE
                        && toMs(lastStreamTime) < start + duration - truncationToleranceMs;
    isTruncated = readError || short_;
}

bool VideoFrameReader::Private::convert(const AVFrame *frame, SwsContext **context, AVPixelFormat target,
                                        std::vector<uchar> *buffer, QImage *into)
{
    const AVPixelFormat sourceFormat = AVPixelFormat(frame->format);
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(sourceFormat);
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL)))
        return false;
    const QRect source = place().sourceCrop.intersected(QRect(0, 0, frame->width, frame->height));
    if (source.isEmpty())
        return false;
    int steps[4] = {};
    av_image_fill_max_pixsteps(steps, nullptr, desc);
    const uint8_t *planes[4] = {};
    for (int p = 0; p < 4 && frame->data[p]; ++p) {
        const bool chroma = (p == 1 || p == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        const bool palette = p == 1 && (desc->flags & AV_PIX_FMT_FLAG_PAL);
        const int x = chroma ? source.x() >> desc->log2_chroma_w : source.x();
        const int y = chroma ? source.y() >> desc->log2_chroma_h : source.y();
        planes[p] = palette ? frame->data[p] : frame->data[p] + y * frame->linesize[p] + x * steps[p];
    }
    *context = sws_getCachedContext(*context, source.width(), source.height(), sourceFormat, source.width(),
                                    source.height(), target, SWS_POINT, nullptr, nullptr, nullptr);
    if (!*context)
        return false;
    // The scaler's vector code may write past the end of a row: rows are padded, and so is the end.
    const int bytesPerPixel = target == AV_PIX_FMT_GRAY8 ? 1 : 4;
    const int stride = (source.width() * bytesPerPixel + 63) / 64 * 64;
    buffer->resize(size_t(stride) * size_t(source.height()) + 256);
    const QImage::Format imageFormat = target == AV_PIX_FMT_GRAY8 ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
    *into = QImage(buffer->data(), source.width(), source.height(), stride, imageFormat);
    uint8_t *destination[4] = {buffer->data(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {stride, 0, 0, 0};
    sws_scale(*context, planes, frame->linesize, 0, source.height(), destination, destinationStride);
    return true;
}

bool VideoFrameReader::Private::makeGray()
{
    return lumaView() || convert(frame, &place().graySws, AV_PIX_FMT_GRAY8, &grayBuffer, &gray);
}

// For 8-bit YUV the luma plane is the grey picture: shown in place, without a copy.
bool VideoFrameReader::Private::lumaView()
{
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL))
        || desc->nb_components < 3 || desc->comp[0].plane != 0 || desc->comp[0].step != 1 || desc->comp[0].depth != 8)
        return false;
    const QRect source = place().sourceCrop.intersected(QRect(0, 0, frame->width, frame->height));
    if (source.isEmpty())
        return false;
    const uchar *first = frame->data[0] + qsizetype(source.y()) * frame->linesize[0] + source.x();
    gray = QImage(first, source.width(), source.height(), frame->linesize[0], QImage::Format_Grayscale8);
    return true;
}

QImage VideoFrameReader::Private::oriented(const QImage &image) const
{
    if (rotation == 0)
        return image;
    return image.transformed(QTransform().rotate(-rotation));
}

qint64 VideoFrameReader::frameTimeMs() const
{
    return d->timeMs;
}

const QImage &VideoFrameReader::grayCrop() const
{
    return d->gray;
}

QImage VideoFrameReader::colourCrop(Which which)
{
    const AVFrame *source = which == Which::Current ? d->frame : d->previous;
    if (!source->data[0])
        return QImage();
    QImage view;
    if (!d->convert(source, &d->place().colourSws, AV_PIX_FMT_RGB32, &d->colourBuffer, &view))
        return QImage();
    // The view lives in a buffer reused by the next frame; what leaves owns its pixels.
    return d->rotation == 0 ? view.copy() : d->oriented(view);
}

int VideoFrameReader::damagedFrames() const
{
    return d->damaged;
}

bool VideoFrameReader::truncated() const
{
    return d->isTruncated;
}
