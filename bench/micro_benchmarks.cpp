// Micro-benchmarks of the fast paths against the literal functions: the vote
// of one mate in one cycle, one lookup of a group, and loading the index.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "calling/incremental_voting.h"
#include "calling/overlap_tracking.h"
#include "calling/overlap_voting.h"
#include "input/prefix_index.h"
#include "input/read_table.h"
#include "mates/mate_fetch.h"
#include "mates/mate_lookup.h"
#include "reference/literal_input.h"
#include "reference/literal_mates.h"
#include "reference/literal_voting.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

using Random = std::mt19937_64;

std::string RandomBases(Random& random, size_t length) {
    std::string bases(length, 'A');
    for (char& base : bases) base = "ACGT"[random() & 3];
    return bases;
}

// A scratch folder for the files of one benchmark, removed afterwards.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "lorvex-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string Write(const std::string& name, const std::string& contents) const {
        const std::string path = path_ + "/" + name;
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

  private:
    std::string path_;
};

// ---- Votes per mate per cycle ----------------------------------------------

// A contig that follows a periodic genome, and `mateCount` mates (64 unless
// asked otherwise) copied from the genome (with a miscall now and then) at
// offsets that make them overlap the contig's end by 0 to R bases at
// different moments, as queued mates do. A genome of period `period` below
// R is a tandem repeat in which every mate overlaps the end many times.
struct VotingSetup {
    int32_t readLength;
    std::string genome;
    std::string contig;
    std::vector<std::string> mates;
    std::vector<std::vector<uint8_t>> qualities;

    explicit VotingSetup(int32_t r, int mateCount = 64, size_t period = 0) : readLength(r) {
        Random random(static_cast<uint64_t>(r));
        genome = RandomBases(random, period > 0 ? period : 4 * static_cast<size_t>(r));
        while (genome.size() < 4 * static_cast<size_t>(r)) genome += genome.substr(0, period);
        contig = genome + genome;
        for (int j = 0; j < mateCount; ++j) {
            const size_t start = contig.size() - 1 - random() % static_cast<size_t>(2 * r);
            std::string mate;
            for (int32_t i = 0; i < r; ++i) {
                const char base = genome[(start + static_cast<size_t>(i)) % genome.size()];
                mate += random() % 100 == 0 ? "ACGT"[random() & 3] : base;
            }
            mates.push_back(mate);
            std::vector<uint8_t> quality(static_cast<size_t>(r));
            for (uint8_t& q : quality) q = static_cast<uint8_t>(random() % 8 == 0 ? 20 : 40);
            qualities.push_back(quality);
        }
    }
    char NextBase() const { return genome[contig.size() % genome.size()]; }
};

