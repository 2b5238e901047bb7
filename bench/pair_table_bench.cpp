// lorvex-bench-pairs: the time of one lookup per anchor window, from the
// compact pair table mapped (as the programs read it), from the same table
// read by positioned reads (bench only: the other way it could be read), and
// from the text table and index (FetchSelectedMates, as the engine reads it).
//
//   lorvex-bench-pairs GENOME.fa PAIRS WINDOWS K [TABLE INDEX]
//
// The windows start at WINDOWS evenly spread places of the genome's first
// record; the compact lookups take their first K bases, the text lookups
// their first R (compared on 100). Each way runs over
// all windows at least three times and for at least a second; the figure is
// CPU nanoseconds a lookup (one thread), with the mean of the entries found.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "extension/run_setup.h"
#include "input/pair_table.h"
#include "mates/mate_fetch.h"

namespace {

using namespace lorvex;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::string FirstRecordBases(const std::string& path) {
    std::ifstream in(path);
    std::string line, bases;
    std::getline(in, line);
    while (std::getline(in, line) && (line.empty() || line[0] != '>'))
        for (const char c : line)
            if (c != '\r') bases.push_back(static_cast<char>(std::toupper(c)));
    return bases;
}

// Runs lookup over every window until a second of CPU has passed; returns
// nanoseconds a lookup and the mean entries found.
std::pair<double, double> Measure(const std::vector<std::string_view>& windows,
                                  const std::function<size_t(std::string_view)>& lookup) {
    uint64_t lookups = 0, found = 0;
    const double start = CpuSeconds();
    for (int round = 0; round < 3 || CpuSeconds() - start < 1.0; ++round)
        for (const std::string_view window : windows) {
            found += lookup(window);
            ++lookups;
        }
    return {(CpuSeconds() - start) * 1e9 / static_cast<double>(lookups),
            static_cast<double>(found) / static_cast<double>(lookups)};
}

// The compact table read by positioned reads: the directory held in memory,
// one read for a slot's entries and one per candidate record.
class PositionedPairTable {
  public:
    explicit PositionedPairTable(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
        const off_t size = ::lseek(fd_, 0, SEEK_END);
        std::vector<uint8_t> closing(pairTableClosingBytes);
        Read(closing.data(), closing.size(), static_cast<uint64_t>(size) - closing.size());
        if (!DecodeClosingHeader(closing.data(), header_)) throw std::runtime_error("bad table");
        layout_ = {header_.directoryBits, header_.fragmentBits, header_.offsetBits};
        directory_.resize(header_.DirectorySlots());
        Read(directory_.data(), header_.DirectoryBytes(), header_.directoryOffset);
        recordRoom_ = 64 + 2 * ((header_.longestRead + 3) / 4 + (header_.longestRead + 7) / 8);
    }
    ~PositionedPairTable() { ::close(fd_); }

