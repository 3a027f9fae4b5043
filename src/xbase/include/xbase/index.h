// Index storage: FoxPro compact indexes, both compound .CDX files (many
// tags) and single-order .IDX files. This layer deals in key bytes and
// record numbers only: callers evaluate key expressions and hand in encoded
// keys (see the Encode* helpers). Every tag is stored in the file's order:
// key bytes compared unsigned, ties by record number. A descending tag is
// stored so too, flagged, and its tag order is the exact reverse (its
// cursors walk the file from the end), as other xBase engines keep it.
//
// Thread-compatible, single user: one IndexFile per open file, cursors used
// from the same thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/status.h"

namespace xb {

// How a tag's keys were made. It decides the pad byte that leaf pages trim:
// blanks for character and logical keys, NULs for the 8-byte numeric and
// date keys. The file does not record it; a reader learns it by evaluating
// the key expression and tells the file through IndexFile::SetKeyType.
enum class KeyType : uint8_t {
  kCharacter = 0,
  kNumeric = 1,
  kDate = 2,
  kLogical = 3,
  // Visual FoxPro's keys of an Integer field: 4 bytes, big-endian with the
  // sign bit flipped. Read from its files; our tags keep 8-byte numbers.
  kInteger = 4,
};

// One order (tag) of an index file.
struct TagInfo {
  std::string name;         // upper case, at most 10 characters
  std::string key_expr;     // as written by the user, e.g. UPPER(LNAME)
  std::string for_expr;     // empty when the tag has no FOR condition
  uint16_t key_length = 0;  // 1..240
  KeyType key_type = KeyType::kCharacter;
  bool unique = false;      // one entry per distinct key (the first inserted)
  bool descending = false;
  bool custom = false;      // filled key by key by the caller, never rebuilt
};

// ---- key encodings ---------------------------------------------------------

// Text padded with blanks (or cut) to `key_length` bytes.
std::string EncodeCharacterKey(std::string_view text, uint16_t key_length);
// FoxPro's sortable double: IEEE 754 big-endian, sign bit flipped for
// values >= 0, every bit flipped for negative values. 8 bytes.
std::string EncodeNumericKey(double value);
std::string EncodeIntegerKey(double value);  // clamped to the int32 range
// The inverse; returns 0 when `key` is not 8 bytes.
double DecodeNumericKey(std::string_view key);
// Dates index as their Julian day number (0 for an empty date).
std::string EncodeDateKey(int32_t julian_day);
// Julian day number of a YYYYMMDD date, 0 for a blank one; -1 when the
// text is not a valid date.
int32_t JulianDayFromDtos(std::string_view yyyymmdd);
// 'T' or 'F'.
std::string EncodeLogicalKey(bool value);

// ---- bulk entries ----------------------------------------------------------

// Entries for one tag build, stored compactly: one contiguous key arena and
// a record number array (about key_length + 4 bytes an entry).
class KeyBuffer {
 public:
  explicit KeyBuffer(uint16_t key_length = 0) : key_length_(key_length) {}

  void Reset(uint16_t key_length);
  void Reserve(size_t count);
  // Keys shorter than key_length() are padded with blanks, longer ones cut.
  // REQUIRES: recno >= 1
  void Add(std::string_view key, uint32_t recno);

  size_t size() const { return recnos_.size(); }
  uint16_t key_length() const { return key_length_; }
  std::string_view key(size_t i) const {
    return std::string_view(keys_.data() + i * key_length_, key_length_);
  }
  uint32_t recno(size_t i) const { return recnos_[i]; }

  // The entry indexes in the file's order: by key, ties by record number.
  // After Presort this hands over the order computed then (once).
  std::vector<uint32_t> SortedOrder() const;

  // Sorts now, so that the sort can run on another thread than the build
  // that writes the tag; the entries are renumbered in the file's order.
  void Presort();

  // Releases the memory.
  void Clear();

 private:
  uint16_t key_length_;
  std::vector<char> keys_;
  std::vector<uint32_t> recnos_;
  mutable std::vector<uint32_t> presorted_;
  mutable bool has_presorted_ = false;
};

// Percentage 0..100 of a bulk build.
using BuildProgressFn = std::function<void(int percent)>;

// ---- cursors ---------------------------------------------------------------

// A position in one tag, moving in tag order (a descending tag's runs from
// the file's last entry to its first). Cursors stay usable across changes to
// their tag: the next move finds the current entry (or, if it was removed,
// its successor) again.
class IndexCursor {
 public:
  virtual ~IndexCursor() = default;

  // True when standing on an entry; false at eof (past either end).
  virtual bool Valid() const = 0;
  // REQUIRES: Valid()
  virtual std::string_view key() const = 0;
  virtual uint32_t recno() const = 0;

  virtual Status SeekFirst() = 0;
  virtual Status SeekLast() = 0;
  // REQUIRES: Valid(). Moving past an end leaves the cursor invalid.
  virtual Status Next() = 0;
  virtual Status Prev() = 0;

  // Lands on the first entry whose key is not before `key` in tag order.
  // With `prefix` (SET EXACT off) only the first key.size() bytes of each
  // entry are compared; otherwise `key` is padded with the tag's pad byte to
  // the key length. *found tells whether the entry landed on matches.
  // Invalid (eof) when every key is before `key`.
  virtual Status Seek(std::string_view key, bool prefix, bool* found) = 0;
  // Lands on the entry (key, recno), or the first one after it in tag order.
  // `key` must be full length. *found tells whether it exists.
  virtual Status SeekEntry(std::string_view key, uint32_t recno, bool* found) = 0;
};

// ---- files -----------------------------------------------------------------

struct IndexOpenOptions {
  static constexpr uint32_t kUnknownRecordCount = 0xFFFFFFFFu;

