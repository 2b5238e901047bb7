#include "input/table_batch.h"

#include <unistd.h>
#if LORVEX_HAVE_IO_URING
#include <liburing.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace lorvex {
namespace {

// Reads what is left of `read` from `read.got` bytes on, one positioned
// read at a time.
void FinishPositioned(int fd, TableRead& read) {
    uint64_t got = static_cast<uint64_t>(read.got);
    while (got < read.bytes) {
        const ssize_t n =
            ::pread(fd, read.into + got, read.bytes - got, static_cast<off_t>(read.offset + got));
        if (n < 0) {
            if (errno == EINTR) continue;
            read.got = -errno;
            return;
        }
        if (n == 0) break;
        got += static_cast<uint64_t>(n);
    }
    read.got = static_cast<int64_t>(got);
}

}  // namespace

#if LORVEX_HAVE_IO_URING
class TableBatchReader::Ring {
  public:
    io_uring ring{};
};
#else
// Built without liburing: no ring is ever set up.
class TableBatchReader::Ring {};
#endif

TableBatchReader::TableBatchReader(const TableStream& table, TableReadMode mode,
                                   uint64_t readsBeforeRing)
    : fd_(fileno(table.file.get())),
      ringWanted_(mode == TableReadMode::Batched),
      readsBeforeRing_(readsBeforeRing) {}

TableBatchReader::~TableBatchReader() {
#if LORVEX_HAVE_IO_URING
    if (ring_) io_uring_queue_exit(&ring_->ring);
#endif
}

bool TableBatchReader::Batched() const {
    return ring_ != nullptr;
}

void TableBatchReader::Read(std::span<TableRead> reads) {
    for (TableRead& read : reads) read.got = 0;
#if LORVEX_HAVE_IO_URING
    if (ringWanted_ && readsBeforeRing_ <= reads.size()) {
        ringWanted_ = false;
        auto ring = std::make_unique<Ring>();
        if (io_uring_queue_init(maxBatch, &ring->ring, 0) == 0) ring_ = std::move(ring);
    }
    readsBeforeRing_ -= std::min<uint64_t>(readsBeforeRing_, reads.size());
    if (ring_ && reads.size() > 1) {
        io_uring& ring = ring_->ring;
        for (size_t i = 0; i < reads.size(); ++i) {
            io_uring_sqe* entry = io_uring_get_sqe(&ring);
            io_uring_prep_read(entry, fd_, reads[i].into, static_cast<unsigned>(reads[i].bytes),
                               reads[i].offset);
            io_uring_sqe_set_data64(entry, i);
        }
        int submitted;
        do submitted = io_uring_submit_and_wait(&ring, static_cast<unsigned>(reads.size()));
        while (submitted == -EINTR);
        // Every read in flight is waited for before its buffer is used again.
        bool works = submitted == static_cast<int>(reads.size());
        for (int completed = 0; completed < submitted;) {
            io_uring_cqe* completion = nullptr;
            const int waited = io_uring_wait_cqe(&ring, &completion);
            if (waited == -EINTR) continue;
            if (waited < 0) {
                works = false;
                break;
            }
            // A failure or a short read is left to the positioned reads
            // below, which tell the end of the file from a failure.
            reads[io_uring_cqe_get_data64(completion)].got = std::max(completion->res, 0);
            io_uring_cqe_seen(&ring, completion);
            ++completed;
        }
        if (!works) {
            io_uring_queue_exit(&ring);
            ring_.reset();
        }
    }
#endif
    for (TableRead& read : reads)
        if (static_cast<uint64_t>(read.got) < read.bytes) FinishPositioned(fd_, read);
}

}  // namespace lorvex
