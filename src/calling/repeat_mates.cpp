#include "calling/repeat_mates.h"

namespace lorvex {

void RepeatMates::Add(TrackedMates& mates, uint64_t mate, std::string_view contig) {
    const int32_t r = slot_.readLength;
    const uint8_t* bytes = mates.Bytes(mate);
    // Qualities that qualify exactly where the vote codes say so.
    quality_.resize(static_cast<size_t>(r));
    for (int32_t o = 0; o < r; ++o)
        quality_[o] = bytes[r + o] == silentVoteCode ? 0 : qualityThreshold + 1;
    AddMate(slot_, reinterpret_cast<const char*>(bytes), quality_.data(), contig);
    mates.SetRepeatIndex(mate, static_cast<int32_t>(numbers_.size()));
    numbers_.push_back(mate);
}

void RepeatMates::Remove(int32_t index, TrackedMates& mates) {
    mates.SetRepeatIndex(numbers_[index], -1);
    RemoveMate(slot_, index);
    numbers_[index] = numbers_.back();
    numbers_.pop_back();
    if (static_cast<size_t>(index) < numbers_.size()) mates.SetRepeatIndex(numbers_[index], index);
}

void RepeatMates::Advance(char appended, TrackedMates& mates) {
    if (slot_.count == 0) return;
    AppendBaseToSlot(slot_, appended);
    for (int32_t index = slot_.count; index-- > 0;)
        if (!HasVotingOverlap(slot_, index)) Remove(index, mates);
}

void RepeatMates::DropMatesBefore(uint64_t firstMate, TrackedMates& mates) {
    for (int32_t index = static_cast<int32_t>(numbers_.size()); index-- > 0;)
        if (numbers_[index] < firstMate) Remove(index, mates);
}

void RepeatMates::AddVotes(Variant variant, BaseVotes& votes) const {
    if (slot_.count > 0) AddSlotVotes(slot_, variant, votes);
}

}  // namespace lorvex
