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

PairedInput::PairedInput(const std::string& firstPath, const std::string& secondPath,
                         bool checkNames)
    : firstReader_(firstPath), secondReader_(std::in_place, secondPath), checkNames_(checkNames) {}

PairedInput::PairedInput(const std::string& interleavedPath, bool checkNames)
    : firstReader_(interleavedPath), checkNames_(checkNames) {}

void PairedInput::CheckNames(const FastqRecord& first, const FastqRecord& second) const {
    const std::string_view firstName = PairName(first.header);
    const std::string_view secondName = PairName(second.header);
    if (firstName == secondName) return;
    const FastqReader& secondSource = secondReader_ ? *secondReader_ : firstReader_;
    const std::string where =
        secondReader_ ? " in " + firstReader_.path() : " in the record before it";
    throw FileError(secondSource.path(), RecordLabel(secondSource.recordsRead()) + ": read name '" +
                                             std::string(secondName) + "' does not match '" +
                                             std::string(firstName) + "'" + where +
                                             " (--no-name-check pairs records by position alone)");
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
