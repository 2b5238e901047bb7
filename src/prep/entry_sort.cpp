#include "prep/entry_sort.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/errors.h"
#include "tool/stop_signals.h"

namespace lorvex::prep {
namespace {

constexpr int scatterBits = 16;
constexpr uint64_t leastRunEntries = 1024;
constexpr size_t sinkBatchEntries = 1 << 16;
constexpr size_t runWriteBufferBytes = 1 << 20;

// Gives a vector's memory back (assigning {} would keep it).
void ReleaseEntries(std::vector<IndexEntry>& entries) {
    std::vector<IndexEntry>().swap(entries);
}

// One run file read back in order through a buffer.
class RunReader {
  public:
    RunReader(const std::string& path, uint64_t bufferEntries)
        : path_(path), file_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), buffer_(bufferEntries) {
        if (file_.get() < 0) throw OutputFileError(path, std::strerror(errno));
        Refill();
    }
    bool empty() const { return next_ == filled_; }
    const IndexEntry& front() const { return buffer_[next_]; }
    void Pop() {
        if (++next_ == filled_) Refill();
    }

  private:
    void Refill() {
        next_ = filled_ = 0;
        char* into = reinterpret_cast<char*>(buffer_.data());
        const size_t want = buffer_.size() * sizeof(IndexEntry);
        size_t got = 0;
        while (got < want) {
            const ssize_t n = ::read(file_.get(), into + got, want - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0)
                throw OutputFileError(path_, std::string("reading back: ") + std::strerror(errno));
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        if (got % sizeof(IndexEntry) != 0)
            throw OutputFileError(path_,
                                  "run file is not whole entries (changed by someone else?)");
        filled_ = got / sizeof(IndexEntry);
    }

    std::string path_;
    FileDescriptor file_;
    std::vector<IndexEntry> buffer_;
    size_t next_ = 0;
    size_t filled_ = 0;
};

}  // namespace

void SortIndexEntries(std::vector<IndexEntry>& entries, std::vector<IndexEntry>& scratch) {
    // Scatter by the top bits, then sort each run, small enough for the cache.
    constexpr size_t buckets = size_t{1} << scatterBits;
    std::vector<uint64_t> starts(buckets + 1, 0);
    for (const IndexEntry& entry : entries) ++starts[(entry.key >> (64 - scatterBits)) + 1];
    for (size_t i = 1; i <= buckets; ++i) starts[i] += starts[i - 1];
    scratch.resize(entries.size());
    std::vector<uint64_t> next(starts.begin(), starts.end() - 1);
    for (const IndexEntry& entry : entries)
        scratch[next[entry.key >> (64 - scatterBits)]++] = entry;
    for (size_t i = 0; i < buckets; ++i)
        std::sort(scratch.begin() + static_cast<ptrdiff_t>(starts[i]),
                  scratch.begin() + static_cast<ptrdiff_t>(starts[i + 1]));
    entries.swap(scratch);
}

IndexEntrySorter::IndexEntrySorter(uint64_t memoryBudget, WorkFolder& workFolder)
    : budget_(memoryBudget),
      workFolder_(workFolder),
      capacity_(std::max(leastRunEntries, memoryBudget / indexEntryHeldBytes)) {
    // Only the room that entries fill is ever touched.
    buffer_.reserve(capacity_);
}

std::string IndexEntrySorter::RunPath() {
    char name[32];
    std::snprintf(name, sizeof name, "/entries-%06llu",
                  static_cast<unsigned long long>(runNumber_++));
    return workFolder_.path() + name;
}

void IndexEntrySorter::SpillRun() {
    ThrowIfStopRequested();
    totals_.heldBytes = std::max<uint64_t>(totals_.heldBytes, buffer_.size() * indexEntryHeldBytes);
    SortIndexEntries(buffer_, scratch_);
    ReleaseEntries(scratch_);
    runs_.push_back(RunPath());
    FileWriter run = OpenForAppend(runs_.back(), runWriteBufferBytes);
    run.Write(reinterpret_cast<const char*>(buffer_.data()), buffer_.size() * sizeof(IndexEntry));
    totals_.runBytes += run.bytesWritten();
    run.Close();
    ++totals_.runs;
    count_ += buffer_.size();
    buffer_.clear();
}

void IndexEntrySorter::MergeRuns(const std::vector<std::string>& runs, const IndexEntrySink& sink) {
    const uint64_t bufferEntries = std::max<uint64_t>(
        leastRunEntries, budget_ / 2 / sizeof(IndexEntry) / std::max<size_t>(1, runs.size()));
    std::vector<RunReader> readers;
    readers.reserve(runs.size());
    for (const std::string& run : runs) readers.emplace_back(run, bufferEntries);
    // A heap of the readers by their next entry; entries are all distinct.
    const auto later = [&readers](size_t a, size_t b) {
        return readers[b].front() < readers[a].front();
    };
    std::vector<size_t> heap;
    for (size_t i = 0; i < readers.size(); ++i)
        if (!readers[i].empty()) heap.push_back(i);
    std::make_heap(heap.begin(), heap.end(), later);
    std::vector<IndexEntry> batch;
    batch.reserve(sinkBatchEntries);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        RunReader& reader = readers[heap.back()];
        batch.push_back(reader.front());
        reader.Pop();
        if (reader.empty())
            heap.pop_back();
        else
            std::push_heap(heap.begin(), heap.end(), later);
        if (batch.size() == sinkBatchEntries) {
            ThrowIfStopRequested();
            sink(batch);
            batch.clear();
        }
    }
    if (!batch.empty()) sink(batch);
    readers.clear();
    for (const std::string& run : runs) ::unlink(run.c_str());
}

void IndexEntrySorter::Drain(const IndexEntrySink& sink) {
    if (runs_.empty()) {
        totals_.heldBytes =
            std::max<uint64_t>(totals_.heldBytes, buffer_.size() * indexEntryHeldBytes);
        SortIndexEntries(buffer_, scratch_);
        ReleaseEntries(scratch_);
        for (size_t start = 0; start < buffer_.size(); start += sinkBatchEntries) {
            ThrowIfStopRequested();
            sink(std::span<const IndexEntry>(buffer_).subspan(
                start, std::min(sinkBatchEntries, buffer_.size() - start)));
        }
        ReleaseEntries(buffer_);
        return;
    }
    if (!buffer_.empty()) SpillRun();
    ReleaseEntries(buffer_);
    // Too many runs to merge at once: merge groups of them into longer runs.
    while (runs_.size() > mergeFanIn) {
        std::vector<std::string> merged;
        for (size_t start = 0; start < runs_.size(); start += mergeFanIn) {
            const std::vector<std::string> group(
                runs_.begin() + static_cast<ptrdiff_t>(start),
                runs_.begin() + static_cast<ptrdiff_t>(std::min(runs_.size(), start + mergeFanIn)));
            merged.push_back(RunPath());
            FileWriter out = OpenForAppend(merged.back(), runWriteBufferBytes);
            MergeRuns(group, [&out](std::span<const IndexEntry> entries) {
                out.Write(reinterpret_cast<const char*>(entries.data()), entries.size_bytes());
            });
            totals_.runBytes += out.bytesWritten();
            out.Close();
            ++totals_.runs;
        }
        runs_ = std::move(merged);
    }
    MergeRuns(runs_, sink);
    runs_.clear();
}

}  // namespace lorvex::prep
