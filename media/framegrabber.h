#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// Seeks in a video file and decodes single frames, as greyscale (the luma plane), for analyses
// that look at a few frames spread over a video and need neither colour nor playback. Frames come
// upright, turned as the stream's display matrix says, since text runs level only that way.
class FrameGrabber
{
public:
    struct Frame
    {
        qint64 time = -1; // ms
        QImage grey;       // Format_Grayscale8, null when nothing could be decoded
    };

    FrameGrabber();
    ~FrameGrabber();
    FrameGrabber(const FrameGrabber &) = delete;
    FrameGrabber &operator=(const FrameGrabber &) = delete;

    bool open(const QString &path);
    qint64 durationMs() const;
    // Upright, as the frames come.
    QSize frameSize() const;
    // As stored in the file, before the turn of `rotation()` counter-clockwise degrees.
    QSize storedSize() const;
    int rotation() const;

    // Some frame shown between `fromMs` and `toMs`, found the cheapest way: a key frame inside the
    // range when the index knows one, else decoding on from where the last frame left off when
    // that is nearer than the key frame before `fromMs`. A file without an index (MPEG-TS) is
    // read on without decoding to a key frame inside the range, or back to the last one before
    // it. Null when the range holds no frame.
    Frame frameBetween(qint64 fromMs, qint64 toMs);
    // The first key frame the index knows from `fromMs` to `toMs`; nothing without an index.
    std::optional<qint64> keyFrameBetween(qint64 fromMs, qint64 toMs) const;
    // The mean time between the index's key frames, 0 when the file has no index or one key frame.
    qint64 keyFrameSpacingMs() const;
    // The frame `count` frames after the last one returned, without seeking.
    Frame framesLater(int count);
    // Frames decoded since opening, and how many of those were only passed on the way to another.
    int decodedFrames() const;
    int passedFrames() const;
    // Pictures taller than this come back scaled down by a whole factor (nearest pixel).
    void setMaximumHeight(int height) { maximumHeight = height; }

private:
    struct State;
    bool receiveNext();
    Frame decodeUntil(qint64 fromMs);
    Frame skimToKeyFrame(qint64 fromMs, qint64 toMs);
    Frame takeFrame();
    void seekTo(int64_t streamTime);
    // The stream time of the last key frame at or before `timeMs` in the stream's index; nothing
    // without an index.
    std::optional<int64_t> keyFrameBefore(qint64 timeMs) const;

    std::unique_ptr<State> d;
    int maximumHeight = 0;
};
