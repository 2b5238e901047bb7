#include "prep/pair_table_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/errors.h"

namespace lorvex::prep {
namespace {

constexpr size_t outputBufferBytes = 1 << 20;
constexpr size_t recordBlockBytes = 1 << 20;
constexpr size_t directoryWriteBufferBytes = 1 << 20;

// The directory as it is made, slot by slot: in memory while it is small
// beside the budget, else in a file of the work folder.
class DirectoryStore {
  public:
    DirectoryStore(uint64_t slots, uint64_t memoryBudget, WorkFolder& workFolder) {
        if (slots * sizeof(uint64_t) <= memoryBudget / 8)
            inMemory_.reserve(slots);
        else
            file_.emplace(
                OpenForAppend(workFolder.path() + "/directory", directoryWriteBufferBytes));
    }
    void Append(uint64_t firstEntry) {
        if (file_)
            file_->Write(reinterpret_cast<const char*>(&firstEntry), sizeof firstEntry);
        else
            inMemory_.push_back(firstEntry);
    }
    // Writes the directory to out; returns its CRC-32.
    uint32_t CopyTo(FileWriter& out, uint64_t slots) {
        if (!file_) {
            out.Write(reinterpret_cast<const char*>(inMemory_.data()), slots * sizeof(uint64_t));
            return ExtendCrc32(0, inMemory_.data(), slots * sizeof(uint64_t));
        }
        const std::string path = file_->path();
        file_->Close();
        FileDescriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0) throw OutputFileError(path, std::strerror(errno));
        std::vector<char> block(directoryWriteBufferBytes);
        uint32_t crc = 0;
        for (uint64_t left = slots * sizeof(uint64_t); left > 0;) {
            const size_t part = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
            ReadFully(in.get(), path, block.data(), part);
            out.Write(block.data(), part);
            crc = ExtendCrc32(crc, block.data(), part);
            left -= part;
        }
        ::unlink(path.c_str());
        return crc;
    }

  private:
    std::vector<uint64_t> inMemory_;
    std::optional<FileWriter> file_;
};

}  // namespace

PairTableWriter::PairTableWriter(const std::string& path, const PairTableSettings& settings,
                                 WorkFolder& workFolder, bool replace)
    : settings_(settings),
      workFolder_(workFolder),
      replace_(replace),
      output_(path, outputBufferBytes),
      sorter_(settings.memoryBudget, workFolder) {
    const std::string opening = PairTableOpening();
    output_.writer().Write(opening.data(), opening.size());
    recordBlock_.reserve(recordBlockBytes + (size_t{1} << 16));
}

bool PairTableWriter::Add(std::string_view read1, std::string_view quality1, std::string_view read2,
                          std::string_view quality2) {
    if (read1.size() < settings_.leastReadLength || read2.size() < settings_.leastReadLength) {
        ++totals_.droppedShort;
        return false;
    }
    for (std::string_view* part : {&read1, &quality1, &read2, &quality2})
        if (part->size() > pairTableLongestRead) {
            *part = part->substr(0, pairTableLongestRead);
            if (part == &read1 || part == &read2) ++totals_.readsCut;
        }
    const uint64_t offset = recordsWritten_ + recordBlock_.size();
    totals_.unknownBases +=
        AppendPairRecord(read1, quality1, read2, quality2, settings_.voteQuality, recordBlock_);
    sorter_.Add(ReadKey(read1.data(), read1.size()), offset << 1);
    if (settings_.bothReads) sorter_.Add(ReadKey(read2.data(), read2.size()), offset << 1 | 1);
    const uint32_t shorter = static_cast<uint32_t>(std::min(read1.size(), read2.size()));
    const uint32_t longer = static_cast<uint32_t>(std::max(read1.size(), read2.size()));
    totals_.shortestRead =
        totals_.pairsKept == 0 ? shorter : std::min(totals_.shortestRead, shorter);
    totals_.longestRead = std::max(totals_.longestRead, longer);
    totals_.basesStored += read1.size() + read2.size();
    ++totals_.pairsKept;
    if (recordBlock_.size() >= recordBlockBytes) FlushRecords();
    return true;
}

