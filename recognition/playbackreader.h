#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <QStringList>

#include <memory>

class QThread;
class QVideoFrame;
class SharedReader;

// Reads the frames of a playback run on a thread of its own, so the player's position reports
// never wait for recognition. Readings come back in the order the frames were handed in, each
// with the time of its frame.
class PlaybackReader : public QObject
{
    Q_OBJECT
public:
    explicit PlaybackReader(QObject *parent = nullptr);
    // Waits for the reading in hand (not for those queued behind it, which are dropped).
    ~PlaybackReader() override;

    // The frame is turned into a picture and cut on the reader's thread too: for a large video
    // that conversion alone would hold the GUI thread for tens of milliseconds per sample.
    void submit(qint64 timeMs, const QVideoFrame &frame, const QRect &crop, std::shared_ptr<SharedReader> reader);
    // Frames come from the player as stored; their cuts are turned upright by this many
    // counter-clockwise degrees before reading, as the fast scan reads them.
    void setRotation(int degrees) { rotation = degrees; }
    // Frames handed in whose reading has not come back yet.
    int pending() const { return inFlight; }

signals:
    void frameRead(qint64 timeMs, const QStringList &lines);
    // The frame gave no picture to read; no reading comes for it.
    void frameUnreadable(qint64 timeMs);

private:
    QThread *thread = nullptr;
    QObject *worker = nullptr; // lives on `thread`
    int inFlight = 0;
    int rotation = 0;
};
