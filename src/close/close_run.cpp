#include "close/close_run.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "base/number_text.h"
#include "close/gaps_tsv.h"
#include "extend/distance_estimate.h"
#include "extend/extend_output.h"
#include "extend/seed_batch.h"
#include "tool/ordered_batch.h"
#include "tool/output_file.h"
#include "tool/peak_memory.h"
#include "tool/progress_line.h"

namespace lorvex::close {
namespace {

using extend::SeedRecord;

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

ScaffoldGaps FindAllGaps(const std::vector<SeedRecord>& records, int64_t minGap) {
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

std::string RecordHeader(const SeedRecord& record) {
    return ">" + record.name + (record.description.empty() ? "" : " " + record.description);
}

// The scaffolds and the gap rows, record by record in input order, named
// only once both are complete.
class CloseOutputs {
  public:
    CloseOutputs(const CloseOptions& options, const std::vector<SeedRecord>& records)
        : options_(options), records_(records), fasta_(options.run.outputPath) {
        if (!options.gapsPath.empty()) {
            gaps_.emplace(options.gapsPath);
            gaps_->Write(GapRowsHeader());
        }
    }

    // Writes the records before `record` that are still unwritten (they have
    // no gaps), then `record` with its gaps' outcomes.
    void WriteRecord(size_t record, const std::vector<GapOutcome>& outcomes) {
        WriteUpTo(record);
        const SeedRecord& scaffold = records_[record];
        fasta_.Write(extend::FastaRecord(
            RecordHeader(scaffold),
            ClosedRecord(scaffold.bases, outcomes, options_.partial, options_.minGap),
            options_.run.lineWidth));
        if (gaps_)
            for (size_t gap = 0; gap < outcomes.size(); ++gap)
                gaps_->Write(GapRow(scaffold.name, gap + 1, outcomes[gap]));
        ++written_;
    }

    void Close() {
        WriteUpTo(records_.size());
        fasta_.Finish();
        if (gaps_) gaps_->Finish();
        fasta_.Commit();
        if (gaps_) gaps_->Commit();
    }

  private:
    void WriteUpTo(size_t record) {
        for (; written_ < record; ++written_)
            fasta_.Write(extend::FastaRecord(RecordHeader(records_[written_]),
                                             records_[written_].bases, options_.run.lineWidth));
    }

    const CloseOptions& options_;
    const std::vector<SeedRecord>& records_;
    NamedOutput fasta_;
    std::optional<NamedOutput> gaps_;
    size_t written_ = 0;
};

ClosingRules RulesFor(const CloseOptions& options, const extend::ExtendOptions& run) {
    ClosingRules rules;
    rules.settings.rules.parameters = run.parameters;
    rules.settings.rules.variant = run.variant;
    rules.settings.rules.cap = run.cap;
    rules.settings.bothSides = true;
    rules.minOverlap = options.minOverlap;
    rules.gapTolerance = options.gapTolerance;
    rules.gapToleranceShare = options.gapToleranceShare;
    rules.unknownGapLength = options.unknownGapLength;
    return rules;
}

std::string ProgressText(const CloseTotals& totals, size_t gaps, double seconds) {
    const uint64_t rate = seconds > 0 ? static_cast<uint64_t>(totals.gaps / seconds) : 0;
    return WithThousands(totals.gaps) + " of " + Counted(gaps, "gap") + ", " +
           WithThousands(totals.closed) + " closed, " + WithThousands(rate) + " gaps/s";
}

}  // namespace

CloseTotals RunClose(const CloseOptions& requested, bool showProgress) {
    ProgressLine progress("lorvex-close", showProgress);
    const std::vector<SeedRecord> records = extend::LoadSeedBatch(requested.run.seedsPath);
    const RunInputs inputs = LoadRunInputs(requested.run.tablePath, requested.run.indexPath,
                                           "--table TABLE --index INDEX");
    const ScaffoldGaps found = FindAllGaps(records, requested.minGap);

    CloseTotals totals;
    totals.records = records.size();
    extend::ExtendOptions run = requested.run;
    // Without gaps nothing is extended: the scaffolds are written as they are.
    if (!found.tasks.empty()) {
        run =
            extend::SettleDistances(requested.run, found.flanks, inputs, progress, "flank").options;
        if (const std::optional<std::string> warning =
                CheckRunParameters(run.variant, run.parameters, inputs.table.layout.readLength))
            std::fprintf(stderr, "lorvex-close: warning: %s\n", warning->c_str());
    }
    ClosingRules rules = RulesFor(requested, run);
    if (!found.tasks.empty()) {
        const extend::GuardRequest guardRequest{run.repeatGuard, run.singleCopyDepth, true,
                                                run.threads, "flank"};
        totals.guard = extend::SetUpRepeatGuard(guardRequest, found.flanks, inputs,
                                                rules.settings.rules, progress);
        rules.settings.singleCopyDepth = totals.guard.singleCopyDepth;
    }

    // Outputs are created only once every input has passed its checks.
    CloseOutputs outputs(requested, records);
    std::vector<GapOutcome> recordOutcomes;
    const auto closeOne = [&](size_t item) {
        const GapTask& task = found.tasks[item];
        const std::vector<Gap>& gaps = found.gaps[task.record];
        return CloseGap(gaps[task.index], FlanksOf(records[task.record].bases, gaps, task.index),
                        inputs, rules);
    };
    const auto deliver = [&](size_t item, GapOutcome& outcome) {
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
            outputs.WriteRecord(task.record, recordOutcomes);
            recordOutcomes.clear();
        }
        if (progress.Due() || totals.gaps == found.tasks.size())
            progress.Show(ProgressText(totals, found.tasks.size(), progress.SecondsSinceStart()));
    };
    RunInOrder<GapOutcome>(found.tasks.size(), run.threads, 4 * size_t{run.threads}, closeOne,
                           deliver);
    progress.Clear();
    outputs.Close();
    totals.seconds = progress.SecondsSinceStart();
    return totals;
}

std::string FormatTotals(const CloseTotals& totals) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", totals.seconds);
    std::string text = "lorvex-close: " + Counted(totals.gaps, "gap") + " in " +
                       Counted(totals.records, "record") + ": " + WithThousands(totals.closed) +
                       " closed";
    if (totals.closed > 0)
        text += " (" +
                Counted(static_cast<uint64_t>(std::max<int64_t>(0, totals.basesFilled)), "base") +
                ")";
    size_t open = 0;
    std::string reasons;
    for (const auto& [reason, count] : totals.open) {
        open += count;
        reasons += std::string(reasons.empty() ? "" : ", ") + OpenReasonLabel(reason) + " " +
                   WithThousands(count);
    }
    text += ", " + WithThousands(open) + " open";
    if (!reasons.empty()) text += " (" + reasons + ")";
    text += " in " + std::string(seconds) + " s";
    if (totals.gaps > 0) text += "; " + extend::GuardSummary(totals.guard);
    return text + PeakMemorySuffix() + "\n";
}

}  // namespace lorvex::close