  bool read_only = false;
  // Record numbers in the file above this are reported as damage.
  uint32_t record_count = kUnknownRecordCount;
  // Checks that no two tags share a root, and the shape of each tag (root,
  // both edges, leaf layout) at its first cursor or change, once its key
  // type is known. A full check turns it off and calls CheckTag on each
  // tag instead, to report them one by one.
  bool check_tags = true;
};

class IndexFile {
 public:
  enum class Kind { kCompound, kSingle };

  virtual ~IndexFile() = default;

  // A new compound index (.CDX) with no tags. Overwrites `path`.
  static Status CreateCompound(const std::string& path, std::unique_ptr<IndexFile>* out);
  // A new single-order compact index (.IDX) holding the one tag `def`,
  // empty. def.name is ignored (the order is named after the file).
  // Fill it with RebuildTag, or key by key with InsertKey (def.custom).
  static Status CreateSingle(const std::string& path, const TagInfo& def,
                             std::unique_ptr<IndexFile>* out);
  // Opens an existing .CDX or .IDX (told apart by the header). Checks the
  // header and the tag directory (and see check_tags); a damaged or
  // foreign file gives Corruption, naming the tag when one tag is damaged. Walks and seeks check the pages they pass (sibling
  // links both ways, keys in order, children within their parents' range)
  // and stop with Corruption rather than skip entries. Tags open as
  // character tags: call SetKeyType for others.
  static Status Open(const std::string& path, const IndexOpenOptions& options,
                     std::unique_ptr<IndexFile>* out);

  virtual Kind kind() const = 0;
  virtual const std::string& path() const = 0;
  virtual bool read_only() const = 0;

  // Tags in the file's own order, which is the order they were created:
  // order numbers 1..tag_count().
  virtual int tag_count() const = 0;
  // REQUIRES: 1 <= order <= tag_count()
  virtual const TagInfo& tag(int order) const = 0;
  // Order number of the tag called `name` (any letter case), 0 if none.
  virtual int FindTag(std::string_view name) const = 0;

  // REQUIRES: 1 <= order <= tag_count()
  virtual Status SetKeyType(int order, KeyType type) = 0;
  // Record numbers above `count` read from the file count as damage.
  virtual void set_record_count(uint32_t count) = 0;

  // Adds a tag built from `entries` (any order; consumed and cleared).
  // Fails with InvalidArgument for a bad definition or a duplicate name,
  // NotSupported on a single-order file. *order gets the new order number.
  virtual Status AddTag(const TagInfo& def, KeyBuffer* entries, const BuildProgressFn& progress,
                        int* order) = 0;
  // Replaces every entry of a tag with `entries` (consumed and cleared).
  virtual Status RebuildTag(int order, KeyBuffer* entries, const BuildProgressFn& progress) = 0;
  // Removes a tag; its pages go to the free list. Order numbers after it
  // shift down. REQUIRES: no cursor open on that tag.
  virtual Status DropTag(int order) = 0;
  // Empties every tag, keeping the definitions and shrinking the file
  // (before a pack, followed by RebuildTag per tag).
  // REQUIRES: no cursor open on this file.
  virtual Status Zap() = 0;

  // Adds the entry (key, recno). A unique tag keeps the key's existing
  // entry and ignores the new one. Adding an entry that exists is a no-op.
  // REQUIRES: key.size() == tag(order).key_length
  virtual Status InsertKey(int order, std::string_view key, uint32_t recno) = 0;
  // Adds every entry of `entries` (consumed and cleared) as InsertKey would,
  // one after the other. Many entries next to the tag's size rebuild it in
  // one sorted pass from its entries and the new ones.
  virtual Status InsertKeys(int order, KeyBuffer* entries) = 0;
  // Removes the entry (key, recno); NotFound when it is not there.
  virtual Status DeleteKey(int order, std::string_view key, uint32_t recno) = 0;

  // REQUIRES: the file outlives the cursor.
  virtual Status NewCursor(int order, std::unique_ptr<IndexCursor>* out) = 0;

  // Reads every page of a tag: each level a chain linked both ways, keys in
  // order, every child within its parent's range, no page used twice.
  // *entries gets the number of entries. Corruption names the tag.
  // REQUIRES: the key type set (SetKeyType) as for reading.
  virtual Status CheckTag(int order, uint64_t* entries) = 0;
  // The same, handing each leaf's entries in the file's order (a descending
  // tag's reversed) to `visit` (keys of the tag's length back to back, their
  // record numbers, how many) once the levels above have passed; `visit` returning false ends the check there,
  // with OK. A later leaf's damage is still found after an earlier visit.
  using LeafVisitor = std::function<bool(std::string_view keys, const uint32_t* recnos, size_t n)>;
  virtual Status CheckTag(int order, uint64_t* entries, const LeafVisitor& visit) = 0;
  // Forgets the pages and decoded nodes held in memory that carry no
  // unwritten change, so a long read (a full check) need not keep the whole
  // file. REQUIRES: no cursor in use.
  virtual void ReleaseCleanPages() = 0;

  // Writes changed pages, each tier of the tree on the disk before the
  // headers that name it (a sync between them when they name pages anew).
  // Sync flushes and makes everything written durable. Close syncs and
  // closes; the destructor does the same, ignoring errors.
  virtual Status Flush() = 0;
  virtual Status Sync() = 0;
  virtual Status Close() = 0;
};

}  // namespace xb
