// Puts the table lines in their final order: grouped by the prefix code of
// the first read, groups in ascending code order, and within a group in the
// order the pairs were read (so the same input always gives the same bytes).
//
// Kept pairs are held packed in memory. While they fit in the memory budget,
// one stable radix sort of their line keys orders everything. Beyond the
// budget, the held pairs are spilled as finished table lines to 256 bucket
// files by the top 8 bits of their prefix code; at the end each bucket file
// is read back and sorted on its own, in code order. A bucket still larger
// than the budget is split again by the next 8 bits, and a bucket of one
// single code is copied through unsorted. Each line is thus written and read
// a bounded number of times: time stays linear, and memory stays bounded
// whatever the input size and however skewed the codes are.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "prep/progress.h"
#include "prep/table_writer.h"
#include "prep/work_folder.h"

namespace lorvex::prep {

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};

// A sort key: the 24-bit prefix code in the top bits, the line's position
// in the input below it, so that sorting by code keeps input order.
inline constexpr int keyOrdinalBits = 40;
inline constexpr int prefixCodeBits = 24;
inline uint64_t MakeSortKey(uint32_t code, uint64_t ordinal) {
    return (uint64_t{code} << keyOrdinalBits) | ordinal;
}
inline uint32_t KeyCode(uint64_t key) {
    return static_cast<uint32_t>(key >> keyOrdinalBits);
}
inline uint64_t KeyOrdinal(uint64_t key) {
    return key & ((uint64_t{1} << keyOrdinalBits) - 1);
}

// Bytes of sort keys per table line: the keys and the radix sort's scratch.
inline constexpr uint64_t sortKeyBytesPerLine = 2 * sizeof(uint64_t);

// Stable LSD radix sort of keys by the prefix-code bits [lowBit, highBit),
// 8 bits per pass; a pass whose digit is the same in every key is skipped.
void SortByCodeBits(std::vector<uint64_t>& keys, std::vector<uint64_t>& scratch, int lowBit,
                    int highBit);

struct GroupingSettings {
    int32_t readLength = 0;
    bool bothOrientations = true;  // each pair gives the lines (1, 2) and (2, 1)
    uint64_t memoryBudget = 0;     // bytes for held pairs or lines and their sort keys
};

struct GroupingTotals {
    uint64_t spills = 0;            // times the held pairs went to bucket files
    uint64_t bucketBytes = 0;       // bytes written to bucket files, splits included
    uint64_t largestHeldBytes = 0;  // the most bytes of pairs, lines and keys held at once
};

// A bucket file open for reading back, with the lines it holds.
struct BucketFile {
    std::string path;
    FileDescriptor file;
    uint64_t lines = 0;
};

class PairGrouper {
  public:
    // Bucket files, when needed, go into workFolder.
    PairGrouper(const GroupingSettings& settings, WorkFolder& workFolder);

    // Room for the next pair in packed form (PackedPairBytes); it is only
    // kept when KeepPair follows.
    char* PairSlot();
    void KeepPair();

    // Hands every table line to the writer in final order. Call once, after
    // the last pair.
    void WriteAll(GroupedTableWriter& writer, ProgressMeter& progress);

    const GroupingTotals& totals() const { return totals_; }
    uint64_t linesPerPair() const { return settings_.bothOrientations ? 2 : 1; }

  private:
    char* PairAt(uint64_t index) const;
    std::vector<uint64_t> HeldPairKeys() const;
    const char* LineFieldsOf(uint64_t ordinal, const char* fields[4]) const;
    uint64_t TotalLines() const { return keptPairs_ * linesPerPair(); }
    void NoteHeld(uint64_t bytes);
    std::string BucketPath(int fixedBits, uint32_t prefix);

    // Held pairs to bucket files, by the top 8 bits of their code.
    void Spill();
    // Appends the lines of keys (sorted by the digit after fixedBits fixed
    // bits) to the sub-bucket files of prefix, one file per run of a digit;
    // writeLine(ordinal, file) writes one line.
    template <typename WriteLine>
    void AppendToBuckets(const std::vector<uint64_t>& keys, int fixedBits, uint32_t prefix,
                         std::vector<bool>& present, const WriteLine& writeLine);

    void WriteHeldPairs(GroupedTableWriter& writer, ProgressMeter& progress);
    // A bucket of codes that begin with the fixedBits bits of prefix, written
    // in code order: copied, sorted in memory, or split further.
    void ProcessBucket(const std::string& path, int fixedBits, uint32_t prefix,
                       GroupedTableWriter& writer, ProgressMeter& progress);
    void CopySingleCodeBucket(BucketFile& bucket, uint32_t code, GroupedTableWriter& writer,
                              ProgressMeter& progress);
    void SortBucketInMemory(BucketFile& bucket, int fixedBits, GroupedTableWriter& writer,
                            ProgressMeter& progress);
    // Which sub-buckets the split filled.
    std::vector<bool> SplitBucket(BucketFile& bucket, int fixedBits, uint32_t prefix);

    GroupingSettings settings_;
    WorkFolder& workFolder_;
    size_t pairBytes_;
    uint64_t lineBytes_;
    uint64_t pairCapacity_;  // pairs held before a spill
    uint64_t pairsPerBlock_;
    uint64_t linesPerChunk_;  // lines of a bucket file sorted in memory at once
    std::vector<std::unique_ptr<char[], FreeDeleter>> blocks_;
    uint64_t heldPairs_ = 0;
    uint64_t keptPairs_ = 0;
    uint64_t linesWritten_ = 0;
    std::vector<bool> levelOneBuckets_;  // which top-level bucket files exist
    GroupingTotals totals_;
};

}  // namespace lorvex::prep
