// Inputs read the same plain, gzip-compressed in one or many members, or as
// BGZF, in reads of any size; what is cut, damaged or followed by bytes that
// are not gzip is refused, naming the file and where.
#include "input/input_stream.h"

#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::TempDir;

std::string ReadInSteps(const std::string& path, size_t step) {
    InputStream input(path);
    std::string contents, chunk(step, '\0');
    bool ended = false;
    while (const size_t got = input.Read(chunk.data(), step)) {
        EXPECT_FALSE(ended) << path << ": a short read before the end";
        ended = got < step;
        contents.append(chunk, 0, got);
    }
    EXPECT_FALSE(input.truncated()) << path;
    return contents;
}

// The message of the InputError that reading the whole file throws.
std::string Refusal(const std::string& path) {
    try {
        ReadWholeInput(path);
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

TEST(InputStream, EveryFormReadsAsThePlainText) {
    const TempDir dir;
    std::mt19937_64 random(18);
    for (const size_t size : {size_t{0}, size_t{1}, size_t{5000}, size_t{700000}}) {
        std::string text(size, 'A');
        for (char& c : text) c = static_cast<char>(random() % 256);
        if (size > 0) text[0] = '>';  // not a gzip magic by chance
        const std::string name = std::to_string(size);
        const std::vector<std::string> paths = {
            dir.Write(name + ".plain", text), dir.path() + "/" + name + ".gz",
            dir.path() + "/" + name + ".members.gz", dir.path() + "/" + name + ".bgzf"};
        testing::WriteGzip(paths[1], text);
        testing::WriteGzip(paths[2], text, 5);
        testing::WriteBgzf(paths[3], text);
        for (const std::string& path : paths) {
            EXPECT_EQ(ReadWholeInput(path), text) << path;
            for (const size_t step : {size_t{1} << 8, size_t{1} << 20})
                if (size < 10000 || step > 256) {
                    EXPECT_EQ(ReadInSteps(path, step), text) << path;
                }
        }
    }
}

TEST(InputStream, RefusesCutDamagedAndTrailingData) {
    const TempDir dir;
    std::string text;
    for (int i = 0; i < 2000; ++i) text += ">seed" + std::to_string(i) + "\nACGTTGCA\n";
    const std::string gzip = testing::GzipBytes(text);
    const std::string offset = std::to_string(gzip.size());
    const auto trailing = [&](const std::string& name) {
        return dir.path() + "/" + name + ": the bytes after the gzip data, at byte offset " +
               offset.substr(0, offset.size() - 3) + "," + offset.substr(offset.size() - 3) +
               ", are not another gzip member";
    };
    ASSERT_GE(offset.size(), 4u);
    ASSERT_LT(offset.size(), 7u);
    EXPECT_EQ(Refusal(dir.Write("junk.gz", gzip + "junk")), trailing("junk.gz"));
    EXPECT_EQ(Refusal(dir.Write("zeros.gz", gzip + std::string(512, '\0'))), trailing("zeros.gz"));
    // Half a magic is not a member either.
    EXPECT_EQ(Refusal(dir.Write("half.gz", gzip + gzip.substr(0, 1))), trailing("half.gz"));
    for (const size_t cut : {size_t{10}, gzip.size() / 2, gzip.size() - 1}) {
        const std::string path = dir.Write("cut.gz", gzip.substr(0, cut));
        EXPECT_EQ(Refusal(path), path + ": the file ends inside compressed data (truncated?)");
        EXPECT_EQ(Refusal(dir.Write("cut2.gz", gzip + gzip.substr(0, cut))),
                  dir.path() + "/cut2.gz: the file ends inside compressed data (truncated?)");
    }
    std::string damaged = gzip;
    for (size_t i = 20; i < 40; ++i) damaged[i] ^= 0x5a;
    EXPECT_EQ(Refusal(dir.Write("damaged.gz", damaged))
                  .find(dir.path() + "/damaged.gz: corrupt gzip data ("),
              0u);
    std::string badCheck = gzip;
    badCheck[gzip.size() - 6] ^= 1;  // the CRC of the member
    EXPECT_NE(
        Refusal(dir.Write("crc.gz", badCheck)).find("corrupt gzip data (incorrect data check)"),
        std::string::npos);
}

}  // namespace
}  // namespace lorvex