void ReportPerMate(benchmark::State& state, size_t mates) {
    state.counters["mate_cycles"] =
        benchmark::Counter(static_cast<double>(state.iterations() * mates));
    state.counters["ns_per_mate_cycle"] = benchmark::Counter(
        static_cast<double>(state.iterations() * mates),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void VotesLiteral(benchmark::State& state, Variant variant) {
    VotingSetup setup(static_cast<int32_t>(state.range(0)));
    MateQueue slot{setup.mates, setup.qualities};
    const QueueSet queues{slot};
    for (auto _ : state) {
        const BaseVotes votes = CountNextBase(setup.contig, queues, setup.readLength, variant);
        benchmark::DoNotOptimize(votes);
        setup.contig.push_back(setup.NextBase());
    }
    ReportPerMate(state, setup.mates.size());
}

void VotesBitset(benchmark::State& state, Variant variant) {
    VotingSetup setup(static_cast<int32_t>(state.range(0)));
    OverlapQueueSet queues = MakeOverlapQueueSet(1, setup.readLength);
    for (size_t j = 0; j < setup.mates.size(); ++j)
        AddMate(queues.slots[0], setup.mates[j].data(), setup.qualities[j].data(), setup.contig);
    for (auto _ : state) {
        const BaseVotes votes = CountVotesFromOverlaps(queues, variant);
        benchmark::DoNotOptimize(votes);
        setup.contig.push_back(setup.NextBase());
        AppendBaseToOverlaps(queues, setup.contig.back());
    }
    ReportPerMate(state, setup.mates.size());
}

// The programs' engine: arguments R, the number of mates and the genome's
// period (0: not a tandem repeat).
void VotesTracked(benchmark::State& state, Variant variant) {
    VotingSetup setup(static_cast<int32_t>(state.range(0)), static_cast<int>(state.range(1)),
                      static_cast<size_t>(state.range(2)));
    TrackedQueueSet queues(1, setup.readLength);
    for (size_t j = 0; j < setup.mates.size(); ++j)
        queues.AddMate(0, setup.mates[j].data(), setup.qualities[j].data(), setup.contig);
    for (auto _ : state) {
        const BaseVotes votes = queues.Votes(variant);
        benchmark::DoNotOptimize(votes);
        setup.contig.push_back(setup.NextBase());
        queues.Append(setup.contig);
    }
    ReportPerMate(state, setup.mates.size());
}

void BM_VotesLiteralMain(benchmark::State& state) {
    VotesLiteral(state, Variant::Main);
}
void BM_VotesBitsetMain(benchmark::State& state) {
    VotesBitset(state, Variant::Main);
}
void BM_VotesTrackedMain(benchmark::State& state) {
    VotesTracked(state, Variant::Main);
}
void BM_VotesLiteralStrict(benchmark::State& state) {
    VotesLiteral(state, Variant::Strict);
}
void BM_VotesBitsetStrict(benchmark::State& state) {
    VotesBitset(state, Variant::Strict);
}
void BM_VotesTrackedStrict(benchmark::State& state) {
    VotesTracked(state, Variant::Strict);
}
BENCHMARK(BM_VotesLiteralMain)->Arg(100)->Arg(150)->Arg(250);
BENCHMARK(BM_VotesBitsetMain)->Arg(100)->Arg(150)->Arg(250);
BENCHMARK(BM_VotesTrackedMain)
    ->Args({100, 64, 0})
    ->Args({150, 64, 0})
    ->Args({250, 64, 0})
    ->Args({150, 8192, 0})
    ->Args({150, 8192, 2})
    ->Args({150, 8192, 37});
BENCHMARK(BM_VotesLiteralStrict)->Arg(150);
BENCHMARK(BM_VotesBitsetStrict)->Arg(150);
BENCHMARK(BM_VotesTrackedStrict)->Args({150, 64, 0})->Args({150, 8192, 0});

// ---- One lookup of a group -------------------------------------------------

// A table of R = 100 whose window group has `lines` lines, half of them
// selected, between two other groups.
struct LookupSetup {
    ScratchFolder folder;
    std::string window;
    TableStream table;
    PrefixIndex index;
    DensePrefixTables denseIndex;  // for the literal lookup

    explicit LookupSetup(int lines) {
        Random random(static_cast<uint64_t>(lines));
        const int32_t r = 100;
        window = "CCCCCCCCCCCC" + RandomBases(random, r - 12);
        const std::string quality(r, 'I');
        const auto line = [&](const std::string& first) {
            return first + "\t" + RandomBases(random, r) + "\t" + quality + "\t" + quality + "\n";
        };
        std::string text;
        std::string indexText;
        text += line("AAAAAAAAAAAA" + RandomBases(random, r - 12));
        indexText += "AAAAAAAAAAAA\t1\n";
        for (int i = 0; i < lines; ++i)
            text += line(i % 2 == 0 ? window : "CCCCCCCCCCCC" + RandomBases(random, r - 12));
        indexText += "CCCCCCCCCCCC\t" + std::to_string(lines) + "\n";
        text += line("TTTTTTTTTTTT" + RandomBases(random, r - 12));
        indexText += "TTTTTTTTTTTT\t1\n";
        const std::string tablePath = folder.Write("reads.table", text);
        const std::string indexPath = folder.Write("reads.index", indexText);
        const TableLayout layout = MeasureTable(tablePath);
        LoadIndexChecked(indexPath, tablePath, layout, index);
        denseIndex = DenseTablesOf(index);
        table = OpenTableStream(tablePath, layout);
    }
};

void BM_LookupLiteral(benchmark::State& state) {
    LookupSetup setup(static_cast<int>(state.range(0)));
    int32_t count = 0;
    for (auto _ : state) {
        std::vector<std::string> mates;
        std::vector<std::vector<uint8_t>> qualities;
        GetAllPairedReads(setup.window, setup.table, setup.denseIndex, Variant::Main, count, mates,
                          qualities);
        benchmark::DoNotOptimize(mates.data());
    }
}

void BM_LookupFast(benchmark::State& state) {
    LookupSetup setup(static_cast<int>(state.range(0)));
    SelectedMates selected;
    for (auto _ : state) {
        FetchSelectedMates(setup.window.data(), setup.table, setup.index, Variant::Main, selected);
        benchmark::DoNotOptimize(selected.bases.data());
    }
}

// The alternative to a positioned read: the whole table mapped read-only,
// first reads compared in the mapping, the same transformation. Kept here
// only for comparison: a table truncated while mapped raises SIGBUS on the
// next touch of a lost page, which the positioned read turns into a message.
void BM_LookupMapped(benchmark::State& state) {
    LookupSetup setup(static_cast<int>(state.range(0)));
    const TableLayout& layout = setup.table.layout;
    const int fd = fileno(setup.table.file.get());
    void* mapping = mmap(nullptr, layout.fileSize, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapping == MAP_FAILED) {
        state.SkipWithError("mmap failed");
        return;
    }
    const char* base = static_cast<const char*>(mapping);
    const size_t r = static_cast<size_t>(layout.readLength);
    std::vector<char> mates;
    std::vector<uint8_t> qualities;
    for (auto _ : state) {
        mates.clear();
        qualities.clear();
        const PrefixGroup found =
            FindGroup(setup.index, DnaToUint(setup.window.data(), prefixLength));
        const uint32_t lines = found.count;
        const char* group = base + found.offset;
        for (uint32_t i = 0; i < lines; ++i) {
            const char* line = group + i * layout.lineSize;
            if (std::memcmp(line, setup.window.data(), std::min<size_t>(r, 100)) != 0) continue;
            for (size_t k = 0; k < r; ++k) {
                mates.push_back(ComplementBase(line[r + 1 + r - 1 - k]));
                qualities.push_back(static_cast<uint8_t>(line[3 * r + 3 + r - 1 - k] - 33));
            }
        }
        benchmark::DoNotOptimize(mates.data());
    }
    munmap(mapping, layout.fileSize);
}

BENCHMARK(BM_LookupLiteral)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_LookupFast)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_LookupMapped)->Arg(1)->Arg(10)->Arg(100);

