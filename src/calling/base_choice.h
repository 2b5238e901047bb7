// Base choice and contig growth: the base with strictly the most votes is
// appended; a tie among the highest counts is settled by one draw of the
// pseudo-random generator, in the order A, C, G, T.
#pragma once

#include <cstdlib>
#include <string>

#include "calling/overlap_voting.h"

namespace lorvex {

// Where tie-breaking draws come from. The programs draw from the process's
// own rand(), never seeded. A private source keeps its own state, started
// where an unseeded rand() starts (seed 1), so that one run's draws do not
// depend on what ran before it in the same process or on other threads.
class TieBreakSource {
  public:
    static TieBreakSource ProcessRand() { return TieBreakSource(false); }
    static TieBreakSource Private() { return TieBreakSource(true); }
    TieBreakSource(TieBreakSource&& other) noexcept;
    TieBreakSource(const TieBreakSource&) = delete;
    TieBreakSource& operator=(const TieBreakSource&) = delete;
    TieBreakSource& operator=(TieBreakSource&&) = delete;

    int Draw();

  private:
    explicit TieBreakSource(bool privateState);
    void Seed();
    bool privateState_;
    random_data state_{};
    char stateBuffer_[128]{};
};

// The base that the votes choose, drawing once from source on a tie at the
// top; 'N' when all four are 0 or less.
char ChooseBase(const BaseVotes& votes, TieBreakSource& source);

// Appends the chosen base to the contig.
void UpdateContig(std::string& contig, const BaseVotes& votes, TieBreakSource& source);

}  // namespace lorvex
