#include "extend/vote_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/number_text.h"
#include "extend/extend_output.h"
#include "extension/repeat_guard.h"

namespace lorvex::extend {
namespace {

// Layout in SVG user units: the page and the plot area across it; the
// legend, a side's panel and the panel of a side that added no base down
// it; the two charts within a panel.
constexpr double pageWidth = 900, plotLeft = 70, plotWidth = 660;
constexpr double legendHeight = 96, panelHeight = 196, lineHeight = 22;
constexpr double chartHeight = 56, depthChartTop = 32, shareChartTop = 112;

const char* const depthColour = "#1f5fb4";
const char* const shareColour = "#2e8b3a";
const char* const thresholdColour = "#c0392b";
const char* const runnerUpColour = "#e67e22";
const char* const guardColour = "#7d3c98";
const char* const junctionColour = "#000";

std::string Number(double value) {
    return WithOneDecimal(value);
}

std::string Share(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

std::string Text(double x, double y, const std::string& content, const std::string& extra = "") {
    return "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\"" + extra + ">" + content +
           "</text>\n";
}

std::string Line(double x1, double y1, double x2, double y2, const std::string& style) {
    return "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
           "\" y2=\"" + Number(y2) + "\" " + style + "/>\n";
}

// x of point i of n, in the middle of its column.
double PointX(size_t i, size_t n) {
    return plotLeft + (static_cast<double>(i) + 0.5) / static_cast<double>(n) * plotWidth;
}

// One chart: frame, axis labels, threshold line, the series and the stop mark.
struct Chart {
    double top = 0;
    double highest = 1;  // value at the chart's top edge
    double lowest = 0;   // and at its bottom edge
    const char* colour = depthColour;
    std::string topLabel;
    std::string name;
    std::string bottomLabel = "0";

    double Y(double value) const {
        return top + chartHeight -
               std::clamp((value - lowest) / (highest - lowest), 0.0, 1.0) * chartHeight;
    }
};

// A dashed line across a chart with its label in the right margin.
struct Threshold {
    double value = 0;
    std::string label;
    const char* colour = thresholdColour;
};

std::string DrawSeries(const Chart& chart, const std::vector<double>& values, const char* colour,
                       double width) {
    std::string svg = "<polyline fill=\"none\" stroke=\"" + std::string(colour) +
                      "\" stroke-width=\"" + Number(width) + "\" points=\"";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) svg += ' ';
        svg += Number(PointX(i, values.size())) + "," + Number(chart.Y(values[i]));
    }
    return svg + "\"/>\n";
}

// `underlay`, when given, is drawn thin beneath the chart's own series.
std::string DrawChart(const Chart& chart, const std::vector<double>& values, bool markLast,
                      const std::vector<Threshold>& thresholds,
                      const std::vector<double>& underlay = {}) {
    std::string svg;
    svg += "<rect x=\"" + Number(plotLeft) + "\" y=\"" + Number(chart.top) + "\" width=\"" +
           Number(plotWidth) + "\" height=\"" + Number(chartHeight) +
           "\" fill=\"#fafafa\" stroke=\"#999\" stroke-width=\"0.5\"/>\n";
    svg += Text(plotLeft - 6, chart.top + 4, chart.topLabel, " text-anchor=\"end\"");
    svg +=
        Text(plotLeft - 6, chart.top + chartHeight + 3, chart.bottomLabel, " text-anchor=\"end\"");
    svg += Text(plotLeft - 36, chart.top + chartHeight / 2 + 3, chart.name,
                " text-anchor=\"middle\" fill=\"" + std::string(chart.colour) + "\"");
    double lastLabelY = -1e9;  // labels of close lines are pushed apart
    for (const Threshold& threshold : thresholds) {
        if (!(threshold.value > chart.lowest && threshold.value <= chart.highest)) continue;
        const double y = chart.Y(threshold.value);
        svg += Line(plotLeft, y, plotLeft + plotWidth, y,
                    "stroke=\"" + std::string(threshold.colour) +
                        "\" stroke-width=\"1\" stroke-dasharray=\"5,3\"");
        const double labelY = std::max(y + 3, lastLabelY + 11);
        svg += Text(plotLeft + plotWidth + 6, labelY, threshold.label,
                    " fill=\"" + std::string(threshold.colour) + "\"");
        lastLabelY = labelY;
    }
    if (values.empty()) return svg;
    if (!underlay.empty()) svg += DrawSeries(chart, underlay, runnerUpColour, 0.7);
    svg += DrawSeries(chart, values, chart.colour, 1.2);
    if (markLast) {
        svg += "<circle cx=\"" + Number(PointX(values.size() - 1, values.size())) + "\" cy=\"" +
               Number(chart.Y(values.back())) + "\" r=\"3\" fill=\"" + thresholdColour + "\"/>\n";
    }
    return svg;
}

std::string VotesText(const BaseVotes& votes) {
    return "A " + std::to_string(votes.a) + ", C " + std::to_string(votes.c) + ", G " +
           std::to_string(votes.g) + ", T " + std::to_string(votes.t);
}

bool SideWasExtended(const SideExtension& side) {
    return side.stop != StopReason::NoWindows && side.stop != StopReason::SeedTooShort;
}

}  // namespace

