// --variants-tsv: one row per variant site of the bases a run added, in the
// same columns for every batch program.
#pragma once

#include <cstddef>
#include <string>

#include "extension/variant_sites.h"

namespace lorvex {

// sequence side position major minor A C G T minor_share depth; `first` is
// what the first column is called ("seed", "record").
std::string VariantRowsHeader(const std::string& first);

// One row: the site's votes are on the strand of the output.
std::string VariantRow(const std::string& sequence, const std::string& side, size_t position,
                       const VariantSite& site);

}  // namespace lorvex
