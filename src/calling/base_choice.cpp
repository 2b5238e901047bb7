#include "calling/base_choice.h"

#include <cstring>

namespace lorvex {

TieBreakSource::TieBreakSource(bool privateState) : privateState_(privateState) {
    if (privateState_) Seed();
}

// random_data points into its state buffer, so a moved source is seeded
// afresh rather than copied; sources are only moved before their first draw.
TieBreakSource::TieBreakSource(TieBreakSource&& other) noexcept
    : privateState_(other.privateState_) {
    if (privateState_) Seed();
}

void TieBreakSource::Seed() {
    std::memset(&state_, 0, sizeof state_);
    initstate_r(1, stateBuffer_, sizeof stateBuffer_, &state_);
}

int TieBreakSource::Draw() {
    if (!privateState_) return std::rand();
    int32_t value = 0;
    random_r(&state_, &value);
    return value;
}

char ChooseBase(const BaseVotes& votes, TieBreakSource& source) {
    const int32_t counts[4] = {votes.a, votes.c, votes.g, votes.t};
    int32_t highest = counts[0];
    for (int32_t count : counts) highest = count > highest ? count : highest;
    if (highest <= 0 && counts[0] == counts[1] && counts[1] == counts[2] && counts[2] == counts[3])
        return 'N';
    char tied[4];
    int tiedCount = 0;
    for (int slot = 0; slot < 4; ++slot)
        if (counts[slot] == highest) tied[tiedCount++] = "ACGT"[slot];
    if (tiedCount == 1) return tied[0];
    const int draw = source.Draw();
    if (tiedCount == 2) return tied[draw & 1];
    return tied[draw % tiedCount];
}

void UpdateContig(std::string& contig, const BaseVotes& votes, TieBreakSource& source) {
    contig.push_back(ChooseBase(votes, source));
}

}  // namespace lorvex
