#pragma once

#include <QString>

class QMediaPlayer;

// Hands a local video file to a player. Qt 6.4's ffmpeg back end turns the file's URL into a
// byte path that loses every non-ASCII character, so such files "load" without a video stream;
// a file we open ourselves reaches libavformat intact whatever its name.
namespace MediaSource {

// Returns false when the file cannot be opened for reading (the player then has no source).
bool setPlayerSource(QMediaPlayer *player, const QString &path);

// True when the name can go to the back end as a URL unchanged.
bool nameIsSafeForUrl(const QString &path);

} // namespace MediaSource
