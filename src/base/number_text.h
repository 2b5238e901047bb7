// Numbers as the programs' messages and summaries write them.
#pragma once

#include <cstdint>
#include <string>

namespace lorvex {

// 1234567 -> "1,234,567".
std::string WithThousands(uint64_t value);

// 18.46 -> "18.5", 19.0 -> "19": one decimal, none when it is 0.
std::string WithOneDecimal(double value);

// The shortest text that reads back (strtod) as exactly `value`: "19", "18.5".
std::string ExactText(double value);

// (3.14159, 2) -> "3.14": a fixed number of decimals.
std::string FixedText(double value, int decimals);

// 0.7f -> "0.7": a ratio as a command line gives it (the shortest "%g" form).
std::string RatioText(float ratio);

// 1536 -> "1.5 KiB"; below 1 KiB "512 bytes".
std::string HumanBytes(uint64_t bytes);

// 1 -> "1 seed", 1234 -> "1,234 seeds": a count with its noun, in the
// singular for one; `plural` for nouns that do not just take an "s".
std::string Counted(uint64_t count, const std::string& noun, const std::string& plural = "");

// "record 1,204", "line 17".
std::string RecordLabel(uint64_t record);
std::string LineLabel(uint64_t line);

}  // namespace lorvex
