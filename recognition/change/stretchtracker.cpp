#include "stretchtracker.h"

#include <algorithm>

namespace {

// Share of marked cells that must differ from the previous frame, and share of the stretch's ink
// a frame may lose (a slow fade drifting away from it).
constexpr double frameChange = 0.15;
constexpr double inkLoss = 0.35;
// Cells that may flicker on compression noise without meaning anything.
constexpr int flickerCells = 4;
// A frame this much crisper than the clearest so far replaces it (fades grow their edges).
constexpr double crisperBy = 1.05;
// The frame kept for a second reading: this many frames into the stretch.
constexpr int spareFrame = 8;
// Frames a stretch shows before it is compared with the one cut off before it.
constexpr int judgedAfter = 5;
// Brief stretches waiting behind a cut-off one; more are handed over, so memory stays bounded.
constexpr size_t mostBrief = 4;
// A change that marks this many times the cells it clears brings something new: text arriving,
// where a moving picture marks and clears about as many.
constexpr int arrivalOverLoss = 2;
// Fewer ink cells than this is no text.
constexpr int textCells = 8;

// A moving picture changes some cells on every frame; a change counts when it stands out from the
// median of the last frames' changes. On a crossfade under text the letters' arrival stood out by
// 2.5 times; a grainy pan's own steps rarely do.
constexpr double aboveChurn = 2.4;

bool changed(const CropSignature &a, const CropSignature &b, double share, double churn)
{
    const int differing = a.differingCells(b);
    return differing > flickerCells && differing > aboveChurn * churn && a.change(b) > share;
}

} // namespace

std::vector<Stretch> StretchTracker::addFrame(qint64 timeMs, const CropSignature &signature, const ColourGrab &grab)
{
    std::vector<Stretch> settled;
    if (!open) {
        begin(timeMs, signature, grab);
        return settled;
    }
    const double churn = churnMedian();
    churnHistory[churnNext++ % churnHistory.size()] = signature.differingCells(open->last);
    if (changed(signature, open->last, frameChange, churn) || losesInk(signature)) {
        const int added = signature.cellsAddedTo(open->last);
        const bool arrival = added > flickerCells && added >= arrivalOverLoss * open->last.cellsAddedTo(signature);
        close(timeMs, settled);
        begin(timeMs, signature, grab);
        open->arrival = arrival;
        return settled;
    }
    extend(signature, grab);
    if (pending && open->frames == judgedAfter)
        judge(settled);
    return settled;
}

std::vector<Stretch> StretchTracker::finish(qint64 endMs)
{
    std::vector<Stretch> settled;
    if (open) {
        open->stretch.endMs = endMs;
        if (pending)
            judge(settled);
        handOver(*open, settled);
        open.reset();
    }
    settle(settled);
    return settled;
}

// Only a stretch shown long enough to tell its ink from a moving picture's edges loses it.
bool StretchTracker::losesInk(const CropSignature &signature)
{
    if (open->frames < judgedAfter)
        return false;
    if (open->frames % judgedAfter == 0 || open->ink.empty()) {
        open->ink = open->tally.inkMap();
        open->inkCells = int(std::count(open->ink.begin(), open->ink.end(), quint8(1)));
    }
    int lost = 0;
    for (size_t cell = 0; cell < open->ink.size(); ++cell)
        lost += open->ink[cell] && !signature.isMarked(cell);
    return lost > flickerCells && lost > inkLoss * open->inkCells;
}

double StretchTracker::churnMedian() const
{
    std::array<int, churnFrames> sorted = churnHistory;
    const size_t known = std::min(churnNext, sorted.size());
    if (known == 0)
        return 0.0;
    // The lower median: alternate frames of a crossfade change much and little.
    const size_t middle = (known - 1) / 2;
    std::nth_element(sorted.begin(), sorted.begin() + middle, sorted.begin() + known);
    return sorted[middle];
}

qint64 StretchTracker::openStart() const
{
    if (pending)
        return pending->stretch.startMs;
    return open ? open->stretch.startMs : -1;
}

void StretchTracker::begin(qint64 timeMs, const CropSignature &signature, const ColourGrab &grab)
{
    open = Run{};
    open->stretch.startMs = timeMs;
    // Grabbed while it may still hold text; whether it does is known when it is handed over.
    if (signature.looksLikeText())
        open->stretch.clearest = grab();
    open->tally.add(signature);
    open->last = signature;
    open->bestStrength = signature.strength();
    open->frames = 1;
}

