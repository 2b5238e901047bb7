#include "extension/fragment_sample.h"

#include <algorithm>
#include <memory>

#include "base/worker_pool.h"
#include "extension/run_setup.h"
#include "mates/mate_fetch.h"
#include "seq/nucleotide.h"

namespace lorvex {
namespace {

// Long enough that a chance hit in a sequence of a few megabases is rare
// (and the whole comparison rejects it), short enough that three probes fit
// in any read.
constexpr int32_t probeLength = 16;
// A probe k-mer found more often than this lies in a repeat, where the mate
// could not be placed for certain anyway.
constexpr size_t mostProbeHits = 16;

// Every k-mer of A, C, G, T of a sequence with its start, sorted by k-mer:
// (code << 32) | start.
class KmerTable {
  public:
    KmerTable(std::string_view sequence, int32_t k) : k_(k) {
        const uint64_t mask = (uint64_t{1} << (2 * k)) - 1;
        uint64_t code = 0;
        int32_t valid = 0;  // bases of A, C, G, T ending here
        for (size_t i = 0; i < sequence.size(); ++i) {
            const int digit = BaseIndex(sequence[i]);
            valid = digit < 0 ? 0 : valid + 1;
            code = ((code << 2) | static_cast<uint64_t>(std::max(digit, 0))) & mask;
            if (valid >= k)
                entries_.push_back(code << 32 |
                                   static_cast<uint64_t>(i + 1 - static_cast<size_t>(k)));
        }
        std::sort(entries_.begin(), entries_.end());
    }

    // The starts of the k-mer at `bases` (none when it holds another byte).
    std::pair<const uint64_t*, const uint64_t*> Starts(const char* bases) const {
        uint64_t code = 0;
        for (int32_t i = 0; i < k_; ++i) {
            const int digit = BaseIndex(bases[i]);
            if (digit < 0) return {nullptr, nullptr};
            code = (code << 2) | static_cast<uint64_t>(digit);
        }
        const auto first =
            std::lower_bound(entries_.begin(), entries_.end(), code,
                             [](uint64_t entry, uint64_t key) { return (entry >> 32) < key; });
        const auto last =
            std::upper_bound(first, entries_.end(), code,
                             [](uint64_t key, uint64_t entry) { return key < (entry >> 32); });
        return {std::to_address(first), std::to_address(last)};
    }

    int32_t K() const { return k_; }

