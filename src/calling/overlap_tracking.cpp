#include "calling/overlap_tracking.h"

#include <algorithm>

namespace lorvex {
namespace {

// The contig's last min(L, R-1) bytes, where the overlaps of a new mate lie.
std::string_view RecentTail(std::string_view contig, int32_t readLength) {
    return contig.substr(contig.size() -
                         std::min(contig.size(), static_cast<size_t>(readLength - 1)));
}

}  // namespace

TrackedQueueSet::TrackedQueueSet(size_t slotCount, int32_t readLength)
    : readLength_(readLength),
      slotBegin_(slotCount, 0),
      slotEnd_(slotCount, 0),
      mates_(readLength),
      blocks_(readLength),
      repeats_(readLength) {}

void TrackedQueueSet::AddMate(size_t i, const char* mate, const uint8_t* quality,
                              std::string_view contig) {
    const size_t slot = (oldestSlot_ + i) % slotBegin_.size();
    if (slotBegin_[slot] == slotEnd_[slot]) slotBegin_[slot] = slotEnd_[slot] = mates_.End();
    const uint64_t number = mates_.Add(mate, quality);
    slotEnd_[slot] = mates_.End();
    if (!TracksOverlaps(readLength_)) return;
    // The overlaps the mate has already: only where the contig's 20 bytes
    // have the mate's key can one start.
    recentTail_.Follow(RecentTail(contig, readLength_));
    const TailOverlaps overlaps = recentTail_.OverlapsOf(mate, mates_.Key(number));
    if (overlaps.count == 1)
        blocks_.Add(mates_, number, overlaps.overlap);
    else if (overlaps.count > 1)
        MoveToRepeats(number, contig);
}

int64_t TrackedQueueSet::MateCount() const {
    int64_t mates = 0;
    for (size_t slot = 0; slot < slotBegin_.size(); ++slot)
        mates += static_cast<int64_t>(slotEnd_[slot] - slotBegin_[slot]);
    return mates;
}

void TrackedQueueSet::RecycleOldestSlot() {
    const size_t slot = oldestSlot_;
    oldestSlot_ = (oldestSlot_ + 1) % slotBegin_.size();
    const bool dropsMates = slotBegin_[slot] != slotEnd_[slot];
    if (dropsMates) mates_.DropBefore(slotEnd_[slot]);
    slotBegin_[slot] = slotEnd_[slot] = mates_.End();
    if (!dropsMates) return;
    // The dropped mates' overlaps die with them.
    repeats_.DropMatesBefore(mates_.First(), mates_);
    blocks_.DropMatesBefore(mates_.First());
}

BaseVotes TrackedQueueSet::Votes(Variant variant) const {
    BaseVotes votes = blocks_.Votes();
    repeats_.AddVotes(variant, votes);
    return votes;
}

// A mate with a second living overlap (in a repeat) moves to the repeats.
void TrackedQueueSet::MoveToRepeats(uint64_t mate, std::string_view contig) {
    blocks_.Kill(mates_, mate);
    repeats_.Add(mates_, mate, contig);
}

// Births: mates whose first 20 bytes equal the contig's last 20, taken
// oldest first. A mate that has a living overlap already moves to the
// repeats, and one followed there already stays.
void TrackedQueueSet::FindBirths(std::string_view contig) {
    born_.clear();
    if (contig.size() < static_cast<size_t>(overlapKeyLength)) return;
    mates_.ForEachStartingWith(contig.data() + contig.size() - overlapKeyLength,
                               [&](uint64_t mate) {
                                   if (mates_.RepeatIndex(mate) >= 0) return;
                                   if (mates_.Block(mate) != noBlock)
                                       MoveToRepeats(mate, contig);
                                   else
                                       born_.push_back(mate);
                               });
    std::reverse(born_.begin(), born_.end());
}

void TrackedQueueSet::Append(std::string_view contig) {
    if (contig.empty()) return;
    LaneVoteCounter nextVotes = blocks_.Advance(static_cast<uint8_t>(contig.back()), mates_);
    repeats_.Advance(contig.back(), mates_);
    if (TracksOverlaps(readLength_)) {
        FindBirths(contig);
        // New mates look for the overlaps they have already among these keys.
        recentTail_.MoveOn(RecentTail(contig, readLength_));
        blocks_.AddBorn(mates_, born_, nextVotes);
    }
    blocks_.KeepVotes(nextVotes);
}

}  // namespace lorvex
