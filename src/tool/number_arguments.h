// The numbers of a command line: whole numbers by the strtol rules, ratios
// by the strtod rules, each refused with a UsageError naming the argument.
#pragma once

#include <cstdint>
#include <string>

namespace lorvex {

int32_t ParseIntegerArgument(const std::string& text, const std::string& name);
float ParseRatioArgument(const std::string& text, const std::string& name);
double ParseNumberArgument(const std::string& text, const std::string& name);

}  // namespace lorvex
