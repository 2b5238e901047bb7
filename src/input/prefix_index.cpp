#include "input/prefix_index.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "input/input_file.h"
#include "seq/byte_lanes.h"
#include "seq/nucleotide.h"

namespace lorvex {

namespace {

bool IsStrtolSpace(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r';
}

// The count field of one index line (without its LF), read by the strtol
// rules after the key and the run of tabs behind it.
uint32_t ParseCount(const char* line, size_t length, const std::string& path, uint64_t lineNumber) {
    const auto fail = [&](const std::string& what) {
        return FileError(path, "line " + std::to_string(lineNumber) + ": " + what);
    };
    const char* end = line + length;
    const char* tab = static_cast<const char*>(std::memchr(line, '\t', length));
    if (!tab) throw fail("no tab and count after the key");
    if (tab - line < prefixLength) throw fail("key shorter than 12 characters");
    const char* p = tab;
    while (p < end && *p == '\t') ++p;
    const char* fieldEnd = static_cast<const char*>(std::memchr(p, '\t', end - p));
    if (!fieldEnd) fieldEnd = end;
    while (p < fieldEnd && IsStrtolSpace(*p)) ++p;
    bool negative = false;
    if (p < fieldEnd && (*p == '+' || *p == '-')) negative = *p++ == '-';
    uint64_t value = 0;
    const char* digits = p;
    while (p < fieldEnd && *p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<uint64_t>(*p++ - '0');
        if (value > UINT32_MAX) throw fail("count does not fit in 32 bits");
    }
    if (p == digits) throw fail("no count after the key");
    if (p < fieldEnd && !IsStrtolSpace(*p)) throw fail("count is not a whole number");
    if (negative && value != 0) throw fail("negative count");
    return static_cast<uint32_t>(value);
}

// The count of a line as lorvex-prep writes it, a key of 12 characters without
// a tab, one tab and 1 to 9 digits, without the scans of ParseCount; false for any
// other form, which ParseCount then reads or refuses.
bool ParsePlainCount(std::string_view line, uint32_t& count) {
    constexpr size_t digitsAt = prefixLength + 1;
    if (line.size() <= digitsAt || line.size() > digitsAt + 9 || line[prefixLength] != '\t')
        return false;
    // A tab inside the key ends the key early: the count is then another field.
    if (std::memchr(line.data(), '\t', prefixLength)) return false;
    uint32_t value = 0;
    for (size_t i = digitsAt; i < line.size(); ++i) {
        const uint32_t digit = static_cast<unsigned char>(line[i]) - uint32_t{'0'};
        if (digit > 9) return false;
        value = value * 10 + digit;
    }
    count = value;
    return true;
}

// The prefix code of a key, as DnaToUint(key, 12) gives it, from a table of
// base digits instead of a branch per byte: this runs once per index line.
struct BaseDigits {
    uint8_t digit[256];
};

constexpr BaseDigits MakeBaseDigits() {
    BaseDigits digits{};
    for (int byte = 0; byte < 256; ++byte)
        digits.digit[byte] = static_cast<uint8_t>(BaseDigit(static_cast<unsigned char>(byte)));
    return digits;
}

constexpr BaseDigits baseDigits = MakeBaseDigits();

uint32_t KeyPrefixCode(const char* key) {
    uint32_t code = 0;
    for (int i = 0; i < prefixLength; ++i)
        code = code * 4 + baseDigits.digit[static_cast<unsigned char>(key[i])];
    return code;
}

// The first LF of the bytes, or null. Index lines are short, so the first
// 32 bytes are looked at sixteen at a time before memchr takes over: a call
// per line would cost more than the rest of the line's parse.
const char* FindLineEnd(const char* bytes, size_t size) {
    size_t at = 0;
    for (; at < 2 * byteLanes && at + byteLanes <= size; at += byteLanes) {
        const ByteLanes newlines = EqualLanes(LoadLanes(bytes + at), SplatLanes('\n'));
        uint64_t halves[2];
        std::memcpy(halves, &newlines, sizeof halves);
        if (halves[0] != 0) return bytes + at + std::countr_zero(halves[0]) / 8;
        if (halves[1] != 0) return bytes + at + 8 + std::countr_zero(halves[1]) / 8;
    }
    return static_cast<const char*>(std::memchr(bytes + at, '\n', size - at));
}

// The lines of an index file, read in large blocks, each without its line
// end (LF or CR LF); empty lines are skipped. Lines of more than 65,535 bytes
// and zero bytes are refused, naming the line.
class IndexLineReader {
  public:
    IndexLineReader(std::FILE* file, const std::string& path)
        : file_(file), path_(path), buffer_(std::make_unique_for_overwrite<char[]>(bufferBytes)) {}

    // The next line that is not empty; false at the end of the file.
    bool Next(std::string_view& line) {
        for (;;) {
            const char* lineStart = buffer_.get() + start_;
            const size_t available = filled_ - start_;
            const char* newline = FindLineEnd(lineStart, available);
            size_t lineLength;  // without the LF
            size_t consumed;
            if (newline) {
                lineLength = static_cast<size_t>(newline - lineStart);
                consumed = lineLength + 1;
            } else if (endOfFile_ && available > 0) {
                lineLength = consumed = available;
            } else if (Refill()) {
                continue;
            } else {
                return false;
            }
            ++lineNumber_;
            if (consumed > maxLineSize) throw Fail(lineNumber_, "longer than 65,535 bytes");
            if (blockHasZero_ && std::memchr(lineStart, '\0', lineLength))
                throw Fail(lineNumber_, "holds a zero byte");
            start_ += consumed;
            if (lineLength > 0 && lineStart[lineLength - 1] == '\r') --lineLength;
            if (lineLength == 0) continue;
            line = std::string_view(lineStart, lineLength);
            return true;
        }
    }

