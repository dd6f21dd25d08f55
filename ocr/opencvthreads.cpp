#include "opencvthreads.h"

#include <opencv2/core/utility.hpp>

#include <atomic>
#include <mutex>

namespace {

std::once_flag once;
std::atomic<int> chosen{0};

} // namespace

void OpenCvThreads::configure(int count)
{
    std::call_once(once, [count] {
        cv::setNumThreads(count);
        chosen = count;
    });
}

int OpenCvThreads::configured()
{
    return chosen;
}
