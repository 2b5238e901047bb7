#include "extend/distance_estimate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "base/errors.h"
#include "base/number_text.h"
#include "extension/fragment_sample.h"
#include "tool/output_file.h"

namespace lorvex::extend {
namespace {

constexpr int barWidth = 40;

std::string Fixed(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Whole(double value) {
    return WithThousands(static_cast<uint64_t>(std::lround(std::max(0.0, value))));
}

// A path as a shell reads it back: quoted unless it holds only plain characters.
std::string ShellWord(const std::string& word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("_./-+,=").find(c) != std::string_view::npos;
    });
    if (plain) return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string HistogramRows(const std::vector<FragmentBin>& bins) {
    double highest = 0;
    for (const FragmentBin& bin : bins) highest = std::max(highest, bin.share);
    std::string rows = "  fragments      pairs  share\n";
    for (const FragmentBin& bin : bins) {
        char row[96];
        std::snprintf(row, sizeof row, "  %5d-%-6d %8s %5.1f %% ", bin.start, bin.end - 1,
                      WithThousands(bin.pairs).c_str(), 100 * bin.share);
        const int bar =
            highest > 0 ? static_cast<int>(std::lround(barWidth * bin.share / highest)) : 0;
        rows += row + std::string(static_cast<size_t>(bar), '#') + "\n";
    }
    return rows;
}

// Every line of the report as a message of the program.
std::string AsMessages(const std::string& report, const std::string& program) {
    std::string messages;
    size_t start = 0;
    while (start < report.size()) {
        const size_t end = report.find('\n', start);
        messages += program + ": " + report.substr(start, end - start + 1);
        start = end + 1;
    }
    return messages;
}

}  // namespace

std::string EstimateReport(const FragmentEstimate& estimate,
                           const std::optional<AnchorDistances>& distances, size_t seeds,
                           size_t shortSeeds, const std::string& sequenceWord) {
    std::string report = "fragment lengths of " + Counted(estimate.pairs, "pair") + " in " +
                         Counted(seeds, sequenceWord);
    if (estimate.farPairs > 0)
        report += " (and " + WithThousands(estimate.farPairs) + " far from the rest, set aside)";
    report += ": median " + Whole(estimate.median) + ", quartiles " +
              Whole(estimate.lowerQuartile) + " and " + Whole(estimate.upperQuartile) +
              "; taken: " + Whole(estimate.low) + " to " + Whole(estimate.high) + "\n";
    report += HistogramRows(estimate.histogram);
    if (distances) {
        report += "distances: --min-distance " + std::to_string(distances->minDistance) +
                  " --max-distance " + std::to_string(distances->maxDistance);
        if (shortSeeds > 0)
            report += " (" + WithThousands(shortSeeds) + " of " + Counted(seeds, sequenceWord) +
                      " shorter: " + sequenceWord + "-too-short)";
        report += "\n";
    }
    return report;
}

std::string LorvexCommand(const ExtendOptions& options) {
    const RunParameters& p = options.parameters;
    return std::string(options.variant == Variant::Strict ? "lorvex-strict" : "lorvex") +
           " SEED.fa " + ShellWord(options.tablePath) + " " + ShellWord(options.indexPath) + " " +
           std::to_string(p.minDistance) + " " + std::to_string(p.maxDistance) + " " +
           std::to_string(p.minVotes) + " " + RatioText(p.dominanceRatio) + "\n";
}

std::string FragmentsTsv(const std::optional<FragmentEstimate>& estimate,
                         const AnchorDistances& distances, size_t seeds, int32_t readLength,
                         Variant variant, std::optional<double> singleCopyDepth) {
    const auto measured = [&estimate](auto value) { return estimate ? value(*estimate) : ""; };
    using E = const FragmentEstimate&;
    const std::vector<std::pair<std::string, std::string>> values = {
        {"pairs", measured([](E e) { return std::to_string(e.pairs); })},
        {"far_pairs", measured([](E e) { return std::to_string(e.farPairs); })},
        {"effective_pairs", measured([](E e) { return Fixed(e.effectivePairs, 1); })},
        {"seeds", std::to_string(seeds)},
        {"longest_seed", measured([](E e) { return std::to_string(e.longestSequence); })},
        {"read_length", std::to_string(readLength)},
        {"variant", variant == Variant::Strict ? "strict" : "main"},
        {"lower_quartile", measured([](E e) { return Fixed(e.lowerQuartile, 1); })},
        {"median", measured([](E e) { return Fixed(e.median, 1); })},
        {"upper_quartile", measured([](E e) { return Fixed(e.upperQuartile, 1); })},
        {"fragment_low", measured([](E e) { return Fixed(e.low, 1); })},
        {"fragment_high", measured([](E e) { return Fixed(e.high, 1); })},
        {"min_distance", std::to_string(distances.minDistance)},
        {"max_distance", std::to_string(distances.maxDistance)},
        {"single_copy_depth", singleCopyDepth ? ExactText(*singleCopyDepth) : ""},
    };
    std::string tsv = "key\tvalue\n";
    for (const auto& [key, value] : values) tsv += key + "\t" + value + "\n";
    tsv += "\nbin_start\tbin_end\tpairs\tshare\n";
    if (estimate)
        for (const FragmentBin& bin : estimate->histogram)
            tsv += std::to_string(bin.start) + "\t" + std::to_string(bin.end) + "\t" +
                   std::to_string(bin.pairs) + "\t" + Fixed(bin.share, 5) + "\n";
    return tsv;
}

SettledDistances SettleDistances(const ExtendOptions& options,
                                 const std::vector<std::string_view>& sequences,
                                 const RunInputs& inputs, ProgressLine& progress,
                                 const std::string& sequenceWord) {
    SettledDistances settled{options, std::nullopt, ""};
    if (!options.estimateDistances) {
        const RunParameters& given = options.parameters;
        settled.report = "distances: --min-distance " + std::to_string(given.minDistance) +
                         " --max-distance " + std::to_string(given.maxDistance) + " (given)\n";
        return settled;
    }
    progress.Show("estimating the fragment lengths in " + Counted(sequences.size(), sequenceWord));
    const FragmentEstimate estimate = EstimateFragmentLengths(
        SampleFragments(sequences, inputs, options.variant, options.threads));
    progress.Clear();

    const int32_t readLength = inputs.table.layout.readLength;
    const bool sound = estimate.verdict == EstimateVerdict::Sound;
    std::optional<AnchorDistances> distances;
    size_t shortSeeds = 0;
    if (sound) {
        distances = DistancesFor(estimate, readLength, options.variant);
        for (const std::string_view sequence : sequences)
            shortSeeds += static_cast<int64_t>(sequence.size()) < distances->maxDistance;
    }
    if (estimate.verdict != EstimateVerdict::TooFewPairs)
        settled.report =
            EstimateReport(estimate, distances, sequences.size(), shortSeeds, sequenceWord);
    if (!options.quiet && (!sound || !options.estimateOnly))
        std::fputs(AsMessages(settled.report, progress.program()).c_str(), stderr);
    if (!sound) throw UsageError(estimate.reason + "; give --min-distance and --max-distance");

    settled.options.parameters.minDistance = distances->minDistance;
    settled.options.parameters.maxDistance = distances->maxDistance;
    settled.estimate = estimate;
    return settled;
}

void WriteEstimate(const SettledDistances& settled, const std::string& depthLine,
                   const std::string& fragmentsTsv) {
    NamedOutput out("-");
    out.Write(settled.report + depthLine + LorvexCommand(settled.options));
    std::optional<NamedOutput> tsv;
    if (!settled.options.fragmentsPath.empty()) {
        tsv.emplace(settled.options.fragmentsPath);
        tsv->Write(fragmentsTsv);
        tsv->Finish();
    }
    out.Finish();
    if (tsv) tsv->Commit();
    out.Commit();
}

}  // namespace lorvex::extend
