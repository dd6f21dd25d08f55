#include "sharpedgetext.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdlib>

namespace {

// Luma change across two pixels: letters against their outline change by 150 and more, the
// edges of a blurred texture by about 100 at most.
constexpr int sharpStep = 140;
// How far from a sharp edge the letters reach, in thousandths of the picture's height: a stroke
// and its outline lie within this of the edges between them.
constexpr int reachPerMille = 25;
constexpr int smallestReach = 2;

cv::Mat lumaOf(const QImage &rgb)
{
    cv::Mat grey(rgb.height(), rgb.width(), CV_8U);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        auto *out = grey.ptr<uchar>(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = uchar(qGray(line[x]));
    }
    return grey;
}

cv::Mat sharpEdges(const cv::Mat &grey)
{
    cv::Mat edges = cv::Mat::zeros(grey.size(), CV_8U);
    for (int y = 1; y + 1 < grey.rows; ++y) {
        const uchar *up = grey.ptr<uchar>(y - 1), *mid = grey.ptr<uchar>(y), *down = grey.ptr<uchar>(y + 1);
        uchar *out = edges.ptr<uchar>(y);
        for (int x = 1; x + 1 < grey.cols; ++x) {
            const int across = std::abs(int(mid[x + 1]) - int(mid[x - 1]));
            const int along = std::abs(int(down[x]) - int(up[x]));
            out[x] = std::max(across, along) >= sharpStep ? 255 : 0;
        }
    }
    return edges;
}

} // namespace

namespace SharpEdgeText {

Isolated isolate(const QImage &picture)
{
    Isolated result;
    result.picture = picture.convertToFormat(QImage::Format_RGB32);
    if (result.picture.width() < 3 || result.picture.height() < 3)
        return result;
    const int reach = std::max(smallestReach, result.picture.height() * reachPerMille / 1000);
    cv::Mat near;
    cv::dilate(sharpEdges(lumaOf(result.picture)), near,
               cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(2 * reach + 1, 2 * reach + 1)));
    const QRgb ground = qRgb(128, 128, 128);
    long kept = 0;
    for (int y = 0; y < result.picture.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(result.picture.scanLine(y));
        const uchar *keep = near.ptr<uchar>(y);
        for (int x = 0; x < result.picture.width(); ++x) {
            if (keep[x])
                ++kept;
            else
                line[x] = ground;
        }
    }
    result.keptShare = double(kept) / (double(result.picture.width()) * result.picture.height());
    return result;
}

} // namespace SharpEdgeText
