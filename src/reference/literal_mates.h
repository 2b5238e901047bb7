// The literal mate lookup and queue set: every field of a group copied into
// strings, the matching records moved to the front, the selected second
// reads reverse complemented, and a queue set that rotates a vector of these
// string lists. The programs use mates/mate_fetch.h and the overlap bit sets
// of calling/incremental_voting.h instead; the tests hold them against these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/variant.h"
#include "input/read_table.h"
#include "reference/literal_input.h"

namespace lorvex {

// The mates of one anchor window: mate i pairs with quality array i; base k
// of a mate has quality byte k (character code minus 33, modulo 256).
struct MateQueue {
    std::vector<std::string> mates;
    std::vector<std::vector<uint8_t>> qualities;
};

using QueueSet = std::vector<MateQueue>;

bool FirstReadMatches(const char* firstRead, const char* window, Variant variant);

// Reorders the four field lists in place so that the records whose first
// read matches the window stand first, in their original order; count
// receives their number.
void MoveMatchesToFront(const std::string& window, std::vector<std::string>& firstReads,
                        std::vector<std::string>& secondReads,
                        std::vector<std::string>& firstQualities,
                        std::vector<std::string>& secondQualities, int32_t recordCount,
                        int32_t& count, Variant variant);

// Parse the whole group, select, transform. A window whose group is empty
// does not touch the table.
void GetAllPairedReads(const std::string& window, const TableStream& table,
                       const DensePrefixTables& index, Variant variant, int32_t& count,
                       std::vector<std::string>& mates,
                       std::vector<std::vector<uint8_t>>& qualities);

// Decodes a quality string read back to front: byte k of the result is the
// character at length-1-k minus 33.
std::vector<uint8_t> DecodeReversedQualities(const char* quality, int32_t length);

// The window of readLength bases starting at `start`.
std::string AnchorWindow(const std::string& contig, int64_t start, int32_t readLength);

// Fills slot i with the window at L - maxDistance + i: all slots in the main
// variant, all but the last in the strict one.
void InitQueues(const std::string& contig, int32_t maxDistance, int32_t readLength,
                QueueSet& queues, const TableStream& table, const DensePrefixTables& index,
                Variant variant);

// After a base was appended (contig has its new length L): drops slot 0,
// moves the others down and fetches the window at L + n - maxDistance - 2
// into the last slot.
void UpdateQueues(const std::string& contig, int32_t maxDistance, int32_t readLength,
                  QueueSet& queues, const TableStream& table, const DensePrefixTables& index,
                  Variant variant);

}  // namespace lorvex
