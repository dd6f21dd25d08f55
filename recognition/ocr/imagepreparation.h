#pragma once

#include <QImage>

// Turns a video crop into what Tesseract reads best: the subtitle's text alone, black on white,
// cropped to the text lines and scaled to a steady letter height. Light text (white, yellow,
// grey; outlined or not) over any background and dark text on light panels both work: each
// polarity and several thresholds are tried and the one that yields the most letter-like shapes
// standing in lines wins. Shapes that are not part of a text line are left out, so background
// texture does not turn into stray letters.
class ImagePreparation
{
public:
    struct Settings
    {
        // Height of capitals and ideographs in the picture handed to Tesseract.
        int letterHeight = 40;
        // Analysis runs on a copy of at most this many pixels.
        int analysisArea = 160000;
        // Whether small pieces inside a letter's box belong to it (口 in 问, the parts of 회), or
        // are background seen through a counter as in an alphabet's "o".
        bool piecesInsideLetters = true;
    };

    ImagePreparation() = default;
    explicit ImagePreparation(const Settings &settings);

    // Greyscale, black text on white; a null image when nothing in the picture looks like text.
    QImage prepare(const QImage &frame) const;

private:
    Settings settings;
};
