#include "ocr/opencvthreads.h"
#include "ocr/ppocr/ppocrengine.h"
#include "ocr/ppocr/ppocrmodels.h"

#include <QtTest>

#include <opencv2/core/utility.hpp>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// OpenCV's thread count is process-wide, and setting it from two threads at once tears down a
// task arena the other is still using. This binary stands between our code and OpenCV's setter:
// it counts the calls and holds each one open for a while, so that any two that
// overlap are seen every time instead of crashing once in a hundred runs.
namespace {

std::atomic<int> setterCalls{0};
std::atomic<int> settersInside{0};
std::atomic<int> mostSettersInside{0};

} // namespace

namespace cv {
void setNumThreads(int count)
{
    using Setter = void (*)(int);
    static const auto real = reinterpret_cast<Setter>(dlsym(RTLD_NEXT, "_ZN2cv13setNumThreadsEi"));
    ++setterCalls;
    const int inside = ++settersInside;
    int most = mostSettersInside;
    while (inside > most && !mostSettersInside.compare_exchange_weak(most, inside)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (real)
        real(count);
    --settersInside;
}
} // namespace cv

namespace {

// Lets `count` threads past only together, so their engines really start at the same moment.
class StartLine
{
public:
    explicit StartLine(int count) : waiting(count) {}
    void arrive()
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (--waiting == 0)
            opened.notify_all();
        else
            opened.wait(lock, [this] { return waiting == 0; });
    }

private:
    std::mutex mutex;
    std::condition_variable opened;
    int waiting;
};

} // namespace

class TestConcurrentEngines : public QObject
{
    Q_OBJECT

private slots:
    void enginesBuiltTogetherSetThreadsOnce();
};

void TestConcurrentEngines::enginesBuiltTogetherSetThreadsOnce()
{
    if (!PpocrModels::problem(PpocrModels::directory()).isEmpty())
        QSKIP("PP-OCR models not installed");
    constexpr int rounds = 3;
    constexpr int threadsPerRound = 3;
    int callsAfterFirstRound = -1;
    for (int round = 0; round < rounds; ++round) {
        StartLine start(threadsPerRound);
        std::atomic<int> built{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < threadsPerRound; ++i)
            threads.emplace_back([&] {
                start.arrive();
                QString problem;
                if (PpocrEngine::create(PpocrModels::directory(), &problem))
                    ++built;
            });
        for (std::thread &thread : threads)
            thread.join();
        QCOMPARE(built.load(), threadsPerRound);
        if (round == 0)
            callsAfterFirstRound = setterCalls;
    }
    QCOMPARE(mostSettersInside.load(), 1);
    QVERIFY(callsAfterFirstRound >= 1);
    // Engines built later leave the process's setting alone.
    QCOMPARE(setterCalls.load(), callsAfterFirstRound);
    QCOMPARE(cv::getNumThreads(), OpenCvThreads::configured());
}

QTEST_GUILESS_MAIN(TestConcurrentEngines)
#include "tst_concurrentengines.moc"
