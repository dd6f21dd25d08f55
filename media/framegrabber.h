#pragma once

#include <QImage>
#include <QString>

#include <memory>

// Seeks in a video file and decodes single frames, as greyscale (the luma plane), for analyses
// that look at a few frames spread over a video and need neither colour nor playback.
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
    QSize frameSize() const;

    // The first frame at or after `timeMs - toleranceMs`: seeks to the key frame before and decodes
    // forward; a large tolerance makes that key frame the answer, which is the cheap case.
    Frame frameAt(qint64 timeMs, qint64 toleranceMs);
    // The frame `count` frames after the last one returned, without seeking.
    Frame framesLater(int count);
    // Pictures taller than this come back scaled down by a whole factor (nearest pixel).
    void setMaximumHeight(int height) { maximumHeight = height; }

private:
    struct State;
    Frame decodeNext();

    std::unique_ptr<State> d;
    int maximumHeight = 0;
};
