// The contact file's record layout and index tags, as every contact file
// carries them. Plain data shared by the program and the command line tool.
#pragma once

#include <string>
#include <vector>

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

// Closes the work area's indexes, deletes its production index file, sets
// the count of a cut-off file right (RepairCutOffCount) and creates the 21
// contact tags anew, in order. `progress` (may be null) gets an overall
// percentage.
xb::Status RebuildContactIndex(xb::WorkArea& area, const xb::ProgressFn& progress);

}  // namespace qv
