#pragma once

#include <QtGlobal>

#include <atomic>
#include <chrono>

// Time the PP-OCR networks spent, summed over every engine of the process, for the benchmarks'
// profile of a scan (where its time goes). Two clock readings a call cost nothing beside a network.
namespace NetworkTimes {

enum class Network { TextDetection, Recognition };

qint64 totalNs(Network network);
// How many times `network` ran: a picture with nothing to read should cost one detection.
qint64 runs(Network network);

// Adds the time from its making to its end to `network`'s total.
class Measure
{
public:
    explicit Measure(Network network);
    ~Measure();
    Measure(const Measure &) = delete;
    Measure &operator=(const Measure &) = delete;

private:
    Network network;
    std::chrono::steady_clock::time_point start;
};

} // namespace NetworkTimes
