#include "prep/prep_report.h"

#include <cstdio>
#include <functional>

#include "base/number_text.h"

namespace lorvex::prep {
namespace {

double Share(uint64_t part, uint64_t whole) {
    return whole > 0 ? static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

std::string Percent(uint64_t part, uint64_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", 100 * Share(part, whole));
    return text;
}

std::string Padded(const std::string& text, size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

// The candidates table of the summary, one line each.
std::vector<std::string> CandidateLines(const ReadLengthReport& length) {
    std::vector<std::string> lines;
    lines.push_back("pairs kept at other read lengths, among the first " +
                    Counted(length.sampledPairs, "pair") + " (-l R sets one):");
    lines.push_back("     R   pairs kept    share   pairs x (R - 20)");
    for (const LengthCandidate& candidate :
         ShownCandidates(length.candidates, length.chosen, length.used)) {
        std::string mark;
        if (candidate.readLength == length.used) mark = length.given ? "  used (-l)" : "  used";
        if (candidate.readLength == length.chosen && length.given) mark += "  default";
        lines.push_back(Padded(std::to_string(candidate.readLength), 6) +
                        Padded(WithThousands(candidate.pairsKept), 13) +
                        Padded(Percent(candidate.pairsKept, length.sampledPairs), 9) +
                        Padded(WithThousands(candidate.VotingRoom()), 19) + mark);
    }
    return lines;
}

}  // namespace

std::string DropText(const FilterCounts& counts, int32_t readLength) {
    return WithThousands(counts.droppedTooShort) + " with a read shorter than " +
           Counted(static_cast<uint64_t>(readLength), "base") + ", " +
           WithThousands(counts.droppedNotAcgt) +
           " with a base other than A, C, G, T (N, . or another) in the first " +
           std::to_string(readLength);
}

std::string CompactDropText(const PairTableTotals& totals, uint32_t leastReadLength) {
    return WithThousands(totals.droppedShort) + " with a read shorter than " +
           Counted(leastReadLength, "base");
}

namespace {

// What the compact table kept and what it takes on disk.
void CompactSummaryLines(const PrepSummary& s,
                         const std::function<void(const std::string&)>& line) {
    const PairTableTotals& c = s.compact;
    const std::string kept = WithThousands(c.pairsKept) + " kept (" +
                             Percent(c.pairsKept, s.counts.pairsRead) + "); dropped " +
                             CompactDropText(c, s.leastReadLength);
    if (WritesText(s.format))
        line("compact table: " + kept);
    else
        line(Counted(s.counts.pairsRead, "pair") + " read, " + kept);
    char perPair[32];
    std::snprintf(
        perPair, sizeof perPair, "%.1f",
        c.pairsKept ? static_cast<double>(c.fileBytes) / static_cast<double>(c.pairsKept) : 0.0);
    line("wrote " + s.paths.pairs + " (" + Counted(c.pairsKept, "pair") + ", reads of " +
         std::to_string(c.shortestRead) + " to " + Counted(c.longestRead, "base") +
         (s.bothOrientations ? ", both reads indexed" : ", read 1 indexed") +
         ", votes from quality " + std::to_string(s.voteQuality) + ", " + HumanBytes(c.fileBytes) +
         ": " + perPair + " bytes a pair with the index)" +
         (s.statsName.empty() || WritesText(s.format) ? "" : "; statistics to " + s.statsName));
}

// Time, rate and peak memory, with what went through temporary files.
std::string TimingLine(const PrepSummary& s) {
    const uint64_t rate = s.seconds > 0 ? static_cast<uint64_t>(s.counts.pairsRead / s.seconds) : 0;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", s.seconds);
    std::string timing = std::string(seconds) + ", " + WithThousands(rate) +
                         " pairs/s, peak memory " + HumanBytes(s.peakMemoryBytes) + " (bound " +
                         HumanBytes(s.memoryBound) + ")";
    if (s.grouping.spills > 0)
        timing += "; input beyond the bound went through " + HumanBytes(s.grouping.bucketBytes) +
                  " of temporary bucket files";
    if (s.compact.sort.runs > 0)
        timing += "; index entries beyond it through " + HumanBytes(s.compact.sort.runBytes) +
                  " of temporary run files";
    return "lorvex-prep: " + timing + "\n";
}

}  // namespace

std::string FormatSummary(const PrepSummary& s) {
    std::string text;
    const auto line = [&text](const std::string& content) {
        text += "lorvex-prep: " + content + "\n";
    };
    const ReadLengthReport& length = s.length;
    const bool textTable = WritesText(s.format);
    if (textTable && !length.given)
        line("read length " + std::to_string(length.used) +
             ", the one with the most pairs kept x (R - 20) among the first " +
             Counted(length.sampledPairs, "pair"));
    if (s.quality.encoding == QualityEncoding::Phred64)
        line("qualities read as Phred+64 (" +
             (s.quality.given
                  ? std::string("--phred64")
                  : DescribeByte(s.quality.sampled.lowest) + " to " +
                        DescribeByte(s.quality.sampled.highest) + " in both reads of the first " +
                        Counted(s.quality.sampledReads / 2, "pair")) +
             (textTable ? ") and written as Phred+33" : ")"));
    if (!textTable) {
        CompactSummaryLines(s, line);
        return text + TimingLine(s);
    }
    line(Counted(s.counts.pairsRead, "pair") + " read, " + WithThousands(s.counts.pairsKept) +
         " kept (" + Percent(s.counts.pairsKept, s.counts.pairsRead) + "); dropped " +
         DropText(s.counts, length.used));
    if (Share(s.counts.pairsKept, s.counts.pairsRead) < 1 - candidatesShownAboveDropped)
        for (const std::string& row : CandidateLines(length)) line(row);
    line("wrote " + s.paths.table + " (" + Counted(s.table.lines, "line") + " of " +
         std::to_string(TableLineBytes(length.used)) + " bytes, " + HumanBytes(s.table.tableBytes) +
         (s.bothOrientations ? ", each pair in both orientations" : ", one orientation") +
         ") and " + s.paths.index + " (" + Counted(s.table.groups, "group") + ")" +
         (s.statsName.empty() ? "" : "; statistics to " + s.statsName));
    if (WritesCompact(s.format)) CompactSummaryLines(s, line);
    return text + TimingLine(s);
}

std::string FormatStats(const PrepSummary& s) {
    std::string text = "section\tkey\tvalue\tshare\n";
    const auto row = [&text](const std::string& section, const std::string& key,
                             const std::string& value, const std::string& share = "") {
        text += section + "\t" + key + "\t" + value + "\t" + share + "\n";
    };
    const auto count = [&row](const std::string& section, const std::string& key, uint64_t value,
                              uint64_t whole) {
        char share[32];
        std::snprintf(share, sizeof share, "%.4f", Share(value, whole));
        row(section, key, std::to_string(value), share);
    };
    const FilterCounts& counts = s.counts;
    count("pairs", "read", counts.pairsRead, counts.pairsRead);
    const bool textTable = WritesText(s.format);
    if (textTable) {
        count("pairs", "kept", counts.pairsKept, counts.pairsRead);
        count("dropped", "short_read", counts.droppedTooShort, counts.pairsRead);
        count("dropped", "not_acgt", counts.droppedNotAcgt, counts.pairsRead);
        row("read_length", "used", std::to_string(s.length.used));
        row("read_length", "default", std::to_string(s.length.chosen));
        row("read_length", "source", s.length.given ? "given" : "default");
        row("read_length", "sampled_pairs", std::to_string(s.length.sampledPairs));
    }
    row("quality", "encoding",
        s.quality.encoding == QualityEncoding::Phred64 ? "phred64" : "phred33");
    row("quality", "source", s.quality.given ? "given" : "detected");
    if (textTable)
        for (const LengthCandidate& candidate : s.length.candidates)
            count("candidate", std::to_string(candidate.readLength), candidate.pairsKept,
                  s.length.sampledPairs);
    if (WritesCompact(s.format)) {
        const PairTableTotals& c = s.compact;
        count("compact", "kept", c.pairsKept, counts.pairsRead);
        count("compact", "short_read", c.droppedShort, counts.pairsRead);
        row("compact", "min_read_length", std::to_string(s.leastReadLength));
        row("compact", "min_quality", std::to_string(s.voteQuality));
        row("compact", "shortest_read", std::to_string(c.shortestRead));
        row("compact", "longest_read", std::to_string(c.longestRead));
        row("compact", "bases", std::to_string(c.basesStored));
        row("compact", "bytes", std::to_string(c.fileBytes));
    }
    for (const auto& [section, histogram] :
         {std::pair{"length_read1", &s.firstLengths}, std::pair{"length_read2", &s.secondLengths}})
        for (const auto& [readLength, reads] : histogram->Counts())
            count(section, std::to_string(readLength), reads, counts.pairsRead);
    return text;
}

}  // namespace lorvex::prep
