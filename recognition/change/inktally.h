#pragma once

#include "cropsignature.h"
#include "inkprint.h"

#include <vector>

// How often each steady edge pixel of a stretch was there: the pixels there in most of its frames
// are its ink. Letters stand still to the pixel for a whole subtitle while a panning, zooming or
// grainy picture moves its edges on, so the ink is the text and whatever of the picture stood
// still as long. Ink is counted by the signature's cells.
class InkTally
{
public:
    void add(const CropSignature &signature);
    // Adds the frames of a stretch that follows (same grid; another grid starts afresh).
    void merge(const InkTally &later);
    int frames() const { return m_frames; }
    int inkCells() const;
    // Whether `later` shows the same text: most of this ink is still ink there, and little new ink
    // appeared that `before` (this stretch's last frame) did not already have. A brief `later`
    // still holds the moving picture's edges in its ink: new ink counts against its own.
    enum class Length { Judged, Brief };
    bool continuesIn(const InkTally &later, const CropSignature &before, Length length = Length::Judged) const;
    // Whether this (brief) stretch already showed the text `later` shows: most of the later ink is
    // ink here too, whatever else of the picture this one's few frames still hold.
    bool holdsInkOf(const InkTally &later) const;
    // Whether `fainter` is a step of this text's fade: its strokes are strokes here, they lie all
    // over this ink, not in one part of it (a word or a line taken away), and most of its edges
    // are those strokes (a picture whose edges met the text's by chance for a frame has many more).
    bool fadesTo(const InkTally &fainter) const;
    // One byte per cell of the signature's grid: 1 where the cell holds ink.
    std::vector<quint8> inkMap() const;
    // The ink pixels themselves.
    InkPrint print() const;

private:
    struct Comparison
    {
        bool sameGrid = true;
        int ink = 0;      // cells of this ink
        int theirInk = 0; // cells of the later one's
        int kept = 0;     // of this ink, still ink later
        int added = 0;    // later ink, neither ink here nor marked in `before`
        int inkPixels = 0;  // in the cells of this ink: its pixels,
        int keptPixels = 0; // those still ink later,
        int newPixels = 0;  // and the later ink's pixels that are not ink here
    };
    bool isInkPixel(size_t pixel) const;
    Comparison compare(const InkTally &later, const CropSignature &before) const;

    int m_width = 0;  // pixels of the edge map
    int m_rows = 0;
    int m_frames = 0;
    qint64 m_edgePixels = 0; // of all its frames, steady or not
    std::vector<quint16> m_counts;
};
