// Helpers shared by the tests: temporary files, running the built programs,
// and building small read-pair tables with their index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lorvex::testing {

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

struct ProgramRun {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

// Runs a program of the build folder (e.g. "lorvex") with arguments,
// standard input from /dev/null, and a time limit.
ProgramRun RunBuiltProgram(const std::string& program, const std::vector<std::string>& arguments,
                           int timeoutSeconds = 120);

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

std::string ReverseComplementOf(std::string sequence);

// A deterministic random sequence of A, C, G, T.
std::string RandomBases(uint64_t seed, size_t length);

}  // namespace lorvex::testing
