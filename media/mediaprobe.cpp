#include "mediaprobe.h"

#include "croporientation.h"
#include "presentationstart.h"
#include "ffmpegfilename.h"
#include "medialog.h"
#include "streamrotation.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

bool isPictureFormat(const AVInputFormat *format)
{
    const QByteArray name(format->name);
    return name == "image2" || name.endsWith("_pipe") || name == "gif" || name == "webp_pipe";
}

MediaFacts readFacts(const QString &path)
{
    MediaLog::quietLibraries();
    MediaFacts facts;
    AVFormatContext *context = nullptr;
    const QByteArray name = FfmpegFileName::of(path);
    if (avformat_open_input(&context, name.constData(), nullptr, nullptr) != 0)
        return facts;
    if (avformat_find_stream_info(context, nullptr) < 0) {
        avformat_close_input(&context);
        return facts;
    }
    if (context->duration > 0)
        facts.durationMs = context->duration / (AV_TIME_BASE / 1000);
    facts.startMs = PresentationStart::ofContainer(context);
    const int index = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (isPictureFormat(context->iformat)) {
        facts.verdict = MediaFacts::StillPicture;
    } else if (index < 0) {
        facts.verdict = MediaFacts::NoVideoStream;
    } else {
        const AVStream *stream = context->streams[index];
        const AVCodecParameters *parameters = stream->codecpar;
        if (!avcodec_find_decoder(parameters->codec_id) || parameters->width <= 0 || parameters->height <= 0) {
            facts.verdict = MediaFacts::UnsupportedCodec;
        } else {
            facts.verdict = MediaFacts::Playable;
            facts.storedSize = QSize(parameters->width, parameters->height);
            facts.rotation = streamRotationDegrees(stream);
            facts.frameSize = CropOrientation::displaySize(facts.storedSize, facts.rotation);
            if (stream->avg_frame_rate.num > 0 && stream->avg_frame_rate.den > 0)
                facts.frameRate = av_q2d(stream->avg_frame_rate);
        }
    }
    avformat_close_input(&context);
    return facts;
}

// A dropped file is probed by the import check and again by its task a moment later, and a
// reopened project probes what it probed before: while a file keeps its size and time, the
// answer is remembered.
struct Remembered
{
    qint64 size = 0;
    QDateTime modified;
    MediaFacts facts;
};
constexpr qsizetype rememberedFiles = 1024;
QMutex rememberedLock;
QHash<QString, Remembered> remembered;

} // namespace

MediaFacts MediaProbe::probe(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return readFacts(path);
    const qint64 size = file.size();
    const QDateTime modified = file.lastModified();
    {
        const QMutexLocker lock(&rememberedLock);
        const auto known = remembered.constFind(path);
        if (known != remembered.cend() && known->size == size && known->modified == modified)
            return known->facts;
    }
    const MediaFacts facts = readFacts(path);
    const QMutexLocker lock(&rememberedLock);
    if (remembered.size() >= rememberedFiles)
        remembered.clear();
    remembered.insert(path, Remembered{size, modified, facts});
    return facts;
}

qint64 MediaProbe::containerDurationMs(const QString &path)
{
    return probe(path).durationMs;
}

QString MediaProbe::verdictText(MediaFacts::Verdict verdict)
{
    switch (verdict) {
    case MediaFacts::Playable:
        return QString();
    case MediaFacts::Unreadable:
        return QStringLiteral("not a readable video file");
    case MediaFacts::NoVideoStream:
        return QStringLiteral("the file has no video stream");
    case MediaFacts::UnsupportedCodec:
        return QStringLiteral("the video's codec cannot be decoded");
    case MediaFacts::StillPicture:
        return QStringLiteral("the file is a still picture");
    }
    return QString();
}
