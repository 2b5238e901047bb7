#include "prep/pair_grouping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "base/errors.h"
#include "prep/pair_filter.h"
#include "seq/nucleotide.h"
#include "tool/stop_signals.h"

namespace lorvex::prep {
namespace {

constexpr int digitBits = 8;
constexpr uint32_t bucketsPerSplit = 1u << digitBits;
// Pairs are held in blocks of this size, allocated as the input grows, so a
// small input never touches the whole budget.
constexpr uint64_t pairBlockBytes = 32u << 20;
constexpr size_t bucketWriteBufferBytes = 1 << 20;
constexpr uint64_t linesPerProgressCall = 1 << 16;

// Large pair blocks sit on transparent huge pages where the system offers
// them: the lines are gathered from the pairs in code order, that is at
// random, and 4 KiB pages would cost a TLB miss for nearly every line.
std::unique_ptr<char[], FreeDeleter> AllocatePairBlock(uint64_t bytes) {
    constexpr uint64_t hugePageBytes = 2 << 20;
    if (bytes < hugePageBytes) {
        char* memory = static_cast<char*>(std::malloc(bytes));
        if (!memory) throw std::bad_alloc();
        return std::unique_ptr<char[], FreeDeleter>(memory);
    }
    const uint64_t rounded = (bytes + hugePageBytes - 1) / hugePageBytes * hugePageBytes;
    char* memory = static_cast<char*>(std::aligned_alloc(hugePageBytes, rounded));
    if (!memory) throw std::bad_alloc();
    ::madvise(memory, rounded, MADV_HUGEPAGE);
    return std::unique_ptr<char[], FreeDeleter>(memory);
}

// A buffer no larger than what will be written through it.
size_t WriteBufferFor(uint64_t bytes) {
    return static_cast<size_t>(std::min<uint64_t>(bytes, bucketWriteBufferBytes));
}

// The bucket digit of a code below fixedBits already fixed bits.
uint32_t NextDigit(uint32_t code, int fixedBits) {
    return (code >> (prefixCodeBits - fixedBits - digitBits)) & (bucketsPerSplit - 1);
}

// The prefix of the sub-bucket of `digit` within the bucket of `prefix`.
uint32_t SubPrefix(uint32_t prefix, uint32_t digit) {
    return (prefix << digitBits) | digit;
}

BucketFile OpenBucket(const std::string& path, uint64_t lineBytes) {
    BucketFile bucket{path, FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), 0};
    if (bucket.file.get() < 0) throw OutputFileError(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(bucket.file.get(), &info) != 0) throw OutputFileError(path, std::strerror(errno));
    const uint64_t fileBytes = static_cast<uint64_t>(info.st_size);
    if (fileBytes % lineBytes != 0)
        throw OutputFileError(path, "bucket file is not whole lines (changed by someone else?)");
    bucket.lines = fileBytes / lineBytes;
    return bucket;
}

void RemoveBucket(BucketFile& bucket) {
    bucket.file.Reset();
    ::unlink(bucket.path.c_str());
}

}  // namespace

void SortByCodeBits(std::vector<uint64_t>& keys, std::vector<uint64_t>& scratch, int lowBit,
                    int highBit) {
    scratch.resize(keys.size());
    for (int bit = lowBit; bit < highBit; bit += digitBits) {
        const int width = std::min(digitBits, highBit - bit);
        const int shift = keyOrdinalBits + bit;
        const uint64_t mask = (uint64_t{1} << width) - 1;
        std::array<uint64_t, bucketsPerSplit> counts{};
        for (const uint64_t key : keys) ++counts[(key >> shift) & mask];
        if (std::find(counts.begin(), counts.end(), keys.size()) != counts.end()) continue;
        uint64_t position = 0;
        for (uint64_t& count : counts) position += std::exchange(count, position);
        for (const uint64_t key : keys) scratch[counts[(key >> shift) & mask]++] = key;
        keys.swap(scratch);
    }
}

PairGrouper::PairGrouper(const GroupingSettings& settings, WorkFolder& workFolder)
    : settings_(settings),
      workFolder_(workFolder),
      pairBytes_(PackedPairBytes(settings.readLength)),
      lineBytes_(TableLineBytes(settings.readLength)),
      levelOneBuckets_(bucketsPerSplit, false) {
    const uint64_t heldBytesPerPair = pairBytes_ + linesPerPair() * sortKeyBytesPerLine;
    pairCapacity_ = std::max<uint64_t>(1, settings.memoryBudget / heldBytesPerPair);
    pairsPerBlock_ = std::clamp<uint64_t>(pairBlockBytes / pairBytes_, 1, pairCapacity_);
    linesPerChunk_ =
        std::max<uint64_t>(1, settings.memoryBudget / (lineBytes_ + sortKeyBytesPerLine));
}

char* PairGrouper::PairAt(uint64_t index) const {
    return blocks_[index / pairsPerBlock_].get() + (index % pairsPerBlock_) * pairBytes_;
}

