#include "app/driver.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "calling/incremental_voting.h"
#include "calling/overlap_tracking.h"
#include "input/input_file.h"
#include "input/seed_reader.h"
#include "mates/mate_fetch.h"

namespace lorvex {

const char* StopReasonName(StopReason reason) {
    switch (reason) {
        case StopReason::NoWindows: return "no windows";
        case StopReason::NoVotes: return "no votes";
        case StopReason::RepetitiveTail: return "repetitive tail";
        case StopReason::TooFewVotes: return "too few votes";
        case StopReason::NotDominant: return "not dominant";
        case StopReason::CapReached: return "cap reached";
    }
    return "unknown";
}

RunInputs LoadRunInputs(const std::string& tablePath, const std::string& indexPath) {
    const TableLayout layout = MeasureTable(tablePath);
    PrefixIndex index = AllocatePrefixIndex();
    LoadIndexChecked(indexPath, tablePath, layout, index);
    return RunInputs{OpenTableStream(tablePath, layout), std::move(index)};
}

void CheckWindowLimits(Variant variant, const RunParameters& parameters, int32_t readLength,
                       size_t seedLength) {
    if (QueueCount(variant, parameters.minDistance, parameters.maxDistance, readLength) <= 0)
        return;
    const int64_t leastMinDistance =
        variant == Variant::Main ? readLength : 2 * int64_t{readLength} - 2;
    if (parameters.minDistance < leastMinDistance)
        throw UsageError("minDistance " + std::to_string(parameters.minDistance) +
                         " must be at least " + std::to_string(leastMinDistance) +
                         (variant == Variant::Main ? " (the read length)"
                                                   : " (twice the read length, minus 2)"));
    if (static_cast<int64_t>(seedLength) < parameters.maxDistance)
        throw UsageError("the seed holds " + std::to_string(seedLength) +
                         " bases, fewer than maxDistance " +
                         std::to_string(parameters.maxDistance));
}

namespace {

// The reference cycle: the queue set holds mate strings, and every cycle
// compares every mate with the contig's end at every overlap length.
class LiteralCycles {
  public:
    LiteralCycles(const RunInputs& inputs, const RunParameters& parameters, Variant variant,
                  size_t queueCount)
        : inputs_(inputs), parameters_(parameters), variant_(variant), queues_(queueCount) {}

    void Start(const std::string& contig) {
        InitQueues(contig, parameters_.maxDistance, ReadLength(), queues_, inputs_.table,
                   inputs_.index, variant_);
    }
    BaseVotes Votes(const std::string& contig) const {
        return CountNextBase(contig, queues_, ReadLength(), variant_);
    }
    void AfterAppend(const std::string& contig) {
        UpdateQueues(contig, parameters_.maxDistance, ReadLength(), queues_, inputs_.table,
                     inputs_.index, variant_);
    }

  private:
    int32_t ReadLength() const { return inputs_.table.layout.readLength; }
    const RunInputs& inputs_;
    const RunParameters& parameters_;
    Variant variant_;
    QueueSet queues_;
};

// The two incremental engines behind one set of names: OverlapQueueSet keeps
// per mate the bit set of its matching overlaps, moved on by every appended
// base, so a vote costs a few word operations instead of R - 20 string
// comparisons; TrackedQueueSet (the programs' engine) follows only the
// overlaps of 20 bases or more, so a cycle costs in proportion to the mates
// that overlap the contig's end.
BaseVotes CycleVotes(const OverlapQueueSet& queues, Variant variant) {
    return CountVotesFromOverlaps(queues, variant);
}
BaseVotes CycleVotes(const TrackedQueueSet& queues, Variant variant) {
    return CountTrackedVotes(queues, variant);
}
void AddCycleMate(OverlapQueueSet& queues, size_t slot, const char* mate, const uint8_t* quality,
                  const std::string& contig) {
    AddMate(SlotFromOldest(queues, slot), mate, quality, contig);
}
void AddCycleMate(TrackedQueueSet& queues, size_t slot, const char* mate, const uint8_t* quality,
                  const std::string& contig) {
    AddTrackedMate(queues, slot, mate, quality, contig);
}
// The oldest window is dropped before the others follow the new base, which
// spares it the update; the emptied slot becomes the newest.
void MoveCycleOn(OverlapQueueSet& queues, const std::string& contig) {
    RecycleOldestSlot(queues);
    AppendBaseToOverlaps(queues, contig.back());
}
void MoveCycleOn(TrackedQueueSet& queues, const std::string& contig) {
    RecycleOldestTrackedSlot(queues);
    AppendToTracked(queues, contig);
}

// The incremental cycle: the same windows in the same slots, the mates'
// overlaps kept up to date by each appended base, and mates looked up
// without a string per field.
template <typename IncrementalQueueSet>
class IncrementalCycles {
  public:
    IncrementalCycles(const RunInputs& inputs, const RunParameters& parameters, Variant variant,
                      size_t queueCount, IncrementalQueueSet queues)
        : inputs_(inputs),
          parameters_(parameters),
          variant_(variant),
          queueCount_(static_cast<int64_t>(queueCount)),
          queues_(std::move(queues)) {}

