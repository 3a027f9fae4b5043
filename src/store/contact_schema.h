// The contact file's record layout and index tags, as every contact file
// carries them. Plain data shared by the program and the command line tool.
#pragma once

#include <string>
#include <vector>

#include "xbase/index_check.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace qv {

// The 20 contact fields in file order.
const std::vector<xb::FieldDef>& ContactFields();

struct TagDef {
  const char* name;
  const char* expression;
};

// The 21 tags of the production index, in creation order.
const std::vector<TagDef>& ContactTags();

// A contact file cut off after its last whole record gets the whole
// records as its count, when it is open exclusively for writing; any other
// file is left as it is.
xb::Status RepairCutOffCount(xb::Table& table);

// InvalidArgument naming the first contact field `table` lacks (by name and
// type), so nothing is done to a table that is not a contact file.
xb::Status CheckContactFields(const xb::Table& table);

// Builds the 21 contact tags, in order, into a new production index that
// replaces the old one only once it is whole (WorkArea::RebuildProductionIndex).
// Refuses a table without the contact fields before touching its index,
// and sets the count of a cut-off file right (RepairCutOffCount).
// With `damaged`, the old index is checked (xb::CheckIndex) and the tags
// found damaged are listed there (a whole file that cannot be read gives
// one entry with an empty name); the rebuild goes on either way. The check
// runs once the new index is whole, beside it, before the old one is
// replaced (or, when the rebuild stops sooner, on the old one alone).
// `progress` (may be null) gets an overall percentage.
// REQUIRES: the table open exclusively for writing.
xb::Status RebuildContactIndex(xb::WorkArea& area, const xb::ProgressFn& progress,
                               std::vector<xb::TagCheck>* damaged = nullptr);

}  // namespace qv
