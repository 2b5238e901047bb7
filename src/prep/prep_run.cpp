#include "prep/prep_run.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/number_text.h"
#include "input/input_file.h"
#include "prep/paired_input.h"
#include "tool/peak_memory.h"
#include "tool/stop_signals.h"

namespace lorvex::prep {
namespace {

namespace fs = std::filesystem;

std::string FolderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// The output folder exists (it is created when missing) and the outputs do
// not, unless they may be replaced.
void PrepareOutputs(const OutputPaths& paths, bool force) {
    const std::string folder = FolderOf(paths.table);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw OutputFileError(folder, "cannot create the folder: " + error.message());
    if (force) return;
    for (const std::string& path : {paths.table, paths.index})
        if (fs::exists(fs::symlink_status(path)))
            throw OutputFileError(path, "exists already (--force replaces it)");
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

// Reads pairs from the start of the input until the read length can be
// chosen; they are handed to the grouping afterwards.
std::vector<SampledPair> SampleStart(PairedInput& input, LengthHistogram& lengths) {
    std::vector<SampledPair> sample;
    uint64_t bytes = 0;
    FastqRecord first, second;
    while (sample.size() < samplePairLimit && bytes < sampleBytesLimit &&
           input.Next(first, second)) {
        ThrowIfStopRequested();
        lengths.Add(first.sequence.size());
        lengths.Add(second.sequence.size());
        bytes += 2 * (first.sequence.size() + second.sequence.size());
        sample.push_back(SampledPair{std::string(first.sequence), std::string(first.quality),
                                     std::string(second.sequence), std::string(second.quality)});
    }
    return sample;
}

class PairIntake {
  public:
    PairIntake(PairGrouper& grouper, int32_t readLength, ProgressMeter& progress)
        : grouper_(grouper), readLength_(readLength), progress_(progress) {}

    void Add(std::string_view firstSequence, std::string_view firstQuality,
             std::string_view secondSequence, std::string_view secondQuality) {
        ThrowIfStopRequested();
        const PairVerdict verdict = PackPair(firstSequence, firstQuality, secondSequence,
                                             secondQuality, readLength_, grouper_.PairSlot());
        counts_.Count(verdict);
        if (verdict == PairVerdict::Kept) grouper_.KeepPair();
        progress_.Reading(counts_.pairsRead, counts_.pairsKept);
    }

    const FilterCounts& counts() const { return counts_; }

  private:
    PairGrouper& grouper_;
    int32_t readLength_;
    ProgressMeter& progress_;
    FilterCounts counts_;
};

std::string DropText(const FilterCounts& counts, int32_t readLength) {
    return WithThousands(counts.droppedTooShort) + " with a read shorter than " +
           std::to_string(readLength) + " bases, " + WithThousands(counts.droppedNotAcgt) +
           " with a base other than A, C, G, T in the first " + std::to_string(readLength);
}

}  // namespace

PrepSummary RunPrep(const PrepOptions& options, ProgressMeter& progress) {
    PrepSummary summary;
    summary.paths = OutputPathsFor(options.outputPrefix);
    summary.bothOrientations = !options.oneOrientation;
    summary.memoryBound = options.memoryBytes;
    PrepareOutputs(summary.paths, options.force);
    const std::string workParent = CheckedWorkParent(options, summary.paths);

    std::optional<PairedInput> input;
    if (options.interleaved.empty())
        input.emplace(options.firstReads, options.secondReads, options.checkNames);
    else
        input.emplace(options.interleaved, options.checkNames);
    const std::string& firstInput =
        options.interleaved.empty() ? options.firstReads : options.interleaved;

    std::vector<SampledPair> sample;
    summary.readLength = options.readLength;
    if (summary.readLength == 0) {
        LengthHistogram lengths;
        sample = SampleStart(*input, lengths);
        if (sample.empty()) throw FileError(firstInput, "holds no reads");
        summary.sampledReads = lengths.reads;
        summary.readLength = MostCommonLength(lengths);
        if (summary.readLength < leastReadLength || summary.readLength > greatestReadLength)
            throw FileError(firstInput,
                            "the most common read length, " + std::to_string(summary.readLength) +
                                ", is outside 12 to 1023; choose one with --read-length");
    }

    GroupingSettings settings;
    settings.readLength = summary.readLength;
    settings.bothOrientations = summary.bothOrientations;
    settings.memoryBudget = options.memoryBytes - reservedMemoryBytes;
    WorkFolder workFolder(workParent);
    PairGrouper grouper(settings, workFolder);
    // Created before the long read so that an unwritable output fails early.
    GroupedTableWriter writer(summary.paths, summary.readLength);

    PairIntake intake(grouper, summary.readLength, progress);
    for (const SampledPair& pair : sample)
        intake.Add(pair.firstSequence, pair.firstQuality, pair.secondSequence, pair.secondQuality);
    sample = {};
    FastqRecord first, second;
    while (input->Next(first, second))
        intake.Add(first.sequence, first.quality, second.sequence, second.quality);
    summary.counts = intake.counts();
    if (summary.counts.pairsKept == 0)
        throw FileError(firstInput, "no pair kept: " + WithThousands(summary.counts.pairsRead) +
                                        " read, " + DropText(summary.counts, summary.readLength));

    grouper.WriteAll(writer, progress);
    writer.Commit(options.force);
    summary.table = writer.totals();
    summary.grouping = grouper.totals();
    summary.seconds = progress.SecondsSinceStart();
    summary.peakMemoryBytes = PeakMemoryBytes();
    return summary;
}

std::string FormatSummary(const PrepSummary& s) {
    std::string text;
    const auto line = [&text](const std::string& content) {
        text += "lorvex-prep: " + content + "\n";
    };
    if (s.sampledReads > 0)
        line("read length " + std::to_string(s.readLength) + ", the most common among the first " +
             WithThousands(s.sampledReads) + " reads");
    line(WithThousands(s.counts.pairsRead) + " pairs read, " + WithThousands(s.counts.pairsKept) +
         " kept; dropped " + DropText(s.counts, s.readLength));
    line("wrote " + s.paths.table + " (" + WithThousands(s.table.lines) + " lines of " +
         std::to_string(TableLineBytes(s.readLength)) + " bytes, " +
         HumanBytes(s.table.tableBytes) +
         (s.bothOrientations ? ", each pair in both orientations" : ", one orientation") +
         ") and " + s.paths.index + " (" + WithThousands(s.table.groups) + " groups)");
    const uint64_t rate = s.seconds > 0 ? static_cast<uint64_t>(s.counts.pairsRead / s.seconds) : 0;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", s.seconds);
    std::string timing = std::string(seconds) + ", " + WithThousands(rate) +
                         " pairs/s, peak memory " + HumanBytes(s.peakMemoryBytes) + " (bound " +
                         HumanBytes(s.memoryBound) + ")";
    if (s.grouping.spills > 0)
        timing += "; input beyond the bound went through " + HumanBytes(s.grouping.bucketBytes) +
                  " of temporary bucket files";
    line(timing);
    return text;
}

}  // namespace lorvex::prep
