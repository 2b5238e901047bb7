#include "prep/quality_encoding.h"

#include <cstdio>

namespace lorvex::prep {
namespace {

// The highest character Phred+33 short reads commonly reach (quality 41),
// and the lowest one a +64 encoding ever writes (Solexa -5).
constexpr unsigned char phred33CommonHighest = 'J';
constexpr unsigned char solexaLowest = ';';

}  // namespace

void QualityRange::Add(std::string_view quality, uint64_t where) {
    for (const char c : quality) {
        const unsigned char value = static_cast<unsigned char>(c);
        if (value < lowest) {
            lowest = value;
            lowestAt = where;
        }
        if (value > highest) highest = value;
    }
}

std::optional<QualityEncoding> GuessEncoding(const QualityRange& range) {
    if (range.empty() || range.highest <= phred33CommonHighest || range.lowest < solexaLowest)
        return QualityEncoding::Phred33;
    if (range.lowest >= static_cast<unsigned char>(phred64Lowest)) return QualityEncoding::Phred64;
    return std::nullopt;
}

void ConvertPhred64ToPhred33(char* quality, size_t size) {
    for (size_t i = 0; i < size; ++i) quality[i] = static_cast<char>(quality[i] - phred64Shift);
}

size_t FindBadQuality(std::string_view quality, char lowest) {
    // One branch-free pass decides; only a bad string is searched again.
    const unsigned char span = static_cast<unsigned char>(qualityHighest - lowest);
    unsigned char bad = 0;
    for (const char c : quality) bad |= static_cast<unsigned char>(c - lowest) > span;
    if (!bad) return std::string_view::npos;
    for (size_t i = 0; i < quality.size(); ++i)
        if (static_cast<unsigned char>(quality[i] - lowest) > span) return i;
    return std::string_view::npos;
}

std::string DescribeByte(unsigned char byte) {
    char text[32];
    if (byte >= 32 && byte < 127)
        std::snprintf(text, sizeof text, "'%c'", byte);
    else
        std::snprintf(text, sizeof text, "byte 0x%02x", byte);
    return text;
}

}  // namespace lorvex::prep
