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
// length so a long video never piles up pictures in memory. It starts with one thread and adds
// one, up to the number given, whenever pictures wait for a reader.
class ReadingPool
{
public:
    struct Job
    {
        qint64 timeMs = 0;
        QImage picture;
        QImage spare; // read too when the picture gives nothing
        int area = 0; // the subtitle area the picture was cut from
    };

    ReadingPool(int threads, int capacity);
    ~ReadingPool();
    ReadingPool(const ReadingPool &) = delete;
    ReadingPool &operator=(const ReadingPool &) = delete;

    // Starts the first thread, which loads its recogniser while the caller goes on decoding.
    // Call once.
    void start(const QString &language);
    // The recogniser's answer once it is known that it cannot load; pictures are dropped then.
    std::optional<QString> refusal() const;
    bool refused() const { return hasRefused; }
    // Waits while the queue is full (a thread more reads from then on, if one may).
    void submit(Job job);
    // Reads what is queued, stops the threads and returns the readings (one per picture read).
    QList<FrameSample> finish();
    // Drops the pictures no thread has begun to read, so that a stopped scan ends after the
    // readings in hand; the earliest time dropped, from where the scan must read again.
    std::optional<qint64> abandon();
    // The first recognition failure, if any.
    QString failure() const;

    // Time the threads spent reading, summed over them, and how many read; valid after finish().
    qint64 readingNs() const { return busyNs; }
    int readers() const { return readersStarted; }
    // What the pictures showed of the lines read, by reading time; valid after finish().
    AreaLineLooks looks() const;

private:
    void work(class TextRecognizer *recognizer);
    // Starts a thread that loads its recogniser and reads; called on the submitting thread.
    void addReader();

    const int threadCount;
    std::atomic<qint64> busyNs{0};
    const size_t capacity;
    std::vector<QThread *> threads;
    int readersStarted = 0;
    mutable QMutex mutex;
    QWaitCondition jobReady;
    QWaitCondition roomFree;
    std::deque<Job> queue;
    bool closing = false;
    QString chosenLanguage;
    QString refusalText;      // the recogniser's answer when one could not load
    std::atomic_bool hasRefused{false};
    QList<FrameSample> readings;
    AreaLineLooks lineLooks;
    QString firstFailure;
};
