#include "extend/extend_output.h"

#include <cstdio>

#include "base/number_text.h"
#include "run/stop_words.h"
#include "run/variant_rows.h"

namespace lorvex::extend {
namespace {

// A side's mean per cycle, empty when no cycle ran.
std::string PerCycle(int64_t total, int64_t cycles) {
    return cycles > 0 ? WithOneDecimal(static_cast<double>(total) / static_cast<double>(cycles))
                      : "";
}

void AppendVotes(std::string& row, const BaseVotes& votes) {
    for (int32_t count : {votes.a, votes.c, votes.g, votes.t}) {
        row += '\t';
        row += std::to_string(count);
    }
}

std::string DepthRatio(const BaseVotes& votes, std::optional<double> singleCopyDepth) {
    if (!singleCopyDepth) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", votes.Total() / *singleCopyDepth);
    return text;
}

// Where a side's base at `step` lies in the written contig, 1-based.
size_t ContigPosition(const SequenceRecord& seed, const SeedExtension& extension, Side side,
                      size_t step) {
    const size_t leftLength = extension.left.bases.size();
    const size_t index =
        side == Side::Left ? leftLength - step : leftLength + seed.bases.size() + step - 1;
    return WrittenPosition(seed, extension, index);
}

}  // namespace

const char* SeedStopLabel(StopReason reason) {
    return StopLabel(reason, {"seed-too-short", "target"});
}

std::string FastaHeader(const SequenceRecord& seed, const SeedExtension& extension,
                        bool bothSides) {
    std::string header = ">" + seed.name;
    if (bothSides) header += " left=" + std::to_string(extension.left.bases.size());
    header += " right=" + std::to_string(extension.right.bases.size());
    if (bothSides) header += std::string(" left_stop=") + SeedStopLabel(extension.left.stop);
    header += std::string(" right_stop=") + SeedStopLabel(extension.right.stop);
    if (IsCircular(extension))
        header +=
            " length=" + std::to_string(WrittenSequence(seed, extension).size()) + " circular=true";
    if (!seed.description.empty()) header += " " + seed.description;
    return header;
}

std::string BaseRowsHeader() {
    return "seed\tside\tstep\tposition\tbase\tA\tC\tG\tT\tdepth_ratio\n";
}

std::string BaseRows(const SequenceRecord& seed, const SeedExtension& extension, bool bothSides,
                     std::optional<double> singleCopyDepth) {
    std::string rows;
    const auto addSide = [&](const SideExtension& side) {
        for (size_t i = 0; i < side.bases.size(); ++i) {
            const size_t step = i + 1;
            const size_t position = ContigPosition(seed, extension, side.side, step);
            rows += seed.name;
            rows += '\t';
            rows += SideName(side.side);
            rows += '\t' + std::to_string(step) + '\t' + std::to_string(position) + '\t';
            rows += side.bases[i];
            const BaseVotes votes = i < side.votes.size() ? side.votes[i] : BaseVotes{};
            AppendVotes(rows, votes);
            rows += '\t' + DepthRatio(votes, singleCopyDepth) + '\n';
        }
    };
    if (bothSides) addSide(extension.left);
    addSide(extension.right);
    return rows;
}

std::string SummaryRowsHeader() {
    return "seed\tside\tseed_length\tadded\tstop\tstop_A\tstop_C\tstop_G\tstop_T\tcontig_length\t"
           "single_copy_depth\ttopology\tvariants\tmates_per_cycle\tvotes_per_cycle\t"
           "end_read_cycles\n";
}

std::string SummaryRows(const SequenceRecord& seed, const SeedExtension& extension, bool bothSides,
                        std::optional<double> singleCopyDepth, bool variantsFound) {
    const size_t contigLength = WrittenSequence(seed, extension).size();
    const char* topology = IsCircular(extension) ? "circular" : "linear";
    const std::string depth = singleCopyDepth ? WithOneDecimal(*singleCopyDepth) : "";
    std::string rows;
    const auto addSide = [&](const SideExtension& side) {
        rows += seed.name;
        rows += '\t';
        rows += SideName(side.side);
        rows += '\t' + std::to_string(seed.bases.size()) + '\t' +
                std::to_string(side.bases.size()) + '\t' + SeedStopLabel(side.stop);
        AppendVotes(rows, side.stopVotes);
        rows += '\t' + std::to_string(contigLength) + '\t' + depth + '\t' + topology + '\t' +
                (variantsFound ? std::to_string(side.variants.size()) : "") + '\t' +
                PerCycle(side.queuedMates, side.cycles) + '\t' +
                PerCycle(side.votesCast, side.cycles) + '\t' +
                (side.cycles > 0 ? std::to_string(side.endReadCycles) : "") + '\n';
    };
    if (bothSides) addSide(extension.left);
    addSide(extension.right);
    return rows;
}

std::string VariantRows(const SequenceRecord& seed, const SeedExtension& extension,
                        bool bothSides) {
    std::string rows;
    const auto addSide = [&](const SideExtension& side) {
        for (const VariantSite& site : side.variants)
            rows += VariantRow(
                seed.name, SideName(side.side),
                ContigPosition(seed, extension, side.side, static_cast<size_t>(site.step)), site);
    };
    if (bothSides) addSide(extension.left);
    addSide(extension.right);
    return rows;
}

}  // namespace lorvex::extend
