#include "textlinedetector.h"

#include "networktimes.h"

#include "onnxloader.h"
#include "sharednetworks.h"

#include <QFile>

#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <list>
#include <vector>

// OpenCV 4.6 computes this network's layer shapes once: fed a picture of another size, the same
// net gives an empty map. So there is one net per input size (a video's crop keeps its size),
// read from the model bytes kept in memory and shared with every detector of the same model.
struct TextLineDetector::Private
{
    static constexpr std::size_t netsKept = 4;
    std::string modelPath;
    std::vector<uchar> model;
    // Most recently used first.
    std::list<std::pair<cv::Size, std::shared_ptr<SharedNetworks::Network>>> nets;
    Settings settings;
    float peak = 0;

    SharedNetworks::Network &net(const cv::Size &size)
    {
        const auto found = std::find_if(nets.begin(), nets.end(), [&size](const auto &entry) { return entry.first == size; });
        if (found != nets.end()) {
            nets.splice(nets.begin(), nets, found);
        } else {
            const std::string key = modelPath + '@' + std::to_string(size.width) + 'x' + std::to_string(size.height);
            nets.emplace_front(size, SharedNetworks::get(key, [this](SharedNetworks::Network &network) {
                                   network.net = readOnnxModel(model);
                               }));
            if (nets.size() > netsKept)
                nets.pop_back();
        }
        return *nets.front().second;
    }
};

namespace {

// The detector's input sides are multiples of 32.
cv::Size inputSize(const cv::Size &picture, int longestSide, double largestUpscale)
{
    const double scale = std::min(largestUpscale, double(longestSide) / std::max(picture.width, picture.height));
    // Rounded up: a strip squeezed to fewer rows loses its letters, one stretched a little does not.
    const auto round32 = [](double side) { return std::max(32, int(std::ceil(side / 32.0)) * 32); };
    return {round32(picture.width * scale), round32(picture.height * scale)};
}

cv::Mat inputBlob(const cv::Mat &bgr, const cv::Size &size)
{
    cv::Mat resized, normalised;
    cv::resize(bgr, resized, size, 0, 0, cv::INTER_LINEAR);
    // The model was trained on BGR pictures normalised with the ImageNet statistics in RGB order.
    resized.convertTo(normalised, CV_32FC3, 1.0 / 255.0);
    cv::subtract(normalised, cv::Scalar(0.485, 0.456, 0.406), normalised);
    cv::divide(normalised, cv::Scalar(0.229, 0.224, 0.225), normalised);
    return cv::dnn::blobFromImage(normalised);
}

// The mean colour of the top and bottom rows.
cv::Scalar edgeColour(const cv::Mat &bgr)
{
    const cv::Scalar top = cv::mean(bgr.row(0)), bottom = cv::mean(bgr.row(bgr.rows - 1));
    return (top + bottom) * 0.5;
}

float meanInside(const cv::Mat &probability, const std::vector<cv::Point> &contour, const cv::Rect &bounds)
{
    cv::Mat mask = cv::Mat::zeros(bounds.size(), CV_8U);
    std::vector<cv::Point> shifted;
    shifted.reserve(contour.size());
    for (const cv::Point &point : contour)
        shifted.push_back(point - bounds.tl());
    cv::fillPoly(mask, std::vector<std::vector<cv::Point>>{shifted}, cv::Scalar(1));
    return float(cv::mean(probability(bounds), mask)[0]);
}

} // namespace

TextLineDetector::TextLineDetector() : d(std::make_unique<Private>()) {}
TextLineDetector::~TextLineDetector() = default;

bool TextLineDetector::load(const QString &modelPath, QString *error)
{
    QFile file(modelPath);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(modelPath);
        return false;
    }
    const QByteArray bytes = file.readAll();
    d->model.assign(bytes.cbegin(), bytes.cend());
    d->modelPath = modelPath.toStdString();
    d->nets.clear();
    try {
        d->net(cv::Size(0, 0));
    } catch (const cv::Exception &exception) {
        *error = QString::fromStdString(exception.what()).trimmed();
        return false;
    }
    return true;
}

void TextLineDetector::setSettings(const Settings &settings)
{
    d->settings = settings;
}

float TextLineDetector::lastPeak() const
{
    return d->peak;
}

QList<QRect> TextLineDetector::detect(const cv::Mat &bgr)
{
    const NetworkTimes::Measure measure(NetworkTimes::Network::TextDetection);
    QList<QRect> boxes;
    d->peak = 0;
    if (bgr.empty())
        return boxes;
    const Settings &settings = d->settings;
    const int margin = settings.edgeRows;
    cv::Mat padded;
    cv::copyMakeBorder(bgr, padded, margin, margin, 0, 0, cv::BORDER_CONSTANT, edgeColour(bgr));
    const cv::Size size = inputSize(padded.size(), settings.longestSide, settings.largestUpscale);
    cv::Mat output;
    try {
        const cv::Mat input = inputBlob(padded, size);
        SharedNetworks::Network &network = d->net(size);
        const std::lock_guard<std::mutex> lock(network.inUse);
        network.net.setInput(input);
        // The net's own buffer is overwritten by the next detector's run.
        output = network.net.forward().clone();
    } catch (const cv::Exception &) {
        return boxes;
    }
    const cv::Mat probability(size.height, size.width, CV_32F, output.ptr<float>());
    double peak = 0;
    cv::minMaxLoc(probability, nullptr, &peak);
    d->peak = float(peak);
    cv::Mat binary = probability > settings.pixelThreshold;
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(binary, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    const double scaleX = double(padded.cols) / size.width, scaleY = double(padded.rows) / size.height;
    // Regions found on enlarged letters are thinner for their size: boxes would come out a few
    // rows short (glyph tops cut, line crops too tight to show the spaces between words).
    const double upscale = std::max(0.0, 1.0 / scaleX - 1.0);
    const double unclipRatio = settings.unclipRatio * (1.0 + settings.enlargedUnclipGrowth * upscale);
    const cv::Rect picture(0, 0, bgr.cols, bgr.rows);
    for (const std::vector<cv::Point> &contour : contours) {
        const cv::Rect bounds = cv::boundingRect(contour) & cv::Rect(0, 0, size.width, size.height);
        if (std::min(bounds.width, bounds.height) < settings.minimumSide)
            continue;
        if (meanInside(probability, contour, bounds) < settings.boxThreshold)
            continue;
        // Growing a polygon by area * ratio / perimeter undoes the shrinking of the training labels.
        const double area = cv::contourArea(contour);
        const double perimeter = cv::arcLength(contour, true);
        const double distance = perimeter > 0 ? area * unclipRatio / perimeter : 0;
        const cv::Rect2d grown(bounds.x - distance, bounds.y - distance, bounds.width + 2 * distance,
                               bounds.height + 2 * distance);
        const cv::Rect scaled =
            cv::Rect(int(std::floor(grown.x * scaleX)), int(std::floor(grown.y * scaleY)) - margin,
                     int(std::ceil(grown.width * scaleX)), int(std::ceil(grown.height * scaleY)))
            & picture;
        if (std::min(scaled.width, scaled.height) >= settings.minimumSide + 2)
            boxes << QRect(scaled.x, scaled.y, scaled.width, scaled.height);
    }
    return boxes;
}
