// A FASTA file of one or many records (a batch of seeds, scaffolds). A
// record is a '>' header line and the lines up to the next header; its bases
// follow the rule of the single-seed reader (every byte except LF and CR,
// with a, c, g, t upper-cased), so a record extends exactly as it would
// alone in a file; only blanks at the end of a line are dropped.
#pragma once

#include <string>
#include <vector>

namespace lorvex {

struct SequenceRecord {
    std::string name;         // the header up to its first white space
    std::string description;  // the rest of the header, white space around it removed
    std::string bases;
};

// What a parse passed over without refusing the file: spaces and tabs at
// the ends of sequence lines, which are never meant as bases (an editor or
// a spreadsheet left them) and would end every extension at once.
struct FastaNotes {
    size_t linesWithTrailingBlanks = 0;
    size_t firstLineWithTrailingBlanks = 0;  // its line number
};

// Parses a whole file. Refuses, with an InputError "<path>: line N:
// record K: <what>": text before the first header, a header without a name,
// a zero byte, a record of more than 2,147,483,647 bases, and a file without
// any record. Records without bases are kept. Blanks that end a sequence
// line are dropped and counted in notes.
std::vector<SequenceRecord> ParseFastaRecords(const std::string& text, const std::string& path,
                                              FastaNotes* notes = nullptr);

// Reads the file as it is or gzip-compressed (BGZF too), found by its
// magic bytes; "-" is standard input. The records are read once, into memory.
std::vector<SequenceRecord> LoadFastaRecords(const std::string& path, FastaNotes* notes = nullptr);

}  // namespace lorvex
