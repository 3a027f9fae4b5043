// The engine's only door to the operating system: a file with positioned
// reads and writes, size, truncate, sync and advisory locks, plus the few
// directory operations tables need (rename, remove, case-blind lookup).
//
// Everything goes through OpenFile(), so a test can swap in files that fail
// after N bytes (SetFileOpenerForTesting) and watch how a table survives.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "xbase/status.h"

namespace xb {

enum class FileMode {
  kReadOnly,   // O_RDONLY: works on read-only media
  kReadWrite,  // existing file
  kCreate,     // create if missing, keep contents; caller truncates after locking
};

// Only a table's own file (the DBF) is ever locked. Its memo file (FPT,
// DBT) and its indexes (CDX, IDX) have no locks of their own and rely on
// the table's: a holder of the table's lock, shared or exclusive, may read
// and change them, and only the holder of its exclusive lock may delete,
// truncate or replace one (pack, index rebuilds, TableReplacement).
enum class LockKind {
  kShared,     // many holders, no exclusive one
  kExclusive,  // a single holder
};

class File {
 public:
  virtual ~File() = default;

  // Reads up to `n` bytes at `offset`; `*got` < n only at end of file.
  virtual Status Read(uint64_t offset, size_t n, char* buf, size_t* got) = 0;
  // Writes all of `data` at `offset`.
  virtual Status Write(uint64_t offset, std::string_view data) = 0;
  virtual Status Size(uint64_t* size) = 0;
  virtual Status Truncate(uint64_t size) = 0;
  virtual Status Sync() = 0;
  // Closes the file and says whether the system took every write (some
  // file systems report a failed write only here). Later calls do nothing;
  // the destructor closes a file nobody closed, with no one to tell.
  virtual Status Close() { return Status::OK(); }

  // Whole-file lock held by this open file (not by the process), so two
  // opens in one process conflict as two processes do. Never waits:
  // a conflicting holder gives InUse, a file system without locks
  // NotSupported.
  virtual Status Lock(LockKind kind) = 0;
  // A short-lived lock on one byte far past any real data, for appends by
  // several writers of a shared table. Waits for the holder.
  virtual Status LockAppend() = 0;
  virtual Status UnlockAppend() = 0;

  const std::string& path() const { return path_; }
  // After the file was renamed under its open descriptor.
  void set_path(std::string path) { path_ = std::move(path); }

  // Reads exactly `n` bytes or fails with Corruption naming `what`.
  Status ReadExact(uint64_t offset, size_t n, char* buf, const char* what);

 protected:
  explicit File(std::string path) : path_(std::move(path)) {}

 private:
  std::string path_;
};

Status OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* out);

using FileOpener =
    std::function<Status(const std::string& path, FileMode mode, std::unique_ptr<File>* out)>;
// Replaces the opener behind OpenFile (an empty function restores the real
// one) and returns the previous one. Tests only; not thread-safe.
FileOpener SetFileOpenerForTesting(FileOpener opener);
// The real POSIX opener, for tests that wrap it.
Status OpenPosixFile(const std::string& path, FileMode mode, std::unique_ptr<File>* out);

bool FileExists(const std::string& path);
// Removes `path` (absent is fine) and syncs its directory.
Status RemoveFile(const std::string& path);
// Atomic replace of `to` by `from`, followed by a sync of the directory so
// the new name survives a power cut.
Status RenameFile(const std::string& from, const std::string& to);
// Consulted before each rename; an error stops it undone. Tests only.
using RenameCheck = std::function<Status(const std::string& from, const std::string& to)>;
RenameCheck SetRenameCheckForTesting(RenameCheck check);

// Finds `name` in the directory of `dir_of` ignoring letter case; prefers an
// exact match. Returns the full path or "" when absent.
std::string FindFileIgnoringCase(const std::string& dir_of, const std::string& name);

// The stale-index marker: a file "<stem>.qvi" beside the table
// "<stem>.dbf". A job that changes the table's indexes in bulk without
// writing them through after each record (a pack, which empties and
// rebuilds every tag) creates it, synced, before it starts, and removes it
// once the indexes are rebuilt and synced; so does a work area's writing
// session, from its first change to its close. Found at the next open, it
// means that job was cut off: the production index may be out of date and is
// rebuilt from the tag definitions the marker holds (the CDX itself may be
// half emptied). Other xBase programs ignore the file and read the CDX as
// it is; nothing in the CDX format changes. `contents`: docs/formats/cdx.md.
std::string StaleIndexMarkerPath(const std::string& table_path);
Status MarkIndexesStale(const std::string& table_path, std::string_view contents);
Status ReadStaleIndexMarker(const std::string& table_path, std::string* contents);
Status ClearIndexesStale(const std::string& table_path);

// A small file written whole and synced with its directory entry; read
// back whole (at most 1 MB).
Status WriteSmallFile(const std::string& path, std::string_view contents);
Status ReadSmallFile(const std::string& path, std::string* contents);

// The replacement journal "<stem>.qvr" beside a table: the renames that
// put a TableReplacement's side files in place, synced before the first.
// Found at an open, the commit was cut off and the table's files may not
// belong together: an exclusive writable open (or the next replacement)
// does the remaining steps, and *file becomes the new table's, locked;
// any other open is refused with Corruption.
std::string JournalPath(const std::string& table_path);
Status FinishInterruptedReplacement(const std::string& path, bool can_repair,
                                    std::unique_ptr<File>* file);

std::string DirName(const std::string& path);  // "" for a bare name
std::string BaseName(const std::string& path);

}  // namespace xb
