#pragma once

#include "cropsignature.h"

#include <QImage>

#include <functional>
#include <optional>

// A run of frames whose subtitle picture does not change: read once, from its clearest frame.
struct Stretch
{
    qint64 startMs = 0;
    qint64 endMs = 0;     // time of the first frame after it
    bool hasText = false;
    QImage clearest;      // colour crop of the frame with the most edges (only when hasText)
    QImage spare;         // a later frame, for a second reading when the first finds nothing
};

// Cuts the frame sequence into stretches. Each frame is compared with the one before (a new
// subtitle) and with the stretch's first (a slow fade drifting away from it).
class StretchTracker
{
public:
    using ColourGrab = std::function<QImage()>;

    // Returns the stretch this frame closes, if it starts a new one.
    std::optional<Stretch> addFrame(qint64 timeMs, const CropSignature &signature, const ColourGrab &grab);
    // Closes the open stretch at endMs.
    std::optional<Stretch> finish(qint64 endMs);
    // Start of the open stretch; -1 when none.
    qint64 openStart() const;

private:
    void begin(qint64 timeMs, const CropSignature &signature, const ColourGrab &grab);

    std::optional<Stretch> open;
    CropSignature first;
    CropSignature previous;
    int bestStrength = 0;
    int frames = 0;
};
