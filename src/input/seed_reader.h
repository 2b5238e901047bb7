// The seed file: one FASTA record whose first line is skipped; every later
// byte except LF and CR is a base, with a, c, g, t upper-cased.
#pragma once

#include <string>
#include <string_view>

namespace lorvex {

// Reads the file once and applies the rule, so that a file that changes
// under it cannot overrun anything. Refuses seeds with a zero byte (it would
// corrupt the contig's comparisons and copies) and seeds of more than
// 2^31 - 1 bases.
std::string LoadSeed(const std::string& path);

// The sequence bytes of a seed file's contents, by the rule above.
std::string SeedBasesFromText(const std::string& fileContents);

// Appends the bases of text by the rule (every byte but LF and CR, a c g t
// upper-cased): the one rule of every reader of seed records.
void AppendSeedBases(std::string_view text, std::string& bases);

}  // namespace lorvex
