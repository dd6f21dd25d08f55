#include "readingpool.h"

#include "ocr/textrecognizer.h"

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

bool ReadingPool::start(const QString &language, QString *error)
{
    // Each thread loads its own recogniser, all at once; loading takes longer than a reading.
    loading = threadCount;
    for (int i = 0; i < threadCount; ++i) {
        QThread *thread = QThread::create([this, language] {
            // Their own engines: a shared one would read one picture at a time.
            auto recognizer = std::make_unique<TextRecognizer>(TextRecognizer::Sharing::Own);
            const std::optional<TextRecognizer::LanguageRefusal> refused = recognizer->chooseLanguage(language);
            {
                QMutexLocker lock(&mutex);
                if (refused)
                    refusal = refused->text();
                --loading;
                jobReady.wakeAll();
                while (refusal.isEmpty() && loading > 0)
                    jobReady.wait(&mutex);
                if (!refusal.isEmpty())
                    return;
            }
            work(recognizer.get());
        });
        thread->start();
        threads.push_back(thread);
    }
    QMutexLocker lock(&mutex);
    while (loading > 0)
        jobReady.wait(&mutex);
    if (refusal.isEmpty())
        return true;
    *error = refusal;
    lock.unlock();
    finish();
    return false;
}

void ReadingPool::submit(Job job)
{
    QMutexLocker lock(&mutex);
    while (queue.size() >= capacity)
        roomFree.wait(&mutex);
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

LineLooks ReadingPool::looks() const
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
            found.append(FrameSample{job.timeMs, {}});
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
            lineLooks.insert(job.timeMs, looks);
    }
}
