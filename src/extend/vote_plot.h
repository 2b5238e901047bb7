// The vote plot: an SVG picture with one panel per seed and side, showing
// along the extension the vote depth (all votes of a cycle), the runner-up
// base's votes and the winning base's share, with the thresholds of the
// checks and of the repeat guard drawn in, so that a reader sees where the
// support thinned out or split before the stop. The panels are written one
// by one as the seeds finish, in input order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "extend/seed_extension.h"
#include "input/fasta_records.h"

namespace lorvex::extend {

struct PlotSettings {
    int32_t minVotes = 0;
    float dominanceRatio = 0.0f;
    double singleCopyDepth = 0;  // the repeat guard's; 0: no guard
};

// The lowest share of all votes that the winner may hold and pass the
// dominance check: winner >= ratio x others means share >= ratio / (1 + ratio).
// 0 when any share passes (ratio 0 or less, or NaN, which never fails the
// check); 1 for an infinite ratio (the others must be zero).
double DominanceShare(float dominanceRatio);

// One cycle of a side as the plot shows it.
struct PlotPoint {
    double depth = 0;     // all votes of the cycle
    double share = 0;     // highest count / depth; 0 when there were no votes
    double runnerUp = 0;  // the second highest count
};

// The accepted bases' cycles, then the cycle that stopped the side when one
// ran (not for sides that were never extended).
std::vector<PlotPoint> SidePoints(const SideExtension& side);

// At most `columns` points: each column takes the lowest depth and the
// lowest share of the cycles it covers, so that a thin stretch stays visible
// in a long extension, and the highest runner-up, so that a split does too.
// Fewer points than columns are returned as they are.
std::vector<PlotPoint> LowestPerColumn(const std::vector<PlotPoint>& points, size_t columns);

// The lower end of the share axis (its upper end is 1): 0, or higher when
// the share the ratio needs would otherwise sit in the top quarter, so that
// its line stands clear of the frame. Shares below it are drawn on it.
double ShareAxisBottom(double neededShare);

// The steps the x axis labels for a side of `cycles` cycles: 1, then a few
// round multiples (1, 2 or 5 times a power of ten) up to cycles.
std::vector<size_t> StepTicks(size_t cycles);

// The step of a side that closed a circle where its bases begin to repeat
// the contig's start (the panel marks it), or 0 when the side holds no
// junction.
size_t JunctionStep(const SideExtension& side);

// The height of a side's panel: a full panel with charts, or one line of
// text for a side that added no base.
double PanelHeight(const SideExtension& side);

// The document's opening (its size for panels of panelsHeight in all, and
// the legend) and closing.
std::string PlotHeader(double panelsHeight, const PlotSettings& settings);
std::string PlotFooter();

// The panel of one side, `top` units below the legend.
std::string PlotPanel(double top, const SequenceRecord& seed, const SideExtension& side,
                      const PlotSettings& settings);

// Text made safe for XML character data and attributes: markup characters
// escaped, bytes that are not printable ASCII shown as '?'.
std::string XmlText(const std::string& text);

}  // namespace lorvex::extend
