#pragma once

#include <QObject>
#include <QString>

#include <atomic>

class QThread;

// Decodes a stretch of a video without looking at its pictures, to count the frames the decoder
// had to skip. The player of a playback run hides them (it shows what it could make of them), so
// this runs beside it and the run reports them as the fast scan does.
class DamageCount : public QObject
{
    Q_OBJECT
public:
    explicit DamageCount(QObject *parent = nullptr);
    // Stops the decoding and waits for it: at most one frame's time.
    ~DamageCount() override;

    void start(const QString &path, qint64 fromMs, qint64 toMs);
    // True once `finished` has come for the last start.
    bool hasFinished() const { return done; }
    // Ends the count early; no `finished` comes for it.
    void stop();
    int damagedFrames() const { return damaged; }

signals:
    void finished();

private:
    QThread *thread = nullptr;
    std::atomic<bool> stopRequested{false};
    int damaged = 0;
    bool done = false;
    int runs = 0;
};