void PairTableWriter::FlushRecords() {
    recordsCrc_ = ExtendCrc32(recordsCrc_, recordBlock_.data(), recordBlock_.size());
    output_.writer().Write(reinterpret_cast<const char*>(recordBlock_.data()), recordBlock_.size());
    recordsWritten_ += recordBlock_.size();
    recordBlock_.clear();
}

void PairTableWriter::WriteZeros(uint64_t count) {
    static constexpr char zeros[pairTableAlignment] = {};
    while (count > 0) {
        const uint64_t part = std::min<uint64_t>(count, sizeof zeros);
        output_.writer().Write(zeros, part);
        count -= part;
    }
}

void PairTableWriter::WriteEntries(const EntryLayout& layout, ClosingHeader& header) {
    const uint64_t slots = header.DirectorySlots();
    DirectoryStore directory(slots, settings_.memoryBudget, workFolder_);
    uint64_t index = 0, nextSlot = 0;
    uint32_t crc = 0;
    std::vector<uint64_t> words;
    FileWriter& out = output_.writer();
    sorter_.Drain([&](std::span<const IndexEntry> entries) {
        words.resize(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            const IndexEntry& entry = entries[i];
            const uint64_t slot = layout.Slot(entry.key);
            for (; nextSlot <= slot; ++nextSlot) directory.Append(index);
            words[i] =
                layout.Pack(entry.key, entry.place >> 1, static_cast<int>(entry.place & 1) + 1);
            ++index;
        }
        out.Write(reinterpret_cast<const char*>(words.data()), words.size() * sizeof(uint64_t));
        crc = ExtendCrc32(crc, words.data(), words.size() * sizeof(uint64_t));
    });
    for (; nextSlot < slots; ++nextSlot) directory.Append(index);
    header.entriesCrc = crc;
    WriteZeros(header.directoryOffset - (header.entriesOffset + header.EntriesBytes()));
    header.directoryCrc = directory.CopyTo(out, slots);
}

void PairTableWriter::WriteIndex() {
    FlushRecords();
    ClosingHeader header;
    header.pairCount = totals_.pairsKept;
    header.entryCount = sorter_.Count();
    header.qualityThreshold = settings_.voteQuality;
    header.recordsBytes = recordsWritten_;
    header.entriesOffset = AlignSection(header.recordsOffset + header.recordsBytes);
    const EntryLayout layout = EntryLayoutFor(header.entryCount, header.recordsBytes);
    header.directoryBits = layout.directoryBits;
    header.fragmentBits = layout.fragmentBits;
    header.offsetBits = layout.offsetBits;
    header.directoryOffset = AlignSection(header.entriesOffset + header.EntriesBytes());
    header.fileBytes = header.directoryOffset + header.DirectoryBytes() + pairTableClosingBytes;
    header.basesStored = totals_.basesStored;
    header.unknownBases = totals_.unknownBases;
    header.shortestRead = totals_.shortestRead;
    header.longestRead = totals_.longestRead;
    header.leastReadLength = settings_.leastReadLength;
    header.readsIndexed = settings_.bothReads ? 2 : 1;
    header.recordsCrc = recordsCrc_;
    WriteZeros(header.entriesOffset - (header.recordsOffset + header.recordsBytes));
    WriteEntries(layout, header);
    const std::string closing = EncodeClosingHeader(header);
    output_.writer().Write(closing.data(), closing.size());
    if (output_.writer().bytesWritten() != header.fileBytes)
        throw std::logic_error("compact table written with another size than planned");
    totals_.recordsBytes = header.recordsBytes;
    totals_.entriesBytes = header.EntriesBytes();
    totals_.directoryBytes = header.DirectoryBytes();
    totals_.fileBytes = header.fileBytes;
    totals_.sort = sorter_.totals();
}

void PairTableWriter::Commit() {
    output_.MoveIntoPlace(replace_, "--force replaces it");
}

}  // namespace lorvex::prep
