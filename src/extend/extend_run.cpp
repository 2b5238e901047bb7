#include "extend/extend_run.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "extend/extend_output.h"
#include "extend/ordered_batch.h"
#include "extend/seed_batch.h"
#include "extend/vote_plot.h"

namespace lorvex::extend {

std::string WithThousands(uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One line on standard error, rewritten in place at most twice a second.
class ProgressLine {
  public:
    ProgressLine(bool enabled, size_t seeds) : enabled_(enabled), seeds_(seeds) {}
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Update(size_t seedsDone, uint64_t basesAdded) {
        if (!enabled_) return;
        const Clock::time_point now = Clock::now();
        if (shown_ && now - lastShown_ < std::chrono::milliseconds(500) && seedsDone < seeds_)
            return;
        lastShown_ = now;
        const double seconds = SecondsSince(start_);
        const uint64_t rate = seconds > 0 ? static_cast<uint64_t>(seedsDone / seconds) : 0;
        std::fprintf(stderr, "\r\033[Klorvex-extend: %s of %s seeds, %s bases added, %s seeds/s",
                     WithThousands(seedsDone).c_str(), WithThousands(seeds_).c_str(),
                     WithThousands(basesAdded).c_str(), WithThousands(rate).c_str());
        std::fflush(stderr);
        shown_ = true;
    }

    void Clear() {
        if (!shown_) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        shown_ = false;
    }

  private:
    bool enabled_;
    size_t seeds_;
    bool shown_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastShown_ = start_;
};

std::unique_ptr<OutputFile> OpenIfNamed(const std::string& path) {
    return path.empty() ? nullptr : std::make_unique<OutputFile>(path);
}

}  // namespace

RunTotals RunExtend(const ExtendOptions& options, bool showProgress) {
    const Clock::time_point start = Clock::now();
    const std::vector<SeedRecord> seeds = LoadSeedBatch(options.seedsPath);
    const RunInputs inputs = LoadRunInputs(options.tablePath, options.indexPath);

    ExtensionSettings settings;
    settings.parameters = options.parameters;
    settings.variant = options.variant;
    settings.bothSides = options.bothSides;
    settings.cap = options.cap;
    settings.keepVotes = !options.basesPath.empty() || !options.plotPath.empty();
    CheckBatchWindowLimits(settings, inputs.table.layout.readLength);

    // Outputs are created only once every input has passed its checks.
    OutputFile fasta(options.outputPath);
    const std::unique_ptr<OutputFile> bases = OpenIfNamed(options.basesPath);
    const std::unique_ptr<OutputFile> summary = OpenIfNamed(options.summaryPath);
    const std::unique_ptr<OutputFile> plot = OpenIfNamed(options.plotPath);
    const PlotSettings plotSettings{options.parameters.minVotes, options.parameters.dominanceRatio};
    const size_t sidesPerSeed = options.bothSides ? 2 : 1;
    if (bases) bases->Write(BaseRowsHeader());
    if (summary) summary->Write(SummaryRowsHeader());
    if (plot) plot->Write(PlotHeader(seeds.size() * sidesPerSeed, plotSettings));

    RunTotals totals;
    ProgressLine progress(showProgress, seeds.size());
    const auto extendOne = [&](size_t item) { return ExtendSeed(seeds[item], inputs, settings); };
    const auto deliver = [&](size_t item, SeedExtension& extension) {
        const SeedRecord& seed = seeds[item];
        fasta.Write(FastaRecord(FastaHeader(seed, extension, options.bothSides),
                                ExtendedContig(seed, extension), options.lineWidth));
        if (bases) bases->Write(BaseRows(seed, extension, options.bothSides));
        if (summary) summary->Write(SummaryRows(seed, extension, options.bothSides));
        if (plot) {
            size_t panel = item * sidesPerSeed;
            if (options.bothSides)
                plot->Write(PlotPanel(panel++, seed, extension.left, plotSettings));
            plot->Write(PlotPanel(panel, seed, extension.right, plotSettings));
        }
        if (options.bothSides) ++totals.stops[extension.left.stop];
        ++totals.stops[extension.right.stop];
        totals.basesAdded += extension.left.bases.size() + extension.right.bases.size();
        ++totals.seeds;
        progress.Update(totals.seeds, totals.basesAdded);
    };
    // A few results per thread in flight keep every thread busy while one
    // slow seed holds up the output.
    RunInOrder(seeds.size(), options.threads, 4 * size_t{options.threads}, extendOne, deliver);
    progress.Clear();

    if (plot) plot->Write(PlotFooter());
    fasta.Close();
    if (bases) bases->Close();
    if (summary) summary->Close();
    if (plot) plot->Close();
    totals.seconds = SecondsSince(start);
    return totals;
}

std::string FormatTotals(const RunTotals& totals) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", totals.seconds);
    std::string text = "lorvex-extend: " + WithThousands(totals.seeds) +
                       " seeds: " + WithThousands(totals.basesAdded) + " bases added in " +
                       seconds + " s";
    std::string stops;
    for (const auto& [stop, count] : totals.stops)
        stops += std::string(stops.empty() ? "" : ", ") + SideStopLabel(stop) + " " +
                 WithThousands(count);
    if (!stops.empty()) text += "; stops: " + stops;
    struct rusage usage {};
    if (getrusage(RUSAGE_SELF, &usage) == 0) {
        char memory[32];
        std::snprintf(memory, sizeof memory, "%.1f", static_cast<double>(usage.ru_maxrss) / 1024);
        text += std::string("; peak memory ") + memory + " MiB";
    }
    return text + "\n";
}

}  // namespace lorvex::extend
