#pragma once

#include "inkplane.h"
#include "pixelbox.h"

#include <vector>

// Eight-connected components of the pixels at or above a threshold, found run by run, with what
// the later rules ask of each: size, outline length, ink strength and how packed it is.
namespace ComponentLabelling {

// A horizontal stretch of ink on one line.
struct Run
{
    int y = 0;
    int left = 0;
    int right = 0; // inclusive
    int label = 0; // its component
    int sharedAbove = 0; // pixels of the run with ink straight above
};

struct Component
{
    PixelBox box;
    int area = 0;
    int perimeter = 0;
    int inkSum = 0; // ink values of the pixels, added up
    int inkPeak = 0;
    int besideSamples = 0; // pixels two steps left and right of the runs
    int besideInked = 0; // ... that are ink themselves
};

struct Labels
{
    std::vector<Run> runs; // line by line, left to right
    std::vector<Component> components; // in the order of their first run
};

Labels label(const InkPlane &ink, int threshold);

} // namespace ComponentLabelling
