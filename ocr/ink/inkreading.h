#pragma once

#include "inkplane.h"
#include "rowrules.h"

#include <QImage>

#include <vector>

// The picture read as ink of one kind at one threshold: its components, glyphs and the lines
// of text found among them, scored by the number of glyphs standing in those lines.
struct InkReading
{
    Ink ink;
    int threshold = 0;
    int score = 0;
    ComponentLabelling::Labels labels;
    GlyphRules::Glyphs glyphs;
    std::vector<RowRules::Row> rows;

    static InkReading at(const InkPlane &plane, const Ink &ink, int threshold);

    // The reading in which the most glyphs stand in lines, over the kinds of ink and a ladder of
    // thresholds. Among the thresholds of the best kind that come near the top score, the middle
    // one: its letters are neither eroded nor bloated. The picture is in QImage::Format_RGB32.
    static InkReading best(const QImage &picture, const std::vector<Ink> &kinds);

    // Whether two readings found the same lines: the boxes of their lines mostly coincide.
    bool sameLinesAs(const InkReading &other) const;
};
