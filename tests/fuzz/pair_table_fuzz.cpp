// The compact pair table reader on any file: opening, the full check,
// lookups, entries by index and the pair cursor must each succeed or throw
// an InputError, and every entry a lookup returns must begin with its key.
//
// The checksums would refuse nearly every mutated file at opening, so the
// target first makes the closing header's file size, the directory's CRC and
// the closing header's own CRC agree with the input (when the header still
// names a directory inside it): the reader's structure checks and the
// bounds of every decode are what is fuzzed.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "input/pair_table.h"
#include "input/pair_table_check.h"

using namespace lorvex;

namespace {

std::string WithAgreeingChecksums(std::string file) {
    if (file.size() < pairTableOpeningBytes + pairTableClosingBytes) return file;
    char* closing = file.data() + file.size() - pairTableClosingBytes;
    const uint32_t crc = ExtendCrc32(0, closing, pairTableClosingBytes - 4);
    for (int i = 0; i < 4; ++i)
        closing[pairTableClosingBytes - 4 + i] = static_cast<char>(crc >> (8 * i));
    ClosingHeader header;
    if (!DecodeClosingHeader(reinterpret_cast<const uint8_t*>(closing), header)) return file;
    header.fileBytes = file.size();
    if (header.directoryBits <= 32 && header.directoryOffset <= file.size() &&
        header.DirectoryBytes() <= file.size() - header.directoryOffset)
        header.directoryCrc =
            ExtendCrc32(0, file.data() + header.directoryOffset, header.DirectoryBytes());
    const std::string encoded = EncodeClosingHeader(header);
    std::memcpy(closing, encoded.data(), encoded.size());
    return file;
}

void CheckFound(const FoundPairs& found, std::string_view key) {
    for (size_t i = 0; i < found.size(); ++i) {
        const std::string_view anchor = found.Anchor(i);
        fuzzing::Check(anchor.size() >= key.size() && anchor.substr(0, key.size()) == key,
                       "a found anchor begins with its key");
        for (size_t j = 0; j < found.Mate(i).size(); ++j)
            fuzzing::Check(
                found.MateQualities(i)[j] == 0 || found.MateQualities(i)[j] == pairTableVoteQuality,
                "vote qualities are 0 or the vote quality");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::MemoryFile file("pairs");
    file.Set(WithAgreeingChecksums(std::string(reinterpret_cast<const char*>(data), size)));
    try {
        const PairTable table(file.path());
        FoundPairs found;
        for (const std::string_view key :
             {"A", "ACGTACGTACGT", "CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC", "NNNN",
              "TTTTTTTTTTTTTTTTTTTTTTTT"}) {
            table.FindPairs(key.data(), static_cast<uint32_t>(key.size()), found,
                            MateOrientation::ReverseComplement);
            CheckFound(found, key);
        }
        found.Clear();
        for (uint64_t i = 0; i < table.EntryCount() && i < 64; ++i) table.AppendEntry(i, found);
        PairTable::PairCursor cursor(table);
        StoredPair pair;
        for (int i = 0; i < 64 && cursor.Next(pair); ++i) {
        }
        CheckPairTable(table);
    } catch (const InputError&) {
    }
    return 0;
}
