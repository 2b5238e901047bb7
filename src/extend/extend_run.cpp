#include "extend/extend_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/number_text.h"
#include "extend/distance_estimate.h"
#include "extend/extend_output.h"
#include "extend/seed_batch.h"
#include "extend/vote_plot.h"
#include "tool/ordered_batch.h"
#include "tool/output_file.h"
#include "tool/peak_memory.h"
#include "tool/progress_line.h"

namespace lorvex::extend {
namespace {

std::unique_ptr<NamedOutput> OpenIfNamed(const std::string& path) {
    return path.empty() ? nullptr : std::make_unique<NamedOutput>(path);
}

// The plot's panels, kept in an unnamed scratch file until the end of the
// run: their heights, which the document's header names, are known only
// once every side is extended.
class PlotPanels {
  public:
    PlotPanels() : scratch_(std::tmpfile()) {
        if (!scratch_) Fail();
    }

    void Add(const SeedRecord& seed, const SideExtension& side, const PlotSettings& settings) {
        const std::string panel = PlotPanel(height_, seed, side, settings);
        if (std::fwrite(panel.data(), 1, panel.size(), scratch_.get()) != panel.size()) Fail();
        height_ += PanelHeight(side);
    }

    // Writes the whole document.
    void WriteTo(NamedOutput& plot, const PlotSettings& settings) {
        plot.Write(PlotHeader(height_, settings));
        if (std::fflush(scratch_.get()) != 0) Fail();
        std::rewind(scratch_.get());
        std::vector<char> block(size_t{1} << 16);
        size_t read;
        while ((read = std::fread(block.data(), 1, block.size(), scratch_.get())) > 0)
            plot.Write(std::string_view(block.data(), read));
        if (std::ferror(scratch_.get())) Fail();
        plot.Write(PlotFooter());
    }

  private:
    [[noreturn]] static void Fail() {
        const int error = errno;
        throw OutputError(std::string("the plot's scratch file: ") + std::strerror(error));
    }

    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> scratch_;
    double height_ = 0;
};

// The outputs of a run, written seed by seed in input order and named only
// once every one of them is complete.
class RunOutputs {
  public:
    RunOutputs(const ExtendOptions& options, std::optional<double> singleCopyDepth,
               const std::string& fragmentsTsv)
        : options_(options),
          singleCopyDepth_(singleCopyDepth),
          fasta_(options.outputPath),
          bases_(OpenIfNamed(options.basesPath)),
          summary_(OpenIfNamed(options.summaryPath)),
          plot_(OpenIfNamed(options.plotPath)),
          fragments_(OpenIfNamed(options.fragmentsPath)),
          plotSettings_{options.parameters.minVotes, options.parameters.dominanceRatio,
                        singleCopyDepth.value_or(0)} {
        if (fragments_) fragments_->Write(fragmentsTsv);
        if (bases_) bases_->Write(BaseRowsHeader());
        if (summary_) summary_->Write(SummaryRowsHeader());
        if (plot_) plotPanels_.emplace();
    }

    void Deliver(const SeedRecord& seed, const SeedExtension& extension) {
        const bool both = options_.bothSides;
        fasta_.Write(FastaRecord(FastaHeader(seed, extension, both),
                                 ExtendedContig(seed, extension), options_.lineWidth));
        if (bases_) bases_->Write(BaseRows(seed, extension, both, singleCopyDepth_));
        if (summary_) summary_->Write(SummaryRows(seed, extension, both, singleCopyDepth_));
        if (plotPanels_) {
            if (both) plotPanels_->Add(seed, extension.left, plotSettings_);
            plotPanels_->Add(seed, extension.right, plotSettings_);
        }
    }

    void Close() {
        if (plot_) plotPanels_->WriteTo(*plot_, plotSettings_);
        for (NamedOutput* output : All()) output->Finish();
        for (NamedOutput* output : All()) output->Commit();
    }

  private:
    std::vector<NamedOutput*> All() {
        std::vector<NamedOutput*> outputs = {&fasta_};
        for (const auto& output : {bases_.get(), summary_.get(), plot_.get(), fragments_.get()})
            if (output) outputs.push_back(output);
        return outputs;
    }

