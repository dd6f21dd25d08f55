#pragma once

#include "textrecognizer.h"

// Which engine reads when the choice is left to the program, by how the video is read. A playback
// run reads the frame on screen whenever the reader is free, so a reader slower than the picture
// changes misses subtitles: PP-OCR is the better reader but takes several times Tesseract's time
// per frame, and at high playback rates only Tesseract keeps up. The fast scan decodes every
// frame it needs and waits for the reader, so it always gets the better one.
class EngineChoice
{
public:
    // PP-OCR's time per subtitle strip, p90 on one thread (bench/ocr), and how often a subtitle
    // shown for the shortest usual time must be read at least to be caught with its start.
    static constexpr double ppocrSecondsPerReading = 0.4;
    static constexpr double shortestSubtitleSeconds = 1.0;
    static constexpr double readingsPerSubtitle = 2.0;

    // The fastest playback rate at which PP-OCR still reads each subtitle often enough.
    static constexpr double fastestPpocrRate()
    {
        return shortestSubtitleSeconds / (readingsPerSubtitle * ppocrSecondsPerReading);
    }

    // The preference for a playback run at `rate`: Automatic gives way to Tesseract above
    // fastestPpocrRate(); an engine chosen by the user or the setting stays.
    static TextRecognizer::Engine forPlayback(TextRecognizer::Engine preference, double rate);
};
