#include "extension/end_reads.h"

#include <algorithm>
#include <cstring>

#include "mates/group_chunks.h"
#include "seq/nucleotide.h"

namespace lorvex {

EndReads::EndReads(const RunInputs& inputs, int32_t voteQuality)
    : inputs_(inputs), voteQuality_(voteQuality) {}

void EndReads::LookUp(const std::string& contig, int64_t start) {
    const char* window = contig.data() + start;
    const auto overlap = static_cast<size_t>(static_cast<int64_t>(contig.size()) - start);
    if (inputs_.Compact()) {
        // The reads that begin with the window's bases and go on past it,
        // with their vote bits; their mates are not decoded.
        const PairTable& table = *inputs_.pairs;
        found_.Clear();
        const auto [first, last] = table.KeyRange(window, static_cast<uint32_t>(overlap));
        table.AppendEntriesWhere(
            first, last,
            [&](std::string_view read, const PairRecord& record, int which) {
                if (read.size() <= overlap || std::memcmp(read.data(), window, overlap) != 0)
                    return false;
                Candidate candidate{start, std::string(read), std::vector<uint8_t>(read.size())};
                for (size_t k = 0; k < read.size(); ++k)
                    candidate.votes[k] =
                        BaseReachedVoteQuality(record, which, static_cast<uint32_t>(k));
                candidates_.push_back(std::move(candidate));
                return false;
            },
            found_, MateOrientation::AsRead);
        return;
    }
    // Text table: the lines of the window's 12-base group whose first read
    // equals the window; a line is read 1, read 2, then their qualities,
    // each field followed by one separator.
    const TableLayout& layout = inputs_.table.layout;
    const auto r = static_cast<size_t>(layout.readLength);
    const uint32_t code = DnaToUint(window, prefixLength);
    const PrefixGroup group = FindGroup(inputs_.index, code);
    if (group.count == 0) return;
    ReadGroupInChunks(inputs_.table, code, group, group_, [&](const char* lines, uint64_t count) {
        for (uint64_t i = 0; i < count; ++i) {
            const char* line = lines + i * layout.lineSize;
            if (std::memcmp(line, window, overlap) != 0) continue;
            Candidate candidate{start, std::string(line, r), std::vector<uint8_t>(r)};
            for (size_t k = 0; k < r; ++k)
                candidate.votes[k] =
                    static_cast<unsigned char>(line[2 * r + 2 + k]) - 33 >= voteQuality_;
            candidates_.push_back(std::move(candidate));
        }
    });
}

BaseVotes EndReads::Votes(const std::string& contig) {
    const auto length = static_cast<int64_t>(contig.size());
    const size_t startBases = std::min<size_t>(contig.size(), minimumOverlap);
    if (length < checkedTo_ || contig.compare(0, startBases, checkedStart_) != 0) {
        candidates_.clear();
        checkedTo_ = 0;
        checkedStart_ = contig.substr(0, startBases);
    }
    // The kept reads must agree with the bases appended since, and still
    // reach past the end.
    std::erase_if(candidates_, [&](const Candidate& read) {
        const int64_t end = read.start + static_cast<int64_t>(read.bases.size());
        if (end <= length) return true;
        for (int64_t at = std::max(checkedTo_, read.start); at < length; ++at)
            if (read.bases[static_cast<size_t>(at - read.start)] != contig[static_cast<size_t>(at)])
                return true;
        return false;
    });
    // The starts up to checkedTo_ - minimumOverlap were looked up before.
    const int64_t first = std::max<int64_t>(
        {0, checkedTo_ - minimumOverlap + 1, length - (inputs_.ReadLength() - 1)});
    for (int64_t start = first; start <= length - minimumOverlap; ++start) LookUp(contig, start);
    checkedTo_ = length;
    BaseVotes votes;
    for (const Candidate& read : candidates_) {
        const auto at = static_cast<size_t>(length - read.start);
        if (read.votes[at]) AddVote(votes, read.bases[at]);
    }
    return votes;
}

}  // namespace lorvex
