#include "textmask.h"

#include "ocr/ink/ratio.h"
#include "textcomponents.h"

#include <algorithm>

namespace {

// Grown by an eighth of the letter height (at least one pixel) so that letters traced at a lower
// level than the analysis used keep their weight.
constexpr Ratio maskGrowth{1, 8};

void fill(std::vector<std::uint8_t> &plane, int width, const QRect &region, int y, int left, int right)
{
    std::uint8_t *line = plane.data() + std::size_t(y - region.top()) * std::size_t(width);
    std::fill(line + (left - region.left()), line + (right - region.left() + 1), std::uint8_t(1));
}

} // namespace

TextMask TextMask::of(const InkReading &reading, int width, int height, bool piecesInsideLetters)
{
    TextMask text;
    const std::vector<bool> kept = TextComponents::select(reading, piecesInsideLetters);
    text.letterHeight = RowRules::letterHeight(reading.rows);
    const int grow = std::max(1, int(maskGrowth.of(text.letterHeight)));
    PixelBox box;
    for (const ComponentLabelling::Run &run : reading.labels.runs) {
        if (kept[std::size_t(run.label)])
            box.unite(PixelBox{run.left, run.y, run.right, run.y});
    }
    if (box.isEmpty())
        return text;
    const int margin = grow + 1;
    text.region = QRect(QPoint(box.left - margin, box.top - margin), QPoint(box.right + margin, box.bottom + margin))
                  & QRect(0, 0, width, height);
    const QRect &region = text.region;
    const int w = region.width();
    text.core.assign(std::size_t(w) * std::size_t(region.height()), 0);
    text.mask.assign(text.core.size(), 0);
    for (const ComponentLabelling::Run &run : reading.labels.runs) {
        if (!kept[std::size_t(run.label)])
            continue;
        fill(text.core, w, region, run.y, run.left, run.right);
        for (int y = std::max(region.top(), run.y - grow); y <= std::min(region.bottom(), run.y + grow); ++y)
            fill(text.mask, w, region, y, std::max(region.left(), run.left - grow), std::min(region.right(), run.right + grow));
    }
    return text;
}

TextMask TextMask::united(const TextMask &other) const
{
    TextMask both;
    both.region = region | other.region;
    both.letterHeight = letterHeight;
    const std::size_t size = std::size_t(both.region.width()) * std::size_t(both.region.height());
    both.core.assign(size, 0);
    both.mask.assign(size, 0);
    for (const TextMask *part : {this, &other}) {
        for (int y = part->region.top(); y <= part->region.bottom(); ++y) {
            for (int x = part->region.left(); x <= part->region.right(); ++x) {
                const std::size_t index = std::size_t(y - both.region.top()) * std::size_t(both.region.width())
                                          + std::size_t(x - both.region.left());
                both.core[index] |= std::uint8_t(part->at(part->core, x, y));
                both.mask[index] |= std::uint8_t(part->at(part->mask, x, y));
            }
        }
    }
    return both;
}
