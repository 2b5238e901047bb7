// The command line of lorvex-prep.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "prep/quality_encoding.h"
#include "tool/parsed_options.h"

namespace lorvex::prep {

inline constexpr uint64_t defaultMemoryBytes = uint64_t{2} << 30;

// Which tables a run writes: the compact pair table (PREFIX.pairs) that
// lorvex-extend and lorvex-close read, the text table and index that every
// program reads, or both from one pass.
enum class TableFormat { Text, Compact, Both };

inline bool WritesText(TableFormat format) {
    return format != TableFormat::Compact;
}
inline bool WritesCompact(TableFormat format) {
    return format != TableFormat::Text;
}

struct PrepOptions {
    std::string firstReads;    // -1
    std::string secondReads;   // -2
    std::string interleaved;   // --interleaved, instead of -1 and -2
    std::string outputPrefix;  // -o: writes <prefix>.pairs, <prefix>.table and <prefix>.index
    TableFormat format = TableFormat::Compact;  // --format
    int32_t readLength = 0;  // -l; 0: chosen from the pairs at the start of the input
    // --min-read-length: the shortest read of a pair the compact table keeps;
    // 0: the default.
    uint32_t leastReadLength = 0;
    int32_t voteQuality = -1;  // --min-quality; -1: not given
    // --phred33 or --phred64; nothing: told from the qualities at the start.
    std::optional<QualityEncoding> qualityEncoding;
    std::string statsPath;  // --stats: a TSV of read lengths, filter counts and the choice of R
    bool oneOrientation = false;
    bool checkNames = true;
    bool force = false;
    bool quiet = false;
    uint64_t memoryBytes = defaultMemoryBytes;
    std::string tmpDir;  // empty: the output's folder
    // --check FILE...: text tables each followed by their index, compact
    // tables alone; instead of a run.
    std::vector<std::string> checkFiles;

    bool checkMode() const { return !checkFiles.empty(); }
};

// "2G", "512M", "64k", "1048576" (binary units; an optional "B" or "iB"
// after the letter). Throws UsageError with a readable message.
uint64_t ParseByteSize(const std::string& text);

// A warning for an output prefix that already ends in .table, .index or
// .pairs, which would give out.table.table; nothing otherwise.
std::optional<std::string> OutputPrefixWarning(const std::string& prefix, TableFormat format);

using CommandLine = ParsedOptions<PrepOptions>;

// Parses the arguments. Help and version go to standard output; usage
// errors go to standard error, and exitStatus is then set.
CommandLine ParseCommandLine(int argc, char** argv);

}  // namespace lorvex::prep
