#pragma once

#include <QSize>
#include <QString>

// What the container says about a video, read at once without playing it.
struct MediaFacts
{
    enum Verdict {
        Playable,
        Unreadable,       // missing, unreadable or not a media container
        NoVideoStream,    // audio only, subtitles only, ...
        UnsupportedCodec, // a video stream this ffmpeg cannot decode
        StillPicture,     // a picture file, which the player would take seconds to refuse
    };
    Verdict verdict = Unreadable;
    qint64 durationMs = 0; // 0 when the container does not know
    // Where the presentation starts on the streams' own clock. Players count time from here (a TV
    // recording's first frame is at 00:00:00 however late its clock); Qt 6.4's player reports and
    // seeks positions on the streams' clock, so they are this far ahead of ours.
    qint64 startMs = 0;
    QSize frameSize;       // upright, after the rotation the stream asks for
    QSize storedSize;      // as stored, which is how Qt 6.4's player shows it
    int rotation = 0;      // counter-clockwise degrees that turn the stored picture upright
    double frameRate = 0;  // frames a second, 0 when the stream does not say
};

// Facts read from the media container itself, for what the player leaves out (the ffmpeg back
// end reports a duration of 0 for Matroska files, whose length only the container header holds)
// and for refusing a file before a player is ever made for it.
class MediaProbe
{
public:
    static MediaFacts probe(const QString &path);
    // Duration in milliseconds, or 0 when the file cannot be read or has none.
    static qint64 containerDurationMs(const QString &path);
    // The English reason for a verdict other than Playable, for messages at the edge.
    static QString verdictText(MediaFacts::Verdict verdict);
};