double DominanceShare(float dominanceRatio) {
    const double ratio = dominanceRatio;
    if (std::isnan(ratio) || ratio <= 0) return 0;
    if (std::isinf(ratio)) return 1;
    return ratio / (1 + ratio);
}

std::vector<PlotPoint> SidePoints(const SideExtension& side) {
    std::vector<PlotPoint> points;
    const auto add = [&](const BaseVotes& votes) {
        const int32_t total = votes.Total();
        const int32_t highest = std::max({votes.a, votes.c, votes.g, votes.t});
        points.push_back({static_cast<double>(total),
                          total > 0 ? static_cast<double>(highest) / total : 0.0,
                          static_cast<double>(RunnerUpVotes(votes))});
    };
    for (const BaseVotes& votes : side.votes) add(votes);
    if (SideWasExtended(side)) add(side.stopVotes);
    return points;
}

std::vector<PlotPoint> LowestPerColumn(const std::vector<PlotPoint>& points, size_t columns) {
    if (columns == 0 || points.size() <= columns) return points;
    std::vector<PlotPoint> lowest;
    lowest.reserve(columns);
    for (size_t column = 0; column < columns; ++column) {
        const size_t begin = column * points.size() / columns;
        const size_t end = (column + 1) * points.size() / columns;
        PlotPoint point = points[begin];
        for (size_t i = begin + 1; i < end; ++i) {
            point.depth = std::min(point.depth, points[i].depth);
            point.share = std::min(point.share, points[i].share);
            point.runnerUp = std::max(point.runnerUp, points[i].runnerUp);
        }
        lowest.push_back(point);
    }
    return lowest;
}

std::string XmlText(const std::string& text) {
    std::string safe;
    for (const char byte : text) {
        switch (byte) {
            case '&': safe += "&amp;"; break;
            case '<': safe += "&lt;"; break;
            case '>': safe += "&gt;"; break;
            case '"': safe += "&quot;"; break;
            case '\'': safe += "&apos;"; break;
            default: safe += byte >= 0x20 && byte < 0x7f ? byte : '?';
        }
    }
    return safe;
}

double ShareAxisBottom(double neededShare) {
    // The least zoom that brings the line to three quarters of the height.
    for (const double bottom : {0.0, 0.5, 0.8, 0.9, 0.95, 0.98, 0.99, 0.995, 0.998, 0.999})
        if ((neededShare - bottom) / (1 - bottom) <= 0.75) return bottom;
    return 0;  // a share of 1 (an infinite ratio) is the top edge at any zoom
}

