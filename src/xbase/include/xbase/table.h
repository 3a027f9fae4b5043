// DBF tables with their memo files (FPT, DBT): open, create, read and write
// records and memos, delete/recall, pack, copy. Bytes only.
//
// Thread-compatible, single user: one Table object per open file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/record.h"
#include "xbase/status.h"

namespace xb {

struct OpenOptions {
  bool exclusive = true;   // takes an OS lock so no other process can open it
  bool read_only = false;  // works on read-only media; writes fail with ReadOnly
};

struct FieldDef {
  std::string name;  // at most 10 characters; stored upper case
  char type = 'C';   // C N F D L M
  uint16_t width = 0;
  uint8_t decimals = 0;
};

// Progress callback: percentage 0..100. Return value ignored.
using ProgressFn = std::function<void(int percent)>;

// Threads: one Table may serve several threads at once for reading only:
// ReadRecord, ReadRecords and ReadMemo (positioned reads, no shared
// position) and the const accessors. REQUIRES meanwhile: no pending change
// (Flush first: a read would write it) and no writer or mover on any
// thread: no Go, Append, Set*, Flush, Pack, RepairCount or Close until every
// reader has returned. Everything else is for one thread at a time.
class Table final : public MemoReader {
 public:
  ~Table() override;
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Writes a new empty FoxPro 2.x table (signature 0xF5 with memo, 0x03
  // without; language driver 0x03) and, when a field is of type M, its FPT
  // memo file (block size `memo_block_size`). Fails if a field list is
  // invalid (empty, duplicate or too-long names, bad widths).
  static Status Create(const std::string& path, const std::vector<FieldDef>& fields,
                       uint32_t memo_block_size = 64);

  // Opens a table and its memo file (same base name, .FPT or .DBT, in any
  // letter case). Damaged files give Corruption, locked files InUse.
  static Status Open(const std::string& path, const OpenOptions& options,
                     std::unique_ptr<Table>* out);

  // Flushes and closes; the destructor does the same, ignoring errors.
  Status Close();

  const std::string& path() const;
  const std::string& memo_path() const;  // empty when the table has no memo file
  uint8_t signature() const;
  uint8_t language_driver() const;
  bool read_only() const;
  bool exclusive() const;
  uint16_t header_length() const;
  uint16_t record_length() const;
  const std::vector<FieldInfo>& fields() const;
  int FieldIndex(std::string_view name) const;  // -1 when absent

  // The whole records the file holds.
  uint32_t record_count() const;
  // The count the header gives: more than record_count() only when the
  // file was cut off after its last whole record (other tools show the
  // whole ones as well).
  uint32_t header_record_count() const;
  // Sets the header's count to the whole records and cuts off a partial
  // record after them; nothing past the last whole record is kept.
  // REQUIRES: open exclusively for writing.
  Status RepairCount();

  // The header flag that tells xBase tools a production index (.CDX of the
  // same name) belongs to the table.
  bool has_index_flag() const;
  Status SetIndexFlag(bool on);

  // Positioning in natural order. Go(n) for 1 <= n <= record_count loads
  // record n; anything else leaves no current record (recno() == 0) and
  // returns NotFound.
  Status Go(uint32_t recno);
  uint32_t recno() const;
  RecordRef current();                 // data null when no current record
  const char* current_data() const;    // null when no current record

  // Reads record `recno` into `buf` without moving (bulk scans use this).
  Status ReadRecord(uint32_t recno, std::string* buf);
  // Reads `count` consecutive records starting at `first` into `buf`.
  Status ReadRecords(uint32_t first, uint32_t count, std::string* buf);

  // REQUIRES: a current record.
  // Field bytes are padded with blanks or cut to the field's width.
  Status SetFieldBytes(int field, std::string_view bytes);
  Status SetDeleted(bool deleted);
  // Writes the current record back to the file if it changed (into the
  // batch, for an append while batching).
  Status Flush();

  // Appends a blank record and makes it current. It is written with its
  // values, then counted, when the record is next written (Flush, moving,
  // Close), so a crash in between leaves no blank record behind. In a
  // shared table its number is settled then, under the append lock: it
  // moves past the records other writers appended meanwhile.
  Status Append();

  // For bulk appends to a table open exclusively for writing (elsewhere a
  // no-op): appended records wait in memory and reach the file about 1 MB
  // at a time, each chunk written whole before its count. A crash loses at
  // most the last chunk; the next exclusive open counts whole records a
  // crash left past the count. Any other use of the table (moving, reading,
  // Close) writes the batch first; switching it off writes it too.
  Status SetAppendBatching(bool on);
  bool append_batching() const;
  // After a failed write (a full disk): drops what the header does not
  // count (the batch, a record not yet written, and whole or partial
  // records a failed write left past the count), so the file and its
  // header agree and a later append does not land behind them. Ends
  // batching and leaves no current record; record_count() is then what the
  // table holds. REQUIRES: open for writing.
  Status DiscardUncounted();
  // Writes what the table holds back and makes it durable, memo included.
  Status Sync();

  // Memo text of field `field` of the current record (empty for block 0).
  Status GetMemo(int field, std::string* out);
  // Writes memo text: in place when it fits the old blocks, else appended.
  // An empty text stores no block (pointer 0). REQUIRES: a current record.
  Status SetMemo(int field, std::string_view text);
  // MemoReader: reads the memo a raw pointer field refers to.
  Status ReadMemo(std::string_view field_bytes, std::string* out) override;

  // Empty, or a sentence telling that memo values read so far pointed into
  // the memo file's header and were read as empty (one for the table).
  std::string memo_notice() const;

  // Removes records carrying the deletion flag and compacts the memo file.
  // Leaves no current record.
  Status Pack(const ProgressFn& progress = nullptr);

  // An empty table with the same fields (and an empty memo file).
  Status CopyStructure(const std::string& path) const;
  // A copy of the structure and all records (memos copied too).
  Status CopyFile(const std::string& path, const ProgressFn& progress = nullptr);

 private:
  Table();
  struct Rep;
  std::unique_ptr<Rep> rep_;
};

class File;

// A table replaced as a whole, with its memo file and production index (a
// contact file made anew). The table's exclusive lock is taken before
// anything is written and held to the end, so a table open elsewhere is
// never replaced under its user and two replacements cannot interleave.
// The new table is built under side_path() and renamed into place only
// when whole; until Commit the old files stay as they were.
class TableReplacement {
 public:
  // Locks the table at `path`, creating an empty file when there is none
  // (removed again unless Commit runs). InUse when the table is open
  // elsewhere. Side files left by a replacement that died are removed.
  static Status Begin(const std::string& path, std::unique_ptr<TableReplacement>* out);
  // Without Commit: removes the side files (and the empty file Begin
  // made), then lets go of the lock.
  ~TableReplacement();
  TableReplacement(const TableReplacement&) = delete;
  TableReplacement& operator=(const TableReplacement&) = delete;

  // Where to build the new table: <stem>.new.dbf beside the table. Its
  // memo file and production index follow that name.
  const std::string& side_path() const { return side_; }

  // Renames the side table's memo file and index over the table's (under
  // the exact names existing ones have; old companions the new table does
  // not have are removed), then the side table over the table. Cut off
  // part way (a kill, a failure), the next exclusive open of the table
  // does the rest. REQUIRES: the side table closed.
  Status Commit();

 private:
  TableReplacement();
  std::string path_;
  std::string side_;
  std::unique_ptr<File> lock_;
  bool created_ = false;
  bool journaled_ = false;  // Commit began renaming
  bool committed_ = false;
};

}  // namespace xb
