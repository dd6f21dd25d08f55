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

cv::Ptr<cv::dnn::Layer> outputLayer(cv::dnn::Net &net)
{
    const std::vector<cv::String> outputs = net.getUnconnectedOutLayersNames();
    if (outputs.size() != 1)
        return {};
    cv::Ptr<cv::dnn::Layer> layer = net.getLayer(outputs.front());
    while (layer && layer->type == "Identity") {
        const std::vector<cv::Ptr<cv::dnn::Layer>> inputs = net.getLayerInputs(net.getLayerId(layer->name));
        layer = inputs.size() == 1 ? inputs.front() : cv::Ptr<cv::dnn::Layer>();
    }
    return layer;
}
