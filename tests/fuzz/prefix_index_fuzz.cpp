// The prefix index loaders on any table and index: the checked loader must
// refuse with an InputError or load the index, and wherever it accepts a file
// that the reference loader can read too (every line carries a key and a
// count field), every code it names and every code it holds must find the
// offset and count of the reference's dense tables.
//
// Input: table text, "\n|", index text.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "input/input_file.h"
#include "input/prefix_index.h"
#include "input/read_table.h"
#include "reference/literal_input.h"
#include "seq/nucleotide.h"

using namespace lorvex;

namespace {

// The reference loader stops with "no count" on an empty line (or one of a
// lone CR), which the checked loader skips; those files are not compared.
bool EveryLineHasContent(std::string_view indexText) {
    size_t start = 0;
    while (start < indexText.size()) {
        size_t end = indexText.find('\n', start);
        if (end == std::string_view::npos) end = indexText.size();
        size_t length = end - start;
        if (length > 0 && indexText[start + length - 1] == '\r') --length;
        if (length == 0) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::MemoryFile tableFile("table");
    static fuzzing::MemoryFile indexFile("index");

    fuzzing::InputParts parts(data, size);
    const std::string_view tableText = parts.Next();
    const std::string_view indexText = parts.Next();
    tableFile.Set(tableText);
    indexFile.Set(indexText);

    TableLayout layout;
    try {
        layout = MeasureTable(tableFile.path());
    } catch (const InputError&) {
        return 0;
    }
    fuzzing::Check(layout.readLength >= 12 && layout.readLength <= maxReadLength &&
                       layout.lineSize <= maxLineSize && layout.fileSize == tableText.size(),
                   "MeasureTable keeps to the limits of the format");

    bool accepted = true;
    uint64_t lines = 0;
    PrefixIndex checked;
    try {
        lines = LoadIndexChecked(indexFile.path(), tableFile.path(), layout, checked);
    } catch (const InputError&) {
        accepted = false;
    }
    if (accepted) {
        fuzzing::Check(static_cast<unsigned __int128>(lines) * layout.lineSize <=
                           layout.fileSize + static_cast<uint64_t>(layout.lineEndLength),
                       "accepted counts lie within the table");
        for (size_t i = 1; i < checked.entries.size(); ++i)
            fuzzing::Check(checked.entries[i - 1].code < checked.entries[i].code,
                           "the index holds each code once, in ascending order");
        if (EveryLineHasContent(indexText)) {
            const DensePrefixTables literal = AllocateDensePrefixTables();
            LoadIndex(indexFile.path(), tableFile.path(), literal.offsets, literal.counts,
                      prefixLength);
            const auto expectSame = [&](uint32_t code) {
                const PrefixGroup group = FindGroup(checked, code);
                if (group.offset != literal.offsets[code] || group.count != literal.counts[code])
                    fuzzing::Fail("the loaders differ on code " + std::to_string(code));
            };
            // The codes the lines name, and every code the index holds.
            size_t start = 0;
            while (start < indexText.size()) {
                size_t end = indexText.find('\n', start);
                if (end == std::string_view::npos) end = indexText.size();
                expectSame(DnaToUint(indexText.data() + start, prefixLength));
                start = end + 1;
            }
            for (const PrefixEntry& entry : checked.entries) expectSame(entry.code);
        }
    }
    return 0;
}
