// A work area: one open table with its index orders, seen through the
// engine-wide settings, with a query (filter) and a key scope that narrow
// what navigation visits. This is the layer the program's table access
// objects drive; it speaks in record numbers, key bytes and xBase
// conditions, still in bytes.
//
// Orders are numbered from 1: the tags of the production index (the .CDX of
// the table's name, opened with the table) in their file order, then the
// orders of further index files in the order they were opened. Order 0 is
// natural (record number) order.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/expr.h"
#include "xbase/index.h"
#include "xbase/status.h"
#include "xbase/table.h"

namespace xb {

// Engine-wide settings, shared by every work area that points at them.
struct Settings {
  bool exact = false;      // SET EXACT: string comparison, and seeks match whole keys
  bool soft_seek = false;  // a failed seek stands on the next greater key
  bool deleted = false;    // hide records carrying the deletion flag
  uint32_t memo_block_size = 64;
};

// Index options of WorkArea::Index.
constexpr int kIndexOptionNormal = 0;
constexpr int kIndexOptionUnique = 1;
constexpr int kIndexOptionCustom = 2;  // starts empty; filled with KeyAdd

class WorkArea {
 public:
  ~WorkArea();
  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;

  // `settings` must outlive the work area. Opens the production index when
  // there is one; if it is damaged or does not fit the table the table
  // still opens, in natural order, and index_status() says why. Positions on
  // the first visible record.
  static Status Open(const std::string& path, const OpenOptions& options,
                     const Settings* settings, std::unique_ptr<WorkArea>* out);
  // The same, reporting to `rebuild_progress` the one long step an open may
  // take: rebuilding a production index that a job cut off left stale (see
  // MarkIndexStale). It is not called when there is nothing to rebuild.
  static Status Open(const std::string& path, const OpenOptions& options,
                     const Settings* settings, const ProgressFn& rebuild_progress,
                     std::unique_ptr<WorkArea>* out);

  Table& table();
  const Settings& settings() const;
  // OK, or why the production index could not be used (Corruption).
  const Status& index_status() const;
  // The production index's path, whether or not it exists yet.
  std::string ProductionIndexPath() const;

  // ---- navigation over the visible records: those passing the query and
  // the scope and, with `deleted` on, not carrying the deletion flag.
  // A move that fails (a damaged page, a read error) leaves the area at
  // eof and bof and returns why, so a walk `while (!eof())` always ends ----
  Status GoTop();
  Status GoBottom();
  // Moves n visible records (negative: backwards) in the current order.
  // Past the end: eof(), on the phantom blank record (recno = record count
  // + 1). Before the start: bof(), on the first visible record.
  Status Skip(int64_t n);
  // Goes to record n whether visible or not (xBase GOTO). Out of range: eof.
  Status Go(uint32_t recno);
  bool eof() const;
  bool bof() const;
  uint32_t recno() const;  // record count + 1 at eof
  // The current record, or the phantom blank record at eof.
  RecordRef record();

  // ---- changes; every open order is kept current ----
  // REQUIRES: a current record (not eof).
  Status SetField(int field, std::string_view bytes);
  Status SetMemo(int field, std::string_view text);
  Status SetDeleted(bool deleted);
  // Appends a blank record and makes it current.
  Status Append();
  // Writes the current record and updates the orders. Moving does it too.
  // On a table open exclusively for writing, the first change also marks
  // the production index stale (see StaleIndexMarkerPath): a record and
  // its keys are two writes the disk may keep only one of, so a session
  // cut off by a crash or power cut has its tags rebuilt at the next open.
  // Close removes the mark once the table and every index are synced.
  Status Commit();
  // Commits, syncs the table and its indexes and removes a mark the
  // session's changes left. The area may still be used afterwards; the
  // destructor does the same but cannot report a failure (the mark then
  // stays and costs a rebuild at the next open).
  Status Close();

  // Bulk appends (see Table::SetAppendBatching) with the orders kept: the
  // keys reach the index as the records are posted, the records only a
  // chunk at a time, so until the last chunk is on disk the index runs
  // ahead of the table. The production index is marked stale before the
  // first such key and the mark removed once the table and every index
  // are synced, here on switching off (or at the next change or close,
  // when the table's own switch was used).
  Status SetAppendBatching(bool on);
  // For a job that leaves the production index behind the table for a
  // while, such as one that drops it to build it once at the end: marks
  // it stale (a no-op without one), so that a job cut off has these tags
  // rebuilt at the next exclusive open. RebuildProductionIndex removes the
  // mark once the new index is in place.
  Status MarkIndexStale();
  // For a job that rewrites many existing records (capitals, search and
  // replace, deletion) with the orders kept current: the production index
  // is marked stale before the first record changes, so a job cut off
  // anywhere has its tags rebuilt at the next exclusive open, and its pages
  // then go to the file now and then rather than with each record.
  // EndRewrite(true) syncs the table and every index and only then removes
  // the mark; EndRewrite(false), for a job that failed part way, writes the
  // pages and leaves the mark, as a failed EndRewrite(true) or a work area
  // closed before the end does. Nothing changes (each record's keys go out
  // with it) unless the table is open exclusively for writing with a
  // production index that has tags and no other job holds the mark.
  Status BeginRewrite();
  Status EndRewrite(bool completed);

