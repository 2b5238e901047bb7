#include "prep/prep_options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <vector>

#include "base/errors.h"
#include "input/input_stream.h"
#include "prep/pair_filter.h"
#include "prep/pair_table_writer.h"
#include "tool/command_line.h"

namespace lorvex::prep {
namespace {

constexpr const char* description =
    "Builds the read-pair tables that lorvex-extend, lorvex-close, lorvex and lorvex-strict\n"
    "read, from paired FASTQ files (plain or gzip-compressed, LF or CR LF line ends).\n"
    "\n"
    "  lorvex-prep -1 R1.fq.gz -2 R2.fq.gz -o out/reads\n"
    "      writes out/reads.pairs, the compact table (lorvex-extend, lorvex-close)\n"
    "  lorvex-prep --interleaved pairs.fq.gz -o out/reads\n"
    "      the same from one FASTQ file whose records alternate: read 1, read 2, ...\n"
    "  lorvex-prep -1 R1.fq.gz -2 R2.fq.gz -o out/reads --format text\n"
    "      writes out/reads.table and out/reads.index, the text table (every program)\n"
    "  lorvex-prep --check out/reads.pairs\n"
    "      verifies a table (--check out/reads.table out/reads.index: the text one)\n"
    "\n"
    "The compact table (--format compact, the default) keeps every pair whose reads both\n"
    "have --min-read-length bases or more, whole, N included, each pair once with its two\n"
    "reads indexed, and qualities reduced to the one bit the votes use (--min-quality). The\n"
    "text table (--format text): every read is cut to the read length; pairs with a\n"
    "shorter read or with a base other than A, C, G, T (N or .) in the kept part are\n"
    "dropped. Each kept pair is written twice, as (read 1, read 2) and as (read 2, read 1),\n"
    "so that pairs from both strands anchor windows. The read length R is 12 to 1023.\n"
    "--format both writes the two from one pass. Phred+64 qualities are recognised and\n"
    "written as Phred+33. The memory bound is at least 32M.\n"
    "\n"
    "lorvex-extend and lorvex-close read either form; lorvex and lorvex-strict only the\n"
    "text one.\n"
    "\n"
    "Next: lorvex-extend -s seeds.fa -t out/reads.pairs, lorvex-close -s scaffolds.fa -t\n"
    "out/reads.pairs, or (with --format text) lorvex SEED.fa out/reads.table out/reads.index\n"
    "... for one seed (its MIN_DISTANCE at least R).\n";

// Shows "--check FILE..." rather than the generic "--check TEXT x [1,3]".
class PrepFormatter : public CLI::Formatter {
  public:
    std::string make_option_opts(const CLI::Option* option) const override {
        if (option->get_name() == "--check") return " FILE...";
        return CLI::Formatter::make_option_opts(option);
    }
};

// What the options hold before they are checked and turned into PrepOptions.
struct OptionTexts {
    std::string memory = "2G";
    std::string format = "compact";
    bool noNameCheck = false;
    bool phred33 = false;
    bool phred64 = false;
    std::vector<std::string> check;
    std::vector<std::string> bareFiles;  // names given without -1, -2 or --interleaved
    int threads = 1;                     // -j: accepted, not used
};

void AddOptions(CLI::App& app, PrepOptions& options, OptionTexts& texts) {
    app.formatter(std::make_shared<PrepFormatter>());
    app.get_formatter()->column_width(30);
    AddFileOption(app, "-1,--reads1", options.firstReads,
                  "FASTQ file of the first reads ('-': standard input)");
    AddFileOption(app, "-2,--reads2", options.secondReads,
                  "FASTQ file of the second reads ('-': standard input)");
    AddFileOption(app, "--interleaved", options.interleaved,
                  "One FASTQ file whose records alternate: read 1, read 2, read 1, ... "
                  "('-': standard input)");
    app.add_option("-o,--output", options.outputPrefix,
                   "Writes PREFIX.pairs, or PREFIX.table and PREFIX.index (--format text), or the "
                   "three (both); folders are created")
        ->type_name("PREFIX");
    app.add_option("--format", texts.format,
                   "compact: the pair table (PREFIX.pairs) with reads of every length, which "
                   "lorvex-extend and lorvex-close read; text: the table and index every program "
                   "reads (lorvex and lorvex-strict need it); both: the two from one pass")
        ->type_name("FORM")
        ->capture_default_str();
    app.add_option("--min-read-length", options.leastReadLength,
                   "The compact table keeps pairs whose reads both have at least N bases, 21 "
                   "to 65535 (default 21)")
        ->type_name("N");
    app.add_option("--min-quality", options.voteQuality,
                   "The compact table marks a base as a vote when its quality is Q or more, 0 to "
                   "93; lorvex-extend and lorvex-close count such bases (the text table keeps "
                   "every quality)")
        ->type_name("Q")
        ->default_str(std::to_string(defaultVoteQuality));
    app.add_option(
           "-l,--read-length", options.readLength,
           "Read length of the text table (--format text or both), 12 to 1023 (default: the one "
           "with the most pairs kept x (R - 20) among the first 10,000 pairs, fewer for reads "
           "over 104 bases)")
        ->type_name("R");
    app.add_flag("--one-orientation", options.oneOrientation,
                 "Write each pair only as (read 1, read 2), not also as (read 2, read 1); the "
                 "compact table then indexes read 1 only");
    app.add_flag("--no-name-check", texts.noNameCheck,
                 "Pair records by position alone, whatever their names");
    app.add_flag("--phred33", texts.phred33,
                 "Qualities are Phred+33 (default: told from the pairs at the start)");
    app.add_flag("--phred64", texts.phred64,
                 "Qualities are Phred+64 ('@' is 0); they are written as Phred+33");
    AddFileOption(app, "--stats", options.statsPath,
                  "Also write a TSV of read lengths, pairs kept and dropped, and the "
                  "read length's candidates (- for standard output, .gz compressed)");
    app.add_option("-m,--memory", texts.memory,
                   "Upper bound on the memory used, with K, M or G (at least 32M)")
        ->type_name("SIZE")
        ->capture_default_str();
    app.add_option("--tmp-dir", options.tmpDir,
                   "Folder for bucket files when the pairs exceed the memory bound "
                   "(default: the output's folder)")
        ->type_name("DIR");
    app.add_option("-j,--threads", texts.threads,
                   "Accepted as in the other programs, so one thread count serves them all; "
                   "lorvex-prep runs on one thread")
        ->capture_default_str()
        ->check(CLI::Range(1, 256).description(""))
        ->type_name("N");
    app.add_flag("-f,--force", options.force, "Replace existing output files");
    app.add_flag("-q,--quiet", options.quiet, "No progress and no summary on standard error");
    app.add_option("--check", texts.check,
                   "Verify tables, then exit: TABLE INDEX for a text table, PAIRS for a "
                   "compact one (told by its content), or both")
        ->expected(1, 3);
    app.add_option("bare-files", texts.bareFiles)->group("");
}

// "R1.fq R2.fq" without -1 and -2: say how they are given.
void RefuseBareFiles(const std::vector<std::string>& files) {
    if (files.empty()) return;
    std::string names;
    for (const std::string& file : files) names += (names.empty() ? "" : " ") + file;
    if (files.size() == 2)
        throw UsageError("FASTQ files are named by options: -1 " + files[0] + " -2 " + files[1]);
    throw UsageError("not expected: '" + names +
                     "'; FASTQ files are named by options: -1 R1 -2 R2, or --interleaved FILE");
}

// --check FILE... stands alone.
void TakeCheckFiles(const std::vector<std::string>& check, PrepOptions& options) {
    if (!options.firstReads.empty() || !options.secondReads.empty() ||
        !options.interleaved.empty() || !options.outputPrefix.empty() || !options.statsPath.empty())
        throw UsageError("--check takes no input or output files besides the tables to check");
    for (const std::string& file : check)
        if (file == "-")
            throw UsageError(
                "--check reads the table by positioned reads, which a pipe cannot serve: give "
                "the files of the tables, not '-'");
    options.checkFiles = check;
}

TableFormat ParseTableFormat(const std::string& text) {
    if (text == "text") return TableFormat::Text;
    if (text == "compact") return TableFormat::Compact;
    if (text == "both") return TableFormat::Both;
    throw UsageError("--format takes text, compact or both, not '" + text + "'");
}

// Whether two input paths name one file ("-": standard input), by device
// and inode, so that two spellings or a link are found too.
bool SameFile(const std::string& first, const std::string& second) {
    if (first == second) return true;
    struct stat firstInfo {
    }, secondInfo{};
    const auto look = [](const std::string& path, struct stat& info) {
        return path == "-" ? ::fstat(STDIN_FILENO, &info) == 0 : ::stat(path.c_str(), &info) == 0;
    };
    return look(first, firstInfo) && look(second, secondInfo) &&
           firstInfo.st_dev == secondInfo.st_dev && firstInfo.st_ino == secondInfo.st_ino;
}

// Pairing a file with itself would pair every read with itself.
void CheckTwoInputsDiffer(const PrepOptions& options) {
    if (options.firstReads == "-" && options.secondReads == "-")
        throw UsageError(
            "-1 and -2 cannot both read standard input ('-'): give at most one of them as '-', "
            "or --interleaved - for one stream of alternating records");
    if (SameFile(options.firstReads, options.secondReads))
        throw UsageError("-1 and -2 name the same file, " + InputName(options.firstReads) +
                         ": give the file of the first reads and the file of the second reads");
}

// A run needs one form of input, an output prefix, and numbers in range.
void CheckRunOptions(const PrepOptions& options) {
    const bool twoFiles = !options.firstReads.empty() || !options.secondReads.empty();
    if (twoFiles && !options.interleaved.empty())
        throw UsageError("give either -1 and -2, or --interleaved, not both");
    if (twoFiles && (options.firstReads.empty() || options.secondReads.empty()))
        throw UsageError("-1 and -2 go together: give both FASTQ files of the pairs");
    if (!twoFiles && options.interleaved.empty())
        throw UsageError("no input: give -1 and -2, or --interleaved");
    if (twoFiles) CheckTwoInputsDiffer(options);
    if (options.outputPrefix.empty()) throw UsageError("no output: give -o PREFIX");
    if (options.outputPrefix.ends_with(".gz"))
        throw UsageError(
            "-o names the table and index, which are read by positioned reads and so are never "
            "compressed: give a prefix without .gz");
    if (options.outputPrefix.back() == '/' || std::filesystem::is_directory(options.outputPrefix))
        throw UsageError("-o takes a name prefix such as out/reads, not a folder");
    if (options.readLength != 0 &&
        (options.readLength < leastReadLength || options.readLength > greatestReadLength))
        throw UsageError("--read-length must be from 12 to 1023");
    if (options.readLength != 0 && !WritesText(options.format))
        throw UsageError(
            "--read-length sets the text table's read length: add --format text (or both) to "
            "write a text table; the compact table keeps reads of every length "
            "(--min-read-length sets the shortest)");
    if (options.leastReadLength != 0 && !WritesCompact(options.format))
        throw UsageError(
            "--min-read-length is for the compact table: give --format compact or both");
    if (options.voteQuality != -1 &&
        (options.voteQuality < 0 || options.voteQuality > static_cast<int32_t>(highestVoteQuality)))
        throw UsageError("--min-quality must be from 0 to " + std::to_string(highestVoteQuality));
    if (options.leastReadLength != 0 && (options.leastReadLength < defaultLeastReadLength ||
                                         options.leastReadLength > pairTableLongestRead))
        throw UsageError("--min-read-length must be from 21 to 65535");
    const std::string prefix = options.outputPrefix;
    if (options.statsPath == prefix + ".table" || options.statsPath == prefix + ".index" ||
        options.statsPath == prefix + ".pairs")
        throw UsageError("--stats names an output of -o: give it a file of its own");
    if (options.memoryBytes < (uint64_t{32} << 20))
        throw UsageError("--memory must be at least 32M");
}

void TakeOptions(const OptionTexts& texts, PrepOptions& options) {
    RefuseBareFiles(texts.bareFiles);
    options.checkNames = !texts.noNameCheck;
    if (texts.phred33 && texts.phred64) throw UsageError("give --phred33 or --phred64, not both");
    if (texts.phred33) options.qualityEncoding = QualityEncoding::Phred33;
    if (texts.phred64) options.qualityEncoding = QualityEncoding::Phred64;
    if (!texts.check.empty()) {
        TakeCheckFiles(texts.check, options);
        return;
    }
    options.memoryBytes = ParseByteSize(texts.memory);
    options.format = ParseTableFormat(texts.format);
    CheckRunOptions(options);
}

}  // namespace

uint64_t ParseByteSize(const std::string& text) {
    size_t position = 0;
    uint64_t value = 0;
    while (position < text.size() && std::isdigit(static_cast<unsigned char>(text[position]))) {
        const uint64_t digit = static_cast<uint64_t>(text[position] - '0');
        if (value > (UINT64_MAX - digit) / 10) throw UsageError("size too large: " + text);
        value = value * 10 + digit;
        ++position;
    }
    if (position == 0) throw UsageError("not a size: '" + text + "' (e.g. 2G, 512M)");
    std::string unit = text.substr(position);
    for (char& c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    int shift = 0;
    if (!unit.empty()) {
        const std::string letters = "KMGT";
        const size_t letter = letters.find(unit[0]);
        const std::string rest = unit.substr(1);
        if (letter == std::string::npos || !(rest.empty() || rest == "B" || rest == "IB"))
            throw UsageError("not a size: '" + text + "' (e.g. 2G, 512M)");
        shift = 10 * static_cast<int>(letter + 1);
    }
    if (shift > 0 && value > (UINT64_MAX >> shift)) throw UsageError("size too large: " + text);
    return value << shift;
}

std::optional<std::string> OutputPrefixWarning(const std::string& prefix, TableFormat format) {
    for (const std::string ending : {".table", ".index", ".pairs"})
        if (prefix.size() > ending.size() &&
            prefix.compare(prefix.size() - ending.size(), ending.size(), ending) == 0) {
            const std::string stem = prefix.substr(0, prefix.size() - ending.size());
            std::string writes;
            if (WritesText(format)) writes = prefix + ".table and " + prefix + ".index";
            if (format == TableFormat::Both) writes += " and ";
            if (WritesCompact(format)) writes += prefix + ".pairs";
            const std::string example = WritesText(format) ? ".table" : ".pairs";
            return "-o " + prefix + " is a name prefix: this writes " + writes + " (-o " + stem +
                   " writes " + stem + example + ")";
        }
    return std::nullopt;
}

CommandLine ParseCommandLine(int argc, char** argv) {
    return ParseProgramOptions(argc, argv, "lorvex-prep", description, AddOptions, TakeOptions);
}

}  // namespace lorvex::prep