char* PairGrouper::PairSlot() {
    if (heldPairs_ == blocks_.size() * pairsPerBlock_) {
        // The last block holds only what the capacity leaves for it.
        const uint64_t pairs = std::min(pairsPerBlock_, pairCapacity_ - heldPairs_);
        blocks_.push_back(AllocatePairBlock(pairs * pairBytes_));
    }
    return PairAt(heldPairs_);
}

void PairGrouper::KeepPair() {
    ++heldPairs_;
    ++keptPairs_;
    if (heldPairs_ == pairCapacity_) Spill();
}

void PairGrouper::NoteHeld(uint64_t bytes) {
    totals_.largestHeldBytes = std::max(totals_.largestHeldBytes, bytes);
}

std::vector<uint64_t> PairGrouper::HeldPairKeys() const {
    std::vector<uint64_t> keys;
    keys.reserve(heldPairs_ * linesPerPair());
    const size_t r = static_cast<size_t>(settings_.readLength);
    for (uint64_t pair = 0; pair < heldPairs_; ++pair) {
        const char* packed = PairAt(pair);
        if (settings_.bothOrientations) {
            keys.push_back(MakeSortKey(DnaToUint(packed, prefixLength), 2 * pair));
            keys.push_back(MakeSortKey(DnaToUint(packed + r, prefixLength), 2 * pair + 1));
        } else {
            keys.push_back(MakeSortKey(DnaToUint(packed, prefixLength), pair));
        }
    }
    return keys;
}

// The four fields of the line with this ordinal, in line order: the second
// orientation swaps the reads and their qualities.
const char* PairGrouper::LineFieldsOf(uint64_t ordinal, const char* fields[4]) const {
    const size_t r = static_cast<size_t>(settings_.readLength);
    const bool swapped = settings_.bothOrientations && (ordinal & 1);
    const char* packed = PairAt(settings_.bothOrientations ? ordinal >> 1 : ordinal);
    fields[0] = packed + (swapped ? r : 0);
    fields[1] = packed + (swapped ? 0 : r);
    fields[2] = packed + (swapped ? 3 * r : 2 * r);
    fields[3] = packed + (swapped ? 2 * r : 3 * r);
    return packed;
}

std::string PairGrouper::BucketPath(int fixedBits, uint32_t prefix) {
    char name[32];
    std::snprintf(name, sizeof name, "/bucket-%0*x", fixedBits / 4, prefix);
    return workFolder_.path() + name;
}

template <typename WriteLine>
void PairGrouper::AppendToBuckets(const std::vector<uint64_t>& keys, int fixedBits, uint32_t prefix,
                                  std::vector<bool>& present, const WriteLine& writeLine) {
    size_t runStart = 0;
    while (runStart < keys.size()) {
        const uint32_t digit = NextDigit(KeyCode(keys[runStart]), fixedBits);
        size_t runEnd = runStart;
        while (runEnd < keys.size() && NextDigit(KeyCode(keys[runEnd]), fixedBits) == digit)
            ++runEnd;
        FileWriter file = OpenForAppend(BucketPath(fixedBits + digitBits, SubPrefix(prefix, digit)),
                                        WriteBufferFor((runEnd - runStart) * lineBytes_));
        for (size_t i = runStart; i < runEnd; ++i) writeLine(KeyOrdinal(keys[i]), file);
        totals_.bucketBytes += file.bytesWritten();
        file.Close();
        present[digit] = true;
        runStart = runEnd;
    }
}

void PairGrouper::Spill() {
    ThrowIfStopRequested();
    std::vector<uint64_t> keys = HeldPairKeys();
    std::vector<uint64_t> scratch;
    NoteHeld(heldPairs_ * pairBytes_ + 2 * keys.size() * sizeof(uint64_t));
    SortByCodeBits(keys, scratch, prefixCodeBits - digitBits, prefixCodeBits);
    scratch = {};
    AppendToBuckets(keys, 0, 0, levelOneBuckets_, [&](uint64_t ordinal, FileWriter& file) {
        const char* fields[4];
        LineFieldsOf(ordinal, fields);
        FormatTableLine(fields[0], fields[1], fields[2], fields[3], settings_.readLength,
                        file.Reserve(lineBytes_));
        file.Advance(lineBytes_);
    });
    ++totals_.spills;
    heldPairs_ = 0;
}

void PairGrouper::WriteAll(GroupedTableWriter& writer, ProgressMeter& progress) {
    if (totals_.spills == 0) {
        WriteHeldPairs(writer, progress);
        return;
    }
    if (heldPairs_ > 0) Spill();
    blocks_.clear();
    blocks_.shrink_to_fit();
    for (uint32_t bucket = 0; bucket < bucketsPerSplit; ++bucket)
        if (levelOneBuckets_[bucket])
            ProcessBucket(BucketPath(digitBits, bucket), digitBits, bucket, writer, progress);
}

