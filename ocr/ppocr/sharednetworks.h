#pragma once

#include <opencv2/dnn.hpp>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

// Networks loaded once in the process and lent to one caller at a time. A loaded copy holds its
// weights and, once it has run, the buffers of all its layers: tens of megabytes for a wide
// recogniser, so every engine of the reading pool loading its own doubled the scan's memory.
// A network lives while an engine holds it; the next engine after that loads it again.
class SharedNetworks
{
public:
    struct Network
    {
        std::mutex inUse; // held from setInput until the output is copied out
        cv::dnn::Net net;
        bool givesLogits = false;
    };

    // The network known as `key`, filled in by `load` when no one holds it. `load` may throw
    // cv::Exception, which reaches the caller and keeps nothing.
    static std::shared_ptr<Network> get(const std::string &key, const std::function<void(Network &)> &load);
};
