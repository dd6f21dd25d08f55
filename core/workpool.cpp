#include "workpool.h"

#include <QCoreApplication>
#include <QThreadPool>

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
        qAddPostRoutine(waitForJobs);
    }
    return pool;
}
