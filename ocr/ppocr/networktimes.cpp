#include "networktimes.h"

namespace {

std::atomic<qint64> detectionNs{0};
std::atomic<qint64> recognitionNs{0};

std::atomic<qint64> &total(NetworkTimes::Network network)
{
    return network == NetworkTimes::Network::TextDetection ? detectionNs : recognitionNs;
}

} // namespace

qint64 NetworkTimes::totalNs(Network network)
{
    return total(network);
}

NetworkTimes::Measure::Measure(Network network)
    : network(network)
    , start(std::chrono::steady_clock::now())
{
}

NetworkTimes::Measure::~Measure()
{
    total(network) += std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start).count();
}
