#include "calling/overlap_voting.h"

namespace lorvex {

void AddVote(BaseVotes& votes, char base) {
    switch (base) {
        case 'A': ++votes.a; break;
        case 'C': ++votes.c; break;
        case 'G': ++votes.g; break;
        case 'T': ++votes.t; break;
        default: break;
    }
}

}  // namespace lorvex
