#include "latinhead.h"

#include "onnxloader.h"

#include <opencv2/dnn.hpp>

#include <algorithm>

bool LatinHead::isLatinSymbol(const QString &symbol)
{
    if (symbol.isEmpty())
        return false;
    // Basic Latin to Latin Extended-B, and the general punctuation of typeset text (’ “ ” – …).
    return std::all_of(symbol.cbegin(), symbol.cend(), [](QChar c) {
        const char16_t code = c.unicode();
        return (code >= 0x20 && code < 0x250) || (code >= 0x2010 && code <= 0x2027);
    });
}

std::optional<LatinHead> LatinHead::of(cv::dnn::Net &net, const QStringList &dictionary)
{
    // The set-up's recogniser ends in MatMul (no bias of its own) and Add of a constant bias.
    const cv::Ptr<cv::dnn::Layer> add = outputLayer(net);
    if (!add || add->type != "Eltwise")
        return std::nullopt;
    const std::vector<cv::Ptr<cv::dnn::Layer>> addInputs = net.getLayerInputs(net.getLayerId(add->name));
    if (addInputs.size() != 2)
        return std::nullopt;
    const auto product = std::find_if(addInputs.cbegin(), addInputs.cend(),
                                      [](const cv::Ptr<cv::dnn::Layer> &l) { return l->type == "InnerProduct"; });
    const auto constant = std::find_if(addInputs.cbegin(), addInputs.cend(),
                                       [](const cv::Ptr<cv::dnn::Layer> &l) { return l->type == "Const"; });
    if (product == addInputs.cend() || constant == addInputs.cend() || (*product)->blobs.size() != 1
        || (*constant)->blobs.size() != 1)
        return std::nullopt;
    const cv::Mat &allWeights = (*product)->blobs[0]; // [classes, features]
    const cv::Mat &allBias = (*constant)->blobs[0];   // the bias, broadcast over the steps
    const int classes = allWeights.rows;
    if (allWeights.dims != 2 || classes != dictionary.size() + 2 || int(allBias.total()) % classes != 0)
        return std::nullopt;
    const std::vector<cv::Ptr<cv::dnn::Layer>> productInputs = net.getLayerInputs(net.getLayerId((*product)->name));
    if (productInputs.size() != 1)
        return std::nullopt;

    LatinHead head;
    head.features = productInputs.front()->name;
    std::vector<int> kept{0};
    for (int i = 0; i < dictionary.size(); ++i)
        if (isLatinSymbol(dictionary.at(i))) {
            kept.push_back(i + 1);
            head.symbols << dictionary.at(i);
        }
    kept.push_back(classes - 1);
    head.weights.create(int(kept.size()), allWeights.cols, CV_32F);
    head.bias.create(1, int(kept.size()), CV_32F);
    const float *biasRow = allBias.ptr<float>(); // its first step
    for (int k = 0; k < int(kept.size()); ++k) {
        allWeights.row(kept[k]).copyTo(head.weights.row(k));
        head.bias.at<float>(0, k) = biasRow[kept[k]];
    }
    return head;
}

cv::Mat LatinHead::scores(const cv::Mat &stepFeatures) const
{
    const int steps = stepFeatures.dims == 3 ? stepFeatures.size[1] : stepFeatures.rows;
    const cv::Mat rows(steps, weights.cols, CV_32F, const_cast<float *>(stepFeatures.ptr<float>()));
    cv::Mat result;
    cv::gemm(rows, weights, 1.0, cv::repeat(bias, steps, 1), 1.0, result, cv::GEMM_2_T);
    return result;
}
