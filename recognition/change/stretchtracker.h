#pragma once

#include "cropsignature.h"
#include "inktally.h"

#include <QImage>

#include <array>

#include <functional>
#include <optional>
#include <vector>

// A run of frames whose subtitle picture does not change: read once, from its clearest frame.
struct Stretch
{
    qint64 startMs = 0;
    qint64 endMs = 0;     // time of the first frame after it
    bool hasText = false;
    QImage clearest;      // colour crop of the frame with the most edges (only when hasText)
    QImage spare;         // a later frame, for a second reading when the first finds nothing
    InkPrint ink;         // what stood still in it (only when hasText)
};

// Cuts the frame sequence into stretches. Each frame is compared with the one before (a new
// subtitle) and with the stretch's ink (a slow fade drifting away from it). A cut is only
// tentative: a stretch is handed over once the next has shown for a few frames whether the text
// changed. Where it kept its ink (the picture behind it moved or cut, or the text flickered out
// for a frame), the two stay one stretch and are read once.
class StretchTracker
{
public:
    using ColourGrab = std::function<QImage()>;

    // The stretches this frame settles, in order of time.
    std::vector<Stretch> addFrame(qint64 timeMs, const CropSignature &signature, const ColourGrab &grab);
    // Closes the open stretch at endMs and hands over what is left.
    std::vector<Stretch> finish(qint64 endMs);
    // Start of the earliest stretch not handed over yet; -1 when none.
    qint64 openStart() const;

private:
    struct Run
    {
        Stretch stretch;
        InkTally tally;
        CropSignature last;
        std::vector<quint8> ink; // of the tally, renewed now and then
        int inkCells = 0;
        int bestStrength = 0;
        int frames = 0;
        bool arrival = false; // began with many more cells marked than cleared
    };

    void begin(qint64 timeMs, const CropSignature &signature, const ColourGrab &grab);
    void extend(const CropSignature &signature, const ColourGrab &grab);
    void close(qint64 endMs, std::vector<Stretch> &settled);
    void judge(std::vector<Stretch> &settled);
    bool continuesOpen() const;
    void absorbIntoOpen();
    void settle(std::vector<Stretch> &settled);
    double churnMedian() const;
    bool losesInk(const CropSignature &signature);
    static void handOver(Run &run, std::vector<Stretch> &settled);

    std::optional<Run> open;
    std::optional<Run> pending;  // cut off, waiting to see whether the text changed
    std::vector<Run> brief;      // stretches of a few frames after `pending`, such as a flicker
    // Cells the picture changed from frame to frame, over the last frames.
    static constexpr size_t churnFrames = 8;
    std::array<int, churnFrames> churnHistory{};
    size_t churnNext = 0;
};
