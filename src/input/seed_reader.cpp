#include "input/seed_reader.h"

#include <cstdint>
#include <limits>

#include "input/input_file.h"
#include "seq/nucleotide.h"

namespace lorvex {

void AppendSeedBases(std::string_view text, std::string& bases) {
    for (const char byte : text)
        if (byte != '\n' && byte != '\r') bases.push_back(FoldBaseCase(byte));
}

std::string SeedBasesFromText(const std::string& fileContents) {
    const size_t headerEnd = fileContents.find('\n');
    std::string bases;
    if (headerEnd == std::string::npos) return bases;
    bases.reserve(fileContents.size() - headerEnd - 1);
    AppendSeedBases(std::string_view(fileContents).substr(headerEnd + 1), bases);
    return bases;
}

std::string LoadSeed(const std::string& path) {
    const std::string contents = ReadWholeFile(path);
    std::string bases = SeedBasesFromText(contents);
    if (bases.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw FileError(path, "seed holds more than 2,147,483,647 bases");
    if (bases.find('\0') != std::string::npos) {
        // Refused either way; a gzip file is named as what it is.
        if (BeginsGzipCompressed(contents.data(), contents.size()))
            throw CompressedFileError(path, "the seed");
        throw FileError(path, "seed holds a zero byte, which is not a base");
    }
    return bases;
}

}  // namespace lorvex
