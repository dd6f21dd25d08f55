#include "framethumbnail.h"

#include "medialog.h"
#include "videoframereader.h"

#include <QTransform>

namespace {

// The first frame at or after `fromMiddle` of the way in, upright; null when there is none.
QImage uprightFrame(VideoFrameReader &reader, double fromMiddle)
{
    if (fromMiddle > 0 && !reader.seek(reader.startTimeMs() + qint64(double(reader.durationMs()) * fromMiddle)))
        return QImage();
    if (reader.readFrame() != VideoFrameReader::ReadResult::Frame)
        return QImage();
    return reader.colourCrop();
}

} // namespace

std::optional<QImage> FrameThumbnail::take(const QString &path, const QSize &box)
{
    VideoFrameReader reader;
    // One thread: this runs beside the GUI on a small machine, and one frame gains nothing from more.
    reader.setDecoderThreads(1);
    if (!reader.open(path)) {
        qCDebug(lcMedia) << "thumbnail: cannot decode" << path << reader.openErrorDetail();
        return std::nullopt;
    }
    QImage picture = uprightFrame(reader, 0.5);
    if (picture.isNull()) {
        // A duration longer than the stream seeks past its last frame: the first one will do.
        VideoFrameReader again;
        again.setDecoderThreads(1);
        if (again.open(path))
            picture = uprightFrame(again, 0);
    }
    if (picture.isNull())
        return std::nullopt;
    // Scaled upright, then turned back: the box holds the picture as stored.
    const int turn = reader.rotation();
    const QSize uprightBox = turn % 180 == 0 ? box : box.transposed();
    picture = picture.scaled(uprightBox, Qt::KeepAspectRatio, Qt::FastTransformation);
    if (turn != 0)
        picture = picture.transformed(QTransform().rotate(turn));
    return picture;
}
