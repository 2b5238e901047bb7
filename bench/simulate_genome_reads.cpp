// lorvex-bench-data: writes a deterministic benchmark data set into a folder:
// a random genome with repeats (genome.fa), error-containing read pairs at a
// given coverage as a read-pair table grouped by prefix code (reads.table)
// and its prefix index (reads.index).
//
// The genome holds copies of a few repeat elements, diverged by 2 %, and
// short tandem repeats. No fragment covers the 1,000 bases from STOP_AT, so
// every extension that reaches them runs out of votes there.
//
// Usage: lorvex-bench-data [--fastq] FOLDER GENOME_LENGTH COVERAGE READ_LENGTH FRAGMENT STOP_AT
//                          SEED [REPEAT_COPIES [ERROR_PERCENT]]
// With --fastq the same pairs go to reads_1.fq and reads_2.fq instead, in
// the order they were drawn, for lorvex-prep to make either table from.
// REPEAT_COPIES (default 60) is the number of copies of each repeat element;
// an organelle-like genome has few. ERROR_PERCENT miscalls that share of the
// bases instead of 0.1 %, more towards a read's end (half the rate at its
// first base, one and a half times at its last), as sequencers do.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Random = std::mt19937_64;

char Complement(char base) {
    switch (base) {
        case 'A': return 'T';
        case 'C': return 'G';
        case 'G': return 'C';
        default: return 'A';
    }
}

uint32_t PrefixCode(const char* read) {
    uint32_t code = 0;
    for (int i = 0; i < 12; ++i) {
        const char base = read[i];
        code = code * 4 + (base == 'C' ? 1 : base == 'G' ? 2 : base == 'T' ? 3 : 0);
    }
    return code;
}

constexpr size_t uncoveredLength = 1000;

std::string MakeGenome(Random& random, size_t length, int repeatCopies) {
    std::string genome(length, 'A');
    for (char& base : genome) base = "ACGT"[random() & 3];
    // Interspersed repeats: 6 elements of 150 to 300 bases, repeatCopies copies each.
    for (int element = 0; element < 6; ++element) {
        const size_t elementLength = 150 + random() % 151;
        const size_t from = random() % (length - elementLength);
        const std::string copy = genome.substr(from, elementLength);
        for (int c = 0; c < repeatCopies; ++c) {
            const size_t to = random() % (length - elementLength);
            for (size_t i = 0; i < elementLength; ++i)
                genome[to + i] = random() % 50 == 0 ? "ACGT"[random() & 3] : copy[i];
        }
    }
    // Short tandem repeats of units of 2 to 6 bases, 20 to 60 bases long; no
    // long single-base runs, which would end a run on its tail check.
    for (size_t n = length / 5000, k = 0; k < n; ++k) {
        const size_t unit = 2 + random() % 5;
        const size_t span = 20 + random() % 41;
        const size_t at = random() % (length - span - unit);
        for (size_t i = 0; i < span; ++i) genome[at + unit + i] = genome[at + i % unit];
    }
    return genome;
}

struct Pair {
    uint32_t start;
    uint16_t fragment;
    uint64_t noiseSeed;
};

struct TableLine {
    uint32_t code;
    uint32_t pair;
    bool swapped;
};

// The two reads and qualities of a pair: first read from the fragment's
// start, second the reverse complement of its end; 0.1 % of bases miscalled
// (most of them with a low quality), 2 % of other bases of low quality.
// Miscalls at errorPercent on average, rising along the read; about 2 % of
// the other bases of low quality.
void AddRisingErrors(Random& noise, double errorPercent, std::string& read, std::string& quality) {
    const size_t r = read.size();
    for (size_t i = 0; i < r; ++i) {
        const double along = r > 1 ? static_cast<double>(i) / static_cast<double>(r - 1) : 0.5;
        const double rate = errorPercent / 100.0 * (0.5 + along);
        const double roll = static_cast<double>(noise() % 1000000) / 1000000.0;
        if (roll < rate) {
            const char miscall = "ACGT"[noise() & 3];
            read[i] = miscall == read[i] ? "CGTA"[noise() & 3] : miscall;
            if (noise() % 10 < 5) quality[i] = '#';
        } else if (roll < rate + 0.02) {
            quality[i] = '+';
        }
    }
}

void ReadsOf(const std::string& genome, const Pair& pair, int readLength, double errorPercent,
             std::string reads[2], std::string qualities[2]) {
    Random noise(pair.noiseSeed);
    const size_t r = static_cast<size_t>(readLength);
    reads[0] = genome.substr(pair.start, r);
    reads[1].assign(r, 'A');
    const size_t end = pair.start + pair.fragment;
    for (size_t i = 0; i < r; ++i) reads[1][i] = Complement(genome[end - 1 - i]);
    for (int side = 0; side < 2; ++side) {
        qualities[side].assign(r, 'I');
        if (errorPercent >= 0) {
            AddRisingErrors(noise, errorPercent, reads[side], qualities[side]);
            continue;
        }
        for (size_t i = 0; i < r; ++i) {
            const uint64_t roll = noise() % 1000;
            if (roll < 1) {
                reads[side][i] = "ACGT"[noise() & 3];
                if (noise() % 10 < 7) qualities[side][i] = '#';
            } else if (roll < 21) {
                qualities[side][i] = '+';
            }
        }
    }
}

