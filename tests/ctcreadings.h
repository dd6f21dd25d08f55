#pragma once

// Recogniser readings written out as text, for the rules that mend them.

#include "ocr/ppocr/ctcdecoder.h"

#include <QString>

namespace CtcReadings {

// A reading of `text`, one character every `stepsApart` steps, a space before each word but the
// first.
inline CtcDecoder::Result reading(const QString &text, int stepsApart, double pixelsPerStep)
{
    CtcDecoder::Result read;
    read.pixelsPerStep = pixelsPerStep;
    bool space = false;
    int step = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ')) {
            space = true;
            step += stepsApart;
            continue;
        }
        CtcDecoder::Character character;
        character.text = c;
        character.first = character.last = step;
        character.spaceBefore = space;
        read.characters << character;
        space = false;
        step += stepsApart;
    }
    read.text = CtcDecoder::Result::joined(read.characters);
    return read;
}

} // namespace CtcReadings
