#include "extension/end_reads.h"

#include <algorithm>
#include <cstring>

#include "mates/group_chunks.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

// Text table: the lines of the window's 12-base group whose first read
// equals the window's `overlap` bases; a line is read 1, read 2, then their
// qualities, each field followed by one separator.
void TextEndReads(const char* window, int32_t overlap, const RunInputs& inputs, int32_t voteQuality,
                  EndReadScratch& scratch, BaseVotes& votes) {
    const TableLayout& layout = inputs.table.layout;
    const size_t r = static_cast<size_t>(layout.readLength);
    const uint32_t code = DnaToUint(window, prefixLength);
    const PrefixGroup group = FindGroup(inputs.index, code);
    if (group.count == 0) return;
    ReadGroupInChunks(
        inputs.table, code, group, scratch.group, [&](const char* lines, uint64_t count) {
            for (uint64_t i = 0; i < count; ++i) {
                const char* line = lines + i * layout.lineSize;
                if (std::memcmp(line, window, static_cast<size_t>(overlap)) != 0) continue;
                const int32_t quality = static_cast<unsigned char>(line[2 * r + 2 + overlap]) - 33;
                if (quality >= voteQuality) AddVote(votes, line[overlap]);
            }
        });
}

// Compact table: the reads that begin with the window's `overlap` bases,
// each pair's record parsed again for its anchor's vote bits.
void CompactEndReads(const char* window, int32_t overlap, const PairTable& table,
                     EndReadScratch& scratch, BaseVotes& votes) {
    table.FindPairs(window, static_cast<uint32_t>(overlap), scratch.found);
    for (size_t i = 0; i < scratch.found.size(); ++i) {
        const std::string_view read = scratch.found.Anchor(i);
        if (static_cast<int32_t>(read.size()) <= overlap) continue;
        const FoundPair& pair = scratch.found.pairs[i];
        if (!table.ParseRecordAt(pair.pairId, scratch.record))
            throw table.DamagedRecord(pair.pairId, "an index entry");
        scratch.qualities.resize(read.size());
        DecodeVoteQualities(scratch.record, pair.anchorRead, scratch.qualities.data());
        if (scratch.qualities[static_cast<size_t>(overlap)] >= pairTableVoteQuality)
            AddVote(votes, read[static_cast<size_t>(overlap)]);
    }
}

}  // namespace

BaseVotes EndReadVotes(const std::string& contig, const RunInputs& inputs, int32_t voteQuality,
                       EndReadScratch& scratch) {
    BaseVotes votes;
    const int32_t longest =
        std::min<int32_t>(inputs.ReadLength() - 1, static_cast<int32_t>(contig.size()));
    for (int32_t overlap = minimumOverlap; overlap <= longest; ++overlap) {
        const char* window = contig.data() + contig.size() - static_cast<size_t>(overlap);
        if (inputs.Compact())
            CompactEndReads(window, overlap, *inputs.pairs, scratch, votes);
        else
            TextEndReads(window, overlap, inputs, voteQuality, scratch, votes);
    }
    return votes;
}

}  // namespace lorvex
