// The Area Distribution Centers of the bulk-mail presort: each ADC's name
// and the three-digit ZIP prefixes it serves, separated by single blanks.
// Rows are tried in this order; a prefix in two rows belongs to the first.
// The names are printed on header labels and written to PRESORT.PSL
// exactly as they stand here, double blanks and both White River Junction
// rows included.
#pragma once

#include <span>

namespace qv {

struct AdcRow {
  const char* name;
  const char* prefixes;
};

std::span<const AdcRow> AdcTable();

}  // namespace qv
