#include "tool/number_arguments.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

#include "base/errors.h"

namespace lorvex {

int32_t ParseIntegerArgument(const std::string& text, const std::string& name) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || *end != '\0')
        throw UsageError(name + " must be a whole number, not '" + text + "'");
    if (errno == ERANGE || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max())
        throw UsageError(name + " " + text + " is outside the range of a 32-bit integer");
    return static_cast<int32_t>(value);
}

double ParseNumberArgument(const std::string& text, const std::string& name) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == text.c_str() || *end != '\0')
        throw UsageError(name + " must be a number, not '" + text + "'");
    return value;
}

float ParseRatioArgument(const std::string& text, const std::string& name) {
    return static_cast<float>(ParseNumberArgument(text, name));
}

}  // namespace lorvex
