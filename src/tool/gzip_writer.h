// Gzip compression in front of a FileWriter, for outputs whose names end
// in ".gz": one gzip member, deflated straight into the writer's buffer.
#pragma once

#include <zlib.h>

#include <string_view>

namespace lorvex {

class FileWriter;

// Whether an output path asks for compression.
bool NamesGzipFile(std::string_view path);

class GzipWriter {
  public:
    explicit GzipWriter(FileWriter& file);
    ~GzipWriter();
    GzipWriter(const GzipWriter&) = delete;
    GzipWriter& operator=(const GzipWriter&) = delete;

    void Write(std::string_view text);
    // Writes what is left and the gzip trailer into the FileWriter.
    void Finish();

  private:
    void Deflate(int flush);

    FileWriter& file_;
    z_stream stream_{};
};

}  // namespace lorvex
