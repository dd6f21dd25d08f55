#pragma once

#include <QStringList>

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>

#include <optional>
#include <string>

// The recogniser's last layer cut down to the classes of Latin text. The model scores every
// step against all of its 6,625 classes, most of them ideographs, and that last matrix product
// and its softmax are a sixth of a line's reading; a line known to be in a Latin-script language
// needs only the hundred-odd classes of its letters, figures and marks. Found in the loaded
// network: its output is the features of each step times a weight matrix plus a bias.
class LatinHead
{
public:
    // Nothing where the network does not end that way (the head is then run whole).
    static std::optional<LatinHead> of(cv::dnn::Net &net, const QStringList &dictionary);

    // Whether `symbol` is written in Latin script, or is a figure or mark Latin text uses.
    static bool isLatinSymbol(const QString &symbol);

    // The layer whose output, [1, steps, features], the head multiplies.
    const std::string &featuresLayer() const { return features; }
    // The kept symbols in class order: class 0 is the blank, 1..n these, n + 1 the space.
    const QStringList &dictionary() const { return symbols; }
    // Scores of each step for the kept classes, [steps, n + 2], from the features layer's output.
    cv::Mat scores(const cv::Mat &stepFeatures) const;

private:
    std::string features;
    QStringList symbols;
    cv::Mat weights; // [n + 2, features]
    cv::Mat bias;    // [1, n + 2]
};
