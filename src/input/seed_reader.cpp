#include "input/seed_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "input/input_file.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

FileHandle OpenSeed(const std::string& path) {
    return OpenInputFile(path, "r");
}

void SkipHeaderLine(std::FILE* file) {
    int byte;
    while ((byte = std::fgetc(file)) != EOF && byte != '\n') {
    }
}

void ThrowIfReadFailed(std::FILE* file, const std::string& path) {
    if (std::ferror(file)) throw FileError(path, ReadFailure());
}

}  // namespace

int32_t NumberOfBasesInFastaFile(const std::string& path) {
    FileHandle file = OpenSeed(path);
    SkipHeaderLine(file.get());
    int32_t count = 0;
    int byte;
    while ((byte = std::fgetc(file.get())) != EOF) {
        if (byte != '\n' && byte != '\r') ++count;
    }
    ThrowIfReadFailed(file.get(), path);
    return count;
}

void ReadFasta(const std::string& path, char* destination) {
    FileHandle file = OpenSeed(path);
    SkipHeaderLine(file.get());
    int32_t position = 0;
    int byte;
    while ((byte = std::fgetc(file.get())) != EOF) {
        if (byte == '\n' || byte == '\r') continue;
        destination[position++] = FoldBaseCase(static_cast<char>(byte));
    }
    ThrowIfReadFailed(file.get(), path);
}

std::string SeedBasesFromText(const std::string& fileContents) {
    const size_t headerEnd = fileContents.find('\n');
    std::string bases;
    if (headerEnd == std::string::npos) return bases;
    bases.reserve(fileContents.size() - headerEnd - 1);
    for (size_t i = headerEnd + 1; i < fileContents.size(); ++i) {
        const char byte = fileContents[i];
        if (byte != '\n' && byte != '\r') bases.push_back(FoldBaseCase(byte));
    }
    return bases;
}

std::string LoadSeed(const std::string& path) {
    std::string bases = SeedBasesFromText(ReadWholeFile(path));
    if (bases.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        throw FileError(path, "seed holds more than 2,147,483,647 bases");
    if (bases.find('\0') != std::string::npos)
        throw FileError(path, "seed holds a zero byte, which is not a base");
    return bases;
}

}  // namespace lorvex
