#include "base/number_text.h"

#include <charconv>
#include <cstdio>

namespace lorvex {

std::string WithThousands(uint64_t value) {
    const std::string digits = std::to_string(value);
    std::string text;
    text.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
        text.push_back(digits[i]);
    }
    return text;
}

std::string WithOneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string result = text;
    if (result.size() > 2 && result.compare(result.size() - 2, 2, ".0") == 0)
        result.resize(result.size() - 2);
    return result;
}

std::string FixedText(double value, int decimals) {
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string RatioText(float ratio) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(ratio));
    return text;
}

std::string ExactText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string HumanBytes(uint64_t bytes) {
    const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    if (unit == 0)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::string Counted(uint64_t count, const std::string& noun, const std::string& plural) {
    if (count == 1) return "1 " + noun;
    return WithThousands(count) + " " + (plural.empty() ? noun + "s" : plural);
}

std::string RecordLabel(uint64_t record) {
    return "record " + WithThousands(record);
}

std::string LineLabel(uint64_t line) {
    return "line " + WithThousands(line);
}

}  // namespace lorvex
