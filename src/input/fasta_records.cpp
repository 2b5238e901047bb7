#include "input/fasta_records.h"

#include <cstdint>
#include <limits>
#include <string_view>

#include "input/input_stream.h"
#include "input/seed_reader.h"

namespace lorvex {
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

SequenceRecord ParseHeader(const std::string& text, const Line& line, const std::string& path,
                           size_t number) {
    std::string header = text.substr(line.begin + 1, line.end - line.begin - 1);
    if (header.find('\0') != std::string::npos)
        throw RecordError(path, line.number, number, "header holds a zero byte");
    size_t nameEnd = 0;
    while (nameEnd < header.size() && !IsBlank(header[nameEnd])) ++nameEnd;
    if (nameEnd == 0) throw RecordError(path, line.number, number, "header has no name after '>'");
    size_t descriptionBegin = nameEnd;
    while (descriptionBegin < header.size() && IsBlank(header[descriptionBegin]))
        ++descriptionBegin;
    size_t descriptionEnd = header.size();
    while (descriptionEnd > descriptionBegin && IsBlank(header[descriptionEnd - 1]))
        --descriptionEnd;
    SequenceRecord record;
    record.name = header.substr(0, nameEnd);
    record.description = header.substr(descriptionBegin, descriptionEnd - descriptionBegin);
    return record;
}

}  // namespace

std::vector<SequenceRecord> ParseFastaRecords(const std::string& text, const std::string& path,
                                              FastaNotes* notes) {
    std::vector<SequenceRecord> records;
    LineCursor cursor(text);
    Line line;
    size_t headerLine = 0;
    while (cursor.Next(line)) {
        if (line.end > line.begin && text[line.begin] == '>') {
            headerLine = line.number;
            records.push_back(ParseHeader(text, line, path, records.size() + 1));
            continue;
        }
        if (records.empty()) {
            // Blank lines may stand before the first header; anything else
            // would be bases without a record.
            for (size_t i = line.begin; i < line.end; ++i)
                if (text[i] != '\r')
                    throw FileError(path, "line " + std::to_string(line.number) +
                                              ": text before the first '>' header line");
            continue;
        }
        std::string_view lineText(text.data() + line.begin, line.end - line.begin);
        const size_t kept = lineText.find_last_not_of(" \t\r");
        if (kept + 1 < lineText.size() &&
            lineText.find_first_not_of('\r', kept + 1) != std::string_view::npos) {
            lineText = lineText.substr(0, kept + 1);
            if (notes && notes->linesWithTrailingBlanks++ == 0)
                notes->firstLineWithTrailingBlanks = line.number;
        }
        if (lineText.find('\0') != std::string_view::npos)
            throw RecordError(path, line.number, records.size(),
                              "holds a zero byte, which is not a base");
        std::string& bases = records.back().bases;
        AppendSeedBases(lineText, bases);
        if (bases.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
            throw RecordError(path, headerLine, records.size(),
                              "holds more than 2,147,483,647 bases");
    }
    if (records.empty()) throw FileError(path, "holds no FASTA record (no '>' header line)");
    return records;
}

std::vector<SequenceRecord> LoadFastaRecords(const std::string& path, FastaNotes* notes) {
    return ParseFastaRecords(ReadWholeInput(path), InputName(path), notes);
}

}  // namespace lorvex
