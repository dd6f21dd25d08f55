#include "subtitlestreams.h"

#include "ffmpegfilename.h"
#include "medialog.h"
#include "presentationstart.h"

#include <QRegularExpression>
#include <QScopeGuard>

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr AVRational millisecond{1, 1000};

struct Input
{
    AVFormatContext *format = nullptr;
    ~Input() { avformat_close_input(&format); }
};

std::unique_ptr<Input> openInput(const QString &path)
{
    MediaLog::quietLibraries();
    auto input = std::make_unique<Input>();
    const QByteArray name = FfmpegFileName::of(path);
    if (avformat_open_input(&input->format, name.constData(), nullptr, nullptr) != 0
        || avformat_find_stream_info(input->format, nullptr) < 0)
        return nullptr;
    return input;
}

bool isText(const AVStream *stream)
{
    if (stream->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE)
        return false;
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(stream->codecpar->codec_id);
    return descriptor && (descriptor->props & AV_CODEC_PROP_TEXT_SUB);
}

const char *muxerFor(const QString &extension)
{
    if (extension == QLatin1String("srt"))
        return "srt";
    if (extension == QLatin1String("ass"))
        return "ass";
    if (extension == QLatin1String("vtt"))
        return "webvtt";
    return nullptr;
}

// The text of an ASS event ("ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text"),
// its override tags dropped and its line breaks made real.
QString eventText(const char *event)
{
    QString text = QString::fromUtf8(event).section(QLatin1Char(','), 8);
    static const QRegularExpression tags(QStringLiteral("\\{[^}]*\\}"));
    text.remove(tags);
    text.replace(QLatin1String("\\N"), QLatin1String("\n")).replace(QLatin1String("\\n"), QLatin1String("\n"));
    return text.trimmed();
}

} // namespace

QList<SubtitleStream> SubtitleStreams::textStreams(const QString &path)
{
    QList<SubtitleStream> streams;
    const std::unique_ptr<Input> input = openInput(path);
    if (!input)
        return streams;
    for (unsigned i = 0; i < input->format->nb_streams; ++i) {
        const AVStream *stream = input->format->streams[i];
        if (!isText(stream))
            continue;
        const AVDictionaryEntry *language = av_dict_get(stream->metadata, "language", nullptr, 0);
        streams.append({int(i), QString::fromUtf8(avcodec_get_name(stream->codecpar->codec_id)),
                        language ? QString::fromUtf8(language->value) : QString()});
    }
    return streams;
}

std::optional<SubtitleStream> SubtitleStreams::inLanguage(const QList<SubtitleStream> &streams, const QString &language)
{
    // The container's ISO 639-2 codes, both forms, for the recognition languages' first part.
    const QString first = language.section(QLatin1Char('+'), 0, 0).section(QLatin1Char('-'), 0, 0).toLower();
    const QStringList codes = first == QLatin1String("zh") ? QStringList{"chi", "zho", "zh"}
                              : first == QLatin1String("en") ? QStringList{"eng", "en"}
                                                             : QStringList{first};
    for (const SubtitleStream &stream : streams) {
        const QString tag = stream.language.toLower();
        if (first.isEmpty() || tag.isEmpty() || tag == QLatin1String("und") || codes.contains(tag))
            return stream;
    }
    return std::nullopt;
}

QString SubtitleStreams::ownExtension(const SubtitleStream &stream)
{
    if (stream.codec == QLatin1String("subrip") || stream.codec == QLatin1String("srt"))
        return QStringLiteral("srt");
    if (stream.codec == QLatin1String("ass") || stream.codec == QLatin1String("ssa"))
        return QStringLiteral("ass");
    if (stream.codec == QLatin1String("webvtt"))
        return QStringLiteral("vtt");
    return QString();
}

