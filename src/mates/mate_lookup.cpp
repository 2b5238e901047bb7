#include "mates/mate_lookup.h"

#include "input/input_file.h"
#include "seq/nucleotide.h"

namespace lorvex {

uint32_t ReadGroup(const TableStream& table, uint32_t code, const PrefixGroup& group,
                   std::vector<char>& block) {
    const uint32_t lines = group.count;
    const uint64_t offset = group.offset;
    ReadTableLines(table, offset, lines, block);
    for (uint32_t i = 0; i < lines; ++i) {
        const char* line = block.data() + static_cast<uint64_t>(i) * table.layout.lineSize;
        if (DnaToUint(line, prefixLength) != code)
            throw FileError(table.path, TableLineLabel(offset / table.layout.lineSize + i + 1) +
                                            lineOutsideItsGroup);
    }
    return lines;
}

}  // namespace lorvex
