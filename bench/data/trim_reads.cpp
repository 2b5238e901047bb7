// lorvex-bench-trim: turns simulated paired reads into reads as they come
// out of quality trimming.
//
//   lorvex-bench-trim --in1 R1.fq --in2 R2.fq --out PREFIX [--full 0.45]
//       [--min-length 30] [--seed 1]
//
// Each read keeps its full length with probability `--full`; otherwise it is
// cut to a length from `--min-length` to one base short of full, longer cuts
// the more likely (weight L - min + 1, as trimming mostly removes a short
// tail). With the defaults about a fifth of the pairs keep both reads whole,
// two thirds keep both at 70 bases or more. A trimmer stops where the quality
// has fallen to its threshold, so the last 3 to 12 bases of a cut read get
// qualities falling to between 12 and 22, and each of them is miscalled with
// the probability its new quality states.
//
// Writes PREFIX_1.fq and PREFIX_2.fq, records in input order.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "bench_sequence.h"

namespace {

struct Record {
    std::string name, bases, plus, qualities;
};

bool ReadRecord(std::istream& in, Record& record) {
    return static_cast<bool>(std::getline(in, record.name) && std::getline(in, record.bases) &&
                             std::getline(in, record.plus) && std::getline(in, record.qualities));
}

size_t TrimmedLength(bench::Random& random, size_t full, size_t minLength, double keepFull) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (full <= minLength || unit(random) < keepFull) return full;
    // Weights 1 .. n for the lengths min .. full - 1.
    const double n = static_cast<double>(full - minLength);
    const double pick = unit(random) * n * (n + 1) / 2;
    const size_t k = static_cast<size_t>(std::ceil((std::sqrt(1 + 8 * pick) - 1) / 2));
    return minLength + std::min<size_t>(k == 0 ? 0 : k - 1, full - minLength - 1);
}

void Trim(bench::Random& random, Record& record, size_t minLength, double keepFull) {
    const size_t full = record.bases.size();
    const size_t length = TrimmedLength(random, full, minLength, keepFull);
    if (length == full) return;
    record.bases.resize(length);
    record.qualities.resize(length);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const size_t tail = std::min<size_t>(length, 3 + random() % 10);
    const int floor = 12 + static_cast<int>(random() % 11);
    for (size_t k = 0; k < tail; ++k) {
        const size_t i = length - tail + k;
        const int original = record.qualities[i] - 33;
        const int falling =
            original - (original - floor) * static_cast<int>(k + 1) / static_cast<int>(tail);
        const int quality = std::min(original, falling + static_cast<int>(random() % 5) - 2);
        if (quality >= original) continue;
        record.qualities[i] = static_cast<char>(33 + std::max(2, quality));
        if (unit(random) < std::pow(10.0, -quality / 10.0)) {
            char other;
            do other = "ACGT"[random() & 3];
            while (other == record.bases[i]);
            record.bases[i] = other;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string usage =
        "usage: lorvex-bench-trim --in1 R1.fq --in2 R2.fq --out PREFIX [--full 0.45] "
        "[--min-length 30] [--seed 1]\n";
    const bench::Options options(argc, argv,
                                 {{"in1", ""},
                                  {"in2", ""},
                                  {"out", ""},
                                  {"full", "0.45"},
                                  {"min-length", "30"},
                                  {"seed", "1"}},
                                 usage);
    if (options.Text("in1").empty() || options.Text("in2").empty() || options.Text("out").empty())
        bench::Fail(usage);
    std::ifstream in1(options.Text("in1")), in2(options.Text("in2"));
    if (!in1 || !in2) bench::Fail("lorvex-bench-trim: cannot open the input reads");
    std::ofstream out1(options.Text("out") + "_1.fq"), out2(options.Text("out") + "_2.fq");
    bench::Random random(options.Whole("seed"));
    const size_t minLength = options.Whole("min-length");
    const double keepFull = options.Number("full");
    Record first, second;
    size_t pairs = 0, whole = 0, atLeast70 = 0;
    while (ReadRecord(in1, first) && ReadRecord(in2, second)) {
        const size_t full = first.bases.size();
        Trim(random, first, minLength, keepFull);
        Trim(random, second, minLength, keepFull);
        out1 << first.name << '\n' << first.bases << "\n+\n" << first.qualities << '\n';
        out2 << second.name << '\n' << second.bases << "\n+\n" << second.qualities << '\n';
        ++pairs;
        whole += first.bases.size() == full && second.bases.size() == full;
        atLeast70 += first.bases.size() >= 70 && second.bases.size() >= 70;
    }
    out1.close();
    out2.close();
    if (!out1 || !out2) bench::Fail("lorvex-bench-trim: cannot write the trimmed reads");
    std::printf("%zu pairs, %zu (%.1f %%) with both reads whole, %zu (%.1f %%) both >= 70\n", pairs,
                whole, 100.0 * whole / pairs, atLeast70, 100.0 * atLeast70 / pairs);
    return 0;
}
