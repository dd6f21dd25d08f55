#include "stretchtracker.h"

namespace {

// Share of marked cells that must differ from the previous frame, or from the stretch's first.
constexpr double frameChange = 0.15;
constexpr double driftChange = 0.35;
// Cells that may flicker on compression noise without meaning anything.
constexpr int flickerCells = 4;
// A frame this much crisper than the clearest so far replaces it (fades grow their edges).
constexpr double crisperBy = 1.05;
// The frame kept for a second reading: this many frames into the stretch.
constexpr int spareFrame = 8;

bool changed(const CropSignature &a, const CropSignature &b, double share)
{
    return a.differingCells(b) > flickerCells && a.change(b) > share;
}

} // namespace

std::optional<Stretch> StretchTracker::addFrame(qint64 timeMs, const CropSignature &signature, const ColourGrab &grab)
{
    if (!open) {
        begin(timeMs, signature, grab);
        return std::nullopt;
    }
    if (changed(signature, previous, frameChange) || changed(signature, first, driftChange)) {
        std::optional<Stretch> closed = finish(timeMs);
        begin(timeMs, signature, grab);
        return closed;
    }
    previous = signature;
    ++frames;
    if (open->hasText && signature.strength() > bestStrength * crisperBy) {
        bestStrength = signature.strength();
        open->clearest = grab();
    } else if (open->hasText && frames == spareFrame) {
        open->spare = grab();
    }
    return std::nullopt;
}

std::optional<Stretch> StretchTracker::finish(qint64 endMs)
{
    if (!open)
        return std::nullopt;
    Stretch closed = std::move(*open);
    open.reset();
    closed.endMs = endMs;
    return closed;
}

qint64 StretchTracker::openStart() const
{
    return open ? open->startMs : -1;
}

void StretchTracker::begin(qint64 timeMs, const CropSignature &signature, const ColourGrab &grab)
{
    open = Stretch{};
    open->startMs = timeMs;
    open->hasText = signature.looksLikeText();
    if (open->hasText)
        open->clearest = grab();
    first = signature;
    previous = signature;
    bestStrength = signature.strength();
    frames = 1;
}