    size_t Find(const char* key, uint32_t keyLength, FoundPairs& found) {
        found.Clear();
        const uint32_t keyBits = 2 * std::min<uint32_t>(keyLength, 32);
        const uint64_t code = ReadKey(key, keyLength);
        uint64_t slot = layout_.Slot(code), endSlot = slot + 1;
        if (keyBits < layout_.directoryBits)
            endSlot = slot + (uint64_t{1} << (layout_.directoryBits - keyBits));
        const uint64_t first = directory_[slot], last = directory_[endSlot];
        if (first == last) return 0;
        entries_.resize(last - first);
        Read(entries_.data(), entries_.size() * 8, header_.entriesOffset + first * 8);
        const uint32_t fragmentBits =
            std::min(layout_.fragmentBits,
                     keyBits > layout_.directoryBits ? keyBits - layout_.directoryBits : 0);
        auto low = entries_.begin(), high = entries_.end();
        if (fragmentBits > 0) {
            const uint64_t prefix = layout_.Fragment(code) >> (layout_.fragmentBits - fragmentBits);
            const uint32_t shift = layout_.offsetBits + 1 + layout_.fragmentBits - fragmentBits;
            low = std::lower_bound(entries_.begin(), entries_.end(), prefix << shift);
            if (prefix + 1 < (uint64_t{1} << fragmentBits))
                high = std::lower_bound(low, entries_.end(), (prefix + 1) << shift);
        }
        for (auto entry = low; entry != high; ++entry) {
            const uint64_t offset = layout_.RecordOffset(*entry);
            const int read = layout_.Read(*entry);
            const uint64_t bytes = std::min(recordRoom_, header_.recordsBytes - offset);
            record_.resize(bytes);
            Read(record_.data(), bytes, header_.recordsOffset + offset);
            PairRecord parsed;
            if (!ParsePairRecord(record_.data(), bytes, header_.longestRead, parsed)) continue;
            if (parsed.Length(read) < keyLength) continue;
            anchor_.resize(parsed.Length(read));
            DecodeReadBases(parsed, read, anchor_.data());
            if (std::memcmp(anchor_.data(), key, keyLength) != 0) continue;
            mate_.resize(parsed.Length(3 - read));
            qualities_.resize(mate_.size());
            DecodeReadBasesReverseComplement(parsed, 3 - read, mate_.data());
            DecodeVoteQualitiesReversed(parsed, 3 - read, qualities_.data());
            found.pairs.push_back({offset, read});
        }
        return found.size();
    }

  private:
    void Read(void* into, uint64_t bytes, uint64_t offset) const {
        if (::pread(fd_, into, bytes, static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes))
            throw std::runtime_error("short read");
    }

    int fd_;
    ClosingHeader header_;
    EntryLayout layout_;
    std::vector<uint64_t> directory_, entries_;
    std::vector<uint8_t> record_, qualities_;
    std::string anchor_, mate_;
    uint64_t recordRoom_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 && argc != 7) {
        std::fprintf(stderr, "usage: lorvex-bench-pairs GENOME.fa PAIRS WINDOWS K [TABLE INDEX]\n");
        return 2;
    }
    const std::string genome = FirstRecordBases(argv[1]);
    const bool text = argc == 7;
    const uint64_t windowCount = std::stoull(argv[3]);
    const auto keyLength = static_cast<uint32_t>(std::stoul(argv[4]));
    const size_t windowLength = 1100;
    if (genome.size() < windowLength + windowCount) {
        std::fprintf(stderr, "lorvex-bench-pairs: genome too short\n");
        return 1;
    }
    std::vector<std::string_view> windows;
    const uint64_t step = (genome.size() - windowLength) / windowCount;
    for (uint64_t i = 0; i < windowCount; ++i)
        windows.emplace_back(genome.data() + i * step, windowLength);

    const PairTable table(argv[2]);
    FoundPairs found;
    const auto [mapped, mappedFound] = Measure(windows, [&](std::string_view window) {
        table.FindPairs(window.data(), keyLength, found, MateOrientation::ReverseComplement);
        return found.size();
    });
    PositionedPairTable positioned(argv[2]);
    const auto [pread, preadFound] = Measure(windows, [&](std::string_view window) {
        return positioned.Find(window.data(), keyLength, found);
    });
    std::printf("lookup\tK\tns_per_lookup\tentries_per_lookup\n");
    std::printf("compact_mapped\t%u\t%.0f\t%.3f\n", keyLength, mapped, mappedFound);
    std::printf("compact_positioned\t%u\t%.0f\t%.3f\n", keyLength, pread, preadFound);
    if (text) {
        const RunInputs inputs = LoadRunInputs(argv[5], argv[6]);
        SelectedMates selected;
        const auto [textNs, textFound] = Measure(windows, [&](std::string_view window) {
            FetchSelectedMates(window.data(), inputs.table, inputs.index, Variant::Main, selected);
            return static_cast<size_t>(selected.count);
        });
        std::printf("text_fetch\t%d\t%.0f\t%.3f\n",
                    FirstReadCompareLength(inputs.table.layout.readLength, Variant::Main), textNs,
                    textFound);
    }
    return 0;
}