    void Start(const std::string& contig) {
        const int64_t filled = InitiallyFilledSlots(variant_, queueCount_);
        const int64_t length = static_cast<int64_t>(contig.size());
        for (int64_t i = 0; i < filled; ++i)
            Fetch(contig, InitialWindowStart(length, parameters_.maxDistance, i),
                  static_cast<size_t>(i));
    }
    BaseVotes Votes(const std::string&) const { return CycleVotes(queues_, variant_); }
    void AfterAppend(const std::string& contig) {
        MoveCycleOn(queues_, contig);
        Fetch(contig,
              NewWindowStart(static_cast<int64_t>(contig.size()), parameters_.maxDistance,
                             queueCount_),
              static_cast<size_t>(queueCount_ - 1));
    }

  private:
    void Fetch(const std::string& contig, int64_t windowStart, size_t slot) {
        FetchSelectedMates(contig.data() + windowStart, inputs_.table, inputs_.index, variant_,
                           selected_);
        for (int32_t i = 0; i < selected_.count; ++i)
            AddCycleMate(queues_, slot, selected_.Mate(i), selected_.Quality(i), contig);
    }

    const RunInputs& inputs_;
    const RunParameters& parameters_;
    Variant variant_;
    int64_t queueCount_;
    IncrementalQueueSet queues_;
    SelectedMates selected_;
};

template <typename Cycles>
ExtensionOutcome RunCycles(Cycles& cycles, std::string& contig, const RunParameters& parameters,
                           Variant variant, int32_t readLength, TieBreakSource& tieBreaks,
                           const AcceptedBaseSink& onAccepted, int32_t cap) {
    ExtensionOutcome outcome;
    cycles.Start(contig);
    int32_t extensionLength = 0;
    for (;;) {
        const BaseVotes votes = cycles.Votes(contig);
        outcome.stopVotes = votes;
        if (votes.Total() == 0) {
            outcome.reason = StopReason::NoVotes;
            return outcome;
        }
        if (variant == Variant::Main) ++extensionLength;
        UpdateContig(contig, votes, tieBreaks);
        cycles.AfterAppend(contig);
        if (variant == Variant::Strict) ++extensionLength;

        const int32_t length = static_cast<int32_t>(contig.size());
        if (IsTailRepetitive(contig.data(), length, readLength) == 0) {
            outcome.reason = StopReason::RepetitiveTail;
            return outcome;
        }
        if (SanityCheck(votes.a, votes.c, votes.g, votes.t, parameters.minVotes,
                        parameters.dominanceRatio) == 0) {
            outcome.reason = votes.Total() < parameters.minVotes ? StopReason::TooFewVotes
                                                                 : StopReason::NotDominant;
            return outcome;
        }
        if (extensionLength > cap) {
            outcome.reason = StopReason::CapReached;
            return outcome;
        }
        onAccepted(contig.back(), votes);
        ++outcome.accepted;
    }
}

}  // namespace

ExtensionOutcome ExtendContig(std::string& contig, const RunInputs& inputs,
                              const RunParameters& parameters, Variant variant,
                              TieBreakSource& tieBreaks, const AcceptedBaseSink& onAccepted,
                              int32_t cap, Engine engine) {
    const int32_t readLength = inputs.table.layout.readLength;
    const int64_t queueCount =
        QueueCount(variant, parameters.minDistance, parameters.maxDistance, readLength);
    if (queueCount <= 0) return ExtensionOutcome{};
    // Every window must lie inside the contig; both engines index it directly.
    CheckWindowLimits(variant, parameters, readLength, contig.size());
    if (engine == Engine::Literal) {
        LiteralCycles cycles(inputs, parameters, variant, static_cast<size_t>(queueCount));
        return RunCycles(cycles, contig, parameters, variant, readLength, tieBreaks, onAccepted,
                         cap);
    }
    const size_t slots = static_cast<size_t>(queueCount);
    if (engine == Engine::Bitset) {
        IncrementalCycles cycles(inputs, parameters, variant, slots,
                                 MakeOverlapQueueSet(slots, readLength));
        return RunCycles(cycles, contig, parameters, variant, readLength, tieBreaks, onAccepted,
                         cap);
    }
    IncrementalCycles cycles(inputs, parameters, variant, slots,
                             MakeTrackedQueueSet(slots, readLength));
    return RunCycles(cycles, contig, parameters, variant, readLength, tieBreaks, onAccepted, cap);
}

int32_t ParseIntegerArgument(const std::string& text, const std::string& name) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || *end != '\0')
        throw UsageError(name + " must be a whole number, not '" + text + "'");
    if (errno == ERANGE || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max())
        throw UsageError(name + " " + text + " is outside the range of a 32-bit integer");
    return static_cast<int32_t>(value);
}

