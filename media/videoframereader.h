#pragma once

#include <QImage>
#include <QLoggingCategory>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcMedia)

// Decodes a video file frame by frame and hands out only a rectangle of each frame, in display
// orientation. Times are in milliseconds on the media player's time line (see frameTimeMs).
class VideoFrameReader
{
public:
    enum class OpenError { None, Unreadable, NoVideoStream, UnsupportedCodec };
    enum class CropFit { Inside, Clipped, Outside };
    enum class ReadResult { Frame, End };

    VideoFrameReader();
    ~VideoFrameReader();
    VideoFrameReader(const VideoFrameReader &) = delete;
    VideoFrameReader &operator=(const VideoFrameReader &) = delete;

    bool open(const QString &path);
    OpenError openError() const;
    // The library's own words for the failure, for messages.
    QString openErrorDetail() const;

    // Frame size as stored and as shown (the display matrix's quarter turns applied).
    QSize codedSize() const;
    QSize displaySize() const;
    // Counter-clockwise quarter turns of the display matrix: 0, 90, 180 or 270.
    int rotation() const;
    // Off: the rectangle and the pictures keep the stored orientation.
    void setRotationApplied(bool applied);
    qint64 startTimeMs() const;
    qint64 durationMs() const;
    // Time of one frame from the stream's average rate; 40 when unknown.
    qint64 frameDurationMs() const;

    // The rectangle to convert, in display coordinates; clipped to the frame.
    CropFit setCrop(const QRect &rect);
    QRect crop() const;
    // Next frame read is the first at or after timeMs.
    bool seek(qint64 timeMs);

    // Decodes the next frame. Damaged packets and frames are skipped and counted; a read error
    // in the middle of the file ends reading and marks it truncated.
    ReadResult readFrame();
    qint64 frameTimeMs() const;
    // The crop of the current frame: luma only (cheap), or in colour for recognition.
    const QImage &grayCrop() const;
    QImage colourCrop();

    int damagedFrames() const;
    bool truncated() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
