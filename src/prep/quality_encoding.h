// Which offset the quality characters of a FASTQ file use. Current files
// write Phred+33 ('!' is quality 0); older Illumina files write Phred+64
// ('@' is 0, up to 'h' or 'i'). The table holds Phred+33, so Phred+64 input
// is converted as it is read.
//
// The encoding is told from the range of the characters at the start of the
// input. Only Phred+33 reaches below ';' (Solexa +64 qualities start at ';'
// and Phred+64 at '@'), and Phred+33 short reads rarely reach above 'J'
// (quality 41), where Phred+64 has its good bases. A range that starts at
// '@' or above and reaches above 'J' is Phred+64; one that starts between
// ';' and '?' and reaches above 'J' fits Phred+33 of unusually high quality
// and Solexa +64 alike, and is left for the user to decide.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lorvex::prep {

enum class QualityEncoding { Phred33, Phred64 };

inline constexpr char phred33Lowest = '!';
inline constexpr char phred64Lowest = '@';
inline constexpr char qualityHighest = '~';
// 64 - 33: what Phred+64 characters lose to become Phred+33.
inline constexpr int phred64Shift = 31;

// The lowest and highest quality characters seen, with where the lowest one
// was (an ordinal the caller gives meaning to).
struct QualityRange {
    unsigned char lowest = 0xff;
    unsigned char highest = 0;
    uint64_t lowestAt = 0;
    void Add(std::string_view quality, uint64_t where);
    bool empty() const { return highest < lowest; }
};

// The encoding the range shows, or nothing when it cannot tell. An empty
// range is Phred+33.
std::optional<QualityEncoding> GuessEncoding(const QualityRange& range);

// Rewrites Phred+64 characters ('@' and above) as Phred+33.
void ConvertPhred64ToPhred33(char* quality, size_t size);

// The first position of a character outside lowest to '~', or npos.
size_t FindBadQuality(std::string_view quality, char lowest = phred33Lowest);

// "'h'", or "byte 0x01" for a character that does not print.
std::string DescribeByte(unsigned char byte);

}  // namespace lorvex::prep