namespace {

struct Output
{
    AVFormatContext *format = nullptr;
    ~Output()
    {
        if (format && format->pb) {
            uint8_t *bytes = nullptr;
            avio_close_dyn_buf(format->pb, &bytes);
            av_free(bytes);
        }
        avformat_free_context(format);
    }
};

// A muxer writing into memory, with one stream copied from `source`.
std::unique_ptr<Output> openOutput(const char *muxer, const AVStream *source)
{
    auto output = std::make_unique<Output>();
    if (avformat_alloc_output_context2(&output->format, nullptr, muxer, nullptr) < 0)
        return nullptr;
    AVStream *stream = avformat_new_stream(output->format, nullptr);
    if (!stream || avcodec_parameters_copy(stream->codecpar, source->codecpar) < 0)
        return nullptr;
    stream->time_base = source->time_base;
    if (avio_open_dyn_buf(&output->format->pb) < 0)
        return nullptr;
    return output;
}

} // namespace

std::optional<QByteArray> SubtitleStreams::copy(const QString &path, const SubtitleStream &wanted)
{
    const char *muxer = muxerFor(ownExtension(wanted));
    const std::unique_ptr<Input> input = openInput(path);
    if (!muxer || !input || wanted.index < 0 || unsigned(wanted.index) >= input->format->nb_streams)
        return std::nullopt;
    const AVStream *source = input->format->streams[wanted.index];
    const std::unique_ptr<Output> output = openOutput(muxer, source);
    if (!output || avformat_write_header(output->format, nullptr) < 0)
        return std::nullopt;
    const AVRational outBase = output->format->streams[0]->time_base;
    const int64_t start = av_rescale_q(PresentationStart::ofContainer(input->format), millisecond, source->time_base);
    AVPacket *packet = av_packet_alloc();
    bool sound = true;
    while (sound && av_read_frame(input->format, packet) >= 0) {
        if (packet->stream_index == wanted.index) {
            if (packet->pts != AV_NOPTS_VALUE)
                packet->pts -= start;
            if (packet->dts != AV_NOPTS_VALUE)
                packet->dts -= start;
            av_packet_rescale_ts(packet, source->time_base, outBase);
            packet->stream_index = 0;
            packet->pos = -1;
            sound = av_write_frame(output->format, packet) >= 0;
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (!sound || av_write_trailer(output->format) < 0)
        return std::nullopt;
    uint8_t *bytes = nullptr;
    const int size = avio_close_dyn_buf(output->format->pb, &bytes);
    output->format->pb = nullptr;
    QByteArray file(reinterpret_cast<const char *>(bytes), size);
    av_free(bytes);
    return file;
}

std::optional<QList<SRTEntry>> SubtitleStreams::entries(const QString &path, const SubtitleStream &wanted)
{
    const std::unique_ptr<Input> input = openInput(path);
    if (!input || wanted.index < 0 || unsigned(wanted.index) >= input->format->nb_streams)
        return std::nullopt;
    const AVStream *source = input->format->streams[wanted.index];
    const AVCodec *decoder = avcodec_find_decoder(source->codecpar->codec_id);
    AVCodecContext *codec = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    const auto freeCodec = qScopeGuard([&codec] { avcodec_free_context(&codec); });
    if (!codec || avcodec_parameters_to_context(codec, source->codecpar) < 0)
        return std::nullopt;
    codec->pkt_timebase = source->time_base;
    if (avcodec_open2(codec, decoder, nullptr) < 0)
        return std::nullopt;
    const qint64 startMs = PresentationStart::ofContainer(input->format);
    QList<SRTEntry> cues;
    AVPacket *packet = av_packet_alloc();
    while (av_read_frame(input->format, packet) >= 0) {
        AVSubtitle subtitle{};
        int got = 0;
        if (packet->stream_index == wanted.index && packet->pts != AV_NOPTS_VALUE
            && avcodec_decode_subtitle2(codec, &subtitle, &got, packet) >= 0 && got) {
            QStringList lines;
            for (unsigned i = 0; i < subtitle.num_rects; ++i)
                if (subtitle.rects[i]->ass)
                    lines << eventText(subtitle.rects[i]->ass);
            SRTEntry cue;
            cue.intime = av_rescale_q(packet->pts, source->time_base, millisecond) - startMs;
            cue.outtime = cue.intime + av_rescale_q(packet->duration, source->time_base, millisecond);
            cue.text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
            if (!lines.join(QString()).isEmpty())
                cues.append(cue);
            avsubtitle_free(&subtitle);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return cues;
}
