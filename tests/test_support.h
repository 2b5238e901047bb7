// Helpers shared by the tests: temporary files and small read-pair tables
// with their index (child_process.h runs the built programs).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "input/prefix_index.h"
#include "input/read_table.h"
#include "reference/literal_input.h"

namespace lorvex::testing {

// The two programs that share all code and differ in five points.
inline const std::vector<std::string> bothPrograms = {"lorvex", "lorvex-strict"};

// A fresh folder for one test, removed when the object goes away.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes contents to a file in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& contents) const;

  private:
    std::string path_;
};

std::string ReadFile(const std::string& path);

// Names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& path);

// gzip in one member, in several members (concatenated), and as BGZF blocks.
void WriteGzip(const std::string& path, const std::string& text, int members = 1);
void WriteBgzf(const std::string& path, const std::string& text);
std::string GzipBytes(const std::string& text);

// One read pair as the table holds it.
struct ReadPair {
    std::string first;
    std::string second;
    std::string firstQuality;   // empty: all 'I' (quality 40)
    std::string secondQuality;  // empty: all 'I'
};

// The table line of a pair: four tab-separated fields and lineEnd.
std::string TableLine(const ReadPair& pair, const std::string& lineEnd = "\n");

struct TableFiles {
    std::string table;
    std::string index;
};

// Groups the pairs by the prefix code of their first read (ascending code,
// input order within a group), writes table and index into dir.
TableFiles WriteTableAndIndex(const TempDir& dir, const std::vector<ReadPair>& pairs,
                              const std::string& lineEnd = "\n");

// A table and its index loaded as the programs load them (measured, the
// index checked against the table), and the index loaded again by the
// literal loader into the dense tables that the literal lookups read.
struct LoadedTable {
    PrefixIndex index;
    DensePrefixTables denseIndex;
    std::unique_ptr<TableStream> stream;
};
LoadedTable LoadTable(const TableFiles& files);

std::string ReverseComplementOf(std::string sequence);

// A deterministic random sequence of A, C, G, T.
std::string RandomBases(uint64_t seed, size_t length);

// Read pairs sampled from a random genome: fragments of about fragmentLength
// bases, first read from the fragment's start, second read the reverse
// complement of its end, both orientations of every pair, qualities mostly
// high with some below 30, and about one base in `errorEvery` miscalled.
struct SimulatedReads {
    std::string genome;
    std::vector<ReadPair> pairs;
};
SimulatedReads SimulateReads(uint64_t seed, size_t genomeLength, int readLength, int fragmentLength,
                             int pairCount, int errorEvery = 500);

// The read pairs of SimulateReads, sampled from a given genome.
std::vector<ReadPair> SampleReadPairs(const std::string& genome, uint64_t seed, int readLength,
                                      int fragmentLength, int pairCount, int errorEvery = 500);

}  // namespace lorvex::testing
