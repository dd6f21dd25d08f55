#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <memory>

namespace cv {
class Mat;
}

// Finds text lines in a picture with the PP-OCR DB detector: a probability map of "inside text"
// is thresholded, each region's outline is grown back by the amount the model was trained to
// shrink it by, and its bounding box kept when the region is confident enough.
class TextLineDetector
{
public:
    struct Settings
    {
        // The picture is scaled to this, down or (by at most largestUpscale) up: the small
        // letters of a 640 px wide video are found far more often at 1.5 times their size.
        int longestSide = 960;
        double largestUpscale = 2.0;
        float pixelThreshold = 0.3f;
        float boxThreshold = 0.6f;
        float unclipRatio = 1.5f;
        // Added to the unclip ratio per unit of upscale (0.3: 1.3 times as far at 2x), so that a
        // narrow crop, enlarged more, gives the line the same height as the whole width does.
        double enlargedUnclipGrowth = 0.3;
        int minimumSide = 3;
        // Rows of the edges' colour added above and below: the network misses a line touching
        // the crop's top or bottom edge (a tight crop, a panel at the frame's foot), having seen
        // text with ground around it. More, in proportion to the crop, read worse.
        int edgeRows = 3;
    };

    TextLineDetector();
    ~TextLineDetector();
    TextLineDetector(const TextLineDetector &) = delete;
    TextLineDetector &operator=(const TextLineDetector &) = delete;

    // False with `error` set when the model cannot be read.
    bool load(const QString &modelPath, QString *error);
    void setSettings(const Settings &settings);

    // Boxes of the text lines in picture coordinates, in no particular order.
    QList<QRect> detect(const cv::Mat &bgr);
    // The highest "inside text" probability of the last detect(): near 0 where the model saw no
    // trace of text at all.
    float lastPeak() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