  // ---- query ----
  // Sets the query; an empty condition clears it. A condition that does not
  // compile makes every record invisible (a clean "no match") and returns the
  // compile error. Positions on the first visible record.
  Status Query(std::string_view condition);
  const std::string& filter() const;  // the condition given to Query
  // Number of visible records (the scope is ignored). A query that fails at
  // run time on a record gives InvalidArgument "the condition fails on
  // record N: ...", as moving onto the record does.
  Status QueryRecCount(uint32_t* count);
  // The record numbers of the visible records within the scope, in the
  // current order, without moving: what a grid needs to map its rows. One
  // sequential pass over the records when the deleted setting or a query
  // asks for it, then one walk of the order.
  Status VisibleRecnos(std::vector<uint32_t>* out);

  // Evaluates a condition or expression on the current record.
  Status EvalLogical(std::string_view condition, bool* result);
  Status Eval(std::string_view expression, Value* result);

  // ---- orders ----
  int order_count() const;
  // Order number of a tag (or of an .IDX by its base name), any letter
  // case; 0 if none.
  int TagArea(std::string_view name) const;
  // REQUIRES: 1 <= order <= order_count()
  const TagInfo& OrderInfo(int order) const;
  // Makes `order` current (0: natural) and clears the scope. *previous gets
  // the order that was current. The record stays.
  Status SetOrder(int order, int* previous = nullptr);
  int IndexOrd() const;
  // Path of the index file holding `order`; "" for 0 or out of range.
  std::string IndexName(int order) const;
  // Closes every index file; natural order.
  Status CloseIndexes();

  // Creates (or replaces) tag `tag` in `file`, a compound index ("" for the
  // production index, which is created when missing), built from every
  // record. *order gets its order number.
  Status IndexTag(const std::string& file, const std::string& tag, const std::string& key_expr,
                  const std::string& for_expr, bool unique, bool descending, int* order = nullptr);
  struct TagSpec {
    std::string tag;
    std::string key_expr;
    std::string for_expr;
    bool unique = false;
    bool descending = false;
  };
  // Creates (or replaces) several tags of one compound index at once, as
  // IndexTag does: keys are gathered and sorted on worker threads while the
  // finished tags are written, a few tags' keys in memory at a time.
  Status IndexTags(const std::string& file, const std::vector<TagSpec>& specs);
  // Builds a new production index holding exactly the tags `specs` in a
  // side file (<stem>.new) and puts it in place of the old one, under the
  // old one's exact name, only once it is whole and on disk: a failure or
  // a kill before then leaves the old index as it was. The new index is
  // open afterwards (the old one after a failure), in natural order.
  // REQUIRES: the table open exclusively for writing (InUse otherwise):
  // the index relies on the table's lock. `before_replace`, when given,
  // runs once the new index is whole and on disk, with its path, the old
  // one closed and still in place (to be checked against the new one, say);
  // its failure ends the rebuild there, leaving the old index.
  Status RebuildProductionIndex(
      const std::vector<TagSpec>& specs,
      const std::function<Status(const std::string& built)>& before_replace = nullptr);

  // Creates a single-order .IDX at `file` (replacing it) and makes it the
  // current order. kIndexOptionCustom leaves it empty for KeyAdd.
  Status Index(const std::string& file, const std::string& key_expr, int option, bool descending,
               const std::string& for_expr);
  // Adds the current record's key to the order called `name`.
  Status KeyAdd(std::string_view name);
  // Adds the keys of the records `recnos` to the order called `name`, as
  // KeyAdd on each in turn would (one given twice is added once), reading
  // the records in runs and building the order in one sorted pass. The
  // current record stays.
  Status KeyAddMany(std::string_view name, const std::vector<uint32_t>& recnos);

  // Seeks `key` in the current order: key bytes for character orders (a
  // shorter key matches by prefix unless `exact` is set), the number or
  // YYYYMMDD date as text for numeric and date orders, T/F for logical
  // ones. Stands on the first visible record with that key; when there is
  // none, on the next greater visible key with `soft_seek`, else at eof.
  Status Seek(std::string_view key, bool* found);
  bool found() const;  // the last seek's result

  // Only keys from `low` to `high` (each compared on its own length) are
  // visible in the current order. Both empty clear the scope. Positions on
  // the first visible record.
  Status SetScope(std::string_view low, std::string_view high);

  // The stored key of the current record in the current order ("" in
  // natural order or when the record has no entry).
  Status CurrentKey(std::string* key);

  // Removes the records carrying the deletion flag, compacts the memo file
  // and rebuilds every order.
  Status Pack();

  // Progress of pack and index builds (percent); null to stop.
  void SetProgress(ProgressFn progress);
  // Reads ahead for fast read-only passes; results are the same either way.
  void SetTurboRead(bool on);

  // Whether a record is visible under the query and the deleted setting.
  // A query that fails at run time on the record gives false and, when
  // `error` is given, "the condition fails on record N: ...".
  bool IsVisible(const RecordRef& record, Status* error = nullptr) const;

 private:
  WorkArea();
  Status GoEnd(bool top);
  // The moves before a failure is settled at eof and bof.
  Status GoEndSteps(bool top);
  Status SkipSteps(int64_t n);
  Status GoSteps(uint32_t recno);
  Status SeekSteps(const std::string& key, bool prefix, bool* found);
  Status RepairStaleIndex(bool* pending);
  struct Rep;
  std::unique_ptr<Rep> rep_;
};

}  // namespace xb
