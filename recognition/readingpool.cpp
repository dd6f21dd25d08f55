#include "readingpool.h"

#include "ocr/textrecognizer.h"
#include "platform/platform.h"

#include <QMutexLocker>
#include <QElapsedTimer>
#include <QThread>

ReadingPool::ReadingPool(int threads, int capacity)
    : threadCount(std::max(1, threads))
    , capacity(size_t(std::max(1, capacity)))
{
}

ReadingPool::~ReadingPool()
{
    finish();
}

void ReadingPool::start(const QString &language)
{
    // One reader to begin with: each holds an engine of its own, and where the text changes
    // seldom one keeps up. More join when it falls behind.
    chosenLanguage = language;
    addReader();
}

std::optional<QString> ReadingPool::refusal() const
{
    QMutexLocker lock(&mutex);
    return hasRefused ? std::optional<QString>(refusalText) : std::nullopt;
}

void ReadingPool::addReader()
{
    QThread *thread = QThread::create([this] {
        // Their own engines: a shared one would read one picture at a time.
        auto recognizer = std::make_unique<TextRecognizer>(TextRecognizer::Sharing::Own);
        const std::optional<TextRecognizer::LanguageRefusal> refused = recognizer->chooseLanguage(chosenLanguage);
        if (refused) {
            QMutexLocker lock(&mutex);
            if (!hasRefused)
                refusalText = refused->text();
            hasRefused = true;
            // Nothing will be read: a submitter waiting for room goes on, and what waits is dropped.
            queue.clear();
            roomFree.wakeAll();
            return;
        }
        work(recognizer.get());
    });
    thread->start();
    threads.push_back(thread);
    ++readersStarted;
}

void ReadingPool::submit(Job job)
{
    QMutexLocker lock(&mutex);
    // Two pictures waiting is a reader falling behind: on a short video or a busy stretch the
    // decoder is done long before one reader is, and the other core would idle.
    constexpr size_t behind = 2;
    if (queue.size() >= std::min(behind, capacity) && int(threads.size()) < threadCount && !hasRefused) {
        lock.unlock();
        addReader();
        lock.relock();
    }
    while (queue.size() >= capacity && !hasRefused)
        roomFree.wait(&mutex);
    if (hasRefused)
        return;
    queue.push_back(std::move(job));
    jobReady.wakeOne();
}

QList<FrameSample> ReadingPool::finish()
{
    {
        QMutexLocker lock(&mutex);
        closing = true;
        jobReady.wakeAll();
    }
    for (QThread *thread : threads) {
        thread->wait();
        delete thread;
    }
    // The readers' engines are gone with their threads; their buffers go back to the system.
    if (!threads.empty())
        returnFreedMemory();
    threads.clear();
    QMutexLocker lock(&mutex);
    return std::exchange(readings, {});
}

std::optional<qint64> ReadingPool::abandon()
{
    QMutexLocker lock(&mutex);
    std::optional<qint64> earliest;
    for (const Job &job : queue)
        earliest = std::min(earliest.value_or(job.timeMs), job.timeMs);
    queue.clear();
    roomFree.wakeAll();
    return earliest;
}

AreaLineLooks ReadingPool::looks() const
{
    QMutexLocker lock(&mutex);
    return lineLooks;
}

QString ReadingPool::failure() const
{
    QMutexLocker lock(&mutex);
    return firstFailure;
}

void ReadingPool::work(TextRecognizer *recognizer)
{
    while (true) {
        Job job;
        {
            QMutexLocker lock(&mutex);
            while (queue.empty() && !closing)
                jobReady.wait(&mutex);
            if (queue.empty())
                return;
            job = std::move(queue.front());
            queue.pop_front();
            roomFree.wakeOne();
        }
        QElapsedTimer reading;
        reading.start();
        QList<FrameSample> found;
        QList<LineLook> looks;
        for (const QImage *picture : {&job.picture, &job.spare}) {
            if (picture->isNull() || (!found.isEmpty() && !found.first().lines.isEmpty()))
                break;
            const QList<LineReading> lines = recognizer->recognizeDetailed(*picture);
            found.append(FrameSample{job.timeMs, {}, job.area});
            looks.clear();
            for (const LineReading &line : lines) {
                found.last().lines << line.text;
                looks << LineLook::measured(*picture, line);
            }
        }
        busyNs += reading.nsecsElapsed();
        QMutexLocker lock(&mutex);
        if (!recognizer->lastError().isEmpty() && firstFailure.isEmpty())
            firstFailure = recognizer->lastError();
        readings.append(found);
        if (!looks.isEmpty())
            lineLooks[job.area].insert(job.timeMs, looks);
    }
}
