#include "readingpool.h"

#include "ocr/textrecognizer.h"

#include <QMutexLocker>
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
    for (int i = 0; i < threadCount; ++i) {
        auto recognizer = std::make_unique<TextRecognizer>();
        const QString answer = recognizer->selectLanguage(language);
        if (answer != QLatin1String("ok")) {
            *error = answer;
            return false;
        }
        recognizers.push_back(std::move(recognizer));
    }
    for (const auto &recognizer : recognizers) {
        TextRecognizer *own = recognizer.get();
        QThread *thread = QThread::create([this, own] { work(own); });
        thread->start();
        threads.push_back(thread);
    }
    return true;
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
        QList<FrameSample> found{{job.timeMs, recognizer->recognize(job.picture)}};
        if (found.first().lines.isEmpty() && !job.spare.isNull())
            found.append({job.timeMs, recognizer->recognize(job.spare)});
        QMutexLocker lock(&mutex);
        if (!recognizer->lastError().isEmpty() && firstFailure.isEmpty())
            firstFailure = recognizer->lastError();
        readings.append(found);
    }
}