  private:
    int32_t k_;
    std::vector<uint64_t> entries_;
};

bool FitsWithin(const char* mate, const char* place, int32_t readLength, int32_t mismatches) {
    for (int32_t i = 0; i < readLength; ++i)
        if (mate[i] != place[i] && --mismatches < 0) return false;
    return true;
}

// Where the mate lies in the sequence: its only start, -1 when it fits
// nowhere, -2 when it fits at more than one place.
int64_t PlaceMate(const char* mate, std::string_view sequence, const KmerTable& kmers,
                  int32_t readLength, std::vector<int64_t>& candidates) {
    const int32_t k = kmers.K();
    if (readLength < k) return -1;  // too short to probe (compact tables only)
    const int64_t lastStart = static_cast<int64_t>(sequence.size()) - readLength;
    candidates.clear();
    for (const int32_t offset : {0, (readLength - k) / 2, readLength - k}) {
        const auto [first, last] = kmers.Starts(mate + offset);
        if (static_cast<size_t>(last - first) > mostProbeHits) continue;
        for (const uint64_t* hit = first; hit != last; ++hit) {
            const int64_t start = static_cast<int64_t>(*hit & 0xffffffffu) - offset;
            if (start >= 0 && start <= lastStart) candidates.push_back(start);
        }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    int64_t placed = -1;
    for (const int64_t start : candidates)
        if (FitsWithin(mate, sequence.data() + start, readLength,
                       PlacementMismatches(readLength))) {
            if (placed >= 0) return -2;
            placed = start;
        }
    return placed;
}

// The most pairs a window may anchor and still count: far above what one
// copy gives (a Poisson law around the median of the windows that anchor
// any), below what a window shared by many copies of a repeat gathers,
// whose mates, placed on copies inside the sequence, give false lengths.
int32_t MostPairsPerWindow(std::vector<int32_t> counts) {
    std::erase(counts, 0);
    if (counts.empty()) return 0;
    const auto middle = counts.begin() + static_cast<std::ptrdiff_t>(counts.size() / 2);
    std::nth_element(counts.begin(), middle, counts.end());
    return 4 * *middle + 4;
}

void SampleSequence(std::string_view sequence, const RunInputs& inputs, Variant variant,
                    FragmentSample& sample) {
    sequence = SampledStretch(sequence);
    const int32_t readLength = inputs.ReadLength();
    const int64_t lastWindow = static_cast<int64_t>(sequence.size()) - readLength;
    if (lastWindow < 0) return;
    const KmerTable kmers(sequence, std::min(probeLength, readLength));
    SelectedMates selected;
    std::vector<int64_t> candidates;
    std::vector<int32_t> pairsPerWindow;
    // Per window, its placed lengths: counted once the windows' usual
    // number of pairs is known.
    std::vector<std::vector<int32_t>> lengths;
    const AnchorRule anchor = VariantAnchor(inputs, variant);
    for (int64_t window = 0; window <= lastWindow; ++window) {
        FetchMates(sequence.data() + window, inputs, anchor, selected);
        pairsPerWindow.push_back(selected.count);
        lengths.emplace_back();
        for (int32_t i = 0; i < selected.count; ++i) {
            ++sample.mates;
            // A mate placed by its own bases: its end is the fragment's,
            // however much of its other end was trimmed.
            const int32_t mateLength = selected.MateLength(i);
            const int64_t start =
                PlaceMate(selected.Mate(i), sequence, kmers, mateLength, candidates);
            if (start == -2) {
                ++sample.ambiguous;
            } else if (start < window) {
                ++sample.unplaced;
            } else {
                lengths.back().push_back(static_cast<int32_t>(start + mateLength - window));
            }
        }
    }
    const int32_t most = MostPairsPerWindow(pairsPerWindow);
    for (size_t window = 0; window < lengths.size(); ++window) {
        if (pairsPerWindow[window] > most) {
            sample.ambiguous += lengths[window].size();
            continue;
        }
        sample.fragmentLengths.insert(sample.fragmentLengths.end(), lengths[window].begin(),
                                      lengths[window].end());
    }
}

}  // namespace

int32_t PlacementMismatches(int32_t readLength) {
    return readLength / 10;
}

std::string_view SampledStretch(std::string_view sequence) {
    return sequence.substr(sequence.size() - std::min(sequence.size(), mostSampledBases));
}

FragmentSample SampleFragments(const std::vector<std::string_view>& sequences,
                               const RunInputs& inputs, Variant variant, unsigned threads) {
    std::vector<FragmentSample> parts(WorkersFor(sequences.size(), threads));
    ForEachItem(sequences.size(), threads, [&](size_t item, unsigned worker) {
        SampleSequence(sequences[item], inputs, variant, parts[worker]);
    });

    FragmentSample sample;
    sample.readLength = inputs.ReadLength();
    for (const FragmentSample& part : parts) {
        sample.fragmentLengths.insert(sample.fragmentLengths.end(), part.fragmentLengths.begin(),
                                      part.fragmentLengths.end());
        sample.mates += part.mates;
        sample.unplaced += part.unplaced;
        sample.ambiguous += part.ambiguous;
    }
    std::sort(sample.fragmentLengths.begin(), sample.fragmentLengths.end());
    for (const std::string_view sequence : sequences)
        sample.sequenceLengths.push_back(static_cast<int32_t>(SampledStretch(sequence).size()));
    std::sort(sample.sequenceLengths.begin(), sample.sequenceLengths.end());
    return sample;
}

}  // namespace lorvex
