#include "prep/paired_input.h"

#include "base/number_text.h"
#include "input/input_file.h"

namespace lorvex::prep {

std::string_view PairName(std::string_view header) {
    const size_t space = header.find_first_of(" \t");
    std::string_view name = header.substr(0, space);
    if (name.size() >= 2 && name[name.size() - 2] == '/' &&
        (name.back() == '1' || name.back() == '2'))
        name.remove_suffix(2);
    return name;
}

namespace {

// The words of a header's comment, one per call, skipping "length=" words.
class CommentWords {
  public:
    explicit CommentWords(std::string_view header) {
        const size_t blank = header.find_first_of(" \t");
        rest_ = blank == std::string_view::npos ? std::string_view() : header.substr(blank);
    }
    // The next word, or an empty one at the end.
    std::string_view Next() {
        for (;;) {
            const size_t start = rest_.find_first_not_of(" \t");
            if (start == std::string_view::npos) return {};
            rest_.remove_prefix(start);
            const std::string_view word = rest_.substr(0, rest_.find_first_of(" \t"));
            rest_.remove_prefix(word.size());
            if (!word.starts_with("length=")) return word;
        }
    }

  private:
    std::string_view rest_;
};

bool CommentsAgree(std::string_view firstHeader, std::string_view secondHeader) {
    CommentWords first(firstHeader), second(secondHeader);
    for (;;) {
        const std::string_view word = first.Next();
        if (word != second.Next()) return false;
        if (word.empty()) return true;
    }
}

}  // namespace

bool MateNamesAgree(std::string_view firstHeader, std::string_view secondHeader) {
    const std::string_view first = PairName(firstHeader), second = PairName(secondHeader);
    if (first == second) return true;
    return first.size() > 2 && first.ends_with(".1") && second.ends_with(".2") &&
           first.substr(0, first.size() - 2) == second.substr(0, second.size() - 2) &&
           CommentsAgree(firstHeader, secondHeader);
}

PairedInput::PairedInput(const std::string& firstPath, const std::string& secondPath,
                         bool checkNames)
    : firstReader_(firstPath), secondReader_(std::in_place, secondPath), checkNames_(checkNames) {}

PairedInput::PairedInput(const std::string& interleavedPath, bool checkNames)
    : firstReader_(interleavedPath), checkNames_(checkNames) {}

void PairedInput::CheckNames(const FastqRecord& first, const FastqRecord& second) const {
    if (MateNamesAgree(first.header, second.header)) return;
    const std::string_view firstName = PairName(first.header);
    const std::string_view secondName = PairName(second.header);
    const FastqReader& secondSource = secondReader_ ? *secondReader_ : firstReader_;
    const std::string where =
        secondReader_ ? " in " + firstReader_.path() : " in the record before it";
    throw FileError(secondSource.path(), RecordLabel(secondSource.recordsRead()) + ": read name '" +
                                             std::string(secondName) + "' does not match '" +
                                             std::string(firstName) + "'" + where +
                                             " (--no-name-check pairs records by position alone)");
}

RecordPlace PairedInput::PlaceOf(uint64_t pair, int mate) const {
    if (!secondReader_) return {firstReader_.path(), 2 * pair - (mate == 1 ? 1 : 0)};
    return {mate == 1 ? firstReader_.path() : secondReader_->path(), pair};
}

void PairedInput::ReadPhred64(const std::string& note) {
    firstReader_.ReadPhred64(note);
    if (secondReader_) secondReader_->ReadPhred64(note);
}

bool PairedInput::Next(FastqRecord& first, FastqRecord& second) {
    if (!secondReader_) {
        FastqRecord records[2];
        if (!firstReader_.Next(records, 2)) return false;
        first = records[0];
        second = records[1];
    } else {
        const bool gotFirst = firstReader_.Next(&first, 1);
        const bool gotSecond = secondReader_->Next(&second, 1);
        if (gotFirst != gotSecond) {
            const FastqReader& shorter = gotFirst ? *secondReader_ : firstReader_;
            const FastqReader& longer = gotFirst ? firstReader_ : *secondReader_;
            throw FileError(shorter.path(), "ends after " + WithThousands(shorter.recordsRead()) +
                                                " records, but " + longer.path() +
                                                " has more: the files do not pair up");
        }
        if (!gotFirst) return false;
    }
    if (checkNames_) CheckNames(first, second);
    ++pairsRead_;
    return true;
}

}  // namespace lorvex::prep
