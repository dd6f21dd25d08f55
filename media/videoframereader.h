#pragma once

#include <QImage>
#include <QLoggingCategory>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>



// Decodes a video file frame by frame and hands out only a rectangle of each frame. Times are in
// milliseconds from the start of the presentation, as players show them (PresentationStart): a
// TV recording whose clock starts at 1234.56 s has its first frame at 0.
class VideoFrameReader
{
public:
    enum class OpenError { None, Unreadable, NoVideoStream, UnsupportedCodec };
    enum class CropFit { Inside, Clipped, Outside };
    enum class ReadResult { Frame, End };
    // Whether a crop rectangle is drawn on the picture as shown (display matrix applied) or as
    // stored; colour pictures come out upright either way.
    enum class CropSpace { Shown, Stored };

    VideoFrameReader();
    ~VideoFrameReader();
    VideoFrameReader(const VideoFrameReader &) = delete;
    VideoFrameReader &operator=(const VideoFrameReader &) = delete;

    // Threads the decoder may use, set before open; 0 lets the library choose (one per core).
    void setDecoderThreads(int count);
    // Leaves out the decoder's deblocking (H.264, HEVC), set before open: a quarter of the
    // decoding's time, for pictures whose block edges stay a little sharper.
    void setSkipDeblocking(bool skip);
    bool open(const QString &path);
    OpenError openError() const;
    // The library's own words for the failure, for messages.
    QString openErrorDetail() const;

    // Frame size as stored and as shown (the display matrix's quarter turns applied).
    QSize codedSize() const;
    QSize displaySize() const;
    // Counter-clockwise quarter turns of the display matrix: 0, 90, 180 or 270.
    int rotation() const;
    void setCropSpace(CropSpace space);
    // When the video's first frame is shown: after 0 where another stream starts first.
    qint64 startTimeMs() const;
    qint64 durationMs() const;
    // Time of one frame from the stream's average rate; 40 when unknown.
    qint64 frameDurationMs() const;

    // The rectangle to convert, in the crop space; clipped to the frame. Drops any other crops.
    CropFit setCrop(const QRect &rect);
    // Another rectangle cut from the same decoded frames (a second subtitle area); one Outside is
    // not kept. Crops are numbered from 0 (setCrop's) in the order they were set.
    CropFit addCrop(const QRect &rect);
    int cropCount() const;
    // The crop grayCrop, colourCrop and crop() hand out from now on, for the frame in hand too.
    void selectCrop(int index);
    QRect crop() const;
    // Next frame read is the first at or after timeMs.
    bool seek(qint64 timeMs);

    // Decodes the next frame. Damaged packets and frames are skipped and counted; a read error
    // in the middle of the file ends reading and marks it truncated.
    ReadResult readFrame();
    qint64 frameTimeMs() const;
    // The crop of the current frame: luma only, as stored (cheap, for comparing frames), or in
    // colour and upright (for recognition).
    const QImage &grayCrop() const;
    // The frame read before the current one stays at hand, for callers that look one ahead.
    enum class Which { Current, Previous };
    QImage colourCrop(Which which = Which::Current);

    int damagedFrames() const;
    bool truncated() const;

private:
    CropFit placeCrop(const QRect &rect, int index);

    struct Private;
    std::unique_ptr<Private> d;
};
