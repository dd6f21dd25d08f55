#include "textlinereader.h"

#include "networktimes.h"

#include "latinhead.h"
#include "onnxloader.h"

#include "ppocrmodels.h"
#include "sharednetworks.h"

#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

bool endsInSoftmax(cv::dnn::Net &net)
{
    const cv::Ptr<cv::dnn::Layer> layer = outputLayer(net);
    return layer && layer->type == "Softmax";
}

// Rows of [steps, classes] logits into probabilities, in place.
void softmaxRows(cv::Mat &scores)
{
    for (int row = 0; row < scores.rows; ++row) {
        cv::Mat line = scores.row(row);
        double largest = 0;
        cv::minMaxLoc(line, nullptr, &largest);
        cv::subtract(line, cv::Scalar(largest), line);
        cv::exp(line, line);
        line *= 1.0 / cv::sum(line)[0];
    }
}

} // namespace

struct TextLineReader::Private
{
    Private(QString directory, QList<int> widths, QStringList dictionary)
        : directory(std::move(directory)), widths(std::move(widths)), dictionary(dictionary),
          decoder(std::move(dictionary))
    {
    }

    QString directory;
    QList<int> widths;
    QStringList dictionary;
    CtcDecoder decoder;
    bool restoreSpaces = true;
    bool latinOnly = false;
    // Looked for once, in the first network read with: every width has the same weights.
    bool latinHeadLooked = false;
    std::optional<LatinHead> latinHead;
    std::optional<CtcDecoder> latinDecoder;
    // Shared with every reader of the same models (SharedNetworks).
    std::map<int, std::shared_ptr<SharedNetworks::Network>> models;

    // Called with the network's lock held.
    const LatinHead *latinHeadOf(cv::dnn::Net &net)
    {
        if (!latinHeadLooked) {
            latinHeadLooked = true;
            latinHead = LatinHead::of(net, dictionary);
            if (latinHead) {
                latinDecoder.emplace(latinHead->dictionary());
                latinDecoder->setRestoreSpaces(restoreSpaces);
            }
        }
        return latinHead ? &*latinHead : nullptr;
    }

    SharedNetworks::Network *model(int width, QString *error)
    {
        auto it = models.find(width);
        if (it != models.end())
            return it->second.get();
        try {
            const std::string path = PpocrModels::recognizerPath(directory, width).toStdString();
            std::shared_ptr<SharedNetworks::Network> loaded
                = SharedNetworks::get(path, [&path](SharedNetworks::Network &network) {
                      network.net = readOnnxModel(path);
                      // The set-up leaves out the model's last Softmax: OpenCV's takes ten times
                      // longer than ours.
                      network.givesLogits = !endsInSoftmax(network.net);
                  });
            return models.emplace(width, std::move(loaded)).first->second.get();
        } catch (const cv::Exception &exception) {
            if (error)
                *error = QString::fromStdString(exception.what()).trimmed();
            return nullptr;
        }
    }
};

TextLineReader::TextLineReader(QString modelDirectory, QList<int> widths, QStringList dictionary)
    : d(std::make_unique<Private>(std::move(modelDirectory), std::move(widths), std::move(dictionary)))
{
}

TextLineReader::~TextLineReader() = default;

void TextLineReader::setRestoreSpaces(bool restore)
{
    d->restoreSpaces = restore;
    d->decoder.setRestoreSpaces(restore);
    if (d->latinDecoder)
        d->latinDecoder->setRestoreSpaces(restore);
}

void TextLineReader::setLatinOnly(bool latinOnly)
{
    d->latinOnly = latinOnly;
}

bool TextLineReader::preload(int width, QString *error)
{
    return d->model(width, error) != nullptr;
}

CtcDecoder::Result TextLineReader::read(const cv::Mat &bgrLine, double widthScale)
{
    const NetworkTimes::Measure measure(NetworkTimes::Network::Recognition);
    if (bgrLine.empty() || d->widths.isEmpty())
        return {};
    const int scaledWidth
        = std::max(8, int(std::ceil(double(bgrLine.cols) * widthScale * inputHeight / std::max(1, bgrLine.rows))));
    const auto fits = std::lower_bound(d->widths.cbegin(), d->widths.cend(), scaledWidth);
    const int width = fits == d->widths.cend() ? d->widths.last() : *fits;
    SharedNetworks::Network *model = d->model(width, nullptr);
    if (!model)
        return {};

    // Normalised to -1..1; the padding is 0, as in training.
    cv::Mat resized, normalised;
    cv::resize(bgrLine, resized, cv::Size(std::min(scaledWidth, width), inputHeight), 0, 0, cv::INTER_LINEAR);
    resized.convertTo(normalised, CV_32FC3, 2.0 / 255.0, -1.0);
    cv::Mat padded = cv::Mat::zeros(inputHeight, width, CV_32FC3);
    normalised.copyTo(padded(cv::Rect(0, 0, normalised.cols, normalised.rows)));
    cv::Mat output; // [1, steps, classes], or [steps, classes] from the Latin head
    const CtcDecoder *decoder = &d->decoder;
    bool logits = model->givesLogits;
    try {
        const cv::Mat input = cv::dnn::blobFromImage(padded);
        const std::lock_guard<std::mutex> lock(model->inUse);
        model->net.setInput(input);
        if (const LatinHead *head = d->latinOnly ? d->latinHeadOf(model->net) : nullptr) {
            output = head->scores(model->net.forward(head->featuresLayer()));
            decoder = &*d->latinDecoder;
            logits = true;
        } else {
            // The net's own buffer is overwritten by the next reader's run.
            output = model->net.forward().clone();
        }
    } catch (const cv::Exception &) {
        return {};
    }
    if (output.dims != 2 && output.dims != 3)
        return {};
    const int steps = output.dims == 3 ? output.size[1] : output.rows;
    const int classes = output.dims == 3 ? output.size[2] : output.cols;
    cv::Mat scores(steps, classes, CV_32F, output.ptr<float>());
    if (logits)
        softmaxRows(scores);
    CtcDecoder::Result result = decoder->decode(output.ptr<float>(), steps, classes);
    // A step sees an equal share of the model's width, of which the line fills the first part.
    result.pixelsPerStep = double(width) / steps * double(bgrLine.cols) / double(resized.cols);
    return result;
}