void PairGrouper::WriteHeldPairs(GroupedTableWriter& writer, ProgressMeter& progress) {
    // Everything fits: one sort, lines formatted straight from the pairs.
    std::vector<uint64_t> keys = HeldPairKeys();
    std::vector<uint64_t> scratch;
    NoteHeld(heldPairs_ * pairBytes_ + 2 * keys.size() * sizeof(uint64_t));
    SortByCodeBits(keys, scratch, 0, prefixCodeBits);
    scratch = {};
    constexpr size_t prefetchDistance = 8;  // pairs are visited in code order, not memory order
    for (size_t i = 0; i < keys.size(); ++i) {
        if (i + prefetchDistance < keys.size()) {
            const char* ahead[4];
            __builtin_prefetch(LineFieldsOf(KeyOrdinal(keys[i + prefetchDistance]), ahead));
        }
        const char* fields[4];
        LineFieldsOf(KeyOrdinal(keys[i]), fields);
        writer.AppendFields(KeyCode(keys[i]), fields[0], fields[1], fields[2], fields[3]);
        if (++linesWritten_ % linesPerProgressCall == 0) {
            ThrowIfStopRequested();
            progress.Grouping(linesWritten_, TotalLines());
        }
    }
}

void PairGrouper::ProcessBucket(const std::string& path, int fixedBits, uint32_t prefix,
                                GroupedTableWriter& writer, ProgressMeter& progress) {
    ThrowIfStopRequested();
    BucketFile bucket = OpenBucket(path, lineBytes_);
    if (fixedBits == prefixCodeBits) {
        CopySingleCodeBucket(bucket, prefix, writer, progress);
    } else if (bucket.lines <= linesPerChunk_) {
        SortBucketInMemory(bucket, fixedBits, writer, progress);
    } else {
        const std::vector<bool> present = SplitBucket(bucket, fixedBits, prefix);
        for (uint32_t digit = 0; digit < bucketsPerSplit; ++digit)
            if (present[digit])
                ProcessBucket(BucketPath(fixedBits + digitBits, SubPrefix(prefix, digit)),
                              fixedBits + digitBits, SubPrefix(prefix, digit), writer, progress);
    }
}

void PairGrouper::CopySingleCodeBucket(BucketFile& bucket, uint32_t code,
                                       GroupedTableWriter& writer, ProgressMeter& progress) {
    // One code only: the lines are already in input order.
    std::vector<char> chunk(std::min(bucket.lines, linesPerChunk_) * lineBytes_);
    for (uint64_t done = 0; done < bucket.lines;) {
        const uint64_t count = std::min(bucket.lines - done, linesPerChunk_);
        ReadFully(bucket.file.get(), bucket.path, chunk.data(), count * lineBytes_);
        writer.AppendLines(code, chunk.data(), count);
        done += count;
        linesWritten_ += count;
        ThrowIfStopRequested();
        progress.Grouping(linesWritten_, TotalLines());
    }
    RemoveBucket(bucket);
}

void PairGrouper::SortBucketInMemory(BucketFile& bucket, int fixedBits, GroupedTableWriter& writer,
                                     ProgressMeter& progress) {
    const uint64_t lines = bucket.lines;
    std::vector<char> chunk(lines * lineBytes_);
    ReadFully(bucket.file.get(), bucket.path, chunk.data(), chunk.size());
    RemoveBucket(bucket);
    std::vector<uint64_t> keys(lines);
    for (uint64_t i = 0; i < lines; ++i)
        keys[i] = MakeSortKey(DnaToUint(chunk.data() + i * lineBytes_, prefixLength), i);
    std::vector<uint64_t> scratch;
    NoteHeld(chunk.size() + 2 * lines * sizeof(uint64_t));
    SortByCodeBits(keys, scratch, 0, prefixCodeBits - fixedBits);
    for (const uint64_t key : keys)
        writer.AppendLines(KeyCode(key), chunk.data() + KeyOrdinal(key) * lineBytes_, 1);
    linesWritten_ += lines;
    progress.Grouping(linesWritten_, TotalLines());
}

std::vector<bool> PairGrouper::SplitBucket(BucketFile& bucket, int fixedBits, uint32_t prefix) {
    // Too large to sort at once: split by the next 8 bits, chunk by chunk,
    // which keeps every sub-bucket in input order.
    std::vector<bool> present(bucketsPerSplit, false);
    std::vector<char> chunk(linesPerChunk_ * lineBytes_);
    std::vector<uint64_t> keys, scratch;
    const int digitLow = prefixCodeBits - fixedBits - digitBits;
    for (uint64_t done = 0; done < bucket.lines;) {
        ThrowIfStopRequested();
        const uint64_t count = std::min(bucket.lines - done, linesPerChunk_);
        ReadFully(bucket.file.get(), bucket.path, chunk.data(), count * lineBytes_);
        keys.resize(count);
        for (uint64_t i = 0; i < count; ++i)
            keys[i] = MakeSortKey(DnaToUint(chunk.data() + i * lineBytes_, prefixLength), i);
        NoteHeld(count * lineBytes_ + 2 * count * sizeof(uint64_t));
        SortByCodeBits(keys, scratch, digitLow, digitLow + digitBits);
        AppendToBuckets(keys, fixedBits, prefix, present, [&](uint64_t ordinal, FileWriter& file) {
            file.Write(chunk.data() + ordinal * lineBytes_, lineBytes_);
        });
        done += count;
    }
    RemoveBucket(bucket);
    return present;
}

}  // namespace lorvex::prep
