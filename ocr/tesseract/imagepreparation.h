#pragma once

#include <QImage>

// Turns a video crop into what Tesseract reads best: the subtitle's text alone, black on white,
// cropped to the text lines and scaled to a steady letter height. Raw colour frames give
// Tesseract garbage, and background texture read as letters makes false subtitles.
//
// The picture is looked at as brightness (light text), darkness (dark text on a light panel) and
// whiteness (white text on saturated colours), each at several levels; the reading in which the
// most letter-like shapes (thin strokes, standing clear of other ink) line up in rows of one
// letter size wins. A second look by closeness to the letters' colour adds what the first missed.
// The letters are then traced again from the full-size picture at the level halfway between
// their colour and their outline or background, keeping only shapes connected to the letters.
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
