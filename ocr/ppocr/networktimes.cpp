#include "networktimes.h"

namespace {

std::atomic<qint64> detectionNs{0};
std::atomic<qint64> recognitionNs{0};
std::atomic<qint64> detectionRuns{0};
std::atomic<qint64> recognitionRuns{0};

std::atomic<qint64> &total(NetworkTimes::Network network)
{
    return network == NetworkTimes::Network::TextDetection ? detectionNs : recognitionNs;
}

std::atomic<qint64> &runCount(NetworkTimes::Network network)
{
    return network == NetworkTimes::Network::TextDetection ? detectionRuns : recognitionRuns;
}

} // namespace

qint64 NetworkTimes::totalNs(Network network)
{
    return total(network);
}

qint64 NetworkTimes::runs(Network network)
{
    return runCount(network);
}

NetworkTimes::Measure::Measure(Network network)
    : network(network)
    , start(std::chrono::steady_clock::now())
{
}

NetworkTimes::Measure::~Measure()
{
    ++runCount(network);
    total(network) += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
}
