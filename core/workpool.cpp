#include "workpool.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

namespace {

QThreadPool *pool = nullptr;

void waitForJobs()
{
    pool->waitForDone();
}

} // namespace

QThreadPool *WorkPool::instance()
{
    // Jobs still running when the application object goes are waited for, as Qt does with its
    // global pool; the pool itself stays to the end of the process.
    if (!pool) {
        pool = new QThreadPool;
        // One core is left to the GUI thread: with every core probing or loading, its paints
        // and the rows of a drop waited 50-130 ms for a turn on this 2-core machine.
        pool->setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        qAddPostRoutine(waitForJobs);
    }
    return pool;
}
