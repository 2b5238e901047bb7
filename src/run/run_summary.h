// The pieces every batch program's closing summary is made of.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "base/number_text.h"
#include "run/repeat_guard_setup.h"

namespace lorvex {

// "repeat 10, no-votes 2": each count after its key's label, in key order.
template <typename Key, typename Label>
std::string LabelledCounts(const std::map<Key, size_t>& counts, Label label) {
    std::string text;
    for (const auto& [key, count] : counts)
        text += (text.empty() ? "" : ", ") + std::string(label(key)) + " " + WithThousands(count);
    return text;
}

// " in 3.2 s".
std::string SecondsTaken(double seconds);

// How a summary ends: "; <the guard>" when a guard was set up, the peak
// memory, the line end.
std::string SummaryEnd(const GuardSetting* guard);

}  // namespace lorvex
