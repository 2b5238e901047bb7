#include "test_support.h"

#include <stdlib.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>

#include "seq/nucleotide.h"

namespace lorvex::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "lorvex-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& contents) const {
    const std::string path = path_ + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

std::vector<std::string> FolderEntries(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string TableLine(const ReadPair& pair, const std::string& lineEnd) {
    const auto quality = [&](const std::string& given) {
        return given.empty() ? std::string(pair.first.size(), 'I') : given;
    };
    return pair.first + "\t" + pair.second + "\t" + quality(pair.firstQuality) + "\t" +
           quality(pair.secondQuality) + lineEnd;
}

TableFiles WriteTableAndIndex(const TempDir& dir, const std::vector<ReadPair>& pairs,
                              const std::string& lineEnd) {
    std::map<uint32_t, std::vector<const ReadPair*>> groups;
    for (const ReadPair& pair : pairs) groups[DnaToUint(pair.first.c_str(), 12)].push_back(&pair);
    std::string table, index;
    for (const auto& [code, members] : groups) {
        for (const ReadPair* pair : members) table += TableLine(*pair, lineEnd);
        index +=
            members.front()->first.substr(0, 12) + "\t" + std::to_string(members.size()) + "\n";
    }
    return TableFiles{dir.Write("reads.table", table), dir.Write("reads.index", index)};
}

LoadedTable LoadTable(const TableFiles& files) {
    LoadedTable loaded;
    const TableLayout layout = MeasureTable(files.table);
    LoadIndexChecked(files.index, files.table, layout, loaded.index);
    loaded.denseIndex = AllocateDensePrefixTables();
    LoadIndex(files.index, files.table, loaded.denseIndex.offsets, loaded.denseIndex.counts,
              prefixLength);
    loaded.stream = std::make_unique<TableStream>(OpenTableStream(files.table, layout));
    return loaded;
}

std::string ReverseComplementOf(std::string sequence) {
    ReverseComplement(sequence.data(), static_cast<int32_t>(sequence.size()));
    return sequence;
}

std::string RandomBases(uint64_t seed, size_t length) {
    std::mt19937_64 generator(seed);
    std::string bases(length, 'A');
    for (char& base : bases) base = "ACGT"[generator() & 3];
    return bases;
}

std::vector<ReadPair> SampleReadPairs(const std::string& genome, uint64_t seed, int readLength,
                                      int fragmentLength, int pairCount, int errorEvery) {
    std::mt19937_64 generator(seed);
    std::vector<ReadPair> pairs;
    const auto quality = [&]() {
        std::string text(static_cast<size_t>(readLength), 'I');
        for (char& q : text) q = generator() % 8 == 0 ? '5' : (generator() % 2 ? 'I' : '?');
        return text;
    };
    const auto miscall = [&](std::string read) {
        for (char& base : read)
            if (generator() % static_cast<uint64_t>(errorEvery) == 0)
                base = "ACGT"[generator() & 3];
        return read;
    };
    for (int i = 0; i < pairCount; ++i) {
        const int fragment = fragmentLength - 10 + static_cast<int>(generator() % 21);
        const size_t start = generator() % (genome.size() - static_cast<size_t>(fragment));
        const std::string first = miscall(genome.substr(start, readLength));
        const std::string second =
            miscall(ReverseComplementOf(genome.substr(start + fragment - readLength, readLength)));
        const std::string q1 = quality(), q2 = quality();
        pairs.push_back({first, second, q1, q2});
        pairs.push_back({second, first, q2, q1});
    }
    return pairs;
}

SimulatedReads SimulateReads(uint64_t seed, size_t genomeLength, int readLength, int fragmentLength,
                             int pairCount, int errorEvery) {
    SimulatedReads reads;
    reads.genome = RandomBases(seed * 7919 + 1, genomeLength);
    reads.pairs =
        SampleReadPairs(reads.genome, seed, readLength, fragmentLength, pairCount, errorEvery);
    return reads;
}

namespace {

// The text deflated in one go: windowBits 15 + 16 gives a gzip member, -15
// a raw deflate stream.
std::string Deflated(const std::string& text, int windowBits) {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace

std::string GzipBytes(const std::string& text) {
    return Deflated(text, 15 + 16);
}

void WriteGzip(const std::string& path, const std::string& text, int members) {
    std::string bytes;
    const size_t part = text.size() / static_cast<size_t>(members) + 1;
    for (size_t start = 0; start < text.size(); start += part)
        bytes += GzipBytes(text.substr(start, part));
    std::ofstream(path, std::ios::binary) << bytes;
}

namespace {

// One BGZF block: a gzip member with the "BC" extra field that gives the
// block's size, holding a raw deflate stream of at most 64 KiB of text.
std::string BgzfBlock(const std::string& text) {
    const std::string deflated = Deflated(text, -15);
    const size_t blockSize = 18 + deflated.size() + 8;
    std::string block = {'\x1f', '\x8b', '\x08', '\x04', 0,   0,   0, 0,
                         0,      '\xff', 6,      0,      'B', 'C', 2, 0};
    block += static_cast<char>((blockSize - 1) & 0xff);
    block += static_cast<char>((blockSize - 1) >> 8);
    block += deflated;
    const auto little32 = [&block](uint32_t value) {
        for (int i = 0; i < 4; ++i) block += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    little32(static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()))));
    little32(static_cast<uint32_t>(text.size()));
    return block;
}

}  // namespace

void WriteBgzf(const std::string& path, const std::string& text) {
    std::string bytes;
    for (size_t start = 0; start < text.size(); start += 60000)
        bytes += BgzfBlock(text.substr(start, 60000));
    bytes += BgzfBlock("");  // the end-of-file marker block
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace lorvex::testing
