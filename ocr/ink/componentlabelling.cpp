#include "componentlabelling.h"

#include "disjointsets.h"

#include <algorithm>

namespace ComponentLabelling {

namespace {

// Distance of the pixels sampled beside each run to tell packed texture from letters standing
// apart: one step would land on antialiased edge pixels of the same stroke.
constexpr int besideDistance = 2;

// Runs of ink with provisional labels; runs touching (also diagonally) a run above share a set.
std::vector<Run> findRuns(const InkPlane &ink, int threshold, DisjointSets &sets)
{
    std::vector<Run> runs;
    std::size_t previousStart = 0;
    std::size_t previousEnd = 0;
    for (int y = 0; y < ink.height; ++y) {
        const std::uint8_t *values = ink.row(y);
        const std::size_t rowStart = runs.size();
        std::size_t candidate = previousStart;
        for (int x = 0; x < ink.width;) {
            if (values[x] < threshold) {
                ++x;
                continue;
            }
            const int left = x;
            while (x < ink.width && values[x] >= threshold)
                ++x;
            Run run{y, left, x - 1, -1, 0};
            while (candidate < previousEnd && runs[candidate].right < left - 1)
                ++candidate;
            for (std::size_t above = candidate; above < previousEnd && runs[above].left <= run.right + 1; ++above) {
                run.sharedAbove
                    += std::max(0, std::min(run.right, runs[above].right) - std::max(run.left, runs[above].left) + 1);
                if (run.label < 0)
                    run.label = runs[above].label;
                else
                    sets.unite(run.label, runs[above].label);
            }
            if (run.label < 0)
                run.label = sets.add();
            runs.push_back(run);
        }
        previousStart = rowStart;
        previousEnd = runs.size();
    }
    return runs;
}

void addRun(const InkPlane &ink, int threshold, const Run &run, Component &component)
{
    const int length = run.right - run.left + 1;
    const std::uint8_t *values = ink.row(run.y);
    for (int x = run.left; x <= run.right; ++x) {
        component.inkSum += values[x];
        component.inkPeak = std::max(component.inkPeak, int(values[x]));
    }
    for (const int x : {run.left - besideDistance, run.right + besideDistance}) {
        if (x >= 0 && x < ink.width) {
            ++component.besideSamples;
            component.besideInked += values[x] >= threshold;
        }
    }
    component.box.unite(PixelBox{run.left, run.y, run.right, run.y});
    component.area += length;
    // Two ends, plus the pixels open above and below (shared pixels close two edges).
    component.perimeter += 2 + 2 * length - 2 * run.sharedAbove;
}

} // namespace

Labels label(const InkPlane &ink, int threshold)
{
    DisjointSets sets;
    Labels labels;
    labels.runs = findRuns(ink, threshold, sets);
    std::vector<int> compact(sets.size(), -1);
    for (Run &run : labels.runs) {
        const int root = sets.find(run.label);
        if (compact[std::size_t(root)] < 0) {
            compact[std::size_t(root)] = int(labels.components.size());
            labels.components.push_back(Component{});
        }
        run.label = compact[std::size_t(root)];
        addRun(ink, threshold, run, labels.components[std::size_t(run.label)]);
    }
    return labels;
}

} // namespace ComponentLabelling
