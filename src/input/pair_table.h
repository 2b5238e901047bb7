// The compact pair table (PREFIX.pairs, written by lorvex-prep --format
// compact), opened for lookups by a read's leading bases.
//
//   PairTable table("reads.pairs");            // InputError for a bad file
//   FoundPairs found;                          // one per thread, reused
//   table.FindPairs(window, 32, found, MateOrientation::ReverseComplement);
//   for (size_t i = 0; i < found.size(); ++i)
//       use(found.Anchor(i), found.Mate(i), found.MateQualities(i));
//
// What a lookup returns. Every read pair is stored once and indexed under
// both its reads (read 1 only for a table made with --one-orientation), so a
// pair appears as (read 1, read 2) when read 1 begins with the key and as
// (read 2, read 1) when read 2 does, as the text table's two lines of a pair
// would. FindPairs(key, K) returns every entry whose anchoring read begins
// with the K bytes at key, compared byte for byte with the decoded read
// (whose unknown bases are all N): a read shorter than K never matches. Entries
// come sorted by the first 32 bases of the anchoring read, then in input
// order of the pairs, read 1 before read 2 for a pair found under both. K is
// 1 or more and may exceed 32: the index takes the first 32 bases and the
// rest is compared on the decoded read. Reads are 1 to 65,535 bases long
// (the table's shortestRead to longestRead; lorvex-prep keeps 21 and more).
//
// Decoded form. Bases are the letters A, C, G, T and N. Qualities are
// reduced to the one thing the votes use: MateQualities gives, per mate base,
// pairTableVoteQuality (30) where the base's quality reached the table's
// qualityThreshold and 0 where it was lower, so `quality >= 30` reads as it
// does on a text table whose qualities from that threshold were raised to 30.
// MateOrientation::ReverseComplement gives the mate as the text engine turns
// it (reverse complemented, its qualities reversed), in the anchor's strand;
// AsRead gives it as sequenced. Anchors are always as read.
//
// Cost. A lookup is one directory slot (about 8 entries) and a binary search
// there, then one record decode per entry in the range (false candidates only
// where two reads share their first 26 or so bases and K asks for more); no
// system call and, once the FoundPairs has grown to the largest result, no
// allocation. Candidates(key, K) counts the range without decoding, to skip
// or cap a window whose key is a low-complexity run with millions of reads.
//
// Threads. The table is read-only after the constructor: any number of
// threads may call every const member at once, each with its own FoundPairs
// and PairCursor.
//
// The file is memory-mapped (input/mapped_file.h): the constructor checks its
// opening and closing headers, sizes and the directory (CRC-32 and bounds),
// and refuses a truncated, foreign, damaged or other-version file with one
// InputError line naming it. The records and entries are not checksummed at
// open (that reads the whole file; CheckPairTable in input/pair_table_check.h
// does, and lorvex-prep --check runs it); every record a lookup decodes is
// still bounds-checked, so damage there gives an InputError, never a crash.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "input/mapped_file.h"
#include "input/pair_table_format.h"

namespace lorvex {

enum class MateOrientation {
    AsRead,             // the mate as sequenced
    ReverseComplement,  // the mate reverse complemented, its qualities reversed
};

// One entry found: which pair, which of its reads anchored, and where the
// decoded reads lie in the FoundPairs' arrays.
struct FoundPair {
    uint64_t pairId = 0;     // the same for both entries of a pair; ascending in input order
    int32_t anchorRead = 1;  // 1 or 2: the read that begins with the key
    uint32_t anchorLength = 0;
    uint32_t mateLength = 0;
    uint64_t anchorAt = 0;  // in anchorBases
    uint64_t mateAt = 0;    // in mateBases and mateQualities
    uint8_t mark = 0;       // the caller's own, kept with the pair when pairs are reordered
};

// The result of one lookup (or of several AppendEntry calls). The arrays
// keep their room across lookups; only the parts that `pairs` names are
// meaningful.
struct FoundPairs {
    std::vector<FoundPair> pairs;
    std::vector<char> anchorBases;
    std::vector<char> mateBases;
    std::vector<uint8_t> mateQualities;  // parallel to mateBases
    uint64_t anchorUsed = 0;
    uint64_t mateUsed = 0;

    size_t size() const { return pairs.size(); }
    std::string_view Anchor(size_t i) const {
        return {anchorBases.data() + pairs[i].anchorAt, pairs[i].anchorLength};
    }
    std::string_view Mate(size_t i) const {
        return {mateBases.data() + pairs[i].mateAt, pairs[i].mateLength};
    }
    const uint8_t* MateQualities(size_t i) const { return mateQualities.data() + pairs[i].mateAt; }
    void Clear() {
        pairs.clear();
        anchorUsed = mateUsed = 0;
    }
};

// One pair in input order, both reads as sequenced.
struct StoredPair {
    uint64_t pairId = 0;
    std::string read1, read2;
    std::vector<uint8_t> qualities1, qualities2;  // vote qualities, as in FoundPairs
};

class PairTable {
  public:
    // Maps the file and checks what a lookup relies on; throws InputError
    // naming the file and what is wrong with it.
    explicit PairTable(const std::string& path);

    const std::string& path() const { return file_.path(); }
    // Counts, read-length range, layout and checksums.
    const ClosingHeader& header() const { return header_; }
    uint64_t PairCount() const { return header_.pairCount; }
    uint64_t EntryCount() const { return header_.entryCount; }

