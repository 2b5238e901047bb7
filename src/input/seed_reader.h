// The seed file: one FASTA record whose first line is skipped; every later
// byte except LF and CR is a base, with a, c, g, t upper-cased.
#pragma once

#include <cstdint>
#include <string>

namespace lorvex {

// Two-pass reference reader: count the sequence bytes, then fill a buffer
// of exactly that size. Both throw InputError when the file cannot be read.
int32_t NumberOfBasesInFastaFile(const std::string& path);
void ReadFasta(const std::string& path, char* destination);

// What the driver uses: reads the file once and applies the same rule, so a
// file that changes under it cannot overrun anything. Refuses seeds with a
// zero byte (it would corrupt the contig's comparisons and copies) and seeds
// of more than 2^31 - 1 bases.
std::string LoadSeed(const std::string& path);

// The sequence bytes of a seed file's contents, by the rule above.
std::string SeedBasesFromText(const std::string& fileContents);

}  // namespace lorvex