// The pairs as FASTQ, pair p named p<p>.
bool WriteFastq(const std::string& folder, const std::string& genome,
                const std::vector<Pair>& pairs, int readLength, double errorPercent) {
    std::ofstream out[2] = {std::ofstream(folder + "/reads_1.fq", std::ios::binary),
                            std::ofstream(folder + "/reads_2.fq", std::ios::binary)};
    std::string reads[2], qualities[2], text;
    for (size_t p = 0; p < pairs.size(); ++p) {
        ReadsOf(genome, pairs[p], readLength, errorPercent, reads, qualities);
        for (int side = 0; side < 2; ++side) {
            text = "@p" + std::to_string(p) + "/" + std::to_string(side + 1) + "\n" + reads[side] +
                   "\n+\n" + qualities[side] + "\n";
            out[side] << text;
        }
    }
    return out[0].flush() && out[1].flush();
}

}  // namespace

int main(int argc, char** argv) {
    const bool fastq = argc > 1 && std::string(argv[1]) == "--fastq";
    if (fastq) {
        --argc;
        ++argv;
    }
    if (argc < 8 || argc > 10) {
        std::fputs(
            "Usage: lorvex-bench-data [--fastq] FOLDER GENOME_LENGTH COVERAGE READ_LENGTH "
            "FRAGMENT STOP_AT SEED [REPEAT_COPIES [ERROR_PERCENT]]\n",
            stderr);
        return 2;
    }
    const std::string folder = argv[1];
    const size_t genomeLength = std::strtoull(argv[2], nullptr, 10);
    const double coverage = std::strtod(argv[3], nullptr);
    const int readLength = std::atoi(argv[4]);
    const int fragment = std::atoi(argv[5]);
    const size_t stopAt = std::strtoull(argv[6], nullptr, 10);
    Random random(std::strtoull(argv[7], nullptr, 10));
    const int repeatCopies = argc >= 9 ? std::atoi(argv[8]) : 60;
    // Below 0: the default noise, 0.1 % miscalls along the whole read.
    const double errorPercent = argc == 10 ? std::strtod(argv[9], nullptr) : -1.0;

    const std::string genome = MakeGenome(random, genomeLength, repeatCopies);
    {
        std::ofstream fasta(folder + "/genome.fa", std::ios::binary);
        fasta << ">genome\n";
        for (size_t i = 0; i < genome.size(); i += 80) fasta << genome.substr(i, 80) << '\n';
    }

    const size_t pairCount =
        static_cast<size_t>(coverage * static_cast<double>(genomeLength) / (2.0 * readLength));
    std::normal_distribution<double> fragmentLength(fragment, fragment / 40.0);
    std::vector<Pair> pairs(pairCount);
    for (Pair& pair : pairs) {
        do {
            const int length =
                std::clamp(static_cast<int>(fragmentLength(random)), readLength, 2 * fragment);
            pair.fragment = static_cast<uint16_t>(length);
            pair.start =
                static_cast<uint32_t>(random() % (genomeLength - static_cast<size_t>(length)));
        } while (pair.start + pair.fragment > stopAt && pair.start < stopAt + uncoveredLength);
        pair.noiseSeed = random();
    }
    if (fastq) {
        std::printf("%zu bases, %zu pairs\n", genome.size(), pairCount);
        return WriteFastq(folder, genome, pairs, readLength, errorPercent) ? 0 : 1;
    }

    // Both orientations of every pair, grouped by the prefix code of the
    // first read in ascending order.
    std::vector<TableLine> lines;
    lines.reserve(2 * pairCount);
    std::string reads[2], qualities[2];
    for (uint32_t p = 0; p < pairCount; ++p) {
        ReadsOf(genome, pairs[p], readLength, errorPercent, reads, qualities);
        lines.push_back({PrefixCode(reads[0].data()), p, false});
        lines.push_back({PrefixCode(reads[1].data()), p, true});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const TableLine& a, const TableLine& b) { return a.code < b.code; });

    std::ofstream table(folder + "/reads.table", std::ios::binary);
    std::ofstream index(folder + "/reads.index", std::ios::binary);
    std::string text;
    for (size_t i = 0; i < lines.size();) {
        size_t groupEnd = i;
        std::string key;
        while (groupEnd < lines.size() && lines[groupEnd].code == lines[i].code) {
            const TableLine& line = lines[groupEnd];
            ReadsOf(genome, pairs[line.pair], readLength, errorPercent, reads, qualities);
            const int first = line.swapped ? 1 : 0;
            text = reads[first] + '\t' + reads[1 - first] + '\t' + qualities[first] + '\t' +
                   qualities[1 - first] + '\n';
            table << text;
            if (key.empty()) key = reads[first].substr(0, 12);
            ++groupEnd;
        }
        index << key << '\t' << (groupEnd - i) << '\n';
        i = groupEnd;
    }
    std::printf("%zu bases, %zu pairs, %zu table lines\n", genome.size(), pairCount, lines.size());
    return table && index ? 0 : 1;
}
