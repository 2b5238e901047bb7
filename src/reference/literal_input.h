// The literal readers of the three inputs: the seed in two passes, the
// table's first line measured with a fixed buffer, its lines cut into field
// strings, and the index read line by line with tab tokenising and strtol.
// The programs read with the one-pass, fully checked forms in input/, which
// the tests hold against these. All throw InputError when a file cannot be
// opened or read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input/prefix_index.h"

namespace lorvex {

// Counts the sequence bytes of a seed file, then fills a buffer of exactly
// that size (the rule of input/seed_reader.h).
int32_t NumberOfBasesInFastaFile(const std::string& path);
void ReadFasta(const std::string& path, char* destination);

// GetReadLength gives the length of the first tab-separated field of at most
// 1,023 bytes read; GetLineSize the bytes of the first line, at most 65,535,
// line end included.
int32_t GetReadLength(const std::string& path);
uint64_t GetLineSize(const std::string& path);

// Cuts count consecutive lines of a block into the four field lists. Every
// string gets exactly readLength bytes; a copy stops at a zero byte in the
// block and pads with zeros, as a bounded string copy does.
void ParseReads(const char* block, int32_t count, int32_t readLength, int32_t lineSize,
                std::vector<std::string>& firstReads, std::vector<std::string>& secondReads,
                std::vector<std::string>& firstQualities,
                std::vector<std::string>& secondQualities);

struct UnmapDenseTables {
    void operator()(void* memory) const;
};

// The offset table and the count table, prefixCodeCount entries each,
// indexed by prefix code: 192 MiB of zero-filled pages mapped at once (2 MiB
// pages where the kernel allows), of which only the pages of named codes are
// ever touched. Mapped rather than allocated, so that a sanitizer does not
// poison all of it on every release.
struct DensePrefixTables {
    std::unique_ptr<void, UnmapDenseTables> memory;
    uint64_t* offsets = nullptr;
    uint32_t* counts = nullptr;
};

DensePrefixTables AllocateDensePrefixTables();

// The dense tables of an index as the programs load it: every code it names
// gets its group, every other code stays zero.
DensePrefixTables DenseTablesOf(const PrefixIndex& index);

// Fills the two prefix-index tables from the index file; a line without a
// count field is an InputError.
void LoadIndex(const std::string& indexPath, const std::string& tablePath, uint64_t* offsets,
               uint32_t* counts, int32_t prefixLength);

}  // namespace lorvex
