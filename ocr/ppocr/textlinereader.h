#pragma once

#include "ctcdecoder.h"

#include <QList>
#include <QString>

#include <map>
#include <memory>

namespace cv {
class Mat;
}

// Reads one cropped text line with the PP-OCR recogniser. OpenCV needs a fixed input width, so
// there is one model copy per width; a line is scaled to the model's height of 48 pixels and
// padded to the next width (squeezed into the widest when longer). Copies load on first use.
class TextLineReader
{
public:
    static constexpr int inputHeight = 48;

    TextLineReader(QString modelDirectory, QList<int> widths, QStringList dictionary);
    ~TextLineReader();
    TextLineReader(const TextLineReader &) = delete;
    TextLineReader &operator=(const TextLineReader &) = delete;

    // Loads the copy for `width` now; false with `error` set when it cannot be read.
    bool preload(int width, QString *error);
    // `widthScale` stretches (above 1) or squeezes the line along its length for a second look.
    CtcDecoder::Result read(const cv::Mat &bgrLine, double widthScale = 1.0);
    void setRestoreSpaces(bool restore);
    // Lines of a Latin-script language: only the classes of its letters, figures and marks are
    // scored (LatinHead), where the model allows.
    void setLatinOnly(bool latinOnly);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
