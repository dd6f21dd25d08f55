#pragma once

#include <QByteArray>
#include <QString>

// The name libavformat is given for a local file. Handed over as typed, "S01E01:Pilot.mp4" or
// "http:clip.mp4" is taken for a protocol; ffmpeg's own "file:" form with an absolute path is read
// as a file whatever the name holds.
namespace FfmpegFileName {

QByteArray of(const QString &path);

} // namespace FfmpegFileName
