#pragma once

#include "core/framesample.h"

#include <QMediaPlayer>
#include <QObject>
#include <QRect>

#include <memory>

class QVideoSink;
class DamageCount;
class PlaybackReader;
class SharedReader;

// Reads a video's subtitles the original way: a player plays the range at the chosen rate, and
// every position it reports has its frame cut and read on a thread of its own (at most two frames
// waiting), the samples keeping the frames' times in order. Shaped like FastScan: settings in,
// progress and one outcome out; the samples come one by one as they are read, so a run that
// ends badly keeps what it read.
//
// The player loads the video as soon as the scan starts; the reading begins once `play` hands it
// an engine, so the caller can load its language meanwhile.
class PlaybackScan : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        QString path;
        QRect crop;               // in the picture as the player shows it
        qint64 fromMs = 0;        // where the run starts (a resumed run: where the last stopped)
        qint64 rangeStartMs = 0;  // the range, for the progress share and the end
        qint64 toMs = 0;
        qint64 durationMs = 0;    // the player may report this as its last position
        double rate = 1.0;
        int storedRotation = 0;   // of the picture the player shows, from the probe
        // Qt 6.4's player reports and seeks on the streams' own clock: its positions run this much
        // ahead of the scan's times.
        qint64 playerOffsetMs = 0;
    };

    enum class Status { Finished, Stopped, Failed };

    struct Outcome
    {
        Status status = Status::Finished;
        QString detail;           // the player's words for a failure
        qint64 resumeMs = 0;      // the last position reached, or the last frame read for a failure
        int damagedFrames = 0;    // frames the decoder had to skip, which the player hides
        qint64 endedEarlyAtMs = -1; // where the picture ended, for media that ended before `toMs`
    };

    explicit PlaybackScan(QObject *parent = nullptr);
    ~PlaybackScan() override;

    // Creates the player and loads the video; nothing is read before `play`.
    void start(const Settings &settings);
    // Plays from the start of the run, reading with `engine`; a null engine fails the scan.
    void play(std::shared_ptr<SharedReader> engine);
    // Ends the run at the next position report (or at once before `play`); `finished` follows.
    void stop();
    // Ends the run at once as Failed with `reason`; the resume point goes back to the last frame read.
    void fail(const QString &reason);
    // Drops the run without a `finished`.
    void cancel();
    void seekTo(qint64 timeMs);
    bool isRunning() const { return phase != Phase::Idle; }
    // Started, and waiting for `play` to hand it an engine.
    bool isWaitingForEngine() const { return phase == Phase::Loading; }
    // Null while no run plays.
    QMediaPlayer *player() const { return mediaPlayer; }

signals:
    void progress(qint64 timeMs, double fraction);
    // One frame read, in the order of the frames.
    void sampleRead(const FrameSample &sample);
    // A frame's picture could not be had; the run goes on.
    void frameMissed();
    void finished(const PlaybackScan::Outcome &outcome);

private:
    // Waiting for an engine, playing, or played out and waiting for the readings in flight.
    enum class Phase { Idle, Loading, Playing, Draining };

    void startPlayer();
    void onPositionChanged(qint64 playerPosition);
    void onMediaStatusChanged(QMediaPlayer::MediaStatus status);
    void onPlayerError(QMediaPlayer::Error error, const QString &errorString);
    void readFrameAt(qint64 position);
    void onFrameRead(qint64 time, const QStringList &lines);
    void onFrameUnreadable();
    void endRun(Status status);
    void completeRun();
    void report();
    void noteEarlyEnd();
    void release();

    Settings settings;
    Outcome result;
    Phase phase = Phase::Idle;
    bool stopRequested = false;
    bool awaitingSeek = false;
    qint64 lastSampleMs = -1;
    std::shared_ptr<SharedReader> engine;
    QMediaPlayer *mediaPlayer = nullptr;
    QVideoSink *sink = nullptr;
    PlaybackReader *reader = nullptr;
    DamageCount *damageCount = nullptr;
};
