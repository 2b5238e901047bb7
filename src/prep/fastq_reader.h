// FASTQ records from a plain or gzip-compressed file (several gzip members
// and BGZF blocks read as one stream), four lines per record, LF or CR LF
// line ends. "-" is standard input. Every record is checked as it is read: a header that begins
// with '@', a separator line that begins with '+', a quality string exactly
// as long as the sequence and made of the characters '!' to '~' (Phred+33).
// Errors name the file and the record, counted from 1.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "input/input_stream.h"
#include "prep/quality_encoding.h"

namespace lorvex::prep {

struct FastqRecord {
    std::string_view header;  // the header line after '@'
    std::string_view sequence;
    std::string_view quality;
};

// The longest record the reader accepts; lorvex-prep is for short reads,
// and a bound here keeps the memory bound of the whole run.
inline constexpr size_t maxFastqRecordBytes = size_t{1} << 20;

// The most records one call of Next hands out together.
inline constexpr int maxRecordsPerCall = 2;

class FastqReader {
  public:
    // "-" reads standard input.
    explicit FastqReader(const std::string& path);

    // The next count records (1 or 2) of the file, all valid until the next
    // call. Returns false at the end of the file when no record is left;
    // an end after fewer than count records throws, as does every broken,
    // truncated or corrupt record.
    bool Next(FastqRecord* records, int count);

    // From the next record on, qualities are Phred+64. note ends the message
    // for a character below '@' (what made the run take them for Phred+64).
    void ReadPhred64(std::string note);

    const std::string& path() const { return path_; }
    uint64_t recordsRead() const { return recordsRead_; }

  private:
    // Parses count records starting at start_; false when the buffer does
    // not hold all of them yet (parsed: how many it does hold).
    bool ParseBuffered(FastqRecord* records, int count, size_t& end, int& parsed);
    void Refill();
    [[noreturn]] void Fail(uint64_t record, const std::string& what) const;
    // The input ended before the record was whole.
    [[noreturn]] void FailAtEnd(uint64_t record) const;
    void CheckRecord(const FastqRecord& record, uint64_t number) const;
    void ConvertQuality(const FastqRecord& record);

    std::string path_;
    InputStream file_;
    std::vector<char> buffer_;
    size_t start_ = 0;  // first byte not yet handed out
    size_t end_ = 0;    // end of the bytes read into the buffer
    bool endOfFile_ = false;
    bool truncated_ = false;  // the end came inside a gzip member
    uint64_t recordsRead_ = 0;
    QualityEncoding encoding_ = QualityEncoding::Phred33;
    std::string phred64Note_;
};

}  // namespace lorvex::prep
