#include "extend/extend_output.h"

namespace lorvex::extend {
namespace {

void AppendVotes(std::string& row, const BaseVotes& votes) {
    for (int32_t count : {votes.a, votes.c, votes.g, votes.t}) {
        row += '\t';
        row += std::to_string(count);
    }
}

}  // namespace

std::string FastaHeader(const SeedRecord& seed, const SeedExtension& extension, bool bothSides) {
    std::string header = ">" + seed.name;
    if (bothSides) header += " left=" + std::to_string(extension.left.bases.size());
    header += " right=" + std::to_string(extension.right.bases.size());
    if (bothSides) header += std::string(" left_stop=") + StopReasonLabel(extension.left.stop);
    header += std::string(" right_stop=") + StopReasonLabel(extension.right.stop);
    if (!seed.description.empty()) header += " " + seed.description;
    return header;
}

std::string FastaRecord(const std::string& header, const std::string& sequence, int32_t lineWidth) {
    std::string record;
    const size_t width = lineWidth > 0 ? static_cast<size_t>(lineWidth) : sequence.size();
    record.reserve(header.size() + sequence.size() + sequence.size() / (width ? width : 1) + 2);
    record += header;
    record += '\n';
    for (size_t at = 0; at < sequence.size(); at += width) {
        record.append(sequence, at, width);
        record += '\n';
    }
    return record;
}

std::string BaseRowsHeader() {
    return "seed\tside\tstep\tposition\tbase\tA\tC\tG\tT\n";
}

std::string BaseRows(const SeedRecord& seed, const SeedExtension& extension, bool bothSides) {
    std::string rows;
    const size_t leftLength = extension.left.bases.size();
    const auto addSide = [&](const SideExtension& side) {
        for (size_t i = 0; i < side.bases.size(); ++i) {
            const size_t step = i + 1;
            const size_t position =
                side.side == Side::Left ? leftLength - i : leftLength + seed.bases.size() + step;
            rows += seed.name;
            rows += '\t';
            rows += SideName(side.side);
            rows += '\t' + std::to_string(step) + '\t' + std::to_string(position) + '\t';
            rows += side.bases[i];
            AppendVotes(rows, i < side.votes.size() ? side.votes[i] : BaseVotes{});
            rows += '\n';
        }
    };
    if (bothSides) addSide(extension.left);
    addSide(extension.right);
    return rows;
}

std::string SummaryRowsHeader() {
    return "seed\tside\tseed_length\tadded\tstop\tstop_A\tstop_C\tstop_G\tstop_T\tcontig_length\n";
}

std::string SummaryRows(const SeedRecord& seed, const SeedExtension& extension, bool bothSides) {
    const size_t contigLength =
        extension.left.bases.size() + seed.bases.size() + extension.right.bases.size();
    std::string rows;
    const auto addSide = [&](const SideExtension& side) {
        rows += seed.name;
        rows += '\t';
        rows += SideName(side.side);
        rows += '\t' + std::to_string(seed.bases.size()) + '\t' +
                std::to_string(side.bases.size()) + '\t' + StopReasonLabel(side.stop);
        AppendVotes(rows, side.stopVotes);
        rows += '\t' + std::to_string(contigLength) + '\n';
    };
    if (bothSides) addSide(extension.left);
    addSide(extension.right);
    return rows;
}

}  // namespace lorvex::extend