    uint64_t lineNumber() const { return lineNumber_; }

  private:
    InputError Fail(uint64_t line, const std::string& what) const {
        return FileError(path_, "line " + std::to_string(line) + ": " + what);
    }

    // Keeps the unfinished tail and reads more behind it; false when nothing
    // is left.
    bool Refill() {
        if (endOfFile_) return false;
        if (start_ == 0 && filled_ == bufferBytes)
            throw Fail(lineNumber_ + 1, "longer than 65,535 bytes");
        std::memmove(buffer_.get(), buffer_.get() + start_, filled_ - start_);
        filled_ -= start_;
        start_ = 0;
        errno = 0;
        const size_t got = std::fread(buffer_.get() + filled_, 1, bufferBytes - filled_, file_);
        if (std::ferror(file_)) throw FileError(path_, ReadFailure());
        endOfFile_ = got == 0;
        // A first line with a zero byte is refused either way; a gzip file
        // is named as what it is.
        if (lineNumber_ == 0 && filled_ == 0 && BeginsGzipCompressed(buffer_.get(), got)) {
            const char* newline = static_cast<const char*>(std::memchr(buffer_.get(), '\n', got));
            const size_t firstLine = newline ? static_cast<size_t>(newline - buffer_.get()) : got;
            if (std::memchr(buffer_.get(), '\0', firstLine))
                throw CompressedFileError(path_, "the prefix index");
        }
        filled_ += got;
        // One scan of the block for zero bytes; lines are searched one by one
        // only when there is one to name.
        blockHasZero_ = std::memchr(buffer_.get(), '\0', filled_) != nullptr;
        return filled_ > 0;
    }

    // Room for two of the longest lines; small enough to stay in cache, and
    // not zero-filled, since every byte is read into before it is looked at.
    static constexpr size_t bufferBytes = 2 * (maxLineSize + 1);

    std::FILE* file_;
    const std::string& path_;
    std::unique_ptr<char[]> buffer_;
    size_t start_ = 0;   // first byte not yet handed out
    size_t filled_ = 0;  // bytes read into the buffer
    bool endOfFile_ = false;
    bool blockHasZero_ = false;
    uint64_t lineNumber_ = 0;
};

// The counted lines must lie within the table; its last line may lack its
// line end.
void CheckCountsFitTable(uint64_t lines, const std::string& indexPath, const std::string& tablePath,
                         const TableLayout& layout) {
    const unsigned __int128 neededBytes = static_cast<unsigned __int128>(lines) * layout.lineSize;
    if (neededBytes > static_cast<unsigned __int128>(layout.fileSize) + layout.lineEndLength)
        throw FileError(indexPath, "counts add up to " + std::to_string(lines) + " lines, but " +
                                       tablePath + " holds only " +
                                       std::to_string(layout.fileSize / layout.lineSize) +
                                       " lines of " + std::to_string(layout.lineSize) + " bytes");
}

// Index files list their groups in table order, which lorvex-prep makes
// ascending code order; any other order is sorted here. Of several lines for
// one code the last is kept, as it would overwrite the others in a table
// indexed by code.
void SortKeepingLastOfEachCode(LargeArray<PrefixEntry>& entries) {
    // Among equal codes the sort keeps file order, so the last line is last.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const PrefixEntry& a, const PrefixEntry& b) { return a.code < b.code; });
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i + 1 < entries.size() && entries[i + 1].code == entries[i].code) continue;
        entries[kept++] = entries[i];
    }
    entries.resize(kept);
}

// Room for the lines a file of this size can hold (a line takes 15 bytes or
// more, the last one 14), up to a bound beyond which the array grows as it
// fills: reserved once, a large index is not copied and faulted in again as
// it grows.
void ReserveForFile(uint64_t fileBytes, LargeArray<PrefixEntry>& entries) {
    entries.reserve(static_cast<size_t>(std::min<uint64_t>(fileBytes / 15 + 1, 1 << 22)));
}

void FillDirectory(PrefixIndex& index) {
    const int topBits = std::min(16, static_cast<int>(std::bit_width(index.entries.size() / 16)));
    index.directoryShift = 2 * prefixLength - topBits;
    const uint32_t entries = (uint32_t{1} << topBits) + 1;
    index.directory.resize(entries);
    size_t position = 0;
    for (uint32_t top = 0; top < entries; ++top) {
        while (position < index.entries.size() &&
               (index.entries[position].code >> index.directoryShift) < top)
            ++position;
        index.directory[top] = static_cast<uint32_t>(position);
    }
}

}  // namespace

uint64_t LoadIndexChecked(const std::string& indexPath, const std::string& tablePath,
                          const TableLayout& layout, PrefixIndex& index) {
    FileHandle file = OpenInputFile(indexPath, "rb");
    index = PrefixIndex{};
    ReserveForFile(FileSize(file.get(), indexPath), index.entries);
    IndexLineReader lines(file.get(), indexPath);
    bool ascending = true;
    uint64_t runningTotal = 0;
    std::string_view line;
    while (lines.Next(line)) {
        uint32_t count;
        if (!ParsePlainCount(line, count))
            count = ParseCount(line.data(), line.size(), indexPath, lines.lineNumber());
        const uint32_t code = KeyPrefixCode(line.data());
        if (!index.entries.empty() && code <= index.entries.back().code) ascending = false;
        index.entries.push_back({code, count, layout.lineSize * runningTotal});
        runningTotal += count;
    }
    CheckCountsFitTable(runningTotal, indexPath, tablePath, layout);
    if (!ascending) SortKeepingLastOfEachCode(index.entries);
    FillDirectory(index);
    return runningTotal;
}

}  // namespace lorvex