std::vector<size_t> StepTicks(size_t cycles) {
    constexpr size_t mostTicks = 5;
    size_t step = 1;
    for (size_t power = 1; cycles / step > mostTicks; power *= 10)
        for (const size_t factor : {1, 2, 5})
            if (cycles / step > mostTicks) step = factor * power;
    std::vector<size_t> ticks = {1};
    for (size_t tick = step; tick <= cycles; tick += step)
        if (tick > 1) ticks.push_back(tick);
    return ticks;
}

size_t JunctionStep(const SideExtension& side) {
    if (side.stop != StopReason::Circular || side.circleOverlap <= 0) return 0;
    const size_t overlap = static_cast<size_t>(side.circleOverlap);
    return side.bases.size() >= overlap ? side.bases.size() - overlap + 1 : 0;
}

double PanelHeight(const SideExtension& side) {
    return side.bases.empty() ? lineHeight : panelHeight;
}

std::string PlotHeader(double panelsHeight, const PlotSettings& settings) {
    const double height = legendHeight + panelsHeight;
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
        Number(pageWidth) + "\" height=\"" + Number(height) + "\" viewBox=\"0 0 " +
        Number(pageWidth) + " " + Number(height) +
        "\" font-family=\"sans-serif\" font-size=\"11\">\n"
        "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += Text(10, 18, "lorvex-extend: votes along each extension", " font-size=\"14\"");
    svg += Text(10, 36,
                "<tspan fill=\"" + std::string(depthColour) +
                    "\">depth: all votes of the cycle</tspan>; <tspan fill=\"" + shareColour +
                    "\">share: the winning base's part of them</tspan>; steps run outward from "
                    "the seed");
    svg += Text(10, 50,
                "dashed: min votes " + std::to_string(settings.minVotes) +
                    " and the share that ratio " + XmlText(Number(settings.dominanceRatio)) +
                    " needs (" + Share(DominanceShare(settings.dominanceRatio)) +
                    "); dot: the cycle that stopped",
                " fill=\"" + std::string(thresholdColour) + "\"");
    const double depth = settings.singleCopyDepth;
    const std::string runnerUp = "<tspan fill=\"" + std::string(runnerUpColour) +
                                 "\">thin: the runner-up base's votes</tspan>";
    svg += Text(10, 64,
                depth > 0 ? runnerUp + "; <tspan fill=\"" + guardColour +
                                "\">dashed: the single-copy depth D " + Number(depth) +
                                " and the repeat guard's runner-up threshold " +
                                Number(GuardRunnerUpThreshold(depth)) + "</tspan>"
                          : runnerUp + "; repeat guard off");
    svg += Text(10, 78,
                "The guard stops a side where the runner-up reaches its threshold and the votes "
                "jump above D and the side's own depth; red ticks under a panel mark the variant "
                "sites. A long extension shows in each",
                " fill=\"#555\"");
    svg += Text(10, 92,
                "column the lowest depth and share and the highest runner-up of the steps it "
                "covers.",
                " fill=\"#555\"");
    return svg;
}

std::string PlotFooter() {
    return "</svg>\n";
}

