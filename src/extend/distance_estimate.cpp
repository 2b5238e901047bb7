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
std::string AsMessages(const std::string& report) {
    std::string messages;
    size_t start = 0;
    while (start < report.size()) {
        const size_t end = report.find('\n', start);
        messages += "lorvex-extend: " + report.substr(start, end - start + 1);
        start = end + 1;
    }
    return messages;
}

}  // namespace

std::string EstimateReport(const FragmentEstimate& estimate,
                           const std::optional<AnchorDistances>& distances, size_t seeds,
                           size_t shortSeeds) {
    std::string report =
        "fragment lengths of " + Counted(estimate.pairs, "pair") + " in " + Counted(seeds, "seed");
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
            report += " (" + WithThousands(shortSeeds) + " of " + Counted(seeds, "seed") +
                      " shorter: seed-too-short)";
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

std::string FragmentsTsv(const FragmentEstimate& estimate, const AnchorDistances& distances,
                         size_t seeds, int32_t readLength, Variant variant) {
    const std::vector<std::pair<std::string, std::string>> values = {
        {"pairs", std::to_string(estimate.pairs)},
        {"far_pairs", std::to_string(estimate.farPairs)},
        {"effective_pairs", Fixed(estimate.effectivePairs, 1)},
        {"seeds", std::to_string(seeds)},
        {"longest_seed", std::to_string(estimate.longestSequence)},
        {"read_length", std::to_string(readLength)},
        {"variant", variant == Variant::Strict ? "strict" : "main"},
        {"lower_quartile", Fixed(estimate.lowerQuartile, 1)},
        {"median", Fixed(estimate.median, 1)},
        {"upper_quartile", Fixed(estimate.upperQuartile, 1)},
        {"fragment_low", Fixed(estimate.low, 1)},
        {"fragment_high", Fixed(estimate.high, 1)},
        {"min_distance", std::to_string(distances.minDistance)},
        {"max_distance", std::to_string(distances.maxDistance)},
    };
    std::string tsv = "key\tvalue\n";
    for (const auto& [key, value] : values) tsv += key + "\t" + value + "\n";
    tsv += "\nbin_start\tbin_end\tpairs\tshare\n";
    for (const FragmentBin& bin : estimate.histogram)
        tsv += std::to_string(bin.start) + "\t" + std::to_string(bin.end) + "\t" +
               std::to_string(bin.pairs) + "\t" + Fixed(bin.share, 5) + "\n";
    return tsv;
}

SettledDistances SettleDistances(const ExtendOptions& options, const std::vector<SeedRecord>& seeds,
                                 const RunInputs& inputs, ProgressLine& progress) {
    SettledDistances settled{options, "", ""};
    if (!options.estimateDistances) return settled;
    progress.Show("estimating the fragment lengths in " + Counted(seeds.size(), "seed"));
    std::vector<std::string_view> sequences;
    for (const SeedRecord& seed : seeds) sequences.push_back(seed.bases);
    const FragmentEstimate estimate = EstimateFragmentLengths(
        SampleFragments(sequences, inputs, options.variant, options.threads));
    progress.Clear();

    const int32_t readLength = inputs.table.layout.readLength;
    const bool sound = estimate.verdict == EstimateVerdict::Sound;
    std::optional<AnchorDistances> distances;
    size_t shortSeeds = 0;
    if (sound) {
        distances = DistancesFor(estimate, readLength, options.variant);
        for (const SeedRecord& seed : seeds)
            shortSeeds += static_cast<int64_t>(seed.bases.size()) < distances->maxDistance;
    }
    if (estimate.verdict != EstimateVerdict::TooFewPairs)
        settled.report = EstimateReport(estimate, distances, seeds.size(), shortSeeds);
    if (!options.quiet && (!sound || !options.estimateOnly))
        std::fputs(AsMessages(settled.report).c_str(), stderr);
    if (!sound) throw UsageError(estimate.reason + "; give --min-distance and --max-distance");

    settled.options.parameters.minDistance = distances->minDistance;
    settled.options.parameters.maxDistance = distances->maxDistance;
    settled.fragmentsTsv =
        FragmentsTsv(estimate, *distances, seeds.size(), readLength, options.variant);
    return settled;
}

void WriteEstimate(const SettledDistances& settled) {
    NamedOutput out("-");
    out.Write(settled.report + LorvexCommand(settled.options));
    std::optional<NamedOutput> tsv;
    if (!settled.options.fragmentsPath.empty()) {
        tsv.emplace(settled.options.fragmentsPath);
        tsv->Write(settled.fragmentsTsv);
        tsv->Finish();
    }
    out.Finish();
    if (tsv) tsv->Commit();
    out.Commit();
}

}  // namespace lorvex::extend
