#include "extend/extend_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "base/number_text.h"
#include "extend/estimate_output.h"
#include "extend/extend_output.h"
#include "extend/seed_anchoring.h"
#include "extend/vote_plot.h"
#include "run/batch_run.h"
#include "run/fasta_output.h"
#include "run/run_summary.h"
#include "run/variant_rows.h"
#include "tool/messages.h"
#include "tool/output_file.h"
#include "tool/progress_line.h"
#include "tool/stop_signals.h"

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

    void Add(const SequenceRecord& seed, const SideExtension& side, const PlotSettings& settings) {
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
    RunOutputs(const ExtendOptions& options, const RunSettings& settings,
               std::optional<double> singleCopyDepth, const std::string& fragmentsTsv)
        : options_(options),
          lineWidth_(settings.lineWidth),
          singleCopyDepth_(singleCopyDepth),
          fasta_(settings.outputPath),
          bases_(OpenIfNamed(options.basesPath)),
          summary_(OpenIfNamed(options.summaryPath)),
          plot_(OpenIfNamed(options.plotPath)),
          fragments_(OpenIfNamed(options.fragmentsPath)),
          variants_(OpenIfNamed(options.variantsPath)),
          plotSettings_{settings.parameters.minVotes, settings.parameters.dominanceRatio,
                        singleCopyDepth.value_or(0)} {
        if (fragments_) fragments_->Write(fragmentsTsv);
        if (bases_) bases_->Write(BaseRowsHeader());
        if (summary_) summary_->Write(SummaryRowsHeader());
        if (variants_) variants_->Write(VariantRowsHeader("seed"));
        if (plot_) plotPanels_.emplace();
    }

    void Deliver(const SequenceRecord& seed, const SeedExtension& extension) {
        const bool both = options_.bothSides;
        fasta_.Write(FastaRecord(FastaHeader(seed, extension, both),
                                 WrittenSequence(seed, extension), lineWidth_));
        if (bases_) bases_->Write(BaseRows(seed, extension, both, singleCopyDepth_));
        if (summary_)
            summary_->Write(
                SummaryRows(seed, extension, both, singleCopyDepth_, variants_ != nullptr));
        if (variants_) variants_->Write(VariantRows(seed, extension, both));
        if (plotPanels_) {
            if (both) plotPanels_->Add(seed, extension.left, plotSettings_);
            plotPanels_->Add(seed, extension.right, plotSettings_);
        }
    }

    void Close() {
        if (plot_) plotPanels_->WriteTo(*plot_, plotSettings_);
        FinishThenCommit(&fasta_, bases_.get(), summary_.get(), plot_.get(), fragments_.get(),
                         variants_.get());
    }

  private:
    const ExtendOptions& options_;
    const int32_t lineWidth_;
    const std::optional<double> singleCopyDepth_;
    NamedOutput fasta_;
    std::unique_ptr<NamedOutput> bases_;
    std::unique_ptr<NamedOutput> summary_;
    std::unique_ptr<NamedOutput> plot_;
    std::unique_ptr<NamedOutput> fragments_;
    std::unique_ptr<NamedOutput> variants_;
    PlotSettings plotSettings_;
    std::optional<PlotPanels> plotPanels_;
};

struct RunTotals {
    size_t seeds = 0;
    uint64_t basesAdded = 0;
    std::optional<uint64_t> variantSites;  // when they were looked for
    std::map<StopReason, size_t> stops;    // sides per stop
    double seconds = 0;
    GuardSetting guard;
};

std::string FormatTotals(const RunTotals& totals) {
    std::string text = "lorvex-extend: " + Counted(totals.seeds, "seed") + ": " +
                       Counted(totals.basesAdded, "base") + " added" + SecondsTaken(totals.seconds);
    const std::string stops = LabelledCounts(totals.stops, SeedStopLabel);
    if (!stops.empty()) text += "; stops: " + stops;
    if (totals.variantSites) text += "; " + Counted(*totals.variantSites, "variant site");
    return text + SummaryEnd(&totals.guard);
}

// The seeds shorter than the estimated --max-distance get it capped to
// their length (0: the run's own), and the user is told.
std::vector<int32_t> CapMaxDistances(const std::vector<SequenceRecord>& seeds,
                                     const RunSettings& run, int32_t readLength,
                                     const std::string& program) {
    std::vector<int32_t> capped(seeds.size(), 0);
    if (!run.estimateDistances) return capped;
    size_t count = 0;
    size_t shortest = 0;
    for (size_t i = 0; i < seeds.size(); ++i) {
        capped[i] =
            CappedMaxDistance(seeds[i].bases.size(), run.variant, run.parameters, readLength);
        if (capped[i] == 0) continue;
        if (count++ == 0 || capped[i] < capped[shortest]) shortest = i;
    }
    if (count > 0)
        Warn(program, Counted(count, "seed") + " shorter than the estimated --max-distance " +
                          std::to_string(run.parameters.maxDistance) +
                          (count == 1 ? " is" : " are") +
                          " extended with --max-distance capped to the seed's length (the "
                          "shortest: " +
                          seeds[shortest].name + ", " + Counted(capped[shortest], "base") + ")");
    return capped;
}

