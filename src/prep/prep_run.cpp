#include "prep/prep_run.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/number_text.h"
#include "input/input_stream.h"
#include "prep/entry_sort.h"
#include "prep/paired_input.h"
#include "prep/prep_report.h"
#include "tool/messages.h"
#include "tool/output_file.h"
#include "tool/output_policy.h"
#include "tool/peak_memory.h"
#include "tool/stop_signals.h"

namespace lorvex::prep {
namespace {

namespace fs = std::filesystem;

std::string FolderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// No output is an input or (without --force) an existing file, and the
// output folder exists (it is created when missing).
void PrepareOutputs(const PrepOptions& options, const OutputPaths& paths) {
    OutputPlan plan;
    plan.inputs = {options.firstReads, options.secondReads, options.interleaved};
    if (WritesText(options.format)) plan.outputs = {paths.table, paths.index};
    if (WritesCompact(options.format)) plan.outputs.push_back(paths.pairs);
    plan.outputs.push_back(options.statsPath);
    plan.replace = options.force;
    PrepareOutputFiles(plan);
}

std::string CheckedWorkParent(const PrepOptions& options, const OutputPaths& paths) {
    const std::string folder = options.tmpDir.empty() ? FolderOf(paths.table) : options.tmpDir;
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw OutputFileError(folder, "temporary folder does not exist");
    return folder;
}

struct SampledPair {
    std::string firstSequence, firstQuality, secondSequence, secondQuality;
};

struct Sample {
    std::vector<SampledPair> pairs;
    PairLengths lengths;
    QualityRange qualities;  // lowestAt: 2 x (pair - 1) + (mate - 1)
};

// Reads pairs from the start of the input until the encoding and the read
// length can be settled; they are handed to the grouping afterwards.
Sample SampleStart(PairedInput& input) {
    Sample sample;
    uint64_t bytes = 0;
    FastqRecord first, second;
    while (sample.pairs.size() < samplePairLimit && bytes < sampleBytesLimit &&
           input.Next(first, second)) {
        ThrowIfStopRequested();
        const uint64_t at = 2 * sample.pairs.size();
        sample.lengths.Add(first.sequence, second.sequence);
        sample.qualities.Add(first.quality, at);
        sample.qualities.Add(second.quality, at + 1);
        bytes += 2 * (first.sequence.size() + second.sequence.size());
        sample.pairs.push_back(SampledPair{std::string(first.sequence), std::string(first.quality),
                                           std::string(second.sequence),
                                           std::string(second.quality)});
    }
    return sample;
}

// Qualities from ';' to '?' up to above 'J'; the user knows which they are.
InputError UndecidedEncoding(const RecordPlace& lowest, const QualityRange& range,
                             const std::string& reads) {
    const auto from = [&range](char zero) {
        return std::to_string(range.lowest - zero) + " to " + std::to_string(range.highest - zero);
    };
    return FileError(lowest.path, RecordLabel(lowest.record) + ": the quality characters of " +
                                      reads + " run from " + DescribeByte(range.lowest) +
                                      " (here) to " + DescribeByte(range.highest) +
                                      ": Phred+33 qualities of " + from('!') +
                                      ", or Solexa +64 ones of " + from('@') +
                                      " (not read); give --phred33 if they are Phred+33, else "
                                      "convert them to Phred+33 first");
}

// The encoding of the qualities: given, or told from the sample, whose
// qualities are then converted. Every later record is read in it.
QualityReport SettleEncoding(const PrepOptions& options, PairedInput& input, Sample& sample) {
    QualityReport report;
    report.sampled = sample.qualities;
    report.sampledReads = 2 * sample.pairs.size();
    const QualityRange& range = sample.qualities;
    const std::optional<QualityEncoding> guess = GuessEncoding(range);
    const std::string reads = "both reads of the first " + Counted(sample.pairs.size(), "pair");
    if (options.qualityEncoding) {
        report.given = true;
        report.encoding = *options.qualityEncoding;
        // Only a warning: Phred+33 reads of uniformly high quality (filtered
        // or simulated) look the same, and --phred33 is how their owner says so.
        if (report.encoding == QualityEncoding::Phred33 && guess == QualityEncoding::Phred64)
            Warn("lorvex-prep", "--phred33 is given, but the quality characters of " + reads +
                                    " run from " + DescribeByte(range.lowest) + " to " +
                                    DescribeByte(range.highest) +
                                    ", which only Phred+64 explains " +
                                    "(as Phred+33 every quality would be 31 too high); give " +
                                    "--phred64 or leave both out if the file is Phred+64");
        return report;  // --phred64 was applied before the sample was read
    }
    if (!guess)
        throw UndecidedEncoding(input.PlaceOf(range.lowestAt / 2 + 1, range.lowestAt % 2 + 1),
                                range, reads);
    report.encoding = *guess;
    if (report.encoding == QualityEncoding::Phred64) {
        for (SampledPair& pair : sample.pairs) {
            ConvertPhred64ToPhred33(pair.firstQuality.data(), pair.firstQuality.size());
            ConvertPhred64ToPhred33(pair.secondQuality.data(), pair.secondQuality.size());
        }
        input.ReadPhred64("as the qualities of " + reads +
                          " suggested; give --phred33 if the file is Phred+33");
    }
    return report;
}

// The read length: given, or chosen from the sample.
ReadLengthReport SettleReadLength(const PrepOptions& options, const Sample& sample,
                                  const std::string& firstInput) {
    ReadLengthReport report;
    report.sampledPairs = sample.pairs.size();
    report.candidates = LengthCandidates(sample.lengths);
    report.chosen = ChooseReadLength(report.candidates);
    report.given = options.readLength != 0;
    report.used = report.given ? options.readLength : report.chosen;
    if (report.used == 0)
        throw FileError(firstInput, "no pair of the first " + WithThousands(report.sampledPairs) +
                                        " has two reads that begin with more than 20 bases of A, "
                                        "C, G, T, and mates must overlap the contig by 20 bases "
                                        "or more to vote; give --read-length to build a table "
                                        "anyway");
    return report;
}

// Every pair read goes to the text table's grouping, the compact table, or
// both, and is counted.
class PairIntake {
  public:
    PairIntake(PairGrouper* grouper, int32_t readLength, PairTableWriter* pairTable,
               ProgressMeter& progress, PrepSummary& summary)
        : grouper_(grouper),
          readLength_(readLength),
          pairTable_(pairTable),
          progress_(progress),
          summary_(summary) {}

