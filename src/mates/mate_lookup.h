// Mate lookup: the read pairs whose first read lies exactly on an anchor
// window, found through the prefix index and read from the table in one
// block, handed back as mates in the contig's orientation (second read
// reverse complemented, its qualities reversed and decoded).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/prefix_index.h"
#include "input/read_table.h"

namespace lorvex {

// The two programs share all code; these are the two behaviours.
enum class Variant { Main, Strict };

// The mates of one anchor window: mate i pairs with quality array i; base k
// of a mate has quality byte k (character code minus 33, modulo 256).
struct MateQueue {
    std::vector<std::string> mates;
    std::vector<std::vector<uint8_t>> qualities;
};

// Only this many leading characters of a first read must equal the window in
// the main variant; the strict variant compares whole reads.
inline constexpr int32_t mainMatchLength = 100;

bool FirstReadMatches(const char* firstRead, const char* window, Variant variant);

// Reorders the four field lists in place so that the records whose first
// read matches the window stand first, in their original order; count
// receives their number.
void MoveMatchesToFront(const std::string& window, std::vector<std::string>& firstReads,
                        std::vector<std::string>& secondReads,
                        std::vector<std::string>& firstQualities,
                        std::vector<std::string>& secondQualities, int32_t recordCount,
                        int32_t& count, Variant variant);

// Reads the group of prefix code `code` into block and checks that every
// line belongs to that group; returns the group's line count.
uint32_t ReadGroup(const TableStream& table, const PrefixIndex& index, uint32_t code,
                   std::vector<char>& block);

// The reference lookup: parse the whole group, select, transform. A window
// whose group is empty does not touch the table.
void GetAllPairedReads(const std::string& window, const TableStream& table,
                       const PrefixIndex& index, Variant variant, int32_t& count,
                       std::vector<std::string>& mates,
                       std::vector<std::vector<uint8_t>>& qualities);

// Decodes a quality string read back to front: byte k of the result is the
// character at length-1-k minus 33.
std::vector<uint8_t> DecodeReversedQualities(const char* quality, int32_t length);

}  // namespace lorvex
