#include "prep/prep_options.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "app/tool_command_line.h"
#include "prep/pair_filter.h"

namespace lorvex::prep {
namespace {

constexpr const char* description =
    "Builds the read-pair table and prefix index that lorvex and lorvex-strict read, from\n"
    "paired FASTQ files (plain or gzip-compressed, LF or CR LF line ends).\n"
    "\n"
    "  lorvex-prep -1 R1.fq.gz -2 R2.fq.gz -o out/reads     writes out/reads.table and "
    "out/reads.index\n"
    "  lorvex-prep --interleaved pairs.fq.gz -o out/reads\n"
    "  lorvex-prep --check out/reads.table out/reads.index  verifies a table and its index\n"
    "\n"
    "Every read is cut to the read length; pairs with a shorter read or with a base other\n"
    "than A, C, G, T in the kept part are dropped. Each kept pair is written twice, as\n"
    "(read 1, read 2) and as (read 2, read 1), so that pairs from both strands anchor windows.";

// Shows "--check TABLE INDEX" rather than the generic "--check TEXT x 2".
class PrepFormatter : public CLI::Formatter {
  public:
    std::string make_option_opts(const CLI::Option* option) const override {
        if (option->get_name() == "--check") return " TABLE INDEX";
        return CLI::Formatter::make_option_opts(option);
    }
};

int UsageFailure(const std::string& message) {
    return ReportUsageMistake("lorvex-prep", message);
}

}  // namespace

uint64_t ParseByteSize(const std::string& text) {
    size_t position = 0;
    uint64_t value = 0;
    while (position < text.size() && std::isdigit(static_cast<unsigned char>(text[position]))) {
        const uint64_t digit = static_cast<uint64_t>(text[position] - '0');
        if (value > (UINT64_MAX - digit) / 10)
            throw std::invalid_argument("size too large: " + text);
        value = value * 10 + digit;
        ++position;
    }
    if (position == 0) throw std::invalid_argument("not a size: '" + text + "' (e.g. 2G, 512M)");
    std::string unit = text.substr(position);
    for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    int shift = 0;
    if (!unit.empty()) {
        const std::string letters = "KMGT";
        const size_t letter = letters.find(unit[0]);
        const std::string rest = unit.substr(1);
        if (letter == std::string::npos || !(rest.empty() || rest == "B" || rest == "IB"))
            throw std::invalid_argument("not a size: '" + text + "' (e.g. 2G, 512M)");
        shift = 10 * static_cast<int>(letter + 1);
    }
    if (shift > 0 && value > (UINT64_MAX >> shift))
        throw std::invalid_argument("size too large: " + text);
    return value << shift;
}

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine result;
    PrepOptions& options = result.options;
    std::string memoryText = "2G";
    std::string groupingBudgetText;
    std::vector<std::string> check;

    CLI::App app(description, "lorvex-prep");
    app.set_version_flag("--version", LORVEX_VERSION, "Show the version and exit");
    app.formatter(std::make_shared<PrepFormatter>());
    app.get_formatter()->column_width(30);
    app.add_option("-1,--reads1", options.firstReads, "FASTQ file of the first reads")
        ->type_name("FILE");
    app.add_option("-2,--reads2", options.secondReads, "FASTQ file of the second reads")
        ->type_name("FILE");
    app.add_option("--interleaved", options.interleaved,
                   "One FASTQ file whose records alternate: read 1, read 2, read 1, ...")
        ->type_name("FILE");
    app.add_option("-o,--output", options.outputPrefix,
                   "Writes PREFIX.table and PREFIX.index (folders are created)")
        ->type_name("PREFIX");
    app.add_option("-l,--read-length", options.readLength,
                   "Read length of the table, 12 to 1023 (default: the most common one "
                   "in the first 10,000 pairs)")
        ->type_name("R");
    app.add_flag("--one-orientation", options.oneOrientation,
                 "Write each pair only as (read 1, read 2), not also as (read 2, read 1)");
    bool noNameCheck = false;
    app.add_flag("--no-name-check", noNameCheck,
                 "Pair records by position alone, whatever their names");
    app.add_option("-m,--memory", memoryText,
                   "Upper bound on the memory used, with K, M or G (at least 32M)")
        ->type_name("SIZE")
        ->capture_default_str();
    app.add_option("--tmp-dir", options.tmpDir,
                   "Folder for bucket files when the pairs exceed the memory bound "
                   "(default: the output's folder)")
        ->type_name("DIR");
    app.add_flag("-f,--force", options.force, "Replace existing output files");
    app.add_flag("-q,--quiet", options.quiet, "No progress and no summary on standard error");
    app.add_option("--check", check, "Verify a table and its index, then exit")->expected(2);
    app.add_option("--grouping-budget", groupingBudgetText, "test hook")->group("");
    app.add_option("--fail-after-pairs", options.failAfterPairs, "test hook")->group("");

    if (const std::optional<int> status = ParseToolCommandLine(app, argc, argv)) {
        result.exitStatus = *status;
        return result;
    }
    options.checkNames = !noNameCheck;

    if (!check.empty()) {
        if (!options.firstReads.empty() || !options.secondReads.empty() ||
            !options.interleaved.empty() || !options.outputPrefix.empty()) {
            result.exitStatus =
                UsageFailure("--check takes no input or output files besides TABLE and INDEX");
            return result;
        }
        options.checkTable = check[0];
        options.checkIndex = check[1];
        return result;
    }
    try {
        options.memoryBytes = ParseByteSize(memoryText);
        if (!groupingBudgetText.empty())
            options.groupingBudgetBytes = ParseByteSize(groupingBudgetText);
    } catch (const std::invalid_argument& e) {
        result.exitStatus = UsageFailure(e.what());
        return result;
    }
    const bool twoFiles = !options.firstReads.empty() || !options.secondReads.empty();
    std::string problem;
    if (twoFiles && !options.interleaved.empty())
        problem = "give either -1 and -2, or --interleaved, not both";
    else if (twoFiles && (options.firstReads.empty() || options.secondReads.empty()))
        problem = "-1 and -2 go together: give both FASTQ files of the pairs";
    else if (!twoFiles && options.interleaved.empty())
        problem = "no input: give -1 and -2, or --interleaved";
    else if (options.outputPrefix.empty())
        problem = "no output: give -o PREFIX";
    else if (options.outputPrefix.back() == '/' ||
             std::filesystem::is_directory(options.outputPrefix))
        problem = "-o takes a name prefix such as out/reads, not a folder";
    else if (options.readLength != 0 &&
             (options.readLength < leastReadLength || options.readLength > greatestReadLength))
        problem = "--read-length must be from 12 to 1023";
    else if (options.memoryBytes < (uint64_t{32} << 20))
        problem = "--memory must be at least 32M";
    if (!problem.empty()) result.exitStatus = UsageFailure(problem);
    return result;
}

}  // namespace lorvex::prep
