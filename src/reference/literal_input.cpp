#include "reference/literal_input.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "input/input_file.h"
#include "input/read_table.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

void SkipHeaderLine(std::FILE* file) {
    int byte;
    while ((byte = std::fgetc(file)) != EOF && byte != '\n') {
    }
}

void ThrowIfReadFailed(std::FILE* file, const std::string& path) {
    if (std::ferror(file)) throw FileError(path, ReadFailure());
}

// Reads the first line as fgets would into a buffer of bufferSize bytes:
// at most bufferSize - 1 bytes, up to and including the first LF.
std::string ReadFirstLine(const std::string& path, size_t bufferSize) {
    FileHandle file = OpenInputFile(path, "r");
    std::vector<char> buffer(bufferSize);
    if (!std::fgets(buffer.data(), static_cast<int>(bufferSize), file.get())) {
        ThrowIfReadFailed(file.get(), path);
        return {};
    }
    // fgets cannot say how many bytes it stored when the line holds a zero
    // byte; the length up to the first zero is what a string reader sees.
    return std::string(buffer.data());
}

void CopyField(const char* source, int32_t width, std::string& destination) {
    destination.assign(static_cast<size_t>(width), '\0');
    std::strncpy(destination.data(), source, static_cast<size_t>(width));
}

}  // namespace

int32_t NumberOfBasesInFastaFile(const std::string& path) {
    FileHandle file = OpenInputFile(path, "r");
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
    FileHandle file = OpenInputFile(path, "r");
    SkipHeaderLine(file.get());
    int32_t position = 0;
    int byte;
    while ((byte = std::fgetc(file.get())) != EOF) {
        if (byte == '\n' || byte == '\r') continue;
        destination[position++] = FoldBaseCase(static_cast<char>(byte));
    }
    ThrowIfReadFailed(file.get(), path);
}

int32_t GetReadLength(const std::string& path) {
    const std::string line = ReadFirstLine(path, maxReadLength + 1);
    const size_t start = line.find_first_not_of('\t');
    if (start == std::string::npos) return 0;
    const size_t end = line.find('\t', start);
    return static_cast<int32_t>((end == std::string::npos ? line.size() : end) - start);
}

uint64_t GetLineSize(const std::string& path) {
    return ReadFirstLine(path, maxLineSize + 1).size();
}

void ParseReads(const char* block, int32_t count, int32_t readLength, int32_t lineSize,
                std::vector<std::string>& firstReads, std::vector<std::string>& secondReads,
                std::vector<std::string>& firstQualities,
                std::vector<std::string>& secondQualities) {
    const int64_t r = readLength;
    for (int32_t i = 0; i < count; ++i) {
        const char* line = block + static_cast<int64_t>(i) * lineSize;
        CopyField(line, readLength, firstReads[i]);
        CopyField(line + r + 1, readLength, secondReads[i]);
        CopyField(line + 2 * r + 2, readLength, firstQualities[i]);
        CopyField(line + 3 * r + 3, readLength, secondQualities[i]);
    }
}

namespace {

constexpr size_t denseTablesBytes = prefixCodeCount * (sizeof(uint64_t) + sizeof(uint32_t));

}  // namespace

void UnmapDenseTables::operator()(void* memory) const {
    ::munmap(memory, denseTablesBytes);
}

DensePrefixTables AllocateDensePrefixTables() {
    void* memory = ::mmap(nullptr, denseTablesBytes, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    // 2 MiB pages where the kernel allows: a large index touches nearly every
    // 4 KiB page of both tables, 49,152 page faults without them.
    ::madvise(memory, denseTablesBytes, MADV_HUGEPAGE);
    DensePrefixTables tables;
    tables.memory.reset(memory);
    tables.offsets = static_cast<uint64_t*>(memory);
    tables.counts = reinterpret_cast<uint32_t*>(tables.offsets + prefixCodeCount);
    return tables;
}

DensePrefixTables DenseTablesOf(const PrefixIndex& index) {
    DensePrefixTables tables = AllocateDensePrefixTables();
    for (const PrefixEntry& entry : index.entries) {
        tables.offsets[entry.code] = entry.offset;
        tables.counts[entry.code] = entry.count;
    }
    return tables;
}

void LoadIndex(const std::string& indexPath, const std::string& tablePath, uint64_t* offsets,
               uint32_t* counts, int32_t prefixLength) {
    std::vector<char> buffer(maxLineSize + 1, '\0');
    const uint64_t lineSize = GetLineSize(tablePath);
    FileHandle file = OpenInputFile(indexPath, "r");
    uint64_t runningTotal = 0;
    uint64_t lineNumber = 0;
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), file.get())) {
        ++lineNumber;
        const uint32_t code = DnaToUint(buffer.data(), prefixLength);
        offsets[code] = lineSize * runningTotal;
        char* rest = nullptr;
        strtok_r(buffer.data(), "\t", &rest);
        const char* countField = strtok_r(nullptr, "\t", &rest);
        if (!countField)
            throw FileError(indexPath, "line " + std::to_string(lineNumber) + ": no count");
        const long count = std::strtol(countField, nullptr, 10);
        counts[code] = static_cast<uint32_t>(count);
        runningTotal += static_cast<uint32_t>(count);
    }
    ThrowIfReadFailed(file.get(), indexPath);
}

}  // namespace lorvex
