#include "reference/literal_mates.h"

#include <algorithm>
#include <cstring>

#include "mates/mate_lookup.h"
#include "mates/mate_queues.h"
#include "reference/literal_input.h"
#include "reference/literal_sequence.h"
#include "seq/nucleotide.h"

namespace lorvex {

bool FirstReadMatches(const char* firstRead, const char* window, Variant variant) {
    if (variant == Variant::Main) return std::strncmp(firstRead, window, mainMatchLength) == 0;
    return std::strcmp(firstRead, window) == 0;
}

void MoveMatchesToFront(const std::string& window, std::vector<std::string>& firstReads,
                        std::vector<std::string>& secondReads,
                        std::vector<std::string>& firstQualities,
                        std::vector<std::string>& secondQualities, int32_t recordCount,
                        int32_t& count, Variant variant) {
    int32_t selected = 0;
    for (int32_t k = 0; k < recordCount; ++k) {
        if (!FirstReadMatches(firstReads[k].c_str(), window.c_str(), variant)) continue;
        if (k != selected) {
            SwapStrings(firstReads[k], firstReads[selected]);
            SwapStrings(secondReads[k], secondReads[selected]);
            SwapStrings(firstQualities[k], firstQualities[selected]);
            SwapStrings(secondQualities[k], secondQualities[selected]);
        }
        ++selected;
    }
    count = selected;
}

std::vector<uint8_t> DecodeReversedQualities(const char* quality, int32_t length) {
    std::vector<uint8_t> decoded(static_cast<size_t>(length));
    for (int32_t k = 0; k < length; ++k)
        decoded[k] = static_cast<uint8_t>(static_cast<unsigned char>(quality[length - 1 - k]) - 33);
    return decoded;
}

void GetAllPairedReads(const std::string& window, const TableStream& table,
                       const DensePrefixTables& index, Variant variant, int32_t& count,
                       std::vector<std::string>& mates,
                       std::vector<std::vector<uint8_t>>& qualities) {
    count = 0;
    mates.clear();
    qualities.clear();
    const uint32_t code = DnaToUint(window.c_str(), prefixLength);
    if (index.counts[code] == 0) return;

    std::vector<char> block;
    const uint32_t lines =
        ReadGroup(table, code, PrefixGroup{index.offsets[code], index.counts[code]}, block);
    const int32_t readLength = table.layout.readLength;
    std::vector<std::string> firstReads(lines), secondReads(lines), firstQualities(lines),
        secondQualities(lines);
    ParseReads(block.data(), static_cast<int32_t>(lines), readLength,
               static_cast<int32_t>(table.layout.lineSize), firstReads, secondReads, firstQualities,
               secondQualities);
    int32_t selected = 0;
    MoveMatchesToFront(window, firstReads, secondReads, firstQualities, secondQualities,
                       static_cast<int32_t>(lines), selected, variant);

    mates.reserve(static_cast<size_t>(selected));
    qualities.reserve(static_cast<size_t>(selected));
    for (int32_t i = 0; i < selected; ++i) {
        ReverseComplement(secondReads[i].data(), readLength);
        mates.push_back(std::move(secondReads[i]));
        qualities.push_back(DecodeReversedQualities(secondQualities[i].data(), readLength));
    }
    count = selected;
}

std::string AnchorWindow(const std::string& contig, int64_t start, int32_t readLength) {
    return contig.substr(static_cast<size_t>(start), static_cast<size_t>(readLength));
}

namespace {

void FetchSlot(const std::string& window, MateQueue& slot, const TableStream& table,
               const DensePrefixTables& index, Variant variant) {
    int32_t count = 0;
    GetAllPairedReads(window, table, index, variant, count, slot.mates, slot.qualities);
}

}  // namespace

void InitQueues(const std::string& contig, int32_t maxDistance, int32_t readLength,
                QueueSet& queues, const TableStream& table, const DensePrefixTables& index,
                Variant variant) {
    const int64_t filled = InitiallyFilledSlots(variant, static_cast<int64_t>(queues.size()));
    const int64_t length = static_cast<int64_t>(contig.size());
    for (int64_t i = 0; i < filled; ++i)
        FetchSlot(AnchorWindow(contig, InitialWindowStart(length, maxDistance, i), readLength),
                  queues[i], table, index, variant);
}

void UpdateQueues(const std::string& contig, int32_t maxDistance, int32_t readLength,
                  QueueSet& queues, const TableStream& table, const DensePrefixTables& index,
                  Variant variant) {
    const int64_t n = static_cast<int64_t>(queues.size());
    std::rotate(queues.begin(), queues.begin() + 1, queues.end());
    MateQueue& last = queues.back();
    last = MateQueue{};  // the dropped slot 0
    const int64_t start = NewWindowStart(static_cast<int64_t>(contig.size()), maxDistance, n);
    FetchSlot(AnchorWindow(contig, start, readLength), last, table, index, variant);
}

}  // namespace lorvex
