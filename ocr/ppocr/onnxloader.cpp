#include "onnxloader.h"

#include <mutex>

namespace {
std::mutex reading;
}

cv::dnn::Net readOnnxModel(const std::string &path)
{
    const std::lock_guard<std::mutex> lock(reading);
    return cv::dnn::readNetFromONNX(path);
}

cv::dnn::Net readOnnxModel(const std::vector<uchar> &bytes)
{
    const std::lock_guard<std::mutex> lock(reading);
    return cv::dnn::readNetFromONNX(bytes);
}
