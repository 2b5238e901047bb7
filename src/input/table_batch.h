// Many positioned reads of the table at once. On this kind of machine a
// read of a cached group costs mostly the system call around it, so reads
// known ahead are submitted together through io_uring, one system call for
// the whole batch. Setting up a ring costs about as much as a hundred
// reads, so a reader makes its first reads one by one and sets the ring up
// only once it has made that many. Where io_uring cannot be set up (an old
// kernel, a seccomp filter that refuses it, a memory-lock limit, a build
// without liburing), or a submission fails, the reads are made one
// positioned read each, with the same result.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "input/read_table.h"

namespace lorvex {

// One read: `bytes` bytes at `offset` into `into`. `got` receives the bytes
// read (fewer only where the file ends) or minus the errno of a failure.
struct TableRead {
    uint64_t offset = 0;
    uint64_t bytes = 0;
    char* into = nullptr;
    int64_t got = 0;
};

enum class TableReadMode {
    Batched,     // io_uring where it can be set up, positioned reads otherwise
    Positioned,  // one positioned read each
};

class TableBatchReader {
  public:
    // At most this many reads go into one submission.
    static constexpr unsigned maxBatch = 256;

    // With mode Batched, reads go through a ring from the batch that brings
    // the reads made to readsBeforeRing on.
    TableBatchReader(const TableStream& table, TableReadMode mode, uint64_t readsBeforeRing);
    ~TableBatchReader();
    TableBatchReader(const TableBatchReader&) = delete;
    TableBatchReader& operator=(const TableBatchReader&) = delete;

    // Makes every read of the batch (at most maxBatch); never throws for a
    // failed read, which is left in its `got`.
    void Read(std::span<TableRead> reads);
    // Whether reads go through io_uring.
    bool Batched() const;

  private:
    class Ring;
    int fd_;
    bool ringWanted_;
    uint64_t readsBeforeRing_;
    std::unique_ptr<Ring> ring_;  // none: positioned reads
};

}  // namespace lorvex
