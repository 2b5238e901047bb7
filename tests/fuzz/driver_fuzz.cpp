// Whole extensions on any (arguments, seed, table, index): the arguments go
// through the programs' parsers, the inputs through the programs' loaders,
// and every accepted combination is extended with the literal, the bit-set
// and the fast cycles in both variants, with a small cap. All must print the
// same lines, stop for the same reason with the same votes and leave the
// same contig, or refuse the inputs with the same message.
//
// Input: four argument lines (MIN_DISTANCE, MAX_DISTANCE, MIN_VOTES,
// DOMINANCE_RATIO), "\n|", seed file, "\n|", table text, "\n|", index text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "extension/extend_contig.h"
#include "fuzz_support.h"
#include "input/seed_reader.h"
#include "reference/bitset_cycles.h"
#include "reference/literal_cycles.h"
#include "tool/number_arguments.h"

using namespace lorvex;

namespace {

// Few cycles per input keep the fuzzer fast; the cap's own check is the
// same code whatever its value.
constexpr int32_t fuzzCap = 48;

struct Extension {
    bool refused = false;
    std::string message;
    std::string contig;
    std::string lines;
    ExtensionOutcome outcome;
};

Extension Extend(const std::string& seed, const RunInputs& inputs, const RunParameters& parameters,
                 Variant variant, MakeCycles cycles) {
    Extension extension;
    extension.contig = seed;
    TieBreakSource tieBreaks = TieBreakSource::Private();
    ExtensionHooks hooks;
    hooks.onAccepted = [&](char base, const BaseVotes& votes) {
        extension.lines += base;
        for (const int32_t count : {votes.a, votes.c, votes.g, votes.t})
            extension.lines += "\t" + std::to_string(count);
        extension.lines += "\n";
    };
    try {
        extension.outcome = ExtendContig(extension.contig, inputs,
                                         {parameters, variant, fuzzCap, cycles}, tieBreaks, hooks);
    } catch (const InputError& error) {
        extension.refused = true;
        extension.message = std::string("input: ") + error.what();
    } catch (const UsageError& error) {
        extension.refused = true;
        extension.message = std::string("usage: ") + error.what();
    }
    return extension;
}

// The lines of the argument part, one per argument, without line ends.
std::vector<std::string> ArgumentLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty() && lines.size() < 4) {
        const size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::MemoryFile seedFile("seed");
    static fuzzing::MemoryFile tableFile("table");
    static fuzzing::MemoryFile indexFile("index");

    fuzzing::InputParts parts(data, size);
    const std::vector<std::string> arguments = ArgumentLines(parts.Next());
    const std::string_view seedText = parts.Next();
    const std::string_view tableText = parts.Next();
    const std::string_view indexText = parts.Next();
    if (arguments.size() < 4) return 0;

    RunParameters parameters;
    try {
        parameters.minDistance = ParseIntegerArgument(arguments[0], "MIN_DISTANCE");
        parameters.maxDistance = ParseIntegerArgument(arguments[1], "MAX_DISTANCE");
        parameters.minVotes = ParseIntegerArgument(arguments[2], "MIN_VOTES");
        parameters.dominanceRatio = ParseRatioArgument(arguments[3], "DOMINANCE_RATIO");
    } catch (const UsageError&) {
        return 0;
    }

    seedFile.Set(seedText);
    tableFile.Set(tableText);
    indexFile.Set(indexText);
    std::string seed;
    TableLayout layout;
    PrefixIndex prefixIndex;
    try {
        seed = LoadSeed(seedFile.path());
        layout = MeasureTable(tableFile.path());
        LoadIndexChecked(indexFile.path(), tableFile.path(), layout, prefixIndex);
    } catch (const InputError&) {
        return 0;
    }
    RunInputs inputs{OpenTableStream(tableFile.path(), layout), std::move(prefixIndex), nullptr};

    for (const Variant variant : {Variant::Main, Variant::Strict}) {
        const Extension literal = Extend(seed, inputs, parameters, variant, MakeLiteralCycles);
        for (const MakeCycles cycles : {MakeFastCycles, MakeBitsetCycles}) {
            const Extension fast = Extend(seed, inputs, parameters, variant, cycles);
            if (literal.refused != fast.refused || literal.message != fast.message)
                fuzzing::Fail("the cycles refuse differently: '" + literal.message + "' vs '" +
                              fast.message + "'");
            fuzzing::Check(literal.lines == fast.lines, "the cycles print the same lines");
            fuzzing::Check(literal.contig == fast.contig, "the cycles grow the same contig");
            fuzzing::Check(literal.outcome.reason == fast.outcome.reason &&
                               literal.outcome.stopVotes == fast.outcome.stopVotes &&
                               literal.outcome.accepted == fast.outcome.accepted,
                           "the cycles stop alike");
        }
        fuzzing::Check(literal.outcome.accepted <= fuzzCap, "the cap bounds the accepted bases");
        if (!literal.refused)
            fuzzing::Check(literal.contig.size() ==
                               seed.size() + literal.outcome.accepted +
                                   (literal.outcome.reason == StopReason::NoVotes ||
                                            literal.outcome.reason == StopReason::NoWindows ||
                                            literal.outcome.reason == StopReason::SeedTooShort ||
                                            literal.outcome.reason == StopReason::WindowPastEnd
                                        ? 0
                                        : 1),
                           "the contig keeps the printed bases and the one of the failing cycle");
    }
    return 0;
}
