// Verifies a compact pair table as a whole, beyond what opening it checks:
// the CRC-32 of its records and entries; every record sound, one after
// another to the section's end, with the counts, read-length range and
// unknown bases the header gives; and every entry in its directory slot, in
// key order, its key fragment that of the read it names, and the entries
// naming every indexed read of every pair exactly once. Reads the whole file
// once in order and every record once more by entry, so it takes seconds per
// gigabyte: lorvex-prep --check runs it, a lookup run need not.
#pragma once

#include "input/pair_table.h"

namespace lorvex {

// Throws InputError naming the file and the first problem found.
void CheckPairTable(const PairTable& table);

}  // namespace lorvex
