#include "tool/gzip_writer.h"

#include <algorithm>

#include "base/errors.h"
#include "tool/output_file.h"

namespace lorvex {
namespace {

// zlib's default level: output shrinks to about a third for little time.
constexpr int compressionLevel = 6;
constexpr int gzipWindowBits = 15 + 16;
constexpr size_t deflateChunkBytes = 64 * 1024;

}  // namespace

bool NamesGzipFile(std::string_view path) {
    return path.ends_with(".gz");
}

GzipWriter::GzipWriter(FileWriter& file) : file_(file) {
    if (deflateInit2(&stream_, compressionLevel, Z_DEFLATED, gzipWindowBits, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        throw OutputFileError(file_.path(), "out of memory for compression");
}

GzipWriter::~GzipWriter() {
    deflateEnd(&stream_);
}

void GzipWriter::Deflate(int flush) {
    for (;;) {
        char* room = file_.Reserve(deflateChunkBytes);
        stream_.next_out = reinterpret_cast<unsigned char*>(room);
        stream_.avail_out = deflateChunkBytes;
        const int status = deflate(&stream_, flush);
        if (status == Z_STREAM_ERROR) throw OutputFileError(file_.path(), "compression failed");
        file_.Advance(deflateChunkBytes - stream_.avail_out);
        // Room left over means deflate has taken all the input it was given
        // (and, finishing, written the trailer).
        if (stream_.avail_out != 0 || status == Z_STREAM_END) return;
    }
}

void GzipWriter::Write(std::string_view text) {
    while (!text.empty()) {
        const size_t part = std::min<size_t>(text.size(), size_t{1} << 30);
        stream_.next_in = reinterpret_cast<unsigned char*>(const_cast<char*>(text.data()));
        stream_.avail_in = static_cast<uInt>(part);
        Deflate(Z_NO_FLUSH);
        text.remove_prefix(part);
    }
}

void GzipWriter::Finish() {
    stream_.next_in = nullptr;
    stream_.avail_in = 0;
    Deflate(Z_FINISH);
}

}  // namespace lorvex