float ParseRatioArgument(const std::string& text, const std::string& name) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != '\0')
        throw UsageError(name + " must be a number, not '" + text + "'");
    return static_cast<float>(value);
}

namespace {

const char* ProgramName(Variant variant) {
    return variant == Variant::Main ? "lorvex" : "lorvex-strict";
}

std::string UsageText(Variant variant) {
    const std::string name = ProgramName(variant);
    return "Usage: " + name +
           " SEED.fa TABLE INDEX MIN_DISTANCE MAX_DISTANCE MIN_VOTES DOMINANCE_RATIO\n"
           "\n"
           "Extends the seed contig to the right one base at a time from read pairs whose\n"
           "first read lies on an anchor window behind the contig's end, and prints one line\n"
           "per accepted base: the base and the votes for A, C, G and T, tab-separated.\n"
           "\n"
           "  SEED.fa          FASTA file with the seed contig (one record)\n"
           "  TABLE            read-pair table (fixed-width lines: read, mate, qualities)\n"
           "  INDEX            prefix index of the table (12-base key, tab, line count)\n"
           "  MIN_DISTANCE     distance of the nearest anchor window behind the end\n"
           "  MAX_DISTANCE     distance of the farthest anchor window behind the end\n"
           "  MIN_VOTES        fewest votes a base needs\n"
           "  DOMINANCE_RATIO  the winner needs at least this times the other votes\n"
           "\n"
           "  --help           show this text\n"
           "  --version        show the version\n";
}

void WriteLine(char base, const BaseVotes& votes, bool flushEachLine) {
    if (std::printf("%c\t%d\t%d\t%d\t%d\n", base, votes.a, votes.c, votes.g, votes.t) < 0)
        throw OutputError(std::strerror(errno));
    if (flushEachLine && std::fflush(stdout) != 0) throw OutputError(std::strerror(errno));
}

int Run(int argc, char** argv, Variant variant, Engine engine) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(UsageText(variant).c_str(), stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", LORVEX_VERSION);
        return 0;
    }
    if (argc < 8) {
        std::fputs(UsageText(variant).c_str(), stderr);
        return 2;
    }
    RunParameters parameters;
    parameters.minDistance = ParseIntegerArgument(argv[4], "MIN_DISTANCE");
    parameters.maxDistance = ParseIntegerArgument(argv[5], "MAX_DISTANCE");
    parameters.minVotes = ParseIntegerArgument(argv[6], "MIN_VOTES");
    parameters.dominanceRatio = ParseRatioArgument(argv[7], "DOMINANCE_RATIO");

    std::string contig = LoadSeed(argv[1]);
    const RunInputs inputs = LoadRunInputs(argv[2], argv[3]);

    TieBreakSource tieBreaks = TieBreakSource::ProcessRand();
    const bool flushEachLine = variant == Variant::Main;
    ExtendContig(
        contig, inputs, parameters, variant, tieBreaks,
        [flushEachLine](char base, const BaseVotes& votes) {
            WriteLine(base, votes, flushEachLine);
        },
        extensionCap, engine);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) throw OutputError(std::strerror(errno));
    return 0;
}

}  // namespace

int RunProgram(int argc, char** argv, Variant variant, Engine engine) {
    // A closed pipe must show as a write error with a message, not a silent
    // death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    const char* name = ProgramName(variant);
    try {
        return Run(argc, argv, variant, engine);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 2;
    } catch (const InputError& error) {
        std::fprintf(stderr, "%s: %s\n", name, error.what());
        return 1;
    } catch (const OutputError& error) {
        std::fprintf(stderr, "%s: standard output: %s\n", name, error.what());
        return 1;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", name);
        return 1;
    }
}

}  // namespace lorvex
