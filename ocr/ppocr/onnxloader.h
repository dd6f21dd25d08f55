#pragma once

#include <opencv2/dnn.hpp>

#include <string>
#include <vector>

// Reads an ONNX model for OpenCV's DNN module, one read at a time in the whole process: OpenCV
// 4.6's importer shares protobuf state between threads and crashes when two readers run at once.
cv::dnn::Net readOnnxModel(const std::string &path);
cv::dnn::Net readOnnxModel(const std::vector<uchar> &bytes);

// The layer that makes the network's single output, past the Identity layers the importer puts
// behind it; null where the network has another number of outputs.
cv::Ptr<cv::dnn::Layer> outputLayer(cv::dnn::Net &net);
