#include "textlinereader.h"

#include "onnxloader.h"

#include "ppocrmodels.h"

#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

struct TextLineReader::Private
{
    QString directory;
    QList<int> widths;
    CtcDecoder decoder;
    std::map<int, cv::dnn::Net> nets;

    cv::dnn::Net *net(int width, QString *error)
    {
        auto it = nets.find(width);
        if (it != nets.end())
            return &it->second;
        try {
            cv::dnn::Net loaded
                = readOnnxModel(PpocrModels::recognizerPath(directory, width).toStdString());
            return &nets.emplace(width, std::move(loaded)).first->second;
        } catch (const cv::Exception &exception) {
            if (error)
                *error = QString::fromStdString(exception.what()).trimmed();
            return nullptr;
        }
    }
};

TextLineReader::TextLineReader(QString modelDirectory, QList<int> widths, QStringList dictionary)
    : d(std::make_unique<Private>(Private{std::move(modelDirectory), std::move(widths), CtcDecoder(std::move(dictionary)), {}}))
{
}

TextLineReader::~TextLineReader() = default;

void TextLineReader::setRestoreSpaces(bool restore)
{
    d->decoder.setRestoreSpaces(restore);
}

bool TextLineReader::preload(int width, QString *error)
{
    return d->net(width, error) != nullptr;
}

CtcDecoder::Result TextLineReader::read(const cv::Mat &bgrLine)
{
    if (bgrLine.empty() || d->widths.isEmpty())
        return {};
    const int scaledWidth
        = std::max(8, int(std::ceil(double(bgrLine.cols) * inputHeight / std::max(1, bgrLine.rows))));
    const auto fits = std::lower_bound(d->widths.cbegin(), d->widths.cend(), scaledWidth);
    const int width = fits == d->widths.cend() ? d->widths.last() : *fits;
    cv::dnn::Net *net = d->net(width, nullptr);
    if (!net)
        return {};

    // Normalised to -1..1; the padding is 0, as in training.
    cv::Mat resized, normalised;
    cv::resize(bgrLine, resized, cv::Size(std::min(scaledWidth, width), inputHeight), 0, 0, cv::INTER_LINEAR);
    resized.convertTo(normalised, CV_32FC3, 2.0 / 255.0, -1.0);
    cv::Mat padded = cv::Mat::zeros(inputHeight, width, CV_32FC3);
    normalised.copyTo(padded(cv::Rect(0, 0, normalised.cols, normalised.rows)));
    cv::Mat output;
    try {
        net->setInput(cv::dnn::blobFromImage(padded));
        output = net->forward();
    } catch (const cv::Exception &) {
        return {};
    }
    // [1, steps, classes]
    if (output.dims != 3)
        return {};
    return d->decoder.decode(output.ptr<float>(), output.size[1], output.size[2]);
}
