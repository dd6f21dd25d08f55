#include "damagecount.h"

#include "media/videoframereader.h"

#include <QThread>

#include <memory>

namespace {

int countDamage(const QString &path, qint64 fromMs, qint64 toMs, const std::atomic<bool> &stop)
{
    VideoFrameReader reader;
    // One thread at low priority: the player and the recogniser come first.
    reader.setDecoderThreads(1);
    if (!reader.open(path))
        return 0;
    // The smallest crop, so that no picture is converted for nothing.
    reader.setCrop(QRect(0, 0, 2, 2));
    reader.seek(fromMs);
    while (!stop && reader.readFrame() == VideoFrameReader::ReadResult::Frame) {
        if (toMs >= 0 && reader.frameTimeMs() >= toMs)
            break;
    }
    return reader.damagedFrames();
}

} // namespace

DamageCount::DamageCount(QObject *parent)
    : QObject(parent)
{
}

DamageCount::~DamageCount()
{
    stopRequested = true;
    if (thread)
        thread->wait();
}

void DamageCount::start(const QString &path, qint64 fromMs, qint64 toMs)
{
    if (thread) {
        stopRequested = true;
        thread->wait();
        delete thread;
    }
    damaged = 0;
    done = false;
    stopRequested = false;
    auto count = std::make_shared<int>(0);
    thread = QThread::create([this, path, fromMs, toMs, count] { *count = countDamage(path, fromMs, toMs, stopRequested); });
    thread->setParent(this);
    // A report of a count that was stopped for a new one may still be queued.
    const int run = ++runs;
    connect(thread, &QThread::finished, this, [this, count, run] {
        if (run != runs)
            return;
        damaged = *count;
        done = true;
        emit finished();
    });
    thread->start(QThread::LowPriority);
}

void DamageCount::stop()
{
    stopRequested = true;
    ++runs;
}
