#include "extend/estimate_output.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>
#include <vector>

#include "base/number_text.h"
#include "tool/output_file.h"

namespace lorvex::extend {
namespace {

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

}  // namespace

std::string LorvexCommand(const RunSettings& settings) {
    const RunParameters& p = settings.parameters;
    // lorvex reads the text table only: from a compact table, the command
    // names the text table of the same prefix and how to make it.
    const bool compact = settings.indexPath.empty();
    std::string prefix = settings.tablePath;
    if (prefix.ends_with(".pairs")) prefix.resize(prefix.size() - 6);
    const std::string table = compact ? prefix + ".table" : settings.tablePath;
    const std::string index = compact ? prefix + ".index" : settings.indexPath;
    return std::string(settings.variant == Variant::Strict ? "lorvex-strict" : "lorvex") +
           " SEED.fa " + ShellWord(table) + " " + ShellWord(index) + " " +
           std::to_string(p.minDistance) + " " + std::to_string(p.maxDistance) + " " +
           std::to_string(p.minVotes) + " " + RatioText(p.dominanceRatio) +
           (compact ? "  # the text table: lorvex-prep --format text -o " + ShellWord(prefix)
                    : "") +
           "\n";
}

std::string FragmentsTsv(const std::optional<FragmentEstimate>& estimate,
                         const AnchorDistances& distances, size_t seeds, int32_t readLength,
                         Variant variant, std::optional<double> singleCopyDepth,
                         int32_t anchorMismatches) {
    const auto measured = [&estimate](auto value) { return estimate ? value(*estimate) : ""; };
    using E = const FragmentEstimate&;
    const std::vector<std::pair<std::string, std::string>> values = {
        {"pairs", measured([](E e) { return std::to_string(e.pairs); })},
        {"far_pairs", measured([](E e) { return std::to_string(e.farPairs); })},
        {"effective_pairs", measured([](E e) { return FixedText(e.effectivePairs, 1); })},
        {"seeds", std::to_string(seeds)},
        {"longest_seed", measured([](E e) { return std::to_string(e.longestSequence); })},
        {"read_length", std::to_string(readLength)},
        {"variant", variant == Variant::Strict ? "strict" : "main"},
        {"lower_quartile", measured([](E e) { return FixedText(e.lowerQuartile, 1); })},
        {"median", measured([](E e) { return FixedText(e.median, 1); })},
        {"upper_quartile", measured([](E e) { return FixedText(e.upperQuartile, 1); })},
        {"fragment_low", measured([](E e) { return FixedText(e.low, 1); })},
        {"fragment_high", measured([](E e) { return FixedText(e.high, 1); })},
        {"min_distance", std::to_string(distances.minDistance)},
        {"max_distance", std::to_string(distances.maxDistance)},
        {"single_copy_depth", singleCopyDepth ? ExactText(*singleCopyDepth) : ""},
        {"anchor_mismatches", std::to_string(anchorMismatches)},
    };
    std::string tsv = "key\tvalue\n";
    for (const auto& [key, value] : values) tsv += key + "\t" + value + "\n";
    tsv += "\nbin_start\tbin_end\tpairs\tshare\n";
    if (estimate)
        for (const FragmentBin& bin : estimate->histogram)
            tsv += std::to_string(bin.start) + "\t" + std::to_string(bin.end) + "\t" +
                   std::to_string(bin.pairs) + "\t" + FixedText(bin.share, 5) + "\n";
    return tsv;
}

void WriteEstimate(const std::string& report, const std::string& depthLine,
                   const RunSettings& settings, const std::string& fragmentsPath,
                   const std::string& fragmentsTsv) {
    NamedOutput out("-");
    out.Write(report + depthLine + LorvexCommand(settings));
    std::optional<NamedOutput> tsv;
    if (!fragmentsPath.empty()) {
        tsv.emplace(fragmentsPath);
        tsv->Write(fragmentsTsv);
    }
    FinishThenCommit(tsv ? &*tsv : nullptr, &out);
}

}  // namespace lorvex::extend