// ---- Index loading ---------------------------------------------------------

// An index of `lines` distinct ascending keys with counts 1 to 9, and a
// table (a hole after its first line) long enough for them.
struct IndexSetup {
    ScratchFolder folder;
    std::string indexPath;
    std::string tablePath;

    explicit IndexSetup(int64_t lines) {
        Random random(static_cast<uint64_t>(lines));
        const std::string read(100, 'A');
        const std::string quality(100, 'I');
        tablePath = folder.Write("reads.table",
                                 read + "\t" + read + "\t" + quality + "\t" + quality + "\n");
        std::string text;
        text.reserve(static_cast<size_t>(lines) * 16);
        uint64_t total = 0;
        const uint64_t step = prefixCodeCount / static_cast<uint64_t>(lines);
        for (int64_t i = 0; i < lines; ++i) {
            const uint64_t code = static_cast<uint64_t>(i) * step + random() % step;
            for (int k = 11; k >= 0; --k) text += "ACGT"[(code >> (2 * k)) & 3];
            const int count = 1 + static_cast<int>(random() % 9);
            total += static_cast<uint64_t>(count);
            text += '\t';
            text += static_cast<char>('0' + count);
            text += '\n';
        }
        indexPath = folder.Write("reads.index", text);
        if (truncate(tablePath.c_str(), static_cast<off_t>(total * 404)) != 0) std::abort();
    }
};

// Seconds per million index lines.
void ReportPerMillionLines(benchmark::State& state, int64_t lines) {
    state.counters["s_per_million_lines"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * static_cast<double>(lines) / 1e6,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The literal loader into dense tables whose pages are already mapped, so
// that it is timed on the parse and the stores, not on the first touch of
// 192 MiB; the programs' loader as a run pays it, allocation included.
void BM_IndexLoadingLiteral(benchmark::State& state) {
    IndexSetup setup(state.range(0));
    DensePrefixTables tables = AllocateDensePrefixTables();
    std::memset(tables.offsets, 0, prefixCodeCount * sizeof(uint64_t));
    std::memset(tables.counts, 0, prefixCodeCount * sizeof(uint32_t));
    for (auto _ : state)
        LoadIndex(setup.indexPath, setup.tablePath, tables.offsets, tables.counts, 12);
    ReportPerMillionLines(state, state.range(0));
}

void BM_IndexLoadingChecked(benchmark::State& state) {
    IndexSetup setup(state.range(0));
    for (auto _ : state) {
        PrefixIndex index;
        const TableLayout layout = MeasureTable(setup.tablePath);
        benchmark::DoNotOptimize(LoadIndexChecked(setup.indexPath, setup.tablePath, layout, index));
    }
    ReportPerMillionLines(state, state.range(0));
}

BENCHMARK(BM_IndexLoadingLiteral)
    ->Arg(200000)
    ->Arg(1000000)
    ->Arg(5000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexLoadingChecked)
    ->Arg(200000)
    ->Arg(1000000)
    ->Arg(5000000)
    ->Unit(benchmark::kMillisecond);

// One group found by prefix code, for random codes: the sorted index against
// a dense count table.
void BM_FindGroup(benchmark::State& state) {
    IndexSetup setup(state.range(0));
    PrefixIndex index;
    LoadIndexChecked(setup.indexPath, setup.tablePath, MeasureTable(setup.tablePath), index);
    const DensePrefixTables tables = DenseTablesOf(index);
    Random random(5);
    std::vector<uint32_t> codes(4096);
    for (uint32_t& code : codes) code = static_cast<uint32_t>(random() % prefixCodeCount);
    const bool dense = state.range(1) != 0;
    size_t next = 0;
    for (auto _ : state) {
        const uint32_t code = codes[next++ % codes.size()];
        benchmark::DoNotOptimize(dense ? tables.counts[code] : FindGroup(index, code).count);
    }
    state.SetLabel(dense ? "dense tables" : "sorted index");
}

BENCHMARK(BM_FindGroup)
    ->Args({200000, 0})
    ->Args({200000, 1})
    ->Args({5000000, 0})
    ->Args({5000000, 1});

}  // namespace
}  // namespace lorvex

BENCHMARK_MAIN();