    // Clears `found`, then appends every entry whose anchoring read begins
    // with key[0 .. keyLength). keyLength is at least 1 (std::invalid_argument
    // otherwise). Throws InputError when a record the lookup reaches is
    // damaged.
    void FindPairs(const char* key, uint32_t keyLength, FoundPairs& found,
                   MateOrientation orientation = MateOrientation::AsRead) const;

    // The number of entries FindPairs would decode for this key: an upper
    // bound on what it returns (exact for keys of up to 32 bases without
    // reads shorter than the key among them).
    uint64_t Candidates(const char* key, uint32_t keyLength) const;

    // Appends entry `index` (0 .. EntryCount() - 1, in index order: sorted by
    // the anchoring read's first 32 bases) to `found`, whatever its bases.
    // Entries at evenly spaced indexes sample reads across the whole genome.
    void AppendEntry(uint64_t index, FoundPairs& found,
                     MateOrientation orientation = MateOrientation::AsRead) const;

    // Entries by index range, for lookups by a rule of the caller's:
    // KeyRange holds every entry whose anchoring read begins with the first
    // min(keyLength, 32) bases at key (and some that do not: check the
    // bases); ExactKeyRange every entry whose key equals that of a read of
    // exactly these `length` bases (1 to 31), which is where such a read and
    // its equals stand, zeros after their bases.
    std::pair<uint64_t, uint64_t> KeyRange(const char* key, uint32_t keyLength) const;
    std::pair<uint64_t, uint64_t> ExactKeyRange(const char* bases, uint32_t length) const;
    // Software prefetch for a lookup to come by the first min(keyLength, 32)
    // bases at key, in three steps each issued a lookup or more after the
    // one before, so that each reads only what the one before brought into
    // the cache: the directory slot, then the slot's entries, then the
    // records of the key's entries (at most 8). They neither throw nor change
    // any result; a damaged directory only makes them prefetch less.
    void PrefetchSlot(const char* key, uint32_t keyLength) const;
    void PrefetchEntries(const char* key, uint32_t keyLength) const;
    void PrefetchRecords(const char* key, uint32_t keyLength) const;
    // Appends to `found` each entry of [first, last) for which
    // accept(anchor) holds, anchor being its anchoring read decoded (valid
    // during the call only); an accept that also takes the record and which
    // read anchors (1 or 2) gets them, to read the anchor's vote bits. accept
    // may return false for all and count what it sees: nothing but the
    // anchors is decoded then.
    template <typename Accept>
    void AppendEntriesWhere(uint64_t first, uint64_t last, Accept&& accept, FoundPairs& found,
                            MateOrientation orientation) const {
        PairRecord record;
        for (uint64_t index = first; index < last; ++index) {
            const std::string_view anchor = DecodeAnchor(index, record, found);
            bool accepted;
            if constexpr (std::is_invocable_v<Accept, std::string_view, const PairRecord&, int>)
                accepted = accept(anchor, record, layout_.Read(entries_[index]));
            else
                accepted = accept(anchor);
            if (accepted) AppendDecoded(index, record, found, orientation);
        }
    }

    // Reads the pairs one by one in input order.
    class PairCursor {
      public:
        explicit PairCursor(const PairTable& table) : table_(table) {}
        // The next pair into `pair`; false after the last.
        bool Next(StoredPair& pair);

      private:
        const PairTable& table_;
        uint64_t offset_ = 0;  // within the records
        uint64_t pairNumber_ = 0;
    };

    // The raw sections, for CheckPairTable.
    const uint8_t* Records() const { return records_; }
    const uint64_t* Entries() const { return entries_; }
    const uint64_t* Directory() const { return directory_; }
    const EntryLayout& Layout() const { return layout_; }
    const MappedFile& File() const { return file_; }

    // The record at `offset` of the records section; false when no sound
    // record lies there.
    bool ParseRecordAt(uint64_t offset, PairRecord& record) const;
    // The error for an unsound record that `what` pointed at.
    InputError DamagedRecord(uint64_t offset, const std::string& what) const;

  private:
    void CheckSections() const;
    void CheckDirectory() const;
    // The entries [first, last) whose key begins with the top keyBits bits
    // of `code`.
    std::pair<uint64_t, uint64_t> CodeRange(uint64_t code, uint32_t keyBits) const;
    // Parses the entry's record and decodes its anchoring read after the
    // used part of found's anchor bases; throws InputError for a damaged one.
    std::string_view DecodeAnchor(uint64_t index, PairRecord& record, FoundPairs& found) const;
    // Appends the entry whose anchor DecodeAnchor just decoded, with its mate.
    void AppendDecoded(uint64_t index, const PairRecord& record, FoundPairs& found,
                       MateOrientation orientation) const;

    MappedFile file_;
    ClosingHeader header_;
    EntryLayout layout_;
    const uint8_t* records_ = nullptr;
    const uint64_t* entries_ = nullptr;
    const uint64_t* directory_ = nullptr;
};

// Whether the file begins with the compact table's magic number (false for
// a file that cannot be read, a shorter one, and anything but a regular
// file, which a look could block on or consume: an index may come from a pipe).
bool IsPairTableFile(const std::string& path);

}  // namespace lorvex