    const ExtendOptions& options_;
    const std::optional<double> singleCopyDepth_;
    NamedOutput fasta_;
    std::unique_ptr<NamedOutput> bases_;
    std::unique_ptr<NamedOutput> summary_;
    std::unique_ptr<NamedOutput> plot_;
    std::unique_ptr<NamedOutput> fragments_;
    PlotSettings plotSettings_;
    std::optional<PlotPanels> plotPanels_;
};

std::string ProgressText(const RunTotals& totals, size_t seeds, double seconds) {
    const uint64_t rate = seconds > 0 ? static_cast<uint64_t>(totals.seeds / seconds) : 0;
    return WithThousands(totals.seeds) + " of " + Counted(seeds, "seed") + ", " +
           Counted(totals.basesAdded, "base") + " added, " + WithThousands(rate) + " seeds/s";
}

}  // namespace

RunTotals RunExtend(const ExtendOptions& requested, bool showProgress) {
    ProgressLine progress("lorvex-extend", showProgress);
    const std::vector<SeedRecord> seeds = LoadSeedBatch(requested.seedsPath);
    const RunInputs inputs =
        LoadRunInputs(requested.tablePath, requested.indexPath, "--table TABLE --index INDEX");
    std::vector<std::string_view> sequences;
    sequences.reserve(seeds.size());
    for (const SeedRecord& seed : seeds) sequences.push_back(seed.bases);
    const SettledDistances settled = SettleDistances(requested, sequences, inputs, progress);
    const ExtendOptions& options = settled.options;

    ExtensionSettings settings;
    settings.rules.parameters = options.parameters;
    settings.rules.variant = options.variant;
    settings.rules.cap = options.cap;
    settings.bothSides = options.bothSides;
    settings.keepVotes = !options.basesPath.empty() || !options.plotPath.empty();
    if (const std::optional<std::string> warning =
            CheckRunParameters(options.variant, options.parameters, inputs.table.layout.readLength))
        std::fprintf(stderr, "lorvex-extend: warning: %s\n", warning->c_str());
    const GuardRequest guardRequest{options.repeatGuard, options.singleCopyDepth, options.bothSides,
                                    options.threads, "seed"};
    const GuardSetting guard =
        SetUpRepeatGuard(guardRequest, sequences, inputs, settings.rules, progress);
    settings.singleCopyDepth = guard.singleCopyDepth;
    const std::string fragmentsTsv =
        options.fragmentsPath.empty()
            ? ""
            : FragmentsTsv(settled.estimate,
                           {options.parameters.minDistance, options.parameters.maxDistance},
                           seeds.size(), inputs.table.layout.readLength, options.variant,
                           guard.singleCopyDepth);
    if (options.estimateOnly) {
        WriteEstimate(settled, GuardSummary(guard) + "\n", fragmentsTsv);
        return {};
    }

    // Outputs are created only once every input has passed its checks.
    RunOutputs outputs(options, guard.singleCopyDepth, fragmentsTsv);
    RunTotals totals;
    totals.guard = guard;
    const auto extendOne = [&](size_t item) { return ExtendSeed(seeds[item], inputs, settings); };
    const auto deliver = [&](size_t item, SeedExtension& extension) {
        outputs.Deliver(seeds[item], extension);
        if (options.bothSides) ++totals.stops[extension.left.stop];
        ++totals.stops[extension.right.stop];
        totals.basesAdded += extension.left.bases.size() + extension.right.bases.size();
        ++totals.seeds;
        if (progress.Due() || totals.seeds == seeds.size())
            progress.Show(ProgressText(totals, seeds.size(), progress.SecondsSinceStart()));
    };
    // A few results per thread in flight keep every thread busy while one
    // slow seed holds up the output.
    RunInOrder<SeedExtension>(seeds.size(), options.threads, 4 * size_t{options.threads}, extendOne,
                              deliver);
    progress.Clear();
    outputs.Close();
    totals.seconds = progress.SecondsSinceStart();
    return totals;
}

std::string FormatTotals(const RunTotals& totals) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", totals.seconds);
    std::string text = "lorvex-extend: " + Counted(totals.seeds, "seed") + ": " +
                       Counted(totals.basesAdded, "base") + " added in " + seconds + " s";
    std::string stops;
    for (const auto& [stop, count] : totals.stops)
        stops += std::string(stops.empty() ? "" : ", ") + StopReasonLabel(stop) + " " +
                 WithThousands(count);
    if (!stops.empty()) text += "; stops: " + stops;
    text += "; " + GuardSummary(totals.guard);
    return text + PeakMemorySuffix() + "\n";
}

}  // namespace lorvex::extend
