#include "inktally.h"

#include "edgemap.h"

#include <algorithm>

namespace {

// A pixel there in three quarters of the frames is ink: fades and grain leave it out of a few.
constexpr int inkShareInQuarters = 3;
// Of the earlier ink, this share must stay ink; new ink may be at most this share of it.
constexpr double keptInk = 0.7;
constexpr double newInk = 0.25;
// Of the strokes in those cells, most stay and few come: a changed word changes a sixth of a line.
constexpr double keptStrokes = 0.85;
constexpr double newStrokes = 0.08;
// A fading text's strokes sit where its full strokes are, to all but a few pixels; and in this
// share of the blocks that hold its full ink some strokes still show.
constexpr double fadedStrokesKept = 0.92;
constexpr double fadedBlocksShown = 0.7;
constexpr double fadedEdgesSteady = 0.6;
// Blocks of the edge map, in pixels and rows: about a letter of small subtitles.
constexpr int blockWidth = 16;
constexpr int blockRows = 8;
// Ink pixels that make a block part of the text, and the fewest of them that tell a fade.
constexpr int blockInk = 4;
constexpr int fewestFadedPixels = 64;
// Stray cells that compression noise marks and unmarks.
constexpr int strayCells = 4;
// Fewer ink cells than this is no text: a flat or moving picture alone.
constexpr int textCells = 8;

} // namespace

void InkTally::add(const CropSignature &signature)
{
    if (signature.pixelWidth() != m_width || signature.pixelRows() != m_rows) {
        m_width = signature.pixelWidth();
        m_rows = signature.pixelRows();
        m_counts.assign(size_t(m_width) * size_t(m_rows), 0);
        m_frames = 0;
        m_edgePixels = 0;
    }
    m_edgePixels += signature.edgePixels();
    const std::vector<quint64> &bits = signature.steadyPixels();
    for (size_t word = 0; word < bits.size(); ++word) {
        for (quint64 rest = bits[word]; rest != 0; rest &= rest - 1) {
            const size_t pixel = word * 64 + size_t(__builtin_ctzll(rest));
            if (pixel < m_counts.size() && m_counts[pixel] < 0xffff)
                ++m_counts[pixel];
        }
    }
    m_frames = std::min(m_frames + 1, 0xffff);
}

void InkTally::merge(const InkTally &later)
{
    if (later.m_width != m_width || later.m_rows != m_rows) {
        *this = later;
        return;
    }
    for (size_t pixel = 0; pixel < m_counts.size(); ++pixel)
        m_counts[pixel] = quint16(std::min(0xffff, m_counts[pixel] + later.m_counts[pixel]));
    m_frames = std::min(m_frames + later.m_frames, 0xffff);
    m_edgePixels += later.m_edgePixels;
}

std::vector<quint8> InkTally::inkMap() const
{
    constexpr int cell = CropSignature::cellSize;
    const int gridWidth = (m_width + cell - 1) / cell;
    const int gridHeight = (m_rows * EdgeMap::rowStep + cell - 1) / cell;
    std::vector<quint8> pixels(size_t(gridWidth) * size_t(gridHeight), 0);
    if (m_frames == 0)
        return pixels;
    for (int y = 0; y < m_rows; ++y) {
        const size_t row = size_t(y) * size_t(m_width);
        quint8 *cellRow = pixels.data() + size_t(y * EdgeMap::rowStep / cell) * size_t(gridWidth);
        for (int x = 0; x < m_width; ++x) {
            if (isInkPixel(row + size_t(x)) && cellRow[x / cell] < 0xff)
                ++cellRow[x / cell];
        }
    }
    for (quint8 &count : pixels)
        count = count >= CropSignature::edgesPerCell ? 1 : 0;
    return pixels;
}

InkPrint InkTally::print() const
{
    std::vector<quint64> bits((m_counts.size() + 63) / 64, 0);
    for (size_t pixel = 0; m_frames > 0 && pixel < m_counts.size(); ++pixel) {
        if (isInkPixel(pixel))
            bits[pixel / 64] |= quint64(1) << (pixel % 64);
    }
    return InkPrint(m_width, m_rows, std::move(bits));
}

int InkTally::inkCells() const
{
    const std::vector<quint8> ink = inkMap();
    return int(std::count(ink.begin(), ink.end(), quint8(1)));
}

