// Merging a pair of duplicates: one record is kept, its empty fields are
// filled from the other, the two memos are joined, and the other record is
// deleted the program's way (deleted marker in PREFIX and deletion flag).
#pragma once

#include <string>

#include "cleanup/dup_check.h"
#include "xbase/status.h"
#include "xbase/table.h"

namespace qv {

class TableGridModel;
class TableObject;

// The key two records must share to be a pair of the given kind; empty
// when the record is never compared. `record` is the stored record.
std::string DupCompareKey(const std::vector<xb::FieldInfo>& fields, std::string_view record,
                          const DupCheckOptions& options);

// The grid row beside `row` that forms a pair with it (the one above is
// preferred), or -1.
int PairPartnerRow(TableObject& table, const TableGridModel& model, int row,
                   const DupCheckOptions& options);

// REQUIRES: table open, not editing; `keep` and `drop` two different records.
xb::Status MergeRecords(TableObject& table, int keep, int drop);

}  // namespace qv
