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

#include "prep/pair_filter.h"
#include "prep/prep_error.h"
#include "seq/nucleotide.h"

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

void PairGrouper::Spill() {
    ThrowIfStopRequested();
    std::vector<uint64_t> keys = HeldPairKeys();
    std::vector<uint64_t> scratch;
    NoteHeld(heldPairs_ * pairBytes_ + 2 * keys.size() * sizeof(uint64_t));
    SortByCodeBits(keys, scratch, prefixCodeBits - digitBits, prefixCodeBits);
    scratch = {};
    size_t runStart = 0;
    while (runStart < keys.size()) {
        const uint32_t bucket = NextDigit(KeyCode(keys[runStart]), 0);
        size_t runEnd = runStart;
        while (runEnd < keys.size() && NextDigit(KeyCode(keys[runEnd]), 0) == bucket) ++runEnd;
        FileWriter file = OpenForAppend(BucketPath(digitBits, bucket),
                                        WriteBufferFor((runEnd - runStart) * lineBytes_));
        size_t i = runStart;
        for (; i < runEnd; ++i) {
            const char* fields[4];
            LineFieldsOf(KeyOrdinal(keys[i]), fields);
            FormatTableLine(fields[0], fields[1], fields[2], fields[3], settings_.readLength,
                            file.Reserve(lineBytes_));
            file.Advance(lineBytes_);
        }
        totals_.bucketBytes += file.bytesWritten();
        file.Close();
        levelOneBuckets_[bucket] = true;
        runStart = i;
    }
    ++totals_.spills;
    heldPairs_ = 0;
}

void PairGrouper::WriteAll(GroupedTableWriter& writer, ProgressMeter& progress) {
    const uint64_t totalLines = keptPairs_ * linesPerPair();
    if (totals_.spills == 0) {
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
                progress.Grouping(linesWritten_, totalLines);
            }
        }
        return;
    }
    if (heldPairs_ > 0) Spill();
    blocks_.clear();
    blocks_.shrink_to_fit();
    for (uint32_t bucket = 0; bucket < bucketsPerSplit; ++bucket)
        if (levelOneBuckets_[bucket])
            ProcessBucket(BucketPath(digitBits, bucket), digitBits, bucket, writer, progress);
}

void PairGrouper::ProcessBucket(const std::string& path, int fixedBits, uint32_t prefix,
                                GroupedTableWriter& writer, ProgressMeter& progress) {
    ThrowIfStopRequested();
    const uint64_t totalLines = keptPairs_ * linesPerPair();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) throw OutputFileError(path, std::strerror(errno));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) throw OutputFileError(path, std::strerror(errno));
    const uint64_t fileBytes = static_cast<uint64_t>(info.st_size);
    if (fileBytes % lineBytes_ != 0)
        throw OutputFileError(path, "bucket file is not whole lines (changed by someone else?)");
    const uint64_t lines = fileBytes / lineBytes_;

    if (fixedBits == prefixCodeBits) {
        // One code only: the lines are already in input order.
        std::vector<char> chunk(std::min(lines, linesPerChunk_) * lineBytes_);
        for (uint64_t done = 0; done < lines;) {
            const uint64_t count = std::min(lines - done, linesPerChunk_);
            ReadFully(file.get(), path, chunk.data(), count * lineBytes_);
            writer.AppendLines(prefix, chunk.data(), count);
            done += count;
            linesWritten_ += count;
            ThrowIfStopRequested();
            progress.Grouping(linesWritten_, totalLines);
        }
        file.Reset();
        ::unlink(path.c_str());
        return;
    }

    if (lines <= linesPerChunk_) {
        std::vector<char> chunk(fileBytes);
        ReadFully(file.get(), path, chunk.data(), fileBytes);
        file.Reset();
        ::unlink(path.c_str());
        std::vector<uint64_t> keys(lines);
        for (uint64_t i = 0; i < lines; ++i)
            keys[i] = MakeSortKey(DnaToUint(chunk.data() + i * lineBytes_, prefixLength), i);
        std::vector<uint64_t> scratch;
        NoteHeld(fileBytes + 2 * lines * sizeof(uint64_t));
        SortByCodeBits(keys, scratch, 0, prefixCodeBits - fixedBits);
        for (const uint64_t key : keys)
            writer.AppendLines(KeyCode(key), chunk.data() + KeyOrdinal(key) * lineBytes_, 1);
        linesWritten_ += lines;
        progress.Grouping(linesWritten_, totalLines);
        return;
    }

    // Too large to sort at once: split by the next 8 bits, chunk by chunk,
    // which keeps every sub-bucket in input order.
    std::vector<bool> present(bucketsPerSplit, false);
    {
        std::vector<char> chunk(linesPerChunk_ * lineBytes_);
        std::vector<uint64_t> keys, scratch;
        for (uint64_t done = 0; done < lines;) {
            ThrowIfStopRequested();
            const uint64_t count = std::min(lines - done, linesPerChunk_);
            ReadFully(file.get(), path, chunk.data(), count * lineBytes_);
            keys.resize(count);
            for (uint64_t i = 0; i < count; ++i)
                keys[i] = MakeSortKey(DnaToUint(chunk.data() + i * lineBytes_, prefixLength), i);
            NoteHeld(count * lineBytes_ + 2 * count * sizeof(uint64_t));
            const int digitLow = prefixCodeBits - fixedBits - digitBits;
            SortByCodeBits(keys, scratch, digitLow, digitLow + digitBits);
            size_t runStart = 0;
            while (runStart < keys.size()) {
                const uint32_t digit = NextDigit(KeyCode(keys[runStart]), fixedBits);
                const uint32_t subPrefix = (prefix << digitBits) | digit;
                size_t runEnd = runStart;
                while (runEnd < keys.size() && NextDigit(KeyCode(keys[runEnd]), fixedBits) == digit)
                    ++runEnd;
                FileWriter sub = OpenForAppend(BucketPath(fixedBits + digitBits, subPrefix),
                                               WriteBufferFor((runEnd - runStart) * lineBytes_));
                size_t i = runStart;
                for (; i < runEnd; ++i)
                    sub.Write(chunk.data() + KeyOrdinal(keys[i]) * lineBytes_, lineBytes_);
                totals_.bucketBytes += sub.bytesWritten();
                sub.Close();
                present[digit] = true;
                runStart = i;
            }
            done += count;
        }
    }
    file.Reset();
    ::unlink(path.c_str());
    for (uint32_t digit = 0; digit < bucketsPerSplit; ++digit)
        if (present[digit])
            ProcessBucket(BucketPath(fixedBits + digitBits, (prefix << digitBits) | digit),
                          fixedBits + digitBits, (prefix << digitBits) | digit, writer, progress);
}

}  // namespace lorvex::prep