InkTally::Comparison InkTally::compare(const InkTally &later, const CropSignature &before) const
{
    Comparison counts;
    if (later.m_width != m_width || later.m_rows != m_rows) {
        counts.sameGrid = false;
        return counts;
    }
    const std::vector<quint8> mine = inkMap();
    const std::vector<quint8> theirs = later.inkMap();
    for (size_t cell = 0; cell < mine.size(); ++cell) {
        counts.ink += mine[cell];
        counts.theirInk += theirs[cell];
        counts.kept += mine[cell] && theirs[cell];
        counts.added += theirs[cell] && !mine[cell] && !before.isMarked(cell);
    }
    // Pixel by pixel where this stretch has ink: one word changed in a line keeps its cells but
    // not its strokes.
    constexpr int cell = CropSignature::cellSize;
    const int gridWidth = (m_width + cell - 1) / cell;
    for (int y = 0; y < m_rows; ++y) {
        const size_t row = size_t(y) * size_t(m_width);
        const quint8 *cellRow = mine.data() + size_t(y * EdgeMap::rowStep / cell) * size_t(gridWidth);
        for (int x = 0; x < m_width; ++x) {
            if (!cellRow[x / cell])
                continue;
            const bool here = isInkPixel(row + size_t(x));
            const bool there = later.isInkPixel(row + size_t(x));
            counts.inkPixels += here;
            counts.keptPixels += here && there;
            counts.newPixels += there && !here;
        }
    }
    return counts;
}

bool InkTally::isInkPixel(size_t pixel) const
{
    return 4 * int(m_counts[pixel]) >= inkShareInQuarters * m_frames;
}

bool InkTally::continuesIn(const InkTally &later, const CropSignature &before, Length length) const
{
    const Comparison counts = compare(later, before);
    if (!counts.sameGrid)
        return false;
    if (counts.ink < textCells)
        return counts.theirInk < textCells;
    const int allowance = length == Length::Brief ? int(newInk * counts.theirInk) : 0;
    return counts.kept >= keptInk * counts.ink
           && counts.added <= std::max({strayCells, int(newInk * counts.ink), allowance})
           && counts.keptPixels >= keptStrokes * counts.inkPixels && counts.newPixels <= newStrokes * counts.inkPixels;
}

bool InkTally::fadesTo(const InkTally &fainter) const
{
    if (fainter.m_width != m_width || fainter.m_rows != m_rows || m_frames == 0 || fainter.m_frames == 0)
        return false;
    const int blocksAcross = (m_width + blockWidth - 1) / blockWidth;
    std::vector<int> full(size_t(blocksAcross) * size_t((m_rows + blockRows - 1) / blockRows), 0);
    std::vector<int> faded(full.size(), 0);
    int fadedPixels = 0;
    int fadedKept = 0;
    for (int y = 0; y < m_rows; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const size_t pixel = size_t(y) * size_t(m_width) + size_t(x);
            const bool here = isInkPixel(pixel);
            const bool there = fainter.isInkPixel(pixel);
            const size_t block = size_t(y / blockRows) * size_t(blocksAcross) + size_t(x / blockWidth);
            full[block] += here;
            faded[block] += there;
            fadedPixels += there;
            fadedKept += there && here;
        }
    }
    int blocks = 0;
    int shown = 0;
    for (size_t block = 0; block < full.size(); ++block) {
        if (full[block] < blockInk)
            continue;
        ++blocks;
        shown += faded[block] > 0;
    }
    return fadedPixels >= fewestFadedPixels && double(fadedPixels) * fainter.m_frames >= fadedEdgesSteady * double(fainter.m_edgePixels)
           && fadedKept >= fadedStrokesKept * fadedPixels
           && blocks >= textCells && shown >= fadedBlocksShown * blocks;
}

bool InkTally::holdsInkOf(const InkTally &later) const
{
    if (later.m_width != m_width || later.m_rows != m_rows)
        return false;
    const std::vector<quint8> mine = inkMap();
    const std::vector<quint8> theirs = later.inkMap();
    int theirInk = 0;
    int held = 0;
    for (size_t cell = 0; cell < mine.size(); ++cell) {
        theirInk += theirs[cell];
        held += theirs[cell] && mine[cell];
    }
    return theirInk >= textCells && held >= keptInk * theirInk;
}