    void Add(std::string_view firstSequence, std::string_view firstQuality,
             std::string_view secondSequence, std::string_view secondQuality) {
        ThrowIfStopRequested();
        summary_.firstLengths.Add(firstSequence.size());
        summary_.secondLengths.Add(secondSequence.size());
        FilterCounts& counts = summary_.counts;
        if (grouper_) {
            const PairVerdict verdict = PackPair(firstSequence, firstQuality, secondSequence,
                                                 secondQuality, readLength_, grouper_->PairSlot());
            counts.Count(verdict);
            if (verdict == PairVerdict::Kept) grouper_->KeepPair();
        } else {
            ++counts.pairsRead;
        }
        if (pairTable_) pairTable_->Add(firstSequence, firstQuality, secondSequence, secondQuality);
        progress_.Reading(counts.pairsRead,
                          grouper_ ? counts.pairsKept : pairTable_->totals().pairsKept);
    }

  private:
    PairGrouper* grouper_;
    int32_t readLength_;
    PairTableWriter* pairTable_;
    ProgressMeter& progress_;
    PrepSummary& summary_;
};

// The memory for held pairs splits between the two tables in proportion to
// what each holds per pair.
uint64_t TextShareOfBudget(uint64_t budget, TableFormat format, int32_t readLength,
                           bool bothOrientations) {
    if (!WritesCompact(format)) return budget;
    if (!WritesText(format)) return 0;
    const uint64_t lines = bothOrientations ? 2 : 1;
    const uint64_t text = PackedPairBytes(readLength) + lines * sortKeyBytesPerLine;
    const uint64_t compact = lines * indexEntryHeldBytes;
    return budget / (text + compact) * text;
}

}  // namespace

PrepSummary RunPrep(const PrepOptions& options, ProgressMeter& progress) {
    PrepSummary summary;
    summary.paths = OutputPathsFor(options.outputPrefix);
    summary.bothOrientations = !options.oneOrientation;
    summary.memoryBound = options.memoryBytes;
    // The inputs are opened first, so that a missing one leaves no folder behind.
    std::optional<PairedInput> input;
    if (options.interleaved.empty())
        input.emplace(options.firstReads, options.secondReads, options.checkNames);
    else
        input.emplace(options.interleaved, options.checkNames);
    summary.format = options.format;
    PrepareOutputs(options, summary.paths);
    const std::string workParent = CheckedWorkParent(options, summary.paths);

    const std::string firstInput =
        InputName(options.interleaved.empty() ? options.firstReads : options.interleaved);
    if (options.qualityEncoding == QualityEncoding::Phred64)
        input->ReadPhred64("as --phred64 says");

    Sample sample = SampleStart(*input);
    if (sample.pairs.empty()) throw FileError(firstInput, "holds no reads");
    summary.quality = SettleEncoding(options, *input, sample);
    const bool text = WritesText(options.format);
    if (text) summary.length = SettleReadLength(options, sample, firstInput);
    const int32_t readLength = summary.length.used;

    const uint64_t budget = options.memoryBytes - reservedMemoryBytes;
    const uint64_t textBudget =
        TextShareOfBudget(budget, options.format, readLength, summary.bothOrientations);
    WorkFolder workFolder(workParent);
    // Created before the long read so that an unwritable output fails early.
    std::optional<PairGrouper> grouper;
    std::optional<GroupedTableWriter> writer;
    if (text) {
        GroupingSettings settings;
        settings.readLength = readLength;
        settings.bothOrientations = summary.bothOrientations;
        settings.memoryBudget = textBudget;
        grouper.emplace(settings, workFolder);
        writer.emplace(summary.paths, readLength, options.force);
    }
    std::optional<PairTableWriter> pairTable;
    if (WritesCompact(options.format)) {
        PairTableSettings settings;
        if (options.leastReadLength != 0) settings.leastReadLength = options.leastReadLength;
        if (options.voteQuality >= 0)
            settings.voteQuality = static_cast<uint32_t>(options.voteQuality);
        settings.bothReads = summary.bothOrientations;
        settings.memoryBudget = budget - textBudget;
        summary.leastReadLength = settings.leastReadLength;
        summary.voteQuality = settings.voteQuality;
        pairTable.emplace(summary.paths.pairs, settings, workFolder, options.force);
    }
    std::optional<NamedOutput> stats;
    if (!options.statsPath.empty()) {
        stats.emplace(options.statsPath);
        summary.statsName = stats->name();
    }

    PairIntake intake(grouper ? &*grouper : nullptr, readLength, pairTable ? &*pairTable : nullptr,
                      progress, summary);
    for (const SampledPair& pair : sample.pairs)
        intake.Add(pair.firstSequence, pair.firstQuality, pair.secondSequence, pair.secondQuality);
    sample.pairs = {};
    FastqRecord first, second;
    while (input->Next(first, second))
        intake.Add(first.sequence, first.quality, second.sequence, second.quality);
    if (text && summary.counts.pairsKept == 0)
        throw FileError(firstInput, "no pair kept: " + WithThousands(summary.counts.pairsRead) +
                                        " read, " + DropText(summary.counts, readLength));
    if (pairTable && pairTable->totals().pairsKept == 0)
        throw FileError(
            firstInput,
            "no pair kept for the compact table: " + WithThousands(summary.counts.pairsRead) +
                " read, " + CompactDropText(pairTable->totals(), summary.leastReadLength));

    if (text) {
        grouper->WriteAll(*writer, progress);
        summary.grouping = grouper->totals();
    }
    if (pairTable) {
        pairTable->WriteIndex();
        summary.compact = pairTable->totals();
    }
    if (stats) stats->Write(FormatStats(summary));
    // The tables first: a table refused at its name leaves no stats behind.
    FinishThenCommit(writer ? &*writer : nullptr, pairTable ? &*pairTable : nullptr,
                     stats ? &*stats : nullptr);
    if (writer) summary.table = writer->totals();
    summary.seconds = progress.SecondsSinceStart();
    summary.peakMemoryBytes = PeakMemoryBytes();
    return summary;
}

}  // namespace lorvex::prep