// Sides that added nothing for want of votes while Ns fill the stretch
// where their mates anchor: the first few named, then a count, once the
// progress line is gone.
class UnanchoredSides {
  public:
    explicit UnanchoredSides(std::string program) : program_(std::move(program)) {}

    void Check(const SequenceRecord& seed, const SideExtension& side, int32_t maxDistance) {
        if (!side.bases.empty() ||
            (side.stop != StopReason::NoVotes && side.stop != StopReason::TooFewVotes))
            return;
        const size_t unanchored = UnanchoredBases(seed.bases, side.side, maxDistance);
        if (unanchored == 0) return;
        if (++count_ > named) return;
        const size_t stretch = std::min(seed.bases.size(), static_cast<size_t>(maxDistance));
        warnings_.push_back(
            "seed " + seed.name + ": its " + SideName(side.side) + " side added nothing (" +
            SeedStopLabel(side.stop) + "): " + WithThousands(unanchored) + " of its " +
            (side.side == Side::Right ? "last " : "first ") + WithThousands(stretch) +
            " bases, where the mates anchor, are not A, C, G or T");
    }

    void Finish() const {
        for (const std::string& warning : warnings_) Warn(program_, warning);
        if (count_ > named)
            Warn(program_, WithThousands(count_ - named) +
                               " more sides added nothing where Ns fill the stretch their "
                               "mates anchor on");
    }

  private:
    static constexpr size_t named = 5;
    std::string program_;
    std::vector<std::string> warnings_;
    size_t count_ = 0;
};

}  // namespace

std::string RunExtend(const ExtendOptions& options, ProgressLine& progress) {
    const BatchInputs batch = LoadBatch(progress.program(), options.seedsPath, options.run);
    const std::vector<SequenceRecord>& seeds = batch.records;
    const RunInputs& inputs = batch.inputs;
    PrepareRunOutputs(options.run, options.seedsPath,
                      {options.run.outputPath, options.basesPath, options.summaryPath,
                       options.plotPath, options.fragmentsPath, options.variantsPath});
    KnownSequences known{{}, "seed", options.bothSides};
    known.sequences.reserve(seeds.size());
    for (const SequenceRecord& seed : seeds) known.sequences.push_back(seed.bases);
    const SettledRun settled =
        SettleRun(options.run, known, inputs, progress, !options.estimateOnly);
    const RunSettings& run = settled.settings;
    ExtensionSettings settings = settled.extension;
    settings.keepVotes = !options.basesPath.empty() || !options.plotPath.empty();
    // The variant sites' pileup costs about what the extension's own lookups
    // cost: it is made only for the rows that ask for it.
    if (options.variantsPath.empty()) settings.minVariantShare = 0;
    // --no-repeat-guard extends every side as lorvex does: without the
    // guard a side can loop between repeat copies, which looks like a circle.
    settings.closeCircles = options.run.repeatGuard;
    const std::optional<double> depth = settled.guard.singleCopyDepth;
    const std::string fragmentsTsv =
        options.fragmentsPath.empty()
            ? ""
            : FragmentsTsv(settled.estimate,
                           {run.parameters.minDistance, run.parameters.maxDistance}, seeds.size(),
                           inputs.ReadLength(), run.variant, depth,
                           run.parameters.anchorMismatches);
    DeferStopSignals();
    if (options.estimateOnly) {
        WriteEstimate(settled.estimateReport, GuardSummary(settled.guard) + "\n", run,
                      options.fragmentsPath, fragmentsTsv);
        return "";
    }

    const std::vector<int32_t> cappedMaxDistances =
        CapMaxDistances(seeds, run, inputs.ReadLength(), progress.program());
    const auto maxDistanceOf = [&](size_t item) {
        return cappedMaxDistances[item] != 0 ? cappedMaxDistances[item]
                                             : run.parameters.maxDistance;
    };
    UnanchoredSides unanchored(progress.program());

    // Outputs are created only once every input has passed its checks.
    RunOutputs outputs(options, run, depth, fragmentsTsv);
    RunTotals totals;
    totals.guard = settled.guard;
    if (!options.variantsPath.empty()) totals.variantSites = 0;
    RunBatch<SeedExtension>(
        seeds.size(), run.threads,
        [&](size_t item) {
            if (cappedMaxDistances[item] == 0) return ExtendSeed(seeds[item], inputs, settings);
            ExtensionSettings capped = settings;
            capped.rules.parameters.maxDistance = cappedMaxDistances[item];
            return ExtendSeed(seeds[item], inputs, capped);
        },
        [&](size_t item, SeedExtension& extension) {
            outputs.Deliver(seeds[item], extension);
            if (options.bothSides)
                unanchored.Check(seeds[item], extension.left, maxDistanceOf(item));
            unanchored.Check(seeds[item], extension.right, maxDistanceOf(item));
            if (options.bothSides) ++totals.stops[extension.left.stop];
            ++totals.stops[extension.right.stop];
            totals.basesAdded += extension.left.bases.size() + extension.right.bases.size();
            if (totals.variantSites)
                *totals.variantSites +=
                    extension.left.variants.size() + extension.right.variants.size();
            ++totals.seeds;
        },
        progress, "seed", [&] { return Counted(totals.basesAdded, "base") + " added"; });
    outputs.Close();
    unanchored.Finish();
    totals.seconds = progress.SecondsSinceStart();
    return FormatTotals(totals);
}

}  // namespace lorvex::extend
