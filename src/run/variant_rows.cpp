#include "run/variant_rows.h"

#include <cstdio>

namespace lorvex {

std::string VariantRowsHeader(const std::string& first) {
    return first + "\tside\tposition\tmajor\tminor\tA\tC\tG\tT\tminor_share\tdepth\n";
}

std::string VariantRow(const std::string& sequence, const std::string& side, size_t position,
                       const VariantSite& site) {
    const BaseVotes& votes = site.votes;
    char share[32];
    std::snprintf(share, sizeof share, "%.4f", MinorShare(votes, site.base));
    std::string row = sequence + '\t' + side + '\t' + std::to_string(position) + '\t' + site.base +
                      '\t' + MinorBase(votes, site.base);
    for (const int32_t count : {votes.a, votes.c, votes.g, votes.t})
        row += '\t' + std::to_string(count);
    return row + '\t' + share + '\t' + std::to_string(votes.Total()) + '\n';
}

}  // namespace lorvex
