#include "run/fasta_output.h"

namespace lorvex {

std::string FastaRecord(const std::string& header, const std::string& sequence, int32_t lineWidth) {
    std::string record;
    const size_t width = lineWidth > 0 ? static_cast<size_t>(lineWidth) : sequence.size();
    record.reserve(header.size() + sequence.size() + sequence.size() / (width ? width : 1) + 2);
    record += header;
    record += '\n';
    for (size_t at = 0; at < sequence.size(); at += width) {
        record.append(sequence, at, width);
        record += '\n';
    }
    return record;
}

}  // namespace lorvex
