#include "mates/mate_lookup.h"

#include <cstring>

#include "input/input_file.h"
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

uint32_t ReadGroup(const TableStream& table, const PrefixIndex& index, uint32_t code,
                   std::vector<char>& block) {
    const uint32_t lines = index.counts[code];
    const uint64_t offset = index.offsets[code];
    ReadTableLines(table, offset, lines, block);
    for (uint32_t i = 0; i < lines; ++i) {
        const char* line = block.data() + static_cast<uint64_t>(i) * table.layout.lineSize;
        if (DnaToUint(line, prefixLength) != code)
            throw FileError(table.path,
                            "line " + std::to_string(offset / table.layout.lineSize + i + 1) +
                                ": first read does not belong to the group the index places there");
    }
    return lines;
}

std::vector<uint8_t> DecodeReversedQualities(const char* quality, int32_t length) {
    std::vector<uint8_t> decoded(static_cast<size_t>(length));
    for (int32_t k = 0; k < length; ++k)
        decoded[k] = static_cast<uint8_t>(static_cast<unsigned char>(quality[length - 1 - k]) - 33);
    return decoded;
}

void GetAllPairedReads(const std::string& window, const TableStream& table,
                       const PrefixIndex& index, Variant variant, int32_t& count,
                       std::vector<std::string>& mates,
                       std::vector<std::vector<uint8_t>>& qualities) {
    count = 0;
    mates.clear();
    qualities.clear();
    const uint32_t code = DnaToUint(window.c_str(), prefixLength);
    if (index.counts[code] == 0) return;

    std::vector<char> block;
    const uint32_t lines = ReadGroup(table, index, code, block);
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

}  // namespace lorvex
