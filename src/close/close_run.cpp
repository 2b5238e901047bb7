#include "close/close_run.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "base/number_text.h"
#include "close/gaps_tsv.h"
#include "run/batch_run.h"
#include "run/fasta_output.h"
#include "run/run_summary.h"
#include "run/variant_rows.h"
#include "tool/output_file.h"
#include "tool/progress_line.h"
#include "tool/stop_signals.h"

namespace lorvex::close {
namespace {

// A gap to close: its record, its place among the record's gaps.
struct GapTask {
    size_t record = 0;
    size_t index = 0;
};

struct ScaffoldGaps {
    std::vector<std::vector<Gap>> gaps;  // per record
    std::vector<GapTask> tasks;          // every gap, in input order
    // Every flank of the records with gaps, once: what the distances and the
    // single-copy depth are estimated on.
    std::vector<std::string_view> flanks;
};

ScaffoldGaps FindAllGaps(const std::vector<SequenceRecord>& records, int64_t minGap) {
    ScaffoldGaps found;
    for (size_t record = 0; record < records.size(); ++record) {
        const std::string_view bases = records[record].bases;
        found.gaps.push_back(FindGaps(bases, minGap));
        const std::vector<Gap>& gaps = found.gaps.back();
        for (size_t index = 0; index < gaps.size(); ++index) {
            found.tasks.push_back({record, index});
            const GapFlanks flanks = FlanksOf(bases, gaps, index);
            if (!flanks.left.empty()) found.flanks.push_back(flanks.left);
            if (index + 1 == gaps.size() && !flanks.right.empty())
                found.flanks.push_back(flanks.right);
        }
    }
    return found;
}

std::string RecordHeader(const SequenceRecord& record) {
    return ">" + record.name + (record.description.empty() ? "" : " " + record.description);
}

// The scaffolds and the gap rows, record by record in input order, named
// only once both are complete.
class CloseOutputs {
  public:
    CloseOutputs(const CloseOptions& options, const std::vector<SequenceRecord>& records)
        : options_(options), records_(records), fasta_(options.run.outputPath) {
        if (!options.gapsPath.empty()) {
            gaps_.emplace(options.gapsPath);
            gaps_->Write(GapRowsHeader());
        }
        if (!options.variantsPath.empty()) {
            variants_.emplace(options.variantsPath);
            variants_->Write(VariantRowsHeader("record"));
        }
    }

    // Writes the records before `record` that are still unwritten (they have
    // no gaps), then `record` with its gaps' outcomes.
    // Returns the variant sites of the record's fills.
    size_t WriteRecord(size_t record, const std::vector<GapOutcome>& outcomes) {
        WriteUpTo(record);
        const SequenceRecord& scaffold = records_[record];
        fasta_.Write(
            FastaRecord(RecordHeader(scaffold),
                        ClosedRecord(scaffold.bases, outcomes, options_.partial, options_.minGap),
                        options_.run.lineWidth));
        if (gaps_)
            for (size_t gap = 0; gap < outcomes.size(); ++gap)
                gaps_->Write(GapRow(scaffold.name, gap + 1, outcomes[gap]));
        ++written_;
        const std::vector<PlacedVariant> sites =
            PlacedVariants(outcomes, options_.partial, options_.minGap);
        if (variants_)
            for (const PlacedVariant& site : sites)
                variants_->Write(VariantRow(scaffold.name,
                                            site.side == Side::Left ? "left" : "right",
                                            site.position + 1, site.site));
        return sites.size();
    }

    void Close() {
        WriteUpTo(records_.size());
        FinishThenCommit(&fasta_, gaps_ ? &*gaps_ : nullptr, variants_ ? &*variants_ : nullptr);
    }

  private:
    void WriteUpTo(size_t record) {
        for (; written_ < record; ++written_)
            fasta_.Write(FastaRecord(RecordHeader(records_[written_]), records_[written_].bases,
                                     options_.run.lineWidth));
    }

