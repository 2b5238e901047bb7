// The seed reader on any file: the one-pass reader the programs use and the
// two-pass reference (count, then fill) must give the same bases whenever
// the file holds no zero byte, and the one-pass reader must refuse a file
// whose bases hold one.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "input/input_file.h"
#include "input/seed_reader.h"
#include "reference/literal_input.h"

using namespace lorvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::MemoryFile seedFile("seed");
    const std::string_view contents(reinterpret_cast<const char*>(data), size);
    seedFile.Set(contents);

    const std::string fromText = SeedBasesFromText(std::string(contents));
    std::string loaded;
    bool refused = false;
    try {
        loaded = LoadSeed(seedFile.path());
    } catch (const InputError&) {
        refused = true;
    }
    const bool holdsZero = fromText.find('\0') != std::string::npos;
    fuzzing::Check(refused == holdsZero, "LoadSeed refuses exactly the seeds with a zero byte");
    if (!refused) fuzzing::Check(loaded == fromText, "LoadSeed equals SeedBasesFromText");

    // The reference pair reads byte by byte and takes zero bytes as bases.
    const int32_t counted = NumberOfBasesInFastaFile(seedFile.path());
    fuzzing::Check(counted >= 0 && static_cast<size_t>(counted) == fromText.size(),
                   "NumberOfBasesInFastaFile counts the bases of SeedBasesFromText");
    // One guard byte past the end catches a fill pass that writes too much.
    std::string filled(static_cast<size_t>(counted) + 1, '\x7f');
    ReadFasta(seedFile.path(), filled.data());
    fuzzing::Check(filled.back() == '\x7f', "ReadFasta writes no more than the count");
    filled.pop_back();
    fuzzing::Check(filled == fromText, "ReadFasta fills the bases of SeedBasesFromText");
    return 0;
}
