#pragma once

#include <atomic>

#include "core/framesample.h"
#include "linelook.h"

#include <QImage>
#include <QList>
#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

class QThread;

// Recognises pictures on worker threads, one recogniser each, fed through a queue of bounded
// length so a long video never piles up pictures in memory.
class ReadingPool
{
public:
    struct Job
    {
        qint64 timeMs = 0;
        QImage picture;
        QImage spare; // read too when the picture gives nothing
    };

    ReadingPool(int threads, int capacity);
    ~ReadingPool();
    ReadingPool(const ReadingPool &) = delete;
    ReadingPool &operator=(const ReadingPool &) = delete;

    // Loads one recogniser per thread; false with the recogniser's answer when it cannot.
    // Call once.
    bool start(const QString &language, QString *error);
    // Waits while the queue is full.
    void submit(Job job);
    // Reads what is queued, stops the threads and returns the readings (one per picture read).
    QList<FrameSample> finish();
    // Drops the pictures no thread has begun to read, so that a stopped scan ends after the
    // readings in hand; the earliest time dropped, from where the scan must read again.
    std::optional<qint64> abandon();
    // The first recognition failure, if any.
    QString failure() const;

    // Time the threads spent reading, summed over them; valid after finish().
    qint64 readingNs() const { return busyNs; }
    // What the pictures showed of the lines read, by reading time; valid after finish().
    LineLooks looks() const;

private:
    void work(class TextRecognizer *recognizer);

    const int threadCount;
    std::atomic<qint64> busyNs{0};
    const size_t capacity;
    std::vector<QThread *> threads;
    mutable QMutex mutex;
    QWaitCondition jobReady;
    QWaitCondition roomFree;
    std::deque<Job> queue;
    bool closing = false;
    int loading = 0;          // threads still loading their recogniser
    QString refusal;          // the recogniser's answer when one could not load
    QList<FrameSample> readings;
    LineLooks lineLooks;
    QString firstFailure;
};