std::string PlotPanel(double top, const SequenceRecord& seed, const SideExtension& side,
                      const PlotSettings& settings) {
    std::string svg = "<g transform=\"translate(0," + Number(legendHeight + top) + ")\">\n";
    svg += Line(10, 4, pageWidth - 10, 4, "stroke=\"#ccc\"");
    std::string title = "<tspan font-weight=\"bold\">" + XmlText(seed.name) + "</tspan>, " +
                        SideName(side.side) + " side: " + Counted(side.bases.size(), "base") +
                        " added, stop: " + SeedStopLabel(side.stop);
    if (SideWasExtended(side)) title += " (" + VotesText(side.stopVotes) + ")";
    // Whether a starved side lacked anchored pairs or mates that voted.
    if (side.cycles > 0) {
        const double cycles = static_cast<double>(side.cycles);
        title += "; a cycle held " +
                 WithOneDecimal(static_cast<double>(side.queuedMates) / cycles) + " mates, " +
                 WithOneDecimal(static_cast<double>(side.votesCast) / cycles) + " votes";
    }
    if (side.bases.empty()) {
        if (!SideWasExtended(side))
            title += side.stop == StopReason::SeedTooShort
                         ? "; not extended: the seed is shorter than the maximum distance"
                         : "; not extended: the distances give no anchor window";
        return svg + Text(10, 17, title) + "</g>\n";
    }
    svg += Text(10, 20, title, " font-size=\"12\"");

    const std::vector<PlotPoint> points = LowestPerColumn(SidePoints(side), size_t(plotWidth));
    std::vector<double> depths, shares, runnerUps;
    double highestDepth = std::max<double>(settings.minVotes, settings.singleCopyDepth);
    for (const PlotPoint& point : points) {
        depths.push_back(point.depth);
        shares.push_back(point.share);
        runnerUps.push_back(point.runnerUp);
        highestDepth = std::max(highestDepth, point.depth);
    }
    Chart depth{depthChartTop, std::max(1.0, std::ceil(highestDepth * 1.1)), 0, depthColour, "",
                "depth"};
    depth.topLabel = Number(depth.highest);
    std::vector<Threshold> depthLines;
    if (settings.singleCopyDepth > 0)
        depthLines = {
            {settings.singleCopyDepth, "D " + Number(settings.singleCopyDepth), guardColour},
            {GuardRunnerUpThreshold(settings.singleCopyDepth),
             "runner-up " + Number(GuardRunnerUpThreshold(settings.singleCopyDepth)), guardColour}};
    depthLines.push_back(
        {double(settings.minVotes), "min votes " + std::to_string(settings.minVotes)});
    std::sort(depthLines.begin(), depthLines.end(),
              [](const Threshold& a, const Threshold& b) { return a.value > b.value; });
    svg += DrawChart(depth, depths, true, depthLines, runnerUps);
    const double needed = DominanceShare(settings.dominanceRatio);
    Chart share{shareChartTop, 1.0, ShareAxisBottom(needed), shareColour, "1", "share"};
    char bottom[16];
    std::snprintf(bottom, sizeof bottom, "%g", share.lowest);
    share.bottomLabel = bottom;
    svg +=
        DrawChart(share, shares, side.stopVotes.Total() > 0, {{needed, "share " + Share(needed)}});

    // Ticks at the steps' columns; the last step is the cycle that stopped.
    const double chartBottom = shareChartTop + chartHeight;
    const size_t cycles = side.bases.size() + 1;
    for (const size_t step : StepTicks(cycles)) {
        const double x =
            plotLeft + (static_cast<double>(step) - 0.5) / static_cast<double>(cycles) * plotWidth;
        svg += Line(x, chartBottom, x, chartBottom + 4, "stroke=\"#999\"");
        svg += Text(x, chartBottom + 14, WithThousands(step), " text-anchor=\"middle\"");
    }
    svg += Text(plotLeft + plotWidth + 6, chartBottom + 14, "step", " fill=\"#555\"");
    if (const size_t junction = JunctionStep(side)) {
        const double x = plotLeft + (static_cast<double>(junction) - 0.5) /
                                        static_cast<double>(cycles) * plotWidth;
        svg += Line(x, depthChartTop, x, chartBottom,
                    "stroke=\"" + std::string(junctionColour) +
                        "\" stroke-width=\"1.5\" stroke-dasharray=\"2,2\"");
        svg += Text(x - 3, depthChartTop + 10, "junction: step " + WithThousands(junction),
                    " text-anchor=\"end\" fill=\"" + std::string(junctionColour) + "\"");
    }
    for (const VariantSite& site : side.variants) {
        const double x = plotLeft + (static_cast<double>(site.step) - 0.5) /
                                        static_cast<double>(cycles) * plotWidth;
        svg += Line(x, chartBottom - 6, x, chartBottom, "stroke=\"#c0392b\" stroke-width=\"1\"");
    }
    return svg + "</g>\n";
}

}  // namespace lorvex::extend