void StretchTracker::extend(const CropSignature &signature, const ColourGrab &grab)
{
    open->last = signature;
    open->tally.add(signature);
    ++open->frames;
    if (signature.looksLikeText() && (open->stretch.clearest.isNull() || signature.strength() > open->bestStrength * crisperBy)) {
        open->bestStrength = signature.strength();
        open->stretch.clearest = grab();
    } else if (open->frames >= spareFrame && open->stretch.spare.isNull() && !open->stretch.clearest.isNull()) {
        // ">=": a stretch joined to those before it may be past that frame already.
        open->stretch.spare = grab();
    }
}

// The open stretch ends at `endMs`. A stretch that followed a cut-off one for only a few frames
// waits with it for the next.
void StretchTracker::close(qint64 endMs, std::vector<Stretch> &settled)
{
    open->stretch.endMs = endMs;
    if (pending && open->frames < judgedAfter) {
        if (pending->tally.continuesIn(open->tally, pending->last, InkTally::Length::Brief)
            || pending->tally.fadesTo(open->tally)) {
            absorbIntoOpen();
            pending = std::move(open);
        } else {
            brief.push_back(std::move(*open));
            if (brief.size() >= mostBrief)
                settle(settled);
        }
    } else {
        settle(settled);
        pending = std::move(open);
    }
    open.reset();
}

void StretchTracker::judge(std::vector<Stretch> &settled)
{
    if (continuesOpen()) {
        absorbIntoOpen();
        return;
    }
    // Steps of a fade or a crossfade that already showed this text belong to it.
    std::vector<Run> joined;
    while (!brief.empty() && (brief.back().tally.holdsInkOf(open->tally) || open->tally.fadesTo(brief.back().tally))) {
        joined.push_back(std::move(brief.back()));
        brief.pop_back();
    }
    settle(settled);
    for (Run &earlier : joined) {
        pending = std::move(earlier);
        absorbIntoOpen();
    }
}

bool StretchTracker::continuesOpen() const
{
    if (pending->frames < judgedAfter && pending->tally.holdsInkOf(open->tally))
        return true;
    // A step of a fade on either side: the text coming in, or going out.
    return pending->tally.continuesIn(open->tally, pending->last) || open->tally.fadesTo(pending->tally)
           || pending->tally.fadesTo(open->tally);
}

// The cut-off stretch, the brief ones after it and the open one become one, still open.
void StretchTracker::absorbIntoOpen()
{
    Run merged = std::move(*pending);
    pending.reset();
    for (Run &run : brief)
        merged.tally.merge(run.tally);
    brief.clear();
    merged.tally.merge(open->tally);
    merged.stretch.endMs = open->stretch.endMs;
    if (open->bestStrength > merged.bestStrength || merged.stretch.clearest.isNull()) {
        merged.bestStrength = open->bestStrength;
        merged.stretch.clearest = std::move(open->stretch.clearest);
    }
    if (merged.stretch.spare.isNull())
        merged.stretch.spare = std::move(open->stretch.spare);
    merged.last = open->last;
    merged.frames += open->frames;
    merged.ink.clear();
    open = std::move(merged);
}

// Hands over the cut-off stretch, and the brief ones after it joined where nothing arrived:
// steps of a fade, or a moving picture cut up by its own changes, each too short to tell its ink
// from the picture.
void StretchTracker::settle(std::vector<Stretch> &settled)
{
    if (pending)
        handOver(*pending, settled);
    pending.reset();
    std::optional<Run> joined;
    for (Run &run : brief) {
        if (joined && !run.arrival) {
            joined->tally.merge(run.tally);
            joined->stretch.endMs = run.stretch.endMs;
            joined->last = run.last;
            if (run.bestStrength > joined->bestStrength || joined->stretch.clearest.isNull()) {
                joined->bestStrength = run.bestStrength;
                joined->stretch.clearest = std::move(run.stretch.clearest);
            }
            continue;
        }
        if (joined)
            handOver(*joined, settled);
        joined = std::move(run);
    }
    brief.clear();
    if (joined)
        handOver(*joined, settled);
}

void StretchTracker::handOver(Run &run, std::vector<Stretch> &settled)
{
    run.stretch.hasText = run.tally.inkCells() >= textCells && !run.stretch.clearest.isNull();
    if (!run.stretch.hasText) {
        run.stretch.clearest = QImage();
        run.stretch.spare = QImage();
    } else {
        run.stretch.ink = run.tally.print();
    }
    settled.push_back(std::move(run.stretch));
}
