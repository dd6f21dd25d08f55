#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// The middle frame of a video taken by our own decoder on the calling thread, with no thread or
// player of its own: a drop of many videos then costs the machine one decode at a time.
class FrameThumbnail
{
public:
    // The frame at half the duration, scaled to fit `box` (aspect kept, fast scaling) and turned
    // as the player shows it (Qt 6.4's player ignores the stream's rotation). Nothing when the
    // decoder cannot open the file or read a frame from it; the player may still manage.
    static std::optional<QImage> take(const QString &path, const QSize &box);
};
