#include "extension/run_setup.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "base/errors.h"
#include "calling/overlap_voting.h"
#include "mates/mate_fetch.h"
#include "mates/mate_queues.h"
#include "mates/pair_table_mates.h"

namespace lorvex {
namespace {

enum class FileShape { Table, Index, Other };

std::vector<std::string> TabFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

// What the first line says a file is: a table line holds at least four
// fields, the first two of one length of 12 or more; an index line holds a
// key of 12 or more characters and a decimal count. A file that cannot be
// read is Other, and its own error is reported; so is anything but a
// regular file, which a look could block (a FIFO) or consume.
FileShape ShapeOfFirstLine(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return FileShape::Other;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return FileShape::Other;
    std::string line;
    for (int byte; line.size() <= maxLineSize && (byte = std::fgetc(file)) != EOF && byte != '\n';)
        line.push_back(static_cast<char>(byte));
    std::fclose(file);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> fields = TabFields(line);
    if (fields.size() >= 4 && fields[0].size() >= 12 && fields[0].size() == fields[1].size())
        return FileShape::Table;
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    if (fields.size() == 2 && fields[0].size() >= 12 && !fields[1].empty() &&
        std::all_of(fields[1].begin(), fields[1].end(), isDigit))
        return FileShape::Index;
    return FileShape::Other;
}

// Throws the message for a table and an index given in each other's place.
void RefuseMisplacedInputs(const std::string& tablePath, const std::string& indexPath,
                           const std::string& order) {
    const FileShape table = ShapeOfFirstLine(tablePath);
    const FileShape index = ShapeOfFirstLine(indexPath);
    if (table == FileShape::Index && index == FileShape::Table)
        throw InputError(tablePath + " is a prefix index and " + indexPath +
                         " a read-pair table: swap the two" +
                         (order.empty() ? "" : " (" + order + ")"));
    if (table == FileShape::Index)
        throw FileError(tablePath, "a prefix index, given where the read-pair table belongs");
    if (index == FileShape::Table)
        throw FileError(indexPath, "a read-pair table, given where its prefix index belongs");
}

}  // namespace

RunInputs LoadRunInputs(const std::string& tablePath, const std::string& indexPath,
                        const std::string& order) {
    try {
        const TableLayout layout = MeasureTable(tablePath);
        PrefixIndex index;
        LoadIndexChecked(indexPath, tablePath, layout, index);
        return RunInputs{OpenTableStream(tablePath, layout), std::move(index), nullptr};
    } catch (const InputError&) {
        RefuseMisplacedInputs(tablePath, indexPath, order);
        throw;
    }
}

RunInputs LoadEitherRunInputs(const std::string& tablePath, const std::string& indexPath,
                              const std::string& order) {
    if (!IsPairTableFile(tablePath)) {
        if (indexPath.empty()) {
            MeasureTable(tablePath);  // a missing or foreign file says so first
            throw UsageError(tablePath +
                             " is not a compact pair table: a text read-pair table needs its "
                             "prefix index (-i/--index)");
        }
        if (IsPairTableFile(indexPath))
            throw UsageError(indexPath +
                             " is a compact pair table, given as the index of the text table " +
                             tablePath + ": give it alone as -t/--table, or the text table's " +
                             "prefix index as -i/--index");
        return LoadRunInputs(tablePath, indexPath, order);
    }
    if (!indexPath.empty())
        throw UsageError(tablePath + " is a compact pair table, which holds its own index: drop " +
                         "-i/--index " + indexPath);
    RunInputs inputs;
    inputs.pairs = std::make_unique<PairTable>(tablePath);
    // The mapping keeps the kernel's read-ahead: lookups are scattered, but on
    // a file not yet cached, reading around each fault costs far fewer reads
    // than faulting its pages in one by one (21 against 20,109 major faults
    // for 40 seeds on an 86 MB table), and a cached file is not read at all.
    if (inputs.pairs->PairCount() == 0)
        throw FileError(tablePath, "a compact pair table without read pairs");
    return inputs;
}

void FetchMates(const char* window, const RunInputs& inputs, const AnchorRule& anchor,
                SelectedMates& selected) {
    if (inputs.pairs)
        FetchPairTableMates(window, *inputs.pairs, anchor, inputs.ReadLength(), selected);
    else
        FetchSelectedMates(window, inputs.table, inputs.index, anchor, selected);
}

AnchorRule VariantAnchor(const RunInputs& inputs, Variant variant) {
    return {FirstReadCompareLength(inputs.ReadLength(), variant), 0};
}

int64_t WindowCount(Variant variant, const RunParameters& parameters, int32_t readLength) {
    return QueueCount(variant, parameters.minDistance, parameters.maxDistance, readLength);
}

ParameterFault ImpossibleParameters(Variant variant, const RunParameters& parameters) {
    if (variant == Variant::Main && parameters.minDistance > parameters.maxDistance)
        return ParameterFault::MinAboveMax;
    if (parameters.minVotes < 0) return ParameterFault::NegativeMinVotes;
    if (parameters.dominanceRatio < 0) return ParameterFault::NegativeRatio;
    return ParameterFault::None;
}

AnchorRule RunAnchor(Variant variant, const RunParameters& parameters, int32_t readLength) {
    AnchorRule rule{FirstReadCompareLength(readLength, variant), parameters.anchorMismatches,
                    parameters.voteQuality};
    if (variant == Variant::Main && parameters.anchorLength > 0)
        rule.length = std::min(parameters.anchorLength, readLength);
    return rule;
}

int64_t LeastMinDistance(Variant variant, const RunParameters& parameters, int32_t readLength) {
    if (variant == Variant::Strict) return 2 * int64_t{readLength} - 2;
    return parameters.anchorLength > 0 ? RunAnchor(variant, parameters, readLength).length
                                       : readLength;
}

bool WindowPastEnd(Variant variant, const RunParameters& parameters, int32_t readLength) {
    return WindowCount(variant, parameters, readLength) > 0 &&
           parameters.minDistance < LeastMinDistance(variant, parameters, readLength);
}

ParameterFault RunParameterFault(Variant variant, const RunParameters& parameters,
                                 int32_t readLength) {
    if (const ParameterFault impossible = ImpossibleParameters(variant, parameters);
        impossible != ParameterFault::None)
        return impossible;
    if (WindowCount(variant, parameters, readLength) <= 0) return ParameterFault::NoWindows;
    if (WindowPastEnd(variant, parameters, readLength)) return ParameterFault::WindowPastEnd;
    return ParameterFault::None;
}

bool MatesCanVote(int32_t readLength) {
    return readLength > minimumOverlap;
}

}  // namespace lorvex