    const CloseOptions& options_;
    const std::vector<SequenceRecord>& records_;
    NamedOutput fasta_;
    std::optional<NamedOutput> gaps_;
    std::optional<NamedOutput> variants_;
    size_t written_ = 0;
};

ClosingRules ClosingRulesFor(const CloseOptions& options, const ExtensionSettings& extension) {
    ClosingRules rules;
    rules.settings = extension;
    rules.settings.bothSides = true;
    rules.minOverlap = options.minOverlap;
    rules.gapTolerance = options.gapTolerance;
    rules.gapToleranceShare = options.gapToleranceShare;
    rules.unknownGapLength = options.unknownGapLength;
    return rules;
}

struct CloseTotals {
    size_t records = 0;
    size_t gaps = 0;
    size_t closed = 0;
    int64_t basesFilled = 0;     // bases of the closed gaps' fills
    bool variantsFound = false;  // looked for: --variants-tsv
    size_t variantSites = 0;     // in the bases written
    std::map<OpenReason, size_t> open;
    double seconds = 0;
    GuardSetting guard;
};

std::string FormatTotals(const CloseTotals& totals) {
    std::string text = "lorvex-close: " + Counted(totals.gaps, "gap") + " in " +
                       Counted(totals.records, "record") + ": " + WithThousands(totals.closed) +
                       " closed";
    if (totals.closed > 0)
        text += " (" +
                Counted(static_cast<uint64_t>(std::max<int64_t>(0, totals.basesFilled)), "base") +
                ")";
    size_t open = 0;
    for (const auto& entry : totals.open) open += entry.second;
    text += ", " + WithThousands(open) + " open";
    const std::string reasons = LabelledCounts(totals.open, OpenReasonLabel);
    if (!reasons.empty()) text += " (" + reasons + ")";
    text += SecondsTaken(totals.seconds);
    if (totals.gaps > 0 && totals.variantsFound)
        text += "; " + Counted(totals.variantSites, "variant site");
    return text + SummaryEnd(totals.gaps > 0 ? &totals.guard : nullptr);
}

}  // namespace

std::string RunClose(const CloseOptions& options, ProgressLine& progress) {
    const BatchInputs batch = LoadBatch(progress.program(), options.scaffoldsPath, options.run);
    const std::vector<SequenceRecord>& records = batch.records;
    const RunInputs& inputs = batch.inputs;
    PrepareRunOutputs(options.run, options.scaffoldsPath,
                      {options.run.outputPath, options.gapsPath, options.variantsPath});
    const ScaffoldGaps found = FindAllGaps(records, options.minGap);

    CloseTotals totals;
    totals.records = records.size();
    ExtensionSettings extension;
    extension.rules = RulesFor(options.run);
    // Without gaps nothing is extended: the scaffolds are written as they are.
    if (!found.tasks.empty()) {
        const SettledRun settled =
            SettleRun(options.run, {found.flanks, "flank", true}, inputs, progress);
        extension = settled.extension;
        totals.guard = settled.guard;
        // The variant sites' pileup is made only for the rows that ask for it.
        totals.variantsFound = !options.variantsPath.empty();
        if (!totals.variantsFound) extension.minVariantShare = 0;
    }
    const ClosingRules rules = ClosingRulesFor(options, extension);

    // Outputs are created only once every input has passed its checks.
    DeferStopSignals();
    CloseOutputs outputs(options, records);
    std::vector<GapOutcome> recordOutcomes;
    RunBatch<GapOutcome>(
        found.tasks.size(), options.run.threads,
        [&](size_t item) {
            const GapTask& task = found.tasks[item];
            const std::vector<Gap>& gaps = found.gaps[task.record];
            return CloseGap(gaps[task.index],
                            FlanksOf(records[task.record].bases, gaps, task.index), inputs, rules);
        },
        [&](size_t item, GapOutcome& outcome) {
            const GapTask& task = found.tasks[item];
            ++totals.gaps;
            if (outcome.closed()) {
                ++totals.closed;
                totals.basesFilled += outcome.join.fillLength;
            } else {
                ++totals.open[outcome.open];
            }
            recordOutcomes.push_back(std::move(outcome));
            if (recordOutcomes.size() == found.gaps[task.record].size()) {
                totals.variantSites += outputs.WriteRecord(task.record, recordOutcomes);
                recordOutcomes.clear();
            }
        },
        progress, "gap", [&] { return WithThousands(totals.closed) + " closed"; });
    outputs.Close();
    totals.seconds = progress.SecondsSinceStart();
    return FormatTotals(totals);
}

}  // namespace lorvex::close
