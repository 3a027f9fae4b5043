// A work area: one open table seen through the engine-wide settings, with a
// query (filter) that narrows what navigation visits. This is the layer the
// program's table access objects drive; it speaks in record numbers and
// xBase conditions, still in bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xbase/expr.h"
#include "xbase/status.h"
#include "xbase/table.h"

namespace xb {

// Engine-wide settings, shared by every work area that points at them.
struct Settings {
  bool exact = false;      // SET EXACT: string comparison and seeks
  bool soft_seek = false;  // a failed seek stands on the next greater key
  bool deleted = false;    // hide records carrying the deletion flag
  uint32_t memo_block_size = 64;
};

class WorkArea {
 public:
  ~WorkArea();
  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;

  // `settings` must outlive the work area. Positions on the first visible
  // record.
  static Status Open(const std::string& path, const OpenOptions& options,
                     const Settings* settings, std::unique_ptr<WorkArea>* out);

  Table& table();
  const Settings& settings() const;

  // Navigation over the visible records: those passing the query and, with
  // `deleted` on, not carrying the deletion flag.
  Status GoTop();
  Status GoBottom();
  // Moves n visible records (negative: backwards). Past the end: eof(), on
  // the phantom blank record (recno = record count + 1). Before the start:
  // bof(), on the first visible record.
  Status Skip(int64_t n);
  // Goes to record n whether visible or not (xBase GOTO). Out of range: eof.
  Status Go(uint32_t recno);
  bool eof() const;
  bool bof() const;
  // Record count + 1 at eof.
  uint32_t recno() const;
  // The current record, or the phantom blank record at eof.
  RecordRef record();

  // Sets the query; an empty condition clears it. A condition that does not
  // compile makes every record invisible (a clean "no match") and returns the
  // compile error. Positions on the first visible record.
  Status Query(std::string_view condition);
  const std::string& filter() const;  // the condition given to Query
  // Number of visible records.
  Status QueryRecCount(uint32_t* count);

  // Evaluates a condition or expression on the current record.
  Status EvalLogical(std::string_view condition, bool* result);
  Status Eval(std::string_view expression, Value* result);

  // Whether record data (current or raw) is visible under query and settings.
  bool IsVisible(const RecordRef& record) const;

 private:
  WorkArea();
  struct Rep;
  std::unique_ptr<Rep> rep_;
};

}  // namespace xb
