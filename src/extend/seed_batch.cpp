#include "extend/seed_batch.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include "input/input_stream.h"
#include "input/seed_reader.h"
#include "tool/stop_signals.h"

namespace lorvex::extend {
namespace {

bool IsBlank(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\v' || byte == '\f' || byte == '\r';
}

// One line of the file: [begin, end) without its LF.
struct Line {
    size_t begin = 0;
    size_t end = 0;
    size_t number = 0;
};

class LineCursor {
  public:
    explicit LineCursor(const std::string& text) : text_(text) {}
    bool Next(Line& line) {
        if (position_ >= text_.size()) return false;
        const size_t newline = text_.find('\n', position_);
        line.begin = position_;
        line.end = newline == std::string::npos ? text_.size() : newline;
        line.number = ++lineNumber_;
        position_ = line.end + 1;
        return true;
    }

  private:
    const std::string& text_;
    size_t position_ = 0;
    size_t lineNumber_ = 0;
};

InputError RecordError(const std::string& path, size_t line, size_t record,
                       const std::string& what) {
    return FileError(
        path, "line " + std::to_string(line) + ": record " + std::to_string(record) + ": " + what);
}

SeedRecord ParseHeader(const std::string& text, const Line& line, const std::string& path,
                       size_t record) {
    std::string header = text.substr(line.begin + 1, line.end - line.begin - 1);
    if (header.find('\0') != std::string::npos)
        throw RecordError(path, line.number, record, "header holds a zero byte");
    size_t nameEnd = 0;
    while (nameEnd < header.size() && !IsBlank(header[nameEnd])) ++nameEnd;
    if (nameEnd == 0) throw RecordError(path, line.number, record, "header has no name after '>'");
    size_t descriptionBegin = nameEnd;
    while (descriptionBegin < header.size() && IsBlank(header[descriptionBegin]))
        ++descriptionBegin;
    size_t descriptionEnd = header.size();
    while (descriptionEnd > descriptionBegin && IsBlank(header[descriptionEnd - 1]))
        --descriptionEnd;
    SeedRecord seed;
    seed.name = header.substr(0, nameEnd);
    seed.description = header.substr(descriptionBegin, descriptionEnd - descriptionBegin);
    return seed;
}

}  // namespace

std::vector<SeedRecord> ParseSeedBatch(const std::string& text, const std::string& path) {
    std::vector<SeedRecord> seeds;
    LineCursor cursor(text);
    Line line;
    size_t headerLine = 0;
    while (cursor.Next(line)) {
        if (line.end > line.begin && text[line.begin] == '>') {
            headerLine = line.number;
            seeds.push_back(ParseHeader(text, line, path, seeds.size() + 1));
            continue;
        }
        if (seeds.empty()) {
            // Blank lines may stand before the first header; anything else
            // would be bases without a record.
            for (size_t i = line.begin; i < line.end; ++i)
                if (text[i] != '\r')
                    throw FileError(path, "line " + std::to_string(line.number) +
                                              ": text before the first '>' header line");
            continue;
        }
        const std::string_view lineText(text.data() + line.begin, line.end - line.begin);
        if (lineText.find('\0') != std::string_view::npos)
            throw RecordError(path, line.number, seeds.size(),
                              "holds a zero byte, which is not a base");
        std::string& bases = seeds.back().bases;
        AppendSeedBases(lineText, bases);
        if (bases.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
            throw RecordError(path, headerLine, seeds.size(),
                              "holds more than 2,147,483,647 bases");
    }
    if (seeds.empty()) throw FileError(path, "holds no FASTA record (no '>' header line)");
    return seeds;
}

std::vector<SeedRecord> LoadSeedBatch(const std::string& path) {
    std::string text;
    try {
        text = ReadWholeInput(path);
    } catch (const InputError&) {
        // A stop signal fails a read from a pipe with EINTR.
        ThrowIfStopRequested();
        throw;
    }
    return ParseSeedBatch(text, InputName(path));
}

}  // namespace lorvex::extend
