#include "input/pair_table.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "base/errors.h"
#include "base/number_text.h"
#include "input/input_file.h"

namespace lorvex {
namespace {

uint32_t OpeningField(const uint8_t* opening, int at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | opening[at + i];
    return value;
}

// Room for `more` bytes after the `used` ones; the vector only grows.
template <typename T>
T* RoomFor(std::vector<T>& room, uint64_t used, uint64_t more) {
    if (room.size() < used + more) room.resize(std::max<uint64_t>(used + more, 2 * room.size()));
    return room.data() + used;
}

}  // namespace

bool IsPairTableFile(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    try {
        FileHandle file = OpenInputFile(path, "rb");
        char magic[sizeof pairTableMagic];
        return std::fread(magic, 1, sizeof magic, file.get()) == sizeof magic &&
               std::memcmp(magic, pairTableMagic, sizeof magic) == 0;
    } catch (const InputError&) {
        return false;
    }
}

PairTable::PairTable(const std::string& path) : file_(path) {
    const uint8_t* data = file_.data();
    const uint64_t size = file_.size();
    if (size < sizeof pairTableMagic || std::memcmp(data, pairTableMagic, sizeof pairTableMagic))
        throw FileError(path, "not a compact pair table (no magic number at its start)");
    if (size < pairTableOpeningBytes)
        throw FileError(path, "cut short: " + Counted(size, "byte") + ", less than its header");
    const uint32_t version = OpeningField(data, 8);
    if (version != pairTableVersion)
        throw FileError(path, "compact pair table of format version " + std::to_string(version) +
                                  "; this lorvex reads version " +
                                  std::to_string(pairTableVersion) +
                                  " (make the table again with this lorvex-prep)");
    if (std::memcmp(data, PairTableOpening().data(), pairTableOpeningBytes) != 0)
        throw FileError(path, "damaged: its opening header is not that of version " +
                                  std::to_string(pairTableVersion));
    if (size < pairTableOpeningBytes + pairTableClosingBytes ||
        !DecodeClosingHeader(data + size - pairTableClosingBytes, header_))
        throw FileError(path,
                        "cut short or damaged: its closing header is missing or fails its "
                        "checksum (" +
                            Counted(size, "byte") + ")");
    if (header_.fileBytes != size)
        throw FileError(path, "cut short or extended: " + Counted(size, "byte") +
                                  ", its header says " + WithThousands(header_.fileBytes));
    CheckSections();
    layout_ = EntryLayout{header_.directoryBits, header_.fragmentBits, header_.offsetBits};
    records_ = data + header_.recordsOffset;
    entries_ = reinterpret_cast<const uint64_t*>(data + header_.entriesOffset);
    directory_ = reinterpret_cast<const uint64_t*>(data + header_.directoryOffset);
    CheckDirectory();
}

void PairTable::CheckSections() const {
    const ClosingHeader& h = header_;
    const auto fail = [this](const std::string& what) {
        return FileError(path(), "damaged header: " + what);
    };
    if (h.version != pairTableVersion) throw fail("its two version numbers differ");
    if (h.keyBases != pairTableKeyBases || h.qualityBits != 1 ||
        h.qualityThreshold > highestVoteQuality || (h.readsIndexed != 1 && h.readsIndexed != 2))
        throw fail("unknown key, quality or index settings");
    // Each part bounded first, so that the sums below cannot wrap.
    if (h.directoryBits > 32 || h.offsetBits == 0 || h.offsetBits > 62 || h.fragmentBits > 63 ||
        h.fragmentBits + h.offsetBits + 1 > 64 || h.fragmentBits + h.directoryBits > 64)
        throw fail("impossible entry layout");
    if (h.longestRead > pairTableLongestRead || h.shortestRead > h.longestRead ||
        (h.pairCount > 0 && h.shortestRead == 0))
        throw fail("impossible read lengths");
    if (h.entryCount != h.pairCount * h.readsIndexed) throw fail("entry and pair counts disagree");
    const uint64_t end = h.fileBytes - pairTableClosingBytes;
    const auto inside = [end](uint64_t offset, uint64_t bytes) {
        return offset % pairTableAlignment == 0 && offset <= end && bytes <= end - offset;
    };
    if (h.recordsOffset != pairTableOpeningBytes || !inside(h.recordsOffset, h.recordsBytes) ||
        h.entryCount > end / 8 || !inside(h.entriesOffset, h.EntriesBytes()) ||
        !inside(h.directoryOffset, h.DirectoryBytes()) ||
        h.entriesOffset < h.recordsOffset + h.recordsBytes ||
        h.directoryOffset < h.entriesOffset + h.EntriesBytes() ||
        (h.recordsBytes > 0 && (h.recordsBytes - 1) >> h.offsetBits != 0))
        throw fail("sections outside the file or overlapping");
}

void PairTable::CheckDirectory() const {
    const uint64_t slots = header_.DirectorySlots();
    if (ExtendCrc32(0, reinterpret_cast<const uint8_t*>(directory_), header_.DirectoryBytes()) !=
        header_.directoryCrc)
        throw FileError(path(), "damaged: its directory fails its checksum");
    if (directory_[0] != 0 || directory_[slots - 1] != header_.entryCount)
        throw FileError(path(), "damaged: its directory does not span the entries");
}

bool PairTable::ParseRecordAt(uint64_t offset, PairRecord& record) const {
    return offset < header_.recordsBytes &&
           ParsePairRecord(records_ + offset, header_.recordsBytes - offset, header_.longestRead,
                           record);
}

InputError PairTable::DamagedRecord(uint64_t offset, const std::string& what) const {
    return FileError(path(), "damaged: " + what + " points at byte " + WithThousands(offset) +
                                 " of the records, which holds no sound record "
                                 "(lorvex-prep --check tells more)");
}

std::pair<uint64_t, uint64_t> PairTable::KeyRange(const char* key, uint32_t keyLength) const {
    return CodeRange(ReadKey(key, keyLength), 2 * std::min<uint32_t>(keyLength, pairTableKeyBases));
}

std::pair<uint64_t, uint64_t> PairTable::ExactKeyRange(const char* bases, uint32_t length) const {
    return CodeRange(ReadKey(bases, length), 2 * pairTableKeyBases);
}

std::pair<uint64_t, uint64_t> PairTable::CodeRange(uint64_t code, uint32_t keyBits) const {
    const uint32_t directoryBits = layout_.directoryBits;
    uint64_t firstSlot = layout_.Slot(code), endSlot = firstSlot + 1;
    if (keyBits < directoryBits) endSlot = firstSlot + (uint64_t{1} << (directoryBits - keyBits));
    const uint64_t first = directory_[firstSlot], last = directory_[endSlot];
    if (first > last || last > header_.entryCount)
        throw FileError(path(), "damaged: directory slot " + WithThousands(firstSlot) +
                                    " names entries beyond the index");
    const uint32_t fragmentBits =
        std::min(layout_.fragmentBits, keyBits > directoryBits ? keyBits - directoryBits : 0);
    if (fragmentBits == 0) return {first, last};
    // Within the slot, entries stand in key order, so the words of a key
    // fragment's run lie between two bounds.
    const uint64_t prefix = layout_.Fragment(code) >> (layout_.fragmentBits - fragmentBits);
    const uint32_t shift = layout_.offsetBits + 1 + layout_.fragmentBits - fragmentBits;
    const uint64_t* begin = entries_ + first;
    const uint64_t* end = entries_ + last;
    const uint64_t* low = std::lower_bound(begin, end, prefix << shift);
    const uint64_t* high = end;
    if (prefix + 1 < (uint64_t{1} << fragmentBits))
        high = std::lower_bound(low, end, (prefix + 1) << shift);
    return {static_cast<uint64_t>(low - entries_), static_cast<uint64_t>(high - entries_)};
}

void PairTable::PrefetchSlot(const char* key, uint32_t keyLength) const {
    const uint64_t slot = layout_.Slot(ReadKey(key, keyLength));
    __builtin_prefetch(directory_ + slot);
    __builtin_prefetch(directory_ + slot + 1);
}

void PairTable::PrefetchEntries(const char* key, uint32_t keyLength) const {
    const uint64_t slot = layout_.Slot(ReadKey(key, keyLength));
    const uint64_t first = directory_[slot], last = directory_[slot + 1];
    if (first >= last || last > header_.entryCount) return;
    // A slot holds about 8 entries: a cache line or two.
    __builtin_prefetch(entries_ + first);
    __builtin_prefetch(entries_ + last - 1);
}

void PairTable::PrefetchRecords(const char* key, uint32_t keyLength) const {
    const uint64_t code = ReadKey(key, keyLength);
    const uint32_t keyBits = 2 * std::min<uint32_t>(keyLength, pairTableKeyBases);
    if (keyBits < layout_.directoryBits) return;  // keys that short span many slots
    const uint64_t slot = layout_.Slot(code);
    if (directory_[slot] > directory_[slot + 1] || directory_[slot + 1] > header_.entryCount)
        return;
    const auto [first, last] = CodeRange(code, keyBits);
    for (uint64_t index = first; index < std::min(last, first + 8); ++index) {
        const uint64_t offset = layout_.RecordOffset(entries_[index]);
        if (offset < header_.recordsBytes) __builtin_prefetch(records_ + offset);
    }
}

std::string_view PairTable::DecodeAnchor(uint64_t index, PairRecord& record,
                                         FoundPairs& found) const {
    const uint64_t offset = layout_.RecordOffset(entries_[index]);
    if (!ParseRecordAt(offset, record))
        throw DamagedRecord(offset, "entry " + WithThousands(index));
    const int anchorRead = layout_.Read(entries_[index]);
    const uint32_t anchorLength = record.Length(anchorRead);
    char* anchor = RoomFor(found.anchorBases, found.anchorUsed, anchorLength);
    DecodeReadBases(record, anchorRead, anchor);
    return {anchor, anchorLength};
}

void PairTable::AppendDecoded(uint64_t index, const PairRecord& record, FoundPairs& found,
                              MateOrientation orientation) const {
    const uint64_t entry = entries_[index];
    const int anchorRead = layout_.Read(entry);
    const uint32_t anchorLength = record.Length(anchorRead);
    const int mateRead = 3 - anchorRead;
    const uint32_t mateLength = record.Length(mateRead);
    char* mate = RoomFor(found.mateBases, found.mateUsed, mateLength);
    uint8_t* qualities = RoomFor(found.mateQualities, found.mateUsed, mateLength);
    if (orientation == MateOrientation::ReverseComplement) {
        DecodeReadBasesReverseComplement(record, mateRead, mate);
        DecodeVoteQualitiesReversed(record, mateRead, qualities);
    } else {
        DecodeReadBases(record, mateRead, mate);
        DecodeVoteQualities(record, mateRead, qualities);
    }
    found.pairs.push_back(FoundPair{layout_.RecordOffset(entry), anchorRead, anchorLength,
                                    mateLength, found.anchorUsed, found.mateUsed, 0});
    found.anchorUsed += anchorLength;
    found.mateUsed += mateLength;
}

void PairTable::FindPairs(const char* key, uint32_t keyLength, FoundPairs& found,
                          MateOrientation orientation) const {
    if (keyLength == 0) throw std::invalid_argument("FindPairs: a key of no bases");
    found.Clear();
    const auto [first, last] = KeyRange(key, keyLength);
    AppendEntriesWhere(
        first, last,
        [&](std::string_view anchor) {
            return anchor.size() >= keyLength && std::memcmp(anchor.data(), key, keyLength) == 0;
        },
        found, orientation);
}

uint64_t PairTable::Candidates(const char* key, uint32_t keyLength) const {
    if (keyLength == 0) throw std::invalid_argument("Candidates: a key of no bases");
    const auto [first, last] = KeyRange(key, keyLength);
    return last - first;
}

void PairTable::AppendEntry(uint64_t index, FoundPairs& found, MateOrientation orientation) const {
    if (index >= header_.entryCount) throw std::out_of_range("AppendEntry: no such entry");
    AppendEntriesWhere(
        index, index + 1, [](std::string_view) { return true; }, found, orientation);
}

bool PairTable::PairCursor::Next(StoredPair& pair) {
    if (offset_ >= table_.header_.recordsBytes) return false;
    PairRecord record;
    if (!table_.ParseRecordAt(offset_, record))
        throw table_.DamagedRecord(offset_, "pair " + WithThousands(pairNumber_ + 1));
    ++pairNumber_;
    pair.pairId = offset_;
    pair.read1.resize(record.Length(1));
    pair.read2.resize(record.Length(2));
    pair.qualities1.resize(record.Length(1));
    pair.qualities2.resize(record.Length(2));
    DecodeReadBases(record, 1, pair.read1.data());
    DecodeReadBases(record, 2, pair.read2.data());
    DecodeVoteQualities(record, 1, pair.qualities1.data());
    DecodeVoteQualities(record, 2, pair.qualities2.data());
    offset_ += record.bytes;
    return true;
}

}  // namespace lorvex
