// Fast mate lookup: the same selection and transformation as
// GetAllPairedReads, without a string per field. The group is read in
// chunks of bounded size (one positioned read for all but the largest
// groups) into a buffer that lives across lookups, first reads are compared
// where they lie in that buffer, and only the selected pairs are turned into
// mates, written one after another into flat arrays.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "input/pair_table.h"
#include "input/prefix_index.h"
#include "input/read_table.h"
#include "mates/group_chunks.h"
#include "mates/mate_lookup.h"

namespace lorvex {

// The mates of one anchor window, flat: mate i is bases[i*R .. i*R+R) and its
// decoded qualities are qualities[i*R .. i*R+R), in table order, for i below
// count (the arrays keep the room of earlier lookups). The group
// buffer (text table) and the found pairs (compact table) are kept between
// lookups so that a run of lookups stops allocating once it has seen its
// largest group.
//
// A mate shorter than R (compact table only; `lengths` then holds every
// mate's own length) is padded after its bases with mateEndPadding bytes of
// quality 0: no contig byte equals one, so an overlap ends before the
// padding and the padding never votes, as if the mate were R bases of its
// own length.
struct SelectedMates {
    int32_t readLength = 0;
    int32_t count = 0;
    std::vector<char> bases;
    std::vector<uint8_t> qualities;
    std::vector<int32_t> lengths;  // empty: every mate is R bases long
    // With AnchorRule::markSureMismatches, 1 for each mate whose first read
    // has a mismatch at a base of voting quality, else 0; empty otherwise.
    std::vector<uint8_t> sure;
    std::vector<char> group;
    FoundPairs found;
    std::vector<size_t> sureFound;  // where found's pairs with a sure mismatch stand

    const char* Mate(int32_t i) const { return bases.data() + static_cast<size_t>(i) * readLength; }
    const uint8_t* Quality(int32_t i) const {
        return qualities.data() + static_cast<size_t>(i) * readLength;
    }
    int32_t MateLength(int32_t i) const {
        return lengths.empty() ? readLength : lengths[static_cast<size_t>(i)];
    }
};

// What pads a mate shorter than R: a zero byte, which no contig holds (the
// seed and FASTA readers refuse it) and which ends an overlap in overlap
// tracking.
inline constexpr char mateEndPadding = '\0';

// How many leading bytes of a first read must equal the window: min(R, 100)
// in the main variant, R in the strict one. Fields hold no zero byte (the
// group reader refuses them), so this byte count gives the same answer as
// FirstReadMatches on the terminated strings.
int32_t FirstReadCompareLength(int32_t readLength, Variant variant);

// Which first reads lie on a window: those whose first `length` bases (12 to
// the read length) equal the window's, but for at most `mismatches` of them
// past the 12-base index key.
struct AnchorRule {
    int32_t length = 0;
    int32_t mismatches = 0;
    // A selected mate's base votes when its quality is voteQuality or more:
    // a text table's qualities from voteQuality to 29 are raised to 30, the
    // quality the votes need, and 30 (or more) leaves them as they are. A
    // compact table's vote bit was set by its own threshold when it was made.
    int32_t voteQuality = static_cast<int32_t>(pairTableVoteQuality);
    // Mark the selected mates whose first read has a mismatch at a base of
    // voteQuality or more (SelectedMates::sure). A sequencing error mostly
    // lies at a base the read itself doubts; a read of another copy of a
    // repeat, or of another haplotype, differs at bases it is sure of.
    bool markSureMismatches = false;
};

// The rule with its length cut to readLength, every other field kept.
inline AnchorRule CutToReadLength(AnchorRule rule, int32_t readLength) {
    rule.length = std::min(rule.length, readLength);
    return rule;
}

// The bytes of a first read that differ from the window's among its first
// `length` past the 12-byte key, counted up to most + 1; -1 when the keys
// differ.
int32_t MismatchesPastKey(const char* firstRead, const char* window, int32_t length, int32_t most);

// How a first read lies on a window: not by the rule, or by it with no
// mismatch at a base of voting quality, or with one or more.
enum class AnchorFit : uint8_t { Off, Clean, SureMismatch };

// How the first `rule.length` bytes of a first read lie on the window.
// doubtful(i) tells whether the read's base i is below the vote quality; it
// is asked only at a mismatch, and only when the rule marks them.
template <typename Doubtful>
AnchorFit FitAnchor(const char* firstRead, const char* window, const AnchorRule& rule,
                    Doubtful&& doubtful) {
    if (rule.mismatches == 0)
        return std::memcmp(firstRead, window, static_cast<size_t>(rule.length)) == 0
                   ? AnchorFit::Clean
                   : AnchorFit::Off;
    const int32_t key = std::min(rule.length, prefixLength);
    if (std::memcmp(firstRead, window, static_cast<size_t>(key)) != 0) return AnchorFit::Off;
    int32_t mismatches = 0;
    bool sure = false;
    for (int32_t i = key; i < rule.length; ++i)
        if (firstRead[i] != window[i]) {
            if (++mismatches > rule.mismatches) return AnchorFit::Off;
            sure = sure || (rule.markSureMismatches && !doubtful(i));
        }
    return sure ? AnchorFit::SureMismatch : AnchorFit::Clean;
}

// Empties `selected` for mates of readLength bases.
void ClearSelectedMates(int32_t readLength, SelectedMates& selected);

// Appends to `selected` the mates of those of `count` sound lines of one
// group whose first read lies on the window by the anchor rule (its length
// at most the read length).
void SelectMates(const char* window, const char* lines, uint64_t count, const TableLayout& layout,
                 const AnchorRule& anchor, SelectedMates& selected);
// The same with the variant's compare length.
void SelectMates(const char* window, const char* lines, uint64_t count, const TableLayout& layout,
                 Variant variant, SelectedMates& selected);

// Looks up the readLength bytes at window (a stretch of the contig, not
// terminated). Checks the group as ReadGroup does, so a damaged table fails
// with the same messages. Safe to call from several threads on one table,
// each with its own SelectedMates.
void FetchSelectedMates(const char* window, const TableStream& table, const PrefixIndex& index,
                        Variant variant, SelectedMates& selected,
                        uint64_t chunkBytes = groupChunkBytes);
// The same for first reads that lie on the window by the anchor rule; only
// the anchor's bytes of the window are read.
void FetchSelectedMates(const char* window, const TableStream& table, const PrefixIndex& index,
                        const AnchorRule& anchor, SelectedMates& selected,
                        uint64_t chunkBytes = groupChunkBytes);

}  // namespace lorvex
