#include "prep/fastq_reader.h"

#include <cstring>

#include "base/number_text.h"
#include "input/input_file.h"
#include "tool/stop_signals.h"

namespace lorvex::prep {
namespace {

// The next line of [position, end) without its line end; false when no LF
// follows, unless atEnd lets the text run to end as the file's last line.
bool TakeLine(const char* data, size_t& position, size_t end, bool atEnd, std::string_view& line) {
    if (position >= end) return false;
    const char* begin = data + position;
    const char* newline = static_cast<const char*>(std::memchr(begin, '\n', end - position));
    size_t length;
    if (newline) {
        length = static_cast<size_t>(newline - begin);
        position += length + 1;
    } else if (atEnd) {
        length = end - position;
        position = end;
    } else {
        return false;
    }
    if (length > 0 && begin[length - 1] == '\r') --length;
    line = std::string_view(begin, length);
    return true;
}

bool OnlyLineEnds(const char* data, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (data[i] != '\n' && data[i] != '\r') return false;
    return true;
}

}  // namespace

FastqReader::FastqReader(const std::string& path)
    : path_(InputName(path)), file_(path), buffer_(maxRecordsPerCall * maxFastqRecordBytes) {}

void FastqReader::Fail(uint64_t record, const std::string& what) const {
    throw FileError(path_, RecordLabel(record) + ": " + what);
}

void FastqReader::Refill() {
    if (start_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
        end_ -= start_;
        start_ = 0;
    }
    while (end_ < buffer_.size() && !endOfFile_) {
        size_t got = 0;
        try {
            got = file_.Read(buffer_.data() + end_, buffer_.size() - end_);
        } catch (const InputError&) {
            // A stop signal fails a read from a pipe with EINTR: that is
            // the stop, not damaged input.
            ThrowIfStopRequested();
            throw;
        }
        if (got == 0) {
            endOfFile_ = true;
            // The records before a cut inside a gzip member are still
            // handed out, so that the error names the first record that is
            // not whole.
            truncated_ = file_.truncated();
            break;
        }
        end_ += got;
    }
}

void FastqReader::FailAtEnd(uint64_t record) const {
    Fail(record, truncated_ ? "the file ends inside compressed data (truncated?)"
                            : "the file ends inside the record (truncated?)");
}

bool FastqReader::ParseBuffered(FastqRecord* records, int count, size_t& end, int& parsed) {
    size_t position = start_;
    const char* data = buffer_.data();
    // A cut inside compressed data may also cut a line: it does not count.
    const bool lastLineMayLackEnd = endOfFile_ && !truncated_;
    for (int i = 0; i < count; ++i) {
        parsed = i;
        std::string_view header, sequence, separator, quality;
        const size_t recordStart = position;
        if (!TakeLine(data, position, end_, lastLineMayLackEnd, header)) return false;
        // Blank lines (stray CRs included) may close the file; Next decides
        // once it has all of them.
        if (OnlyLineEnds(data + recordStart, end_ - recordStart)) return false;
        if (header.empty() || header[0] != '@')
            Fail(recordsRead_ + 1 + static_cast<uint64_t>(i),
                 "does not begin with '@' (not FASTQ, or sequence lines wrapped)");
        if (!TakeLine(data, position, end_, lastLineMayLackEnd, sequence) ||
            !TakeLine(data, position, end_, lastLineMayLackEnd, separator) ||
            !TakeLine(data, position, end_, lastLineMayLackEnd, quality)) {
            if (endOfFile_) FailAtEnd(recordsRead_ + 1 + static_cast<uint64_t>(i));
            return false;
        }
        records[i] = FastqRecord{header.substr(1), sequence, quality};
        if (separator.empty() || separator[0] != '+')
            Fail(recordsRead_ + 1 + static_cast<uint64_t>(i),
                 "no '+' line after the sequence (sequence lines wrapped?)");
    }
    end = position;
    parsed = count;
    return true;
}

void FastqReader::CheckRecord(const FastqRecord& record, uint64_t number) const {
    if (record.quality.size() < record.sequence.size())
        Fail(number, "quality shorter than sequence");
    if (record.quality.size() > record.sequence.size())
        Fail(number, "quality longer than sequence");
    const bool phred64 = encoding_ == QualityEncoding::Phred64;
    const size_t bad = FindBadQuality(record.quality, phred64 ? phred64Lowest : phred33Lowest);
    if (bad == std::string_view::npos) return;
    const std::string what = "quality character " +
                             DescribeByte(static_cast<unsigned char>(record.quality[bad])) +
                             " at position " + WithThousands(bad + 1);
    if (phred64) Fail(number, what + " is outside '@' to '~' (Phred+64; " + phred64Note_ + ")");
    Fail(number, what + " is outside '!' to '~' (Phred+33)");
}

void FastqReader::ReadPhred64(std::string note) {
    encoding_ = QualityEncoding::Phred64;
    phred64Note_ = std::move(note);
}

void FastqReader::ConvertQuality(const FastqRecord& record) {
    // The record's text lies in our own buffer.
    char* quality = buffer_.data() + (record.quality.data() - buffer_.data());
    ConvertPhred64ToPhred33(quality, record.quality.size());
}

bool FastqReader::Next(FastqRecord* records, int count) {
    for (;;) {
        size_t end = 0;
        int parsed = 0;
        if (ParseBuffered(records, count, end, parsed)) {
            for (int i = 0; i < count; ++i) {
                CheckRecord(records[i], recordsRead_ + 1 + static_cast<uint64_t>(i));
                if (encoding_ == QualityEncoding::Phred64) ConvertQuality(records[i]);
            }
            start_ = end;
            recordsRead_ += static_cast<uint64_t>(count);
            return true;
        }
        if (endOfFile_) {
            if (truncated_) FailAtEnd(recordsRead_ + 1 + static_cast<uint64_t>(parsed));
            // Blank lines after the last record are tolerated.
            if (OnlyLineEnds(buffer_.data() + start_, end_ - start_)) {
                start_ = end_;
                return false;
            }
            // Only reachable with count 2 and one whole record left.
            Fail(recordsRead_ + 2, "missing: the file ends after an odd number of records");
        }
        if (start_ == 0 && end_ == buffer_.size())
            Fail(recordsRead_ + 1, "longer than " + WithThousands(maxFastqRecordBytes) +
                                       " bytes (lorvex-prep takes short reads)");
        Refill();
    }
}

}  // namespace lorvex::prep
