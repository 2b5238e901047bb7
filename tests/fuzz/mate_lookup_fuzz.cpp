// Table measurement, parsing and mate lookup over any table and index that
// the checked loaders accept: for a window taken from the input and for the
// first reads of the table's first lines, the reference lookup
// (GetAllPairedReads) and the fast one (FetchSelectedMates, reading the
// group whole and one line at a time) must select the same mates with the
// same qualities in both variants, or refuse the table with the same message. The table may also
// shrink after start-up, as a file truncated while a run goes on does.
//
// Input: table text, "\n|", index text, "\n|", window, "\n|", and a last
// part whose first byte, when present, gives the length the table is cut
// to after loading (in 64ths of its size).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "input/input_file.h"
#include "input/prefix_index.h"
#include "input/read_table.h"
#include "mates/mate_fetch.h"
#include "mates/mate_lookup.h"
#include "reference/literal_mates.h"

using namespace lorvex;

namespace {

struct LookupResult {
    bool refused = false;
    std::string message;
    std::vector<std::string> mates;
    std::vector<std::vector<uint8_t>> qualities;
};

LookupResult Reference(const std::string& window, const TableStream& table,
                       const DensePrefixTables& index, Variant variant) {
    LookupResult result;
    try {
        int32_t count = -1;
        GetAllPairedReads(window, table, index, variant, count, result.mates, result.qualities);
        fuzzing::Check(count == static_cast<int32_t>(result.mates.size()) &&
                           result.mates.size() == result.qualities.size(),
                       "GetAllPairedReads reports as many mates as it returns");
    } catch (const InputError& error) {
        result = LookupResult{};
        result.refused = true;
        result.message = error.what();
    }
    return result;
}

LookupResult Fast(const std::string& window, const TableStream& table, const PrefixIndex& index,
                  Variant variant, SelectedMates& selected, uint64_t chunkBytes) {
    LookupResult result;
    try {
        FetchSelectedMates(window.data(), table, index, variant, selected, chunkBytes);
        const size_t r = static_cast<size_t>(table.layout.readLength);
        for (int32_t i = 0; i < selected.count; ++i) {
            result.mates.emplace_back(selected.Mate(i), r);
            result.qualities.emplace_back(selected.Quality(i), selected.Quality(i) + r);
        }
    } catch (const InputError& error) {
        result.refused = true;
        result.message = error.what();
    }
    return result;
}

void Compare(const std::string& window, const TableStream& table, const PrefixIndex& index,
             const DensePrefixTables& denseIndex, SelectedMates& selected) {
    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        const LookupResult reference = Reference(window, table, denseIndex, variant);
        for (const uint64_t chunkBytes : {groupChunkBytes, table.layout.lineSize}) {
            const LookupResult fast = Fast(window, table, index, variant, selected, chunkBytes);
            if (reference.refused != fast.refused || reference.message != fast.message)
                fuzzing::Fail("the lookups refuse differently: '" + reference.message + "' vs '" +
                              fast.message + "'");
            fuzzing::Check(reference.mates == fast.mates, "both lookups select the same mates");
            fuzzing::Check(reference.qualities == fast.qualities,
                           "both lookups decode the same qualities");
        }
        for (const std::string& mate : reference.mates)
            fuzzing::Check(mate.size() == static_cast<size_t>(table.layout.readLength),
                           "every mate has the read length");
    }
}

// A window of exactly readLength bytes. Contigs hold no zero, LF or CR bytes
// (the seed reader drops or refuses them), so windows hold none either.
std::string WindowOf(std::string_view text, int32_t readLength) {
    std::string window(text.substr(0, static_cast<size_t>(readLength)));
    window.resize(static_cast<size_t>(readLength), 'A');
    for (char& byte : window)
        if (byte == '\0' || byte == '\n' || byte == '\r') byte = 'N';
    return window;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::MemoryFile tableFile("table");
    static fuzzing::MemoryFile indexFile("index");
    static SelectedMates selected;  // kept across lookups, as the fast engine keeps it

    fuzzing::InputParts parts(data, size);
    const std::string_view tableText = parts.Next();
    const std::string_view indexText = parts.Next();
    const std::string_view windowText = parts.Next();
    const std::string_view cut = parts.Next();
    tableFile.Set(tableText);
    indexFile.Set(indexText);

    TableLayout layout;
    PrefixIndex prefixIndex;
    try {
        layout = MeasureTable(tableFile.path());
        LoadIndexChecked(indexFile.path(), tableFile.path(), layout, prefixIndex);
    } catch (const InputError&) {
        return 0;
    }
    const DensePrefixTables denseIndex = DenseTablesOf(prefixIndex);
    const TableStream table = OpenTableStream(tableFile.path(), layout);
    if (!cut.empty()) tableFile.Truncate(tableText.size() * static_cast<uint8_t>(cut[0] & 63) / 64);

    const int32_t r = layout.readLength;
    Compare(WindowOf(windowText, r), table, prefixIndex, denseIndex, selected);
    // The first reads of the first lines find their own groups.
    for (uint64_t line = 0; line < 4; ++line) {
        const uint64_t at = line * layout.lineSize;
        if (at >= tableText.size()) break;
        Compare(WindowOf(tableText.substr(at), r), table, prefixIndex, denseIndex, selected);
    }
    return 0;
}
