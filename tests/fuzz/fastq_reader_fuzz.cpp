// lorvex-prep's FASTQ reader on any bytes, plain or gzip-compressed, whole,
// cut short or damaged. Plain input is held against a small reference
// parser of the format (four lines per record, LF or CR LF, '@' header, '+'
// separator, quality as long as the sequence and within '!' to '~', blank
// lines, stray CRs included, tolerated after the last record): the reader must hand out exactly
// the records the reference finds before the first broken one, and fail
// exactly when the reference finds one. Compressed input must read like the
// plain text, a cut stream must fail, and a damaged one must fail or read
// like the plain text. Reading in pairs must fail on an odd record count.
//
// Input: one byte of mode, then the file's text.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "input/input_file.h"
#include "prep/fastq_reader.h"
#include "prep/paired_input.h"

using namespace lorvex;
using lorvex::prep::FastqReader;
using lorvex::prep::FastqRecord;

namespace {

struct Record {
    std::string header, sequence, quality;
    bool operator==(const Record&) const = default;
};

struct Reading {
    std::vector<Record> records;
    bool failed = false;
};

// The format, spelled out line by line.
Reading ReferenceParse(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    Reading reading;
    size_t i = 0;
    while (i < lines.size()) {
        bool onlyBlankLeft = true;
        // Stray CRs count as blank there too.
        for (size_t k = i; k < lines.size(); ++k)
            onlyBlankLeft =
                onlyBlankLeft && lines[k].find_first_not_of('\r') == std::string_view::npos;
        if (onlyBlankLeft) break;
        if (i + 4 > lines.size() || lines[i].empty() || lines[i][0] != '@' ||
            lines[i + 2].empty() || lines[i + 2][0] != '+' ||
            lines[i + 3].size() != lines[i + 1].size() ||
            prep::FindBadQuality(lines[i + 3]) != std::string_view::npos) {
            reading.failed = true;
            return reading;
        }
        reading.records.push_back(Record{std::string(lines[i].substr(1)), std::string(lines[i + 1]),
                                         std::string(lines[i + 3])});
        i += 4;
    }
    return reading;
}

// A reference check of FindBadQuality itself, the way the format says it.
bool QualityIsValid(std::string_view quality) {
    for (const char c : quality)
        if (c < '!' || c > '~') return false;
    return true;
}

Reading ReadWith(const std::string& path, int perCall) {
    Reading reading;
    try {
        FastqReader reader(path);
        FastqRecord records[2];
        while (reader.Next(records, perCall)) {
            for (int i = 0; i < perCall; ++i) {
                const FastqRecord& r = records[i];
                fuzzing::Check(r.sequence.size() == r.quality.size() && QualityIsValid(r.quality),
                               "the reader hands out only valid records");
                reading.records.push_back(
                    Record{std::string(r.header), std::string(r.sequence), std::string(r.quality)});
            }
        }
    } catch (const InputError&) {
        reading.failed = true;
    }
    return reading;
}

std::string Gzip(std::string_view text) {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        fuzzing::Fail("deflateInit2 failed");
    std::string out(deflateBound(&stream, text.size()) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) fuzzing::Fail("deflate failed");
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// What the reader must do with the records of `expected` read perCall at a
// time: records of a broken or incomplete last group are not handed out.
void CheckReading(const Reading& got, const Reading& expected, int perCall,
                  const std::string& what) {
    const size_t whole = expected.records.size() / perCall * perCall;
    const bool mustFail = expected.failed || whole != expected.records.size();
    fuzzing::Check(got.failed == mustFail, what + ": fails exactly on a broken file");
    fuzzing::Check(got.records.size() == whole &&
                       std::equal(got.records.begin(), got.records.end(), expected.records.begin()),
                   what + ": hands out the records before the first broken one");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::MemoryFile fastqFile("fastq");
    if (size == 0) return 0;
    const uint8_t mode = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const Reading expected = ReferenceParse(text);
    const int perCall = (mode & 1) ? 2 : 1;

    switch ((mode >> 1) % 4) {
        case 0: {  // plain text; zlib reads it as it is unless it starts like gzip
            fastqFile.Set(text);
            const Reading got = ReadWith(fastqFile.path(), perCall);
            if (text.size() < 2 || static_cast<uint8_t>(text[0]) != 0x1f ||
                static_cast<uint8_t>(text[1]) != 0x8b)
                CheckReading(got, expected, perCall, "plain");
            break;
        }
        case 1: {  // compressed whole
            fastqFile.Set(Gzip(text));
            CheckReading(ReadWith(fastqFile.path(), perCall), expected, perCall, "gzip");
            break;
        }
        case 2: {  // compressed, then cut anywhere before its end (an empty file is no cut)
            const std::string bytes = Gzip(text);
            fastqFile.Set(std::string_view(bytes).substr(
                0, std::max<size_t>(1, (mode >> 3) * bytes.size() / 32)));
            fuzzing::Check(ReadWith(fastqFile.path(), perCall).failed, "a cut gzip stream fails");
            break;
        }
        case 3: {  // compressed, then one byte changed
            std::string bytes = Gzip(text);
            const size_t at = (mode >> 3) * bytes.size() / 32;
            bytes[at] = static_cast<char>(bytes[at] ^ (1 + (mode >> 3)));
            fastqFile.Set(bytes);
            const Reading got = ReadWith(fastqFile.path(), perCall);
            if (!got.failed) CheckReading(got, expected, perCall, "damaged gzip read cleanly");
            break;
        }
    }

    // Interleaved pairs: the same records two by two, the names of a pair
    // compared; whatever the names, no crash and only whole pairs.
    if ((mode >> 1) % 4 == 0) {
        uint64_t pairs = 0;
        try {
            prep::PairedInput input(fastqFile.path(), (mode & 0x80) != 0);
            FastqRecord first, second;
            while (input.Next(first, second)) ++pairs;
        } catch (const InputError&) {
        }
        fuzzing::Check(pairs <= expected.records.size() / 2, "no more pairs than records");
    }
    return 0;
}
