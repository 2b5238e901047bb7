// Small helpers shared by the benchmark data tools: FASTA records in and out,
// reverse complements, a seeded generator, TSV rows and a flat option parser.
// These tools make test data; they stop with a message on the first problem.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace bench {

using Random = std::mt19937_64;

struct FastaRecord {
    std::string name;         // the header up to its first blank
    std::string description;  // the rest of the header
    std::string bases;
};

// Every record of a FASTA file, bases upper-cased; stops the program on an
// unreadable or empty file.
std::vector<FastaRecord> ReadFasta(const std::string& path);

// Writes records with LINE_WIDTH bases per line; stops the program when the
// file cannot be written.
void WriteFasta(const std::string& path, const std::vector<FastaRecord>& records,
                size_t lineWidth = 80);

std::string ReverseComplement(const std::string& bases);

// A random sequence in which G and C together make up the share gc.
std::string RandomBases(Random& random, size_t length, double gc = 0.5);

// A copy of bases with substitutions at the rate `rate` and, among the
// changes, one in ten a small insertion or deletion of 1 to 3 bases.
std::string Mutate(Random& random, const std::string& bases, double rate);

// Writes the text whole or stops the program naming the file.
void WriteText(const std::string& path, const std::string& text);

// Reads the text whole or stops the program naming the file.
std::string ReadText(const std::string& path);

// Tab-separated rows of a text file, the header line included.
std::vector<std::vector<std::string>> ReadTsv(const std::string& path);

[[noreturn]] void Fail(const std::string& message);

// Options of the form `--name value` (every option takes a value). A name not
// in `known` is refused with the usage text.
class Options {
  public:
    Options(int argc, char** argv, const std::map<std::string, std::string>& defaults,
            const std::string& usage, int firstArgument = 1);
    const std::string& Text(const std::string& name) const;
    uint64_t Whole(const std::string& name) const;
    double Number(const std::string& name) const;
    bool Given(const std::string& name) const;

  private:
    std::map<std::string, std::string> values_;
    std::map<std::string, bool> given_;
    std::string usage_;
};

}  // namespace bench
