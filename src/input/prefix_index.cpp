#include "input/prefix_index.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

#include "input/input_file.h"
#include "seq/nucleotide.h"

namespace lorvex {

PrefixIndex AllocatePrefixIndex() {
    PrefixIndex index;
    index.offsets.reset(static_cast<uint64_t*>(std::calloc(prefixCodeCount, sizeof(uint64_t))));
    index.counts.reset(static_cast<uint32_t*>(std::calloc(prefixCodeCount, sizeof(uint32_t))));
    if (!index.offsets || !index.counts) throw std::bad_alloc();
    return index;
}

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

// An index of this many bytes or more names so many codes (over 100,000)
// that nearly every 4 KiB page of both tables gets written anyway.
constexpr uint64_t denseIndexBytes = 2 << 20;

// Asks the kernel to back the tables with 2 MiB pages: filling them then
// costs one page fault per 2 MiB instead of one per 4 KiB, which on a large
// index is most of the start-up time. Only advice: if refused, nothing changes.
void PreferHugePages(void* memory, size_t bytes) {
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (reinterpret_cast<uintptr_t>(memory) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~(page - 1);
    if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
}

// The lines of an index file, read in large blocks, each without its line
// end (LF or CR LF); empty lines are skipped. Lines of more than 65,535 bytes
// and zero bytes are refused, naming the line.
class IndexLineReader {
  public:
    IndexLineReader(std::FILE* file, const std::string& path)
        : file_(file), path_(path), buffer_(std::max<size_t>(1 << 20, 2 * (maxLineSize + 1))) {}

    // The next line that is not empty; false at the end of the file.
    bool Next(std::string_view& line) {
        for (;;) {
            const char* lineStart = buffer_.data() + start_;
            const size_t available = filled_ - start_;
            const char* newline = static_cast<const char*>(std::memchr(lineStart, '\n', available));
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
        if (start_ == 0 && filled_ == buffer_.size())
            throw Fail(lineNumber_ + 1, "longer than 65,535 bytes");
        std::memmove(buffer_.data(), buffer_.data() + start_, filled_ - start_);
        filled_ -= start_;
        start_ = 0;
        errno = 0;
        const size_t got = std::fread(buffer_.data() + filled_, 1, buffer_.size() - filled_, file_);
        if (std::ferror(file_)) throw FileError(path_, ReadFailure());
        endOfFile_ = got == 0;
        filled_ += got;
        // One scan of the block for zero bytes; lines are searched one by one
        // only when there is one to name.
        blockHasZero_ = std::memchr(buffer_.data(), '\0', filled_) != nullptr;
        return filled_ > 0;
    }

    std::FILE* file_;
    const std::string& path_;
    std::vector<char> buffer_;
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

}  // namespace

uint64_t LoadIndexChecked(const std::string& indexPath, const std::string& tablePath,
                          const TableLayout& layout, PrefixIndex& index) {
    FileHandle file = OpenInputFile(indexPath, "rb");
    if (FileSize(file.get(), indexPath) >= denseIndexBytes) {
        PreferHugePages(index.offsets.get(), prefixCodeCount * sizeof(uint64_t));
        PreferHugePages(index.counts.get(), prefixCodeCount * sizeof(uint32_t));
    }
    IndexLineReader lines(file.get(), indexPath);
    uint64_t runningTotal = 0;
    std::string_view line;
    while (lines.Next(line)) {
        const uint32_t count = ParseCount(line.data(), line.size(), indexPath, lines.lineNumber());
        const uint32_t code = KeyPrefixCode(line.data());
        index.offsets[code] = layout.lineSize * runningTotal;
        index.counts[code] = count;
        runningTotal += count;
    }
    CheckCountsFitTable(runningTotal, indexPath, tablePath, layout);
    return runningTotal;
}

}  // namespace lorvex
