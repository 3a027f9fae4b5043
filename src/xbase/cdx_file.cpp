// Compound (.CDX) and single-order (.IDX) compact index files: a page cache,
// headers and the tag directory, bulk builds written bottom-up, incremental
// B-tree maintenance and cursors. Layout: docs/formats/cdx.md.
//
// Every interior entry holds the last (key, recno) of its child, so a
// search descends into the first child whose last entry is not before the
// target. Every change rewrites the path from the leaf to the root through
// the cache; Flush writes the changed pages.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "cdx_format.h"
#include "cdx_node.h"
#include "file.h"
#include "xbase/index.h"

namespace xb {

namespace {

using namespace cdx;

// Deeper than any real tree (a 240-byte key gives 2 entries an interior
// node: 32 levels still hold 4 billion entries); guards against cycles.
constexpr int kMaxDepth = 32;
// Clean pages kept after a flush.
constexpr size_t kCacheKeepPages = 4096;

struct TagState {
  TagInfo info;
  uint32_t header = 0;
  uint32_t root = 0;
  uint64_t generation = 0;
  bool directory = false;  // the tag of tags: record numbers are header offsets
  // Whether CheckShape passed for the current key type. It waits for the
  // first use: pages decode right only once the caller has told the key
  // type (the pad byte), which comes after the open.
  bool shape_checked = false;

  char pad() const {
    return info.key_type == KeyType::kNumeric || info.key_type == KeyType::kDate ||
                   info.key_type == KeyType::kInteger
               ? '\0'
               : ' ';
  }
};

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", v);
  return buf;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return out;
}

// The file's order, for every tag: key bytes, then record number. A
// descending tag is stored in this order too and walked backwards, as other
// xBase engines store it. `b` may be shorter than `a`: only its length is
// compared (a prefix seek).
int Compare(const TagState&, std::string_view a, uint32_t arec, std::string_view b,
            uint32_t brec) {
  const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c < 0 ? -1 : 1;
  return arec < brec ? -1 : (arec > brec ? 1 : 0);
}

class CdxFile;

class CdxCursor final : public IndexCursor {
 public:
  CdxCursor(CdxFile* file, TagState* tag) : file_(file), tag_(tag) {}

  bool Valid() const override { return valid_; }
  std::string_view key() const override { return leaf_.key(pos_); }
  uint32_t recno() const override { return leaf_.recnos[pos_]; }

  Status SeekFirst() override;
  Status SeekLast() override;
  Status Next() override;
  Status Prev() override;
  Status Seek(std::string_view key, bool prefix, bool* found) override;
  Status SeekEntry(std::string_view key, uint32_t recno, bool* found) override;

 private:
  // These move in the file's order; the public moves turn it round for a
  // descending tag.
  bool reversed() const { return tag_->info.descending; }
  Status Edge(bool last);
  Status SeekTarget(std::string_view target, uint32_t recno);
  // From where SeekTarget landed (or past the end) to the entry before it.
  Status BackOne();
  Status MoveRight();
  Status MoveLeft();
  Status Step(bool forward);
  Status CheckNeighbour(uint32_t from, uint32_t back);

  CdxFile* file_;
  TagState* tag_;
  Node leaf_;
  Node fresh_;  // SeekTarget's page being decoded, kept for its buffers
  size_t pos_ = 0;
  bool valid_ = false;
  uint64_t generation_ = 0;
};

// Sequential direct writes of freshly built pages, combined into large
// writes when their offsets follow each other.
class PageWriter {
 public:
  explicit PageWriter(File* file) : file_(file) {}
  Status Write(uint32_t offset, const char* page) {
    if (buf_.empty() || offset != start_ + buf_.size() || buf_.size() >= (1u << 20)) {
      XB_RETURN_IF_ERROR(Flush());
      start_ = offset;
    }
    buf_.insert(buf_.end(), page, page + kPageSize);
    return Status::OK();
  }
  Status Flush() {
    if (buf_.empty()) return Status::OK();
    XB_RETURN_IF_ERROR(file_->Write(start_, std::string_view(buf_.data(), buf_.size())));
    buf_.clear();
    return Status::OK();
  }

 private:
  File* file_;
  uint32_t start_ = 0;
  std::vector<char> buf_;
};

class CdxFile final : public IndexFile {
 public:
  CdxFile(std::unique_ptr<File> file, bool read_only, Kind kind)
      : path_(file->path()), file_(std::move(file)), read_only_(read_only), kind_(kind) {
    dir_.directory = true;
    dir_.info.name = "tag directory";
    dir_.info.key_length = kTagNameLength;
  }
  // A destructor has no one to tell; callers that care close first.
  ~CdxFile() override { Close().IgnoreError(); }

  Status InitEmpty(const TagInfo* single);
  Status Load(bool check_tags);

  Kind kind() const override { return kind_; }
  const std::string& path() const override { return path_; }
  bool read_only() const override { return read_only_; }
  int tag_count() const override { return int(tags_.size()); }
  const TagInfo& tag(int order) const override { return tags_[order - 1]->info; }
  int FindTag(std::string_view name) const override;
  Status SetKeyType(int order, KeyType type) override;
  void set_record_count(uint32_t count) override {
    // Decoded nodes were checked against the old count.
    if (count < record_count_) DropDecoded();
    record_count_ = count;
  }

  Status AddTag(const TagInfo& def, KeyBuffer* entries, const BuildProgressFn& progress,
                int* order) override;
  Status RebuildTag(int order, KeyBuffer* entries, const BuildProgressFn& progress) override;
  Status DropTag(int order) override;
  Status Zap() override;
  Status InsertKey(int order, std::string_view key, uint32_t recno) override;
  Status InsertKeys(int order, KeyBuffer* entries) override;
  Status DeleteKey(int order, std::string_view key, uint32_t recno) override;
  Status NewCursor(int order, std::unique_ptr<IndexCursor>* out) override;
  Status Flush() override;
  Status Sync() override;
  Status Close() override;

  Status CheckTag(int order, uint64_t* entries) override { return CheckTag(order, entries, nullptr); }
  Status CheckTag(int order, uint64_t* entries, const LeafVisitor& visit) override;
  void ReleaseCleanPages() override {
    DropDecoded();
    std::erase_if(cache_, [](const auto& entry) { return !entry.second.dirty; });
  }

  Status ReadNode(const TagState& t, uint32_t page, Node* node);
  // The decoded node the cache holds for `page`, or nullptr; valid until
  // the next node is remembered, which may make room.
  const Node* CachedNode(const TagState& t, uint32_t page) const {
    auto it = decoded_.find(page);
    return it != decoded_.end() && it->second.key_length == t.info.key_length ? &it->second : nullptr;
  }
  void RememberDecoded(const Node& node);
  Status DecodeChecked(const TagState& t, uint32_t page, Node* node);
  Status CheckChild(const TagState& t, const Node& parent, size_t slot, const Node& child);
  Status CheckShape(const TagState& t);
  Status EnsureShape(TagState& t) {
    if (t.shape_checked) return Status::OK();
    XB_RETURN_IF_ERROR(CheckShape(t));
    t.shape_checked = true;
    return Status::OK();
  }
  Status CheckRoots();
  Status Damaged(const std::string& what) const {
    return Status::Corruption("index file " + path_ + " is damaged: " + what);
  }
  // Damage within one tag names the tag, so the user knows which order to
  // distrust and a check can go on with the others.
  Status TagDamaged(const TagState& t, const std::string& what) const {
    if (t.directory) return Damaged("the tag directory: " + what);
    return Status::Corruption("index tag " + t.info.name + " of " + path_ + " is damaged: " + what);
  }
  uint32_t page_count() const { return file_end_ / kPageSize; }

 private:
  struct CachedPage {
    std::array<char, kPageSize> data;
    bool dirty = false;
  };
  struct PathStep {
    Node node;
    size_t slot;
  };

  Status CheckWritable() const {
    if (!file_) return Status::InvalidArgument("index file is closed");
    if (read_only_) return Status::ReadOnly("index file " + path_ + " is open read-only");
    return Status::OK();
  }
  Status CheckOrder(int order) const {
    if (order < 1 || order > tag_count()) {
      return Status::InvalidArgument("no index order " + std::to_string(order));
    }
    return Status::OK();
  }
  std::string Label(const TagState& t) const {
    return t.directory ? "tag directory" : "tag " + t.info.name;
  }
  Status CheckLeafLayout(const TagState& t, const Node& leaf);

  Status ReadPage(uint32_t offset, char** data);
  char* WritablePage(uint32_t offset);  // zeroed when not cached
  Status AllocPage(uint32_t* offset);
  Status FreePage(uint32_t offset);
  Status SetHeaderField(uint32_t header, int field, uint32_t value);
  void WriteHeader(uint32_t header, const TagInfo& info, uint32_t root, uint8_t options);
  Status ParseHeader(uint32_t header, TagState* t);
  Status WriteNode(const TagState& t, const Node& node);
  Status PatchSibling(uint32_t page, int field, uint32_t value);
  Status SetRoot(TagState& t, uint32_t root);
  Status NewEmptyRoot(TagState& t);

  Status Descend(const TagState& t, std::string_view key, uint32_t recno,
                 std::vector<PathStep>* path, Node* leaf);
  Status Split(const TagState& t, Node& node, std::vector<Node>* pieces);
  Status Commit(TagState& t, std::vector<PathStep>* path, Node node, bool merge);
  Status MergeRight(const TagState& t, PathStep* parent, Node* node);
  Status CollapseRoot(TagState& t);
  Status TreeInsert(TagState& t, std::string_view key, uint32_t recno);
  Status TreeDelete(TagState& t, std::string_view key, uint32_t recno);
  Status CollectPages(const TagState& t, std::vector<uint32_t>* pages);
  Status BulkBuild(TagState& t, KeyBuffer* entries, const BuildProgressFn& progress);
  Status ValidateDef(const TagInfo& def, TagInfo* clean) const;
  uint8_t TagOptions(const TagInfo& info) const;

  std::string path_;
  std::unique_ptr<File> file_;  // null once closed
  bool read_only_;
  Kind kind_;
  uint32_t file_end_ = 0;
  uint32_t free_head_ = 0;
  uint32_t record_count_ = IndexOpenOptions::kUnknownRecordCount;
  bool changed_ = false;
  // Written since the last sync.
  bool unsynced_ = false;
  // A header field that names pages (a root, the free list, a new tag's
  // header) changed: the pages it names go to the disk first.
  bool names_changed_ = false;
  // Tag directory pages changed since the last flush.
  std::unordered_set<uint32_t> dir_dirty_;
  TagState dir_;
  std::vector<std::unique_ptr<TagState>> tags_;  // by header offset
  std::unordered_map<uint32_t, CachedPage> cache_;
  // Nodes already decoded and checked, for repeated descents (seeks and
  // the updates of a commit). A change to a page drops that page's node
  // only; clearing the whole table on every write cost more than the
  // writes themselves.
  std::unordered_map<uint32_t, Node> decoded_;
  size_t decoded_bytes_ = 0;

  static size_t NodeBytes(const Node& n) {
    return sizeof(Node) + n.keys.size() + 4 * (n.recnos.size() + n.children.size());
  }
  void DropDecoded() {
    decoded_.clear();
    decoded_bytes_ = 0;
  }
  void DropDecoded(uint32_t page) {
    auto it = decoded_.find(page);
    if (it == decoded_.end()) return;
    decoded_bytes_ -= NodeBytes(it->second);
    decoded_.erase(it);
  }
};

// ---- pages -----------------------------------------------------------------

Status CdxFile::ReadPage(uint32_t offset, char** data) {
  auto it = cache_.find(offset);
  if (it != cache_.end()) {
    *data = it->second.data.data();
    return Status::OK();
  }
  if (offset % kPageSize != 0 || uint64_t(offset) + kPageSize > file_end_) {
    return Damaged("page " + Hex(offset) + " lies outside the file");
  }
  if (!file_) return Status::InvalidArgument("index file is closed");
  CachedPage page;
  size_t got = 0;
  XB_RETURN_IF_ERROR(file_->Read(offset, kPageSize, page.data.data(), &got));
  if (got != kPageSize) return Damaged("the file ends inside page " + Hex(offset));
  auto [pos, inserted] = cache_.emplace(offset, page);
  *data = pos->second.data.data();
  return Status::OK();
}

char* CdxFile::WritablePage(uint32_t offset) {
  DropDecoded(offset);
  auto [it, inserted] = cache_.try_emplace(offset);
  if (inserted) it->second.data.fill(0);
  it->second.dirty = true;
  changed_ = true;
  return it->second.data.data();
}

Status CdxFile::AllocPage(uint32_t* offset) {
  if (free_head_ != 0) {
    const uint32_t page = free_head_;
    char* data;
    XB_RETURN_IF_ERROR(ReadPage(page, &data));
    uint32_t next = LoadLE32(data);
    if (next == kNoPage) next = 0;
    if (next != 0 && (next % kPageSize != 0 || next < kHeaderSize || next == page ||
                      uint64_t(next) + kPageSize > file_end_)) {
      return Damaged("the free page list is broken at " + Hex(page));
    }
    XB_RETURN_IF_ERROR(SetHeaderField(0, kHdrFreeList, next));
    free_head_ = next;
    *offset = page;
    return Status::OK();
  }
  if (file_end_ > 0xFFFFFFFFu - 2 * kPageSize) {
    return Status::IOError("index file " + path_ + " would exceed 4 GB");
  }
  *offset = file_end_;
  file_end_ += kPageSize;
  return Status::OK();
}

Status CdxFile::FreePage(uint32_t offset) {
  // The header first: a header that cannot be read must not leave a page
  // linked to a list nobody names.
  XB_RETURN_IF_ERROR(SetHeaderField(0, kHdrFreeList, offset));
  char* data = WritablePage(offset);
  std::memset(data, 0, kPageSize);
  StoreLE32(data, free_head_);
  free_head_ = offset;
  return Status::OK();
}

// A header that cannot be read is an error, never a zeroed page that a
// later flush would write over the real one.
Status CdxFile::SetHeaderField(uint32_t header, int field, uint32_t value) {
  char* data;
  XB_RETURN_IF_ERROR(ReadPage(header, &data));
  DropDecoded(header);
  cache_[header].dirty = true;
  changed_ = true;
  names_changed_ = true;
  StoreLE32(data + field, value);
  return Status::OK();
}

void CdxFile::WriteHeader(uint32_t header, const TagInfo& info, uint32_t root, uint8_t options) {
  char* p = WritablePage(header);
  char* pool = WritablePage(header + kPageSize);
  names_changed_ = true;
  std::memset(p, 0, kPageSize);
  std::memset(pool, 0, kPageSize);
  StoreLE32(p + kHdrRoot, root);
  StoreLE32(p + kHdrFreeList, header == 0 ? free_head_ : 0);
  StoreLE16(p + kHdrKeyLength, info.key_length);
  p[kHdrOptions] = char(options);
  p[kHdrSignature] = char(kSignature);
  StoreLE16(p + kHdrHeaderLen, uint16_t(kHeaderSize));
  StoreLE16(p + kHdrPageLen, uint16_t(kPageSize));
  StoreLE16(p + kHdrDescending, info.descending ? 1 : 0);
  const uint16_t key_len = uint16_t(info.key_expr.size() + 1);
  StoreLE16(p + kHdrKeyPos, 0);
  StoreLE16(p + kHdrKeyLen, key_len);
  StoreLE16(p + kHdrForPos, key_len);
  StoreLE16(p + kHdrForLen, uint16_t(info.for_expr.size() + 1));
  std::memcpy(pool, info.key_expr.data(), info.key_expr.size());
  std::memcpy(pool + key_len, info.for_expr.data(), info.for_expr.size());
}

Status CdxFile::ParseHeader(uint32_t header, TagState* t) {
  if (header % kPageSize != 0 || uint64_t(header) + kHeaderSize > file_end_) {
    return Damaged("tag header " + Hex(header) + " lies outside the file");
  }
  char* p;
  char* pool;
  XB_RETURN_IF_ERROR(ReadPage(header, &p));
  XB_RETURN_IF_ERROR(ReadPage(header + kPageSize, &pool));
  const std::string what = t->info.name.empty() ? "header" : "tag " + t->info.name + " header";
  const uint8_t options = uint8_t(p[kHdrOptions]);
  if ((options & kOptCompact) == 0) return Damaged(what + " is not a compact index header");
  const uint16_t key_length = LoadLE16(p + kHdrKeyLength);
  if (key_length < 1 || key_length > kMaxKeyLength) {
    return Damaged(what + " has key length " + std::to_string(key_length));
  }
  const uint32_t root = LoadLE32(p + kHdrRoot);
  if (root % kPageSize != 0 || root < kHeaderSize || uint64_t(root) + kPageSize > file_end_) {
    return Damaged(what + " has its root outside the file");
  }
  auto text = [&](int pos_field, int len_field, std::string* out) {
    const uint32_t pos = LoadLE16(p + pos_field);
    const uint32_t len = LoadLE16(p + len_field);
    if (pos + len > kExprPoolSize) return false;
    const char* begin = pool + pos;
    const char* nul = static_cast<const char*>(std::memchr(begin, 0, len));
    out->assign(begin, nul != nullptr ? nul : begin + len);
    return true;
  };
  TagInfo& info = t->info;
  if (!text(kHdrKeyPos, kHdrKeyLen, &info.key_expr) ||
      !text(kHdrForPos, kHdrForLen, &info.for_expr)) {
    return Damaged(what + " has expressions outside its header");
  }
  if (info.key_expr.empty()) return Damaged(what + " has no key expression");
  info.key_length = key_length;
  info.unique = (options & kOptUnique) != 0;
  info.custom = (options & kOptCustom) != 0;
  info.descending = LoadLE16(p + kHdrDescending) != 0;
  t->header = header;
  t->root = root;
  return Status::OK();
}

Status CdxFile::ReadNode(const TagState& t, uint32_t page, Node* node) {
  if (auto it = decoded_.find(page); it != decoded_.end() && it->second.key_length == t.info.key_length) {
    *node = it->second;
    return Status::OK();
  }
  XB_RETURN_IF_ERROR(DecodeChecked(t, page, node));
  RememberDecoded(*node);
  return Status::OK();
}

void CdxFile::RememberDecoded(const Node& node) {
  // Up to 64 MB of decoded nodes: enough for every leaf of a tag of a
  // million contacts, so random seeks stop decoding once it is warm. Past
  // that, nodes make room for each other.
  constexpr size_t kDecodedBudget = size_t{64} << 20;
  const size_t bytes = NodeBytes(node);
  DropDecoded(node.page);
  while (!decoded_.empty() && decoded_bytes_ + bytes > kDecodedBudget) {
    DropDecoded(decoded_.begin()->first);
  }
  decoded_[node.page] = node;
  decoded_bytes_ += bytes;
}

Status CdxFile::DecodeChecked(const TagState& t, uint32_t page, Node* node) {
  char* data;
  XB_RETURN_IF_ERROR(ReadPage(page, &data));
  NodeLimits limits;
  limits.file_end = file_end_;
  limits.max_recno = record_count_;
  limits.recnos_are_pages = t.directory;
  std::string why;
  if (!DecodeNode(data, page, t.info.key_length, t.pad(), limits, node, &why)) {
    return TagDamaged(t, "page " + Hex(page) + ": " + why);
  }
  for (size_t i = 1; i < node->size(); ++i) {
    if (Compare(t, node->key(i - 1), node->recnos[i - 1], node->key(i), node->recnos[i]) >= 0) {
      return TagDamaged(t, "page " + Hex(page) + ": keys out of order");
    }
  }
  return Status::OK();
}

// Every entry of a child lies after the parent's entry before it and not
// after the parent's entry for it. Files of other programs may keep an entry
// above its child's last key after deletions, so only the bounds are checked.
// A child pointer into the wrong page, or a page emptied by damage, fails.
Status CdxFile::CheckChild(const TagState& t, const Node& parent, size_t slot, const Node& child) {
  if (child.size() == 0) return TagDamaged(t, "page " + Hex(child.page) + " holds no keys");
  const size_t last = child.size() - 1;
  const bool above = Compare(t, child.key(last), child.recnos[last], parent.key(slot),
                             parent.recnos[slot]) > 0;
  const bool below = slot > 0 && Compare(t, child.key(0), child.recnos[0], parent.key(slot - 1),
                                         parent.recnos[slot - 1]) <= 0;
  if (above || below) {
    return TagDamaged(t, "page " + Hex(child.page) + " holds keys outside the range page " +
                             Hex(parent.page) + " gives it");
  }
  return Status::OK();
}

// A leaf's packed entries must be able to say "the whole key is repeated"
// and "the whole key is padding": bit counts too small for the tag's key
// length mean the page was written for another tag.
Status CdxFile::CheckLeafLayout(const TagState& t, const Node& leaf) {
  if (leaf.size() == 0) return Status::OK();
  char* data;
  XB_RETURN_IF_ERROR(ReadPage(leaf.page, &data));
  const int dup_bits = static_cast<unsigned char>(data[kLeafDupBits]);
  const int trail_bits = static_cast<unsigned char>(data[kLeafTrailBits]);
  const uint32_t kl = t.info.key_length;
  if (dup_bits > 8 || trail_bits > 8 || (1u << dup_bits) - 1 < kl || (1u << trail_bits) - 1 < kl) {
    return TagDamaged(t, "leaf " + Hex(leaf.page) + " is laid out for keys of another length");
  }
  return Status::OK();
}

// The cheap checks run on every tag at open: a root page that is a root,
// the first and last leaves reached through pointers that stay within their
// parents' ranges, the two ends of every level's chain, and the leaf layout
// at both ends. What lies between is checked as walks and seeks pass it.
Status CdxFile::CheckShape(const TagState& t) {
  Node root;
  XB_RETURN_IF_ERROR(ReadNode(t, t.root, &root));
  if (!root.root || root.left != kNoPage || root.right != kNoPage) {
    return TagDamaged(t, "its root " + Hex(t.root) + " is not a root page");
  }
  if (root.leaf) return CheckLeafLayout(t, root);
  for (const bool last : {false, true}) {
    Node node = root;
    for (int depth = 0; !node.leaf; ++depth) {
      if (depth > kMaxDepth) return TagDamaged(t, "deeper than any real index (a loop?)");
      const size_t slot = last ? node.size() - 1 : 0;
      Node child;
      XB_RETURN_IF_ERROR(ReadNode(t, node.children[slot], &child));
      XB_RETURN_IF_ERROR(CheckChild(t, node, slot, child));
      if ((last ? child.right : child.left) != kNoPage) {
        return TagDamaged(t, "page " + Hex(child.page) + " at the " +
                                 (last ? "end" : "start") + " of its level has a neighbour beyond it");
      }
      node = std::move(child);
    }
    XB_RETURN_IF_ERROR(CheckLeafLayout(t, node));
  }
  return Status::OK();
}

// No two trees sharing a root.
Status CdxFile::CheckRoots() {
  std::unordered_map<uint32_t, std::string> roots;
  if (kind_ == Kind::kCompound) roots.emplace(dir_.root, "the tag directory");
  for (const auto& t : tags_) {
    auto [it, fresh] = roots.emplace(t->root, "tag " + t->info.name);
    if (!fresh) return TagDamaged(*t, "its root page " + Hex(t->root) + " is that of " + it->second);
  }
  return Status::OK();
}

// Every page of the tag, level by level: each level a chain linked both
// ways in order, each child within its parent's range, no page twice.
Status CdxFile::CheckTag(int order, uint64_t* entries, const LeafVisitor& visit) {
  XB_RETURN_IF_ERROR(CheckOrder(order));
  const TagState& t = *tags_[order - 1];
  *entries = 0;
  XB_RETURN_IF_ERROR(CheckShape(t));
  const uint16_t kl = t.info.key_length;
  std::unordered_set<uint32_t> seen;
  std::vector<uint32_t> level{t.root};
  // The parent's entry for each page of `level` (none for the root).
  std::string bound_keys;
  std::vector<uint32_t> bound_recnos, parents;
  for (int depth = 0; !level.empty(); ++depth) {
    if (depth > kMaxDepth) return TagDamaged(t, "deeper than any real index (a loop?)");
    std::vector<uint32_t> next, next_parents;
    std::string next_keys;
    std::vector<uint32_t> next_recnos;
    bool leaves = false;
    for (size_t i = 0; i < level.size(); ++i) {
      const uint32_t page = level[i];
      if (!seen.insert(page).second) return TagDamaged(t, "page " + Hex(page) + " is used twice");
      Node node;
      XB_RETURN_IF_ERROR(DecodeChecked(t, page, &node));
      if (i == 0) leaves = node.leaf;
      if (node.leaf != leaves) return TagDamaged(t, "page " + Hex(page) + " is on the wrong level");
      if (depth > 0) {
        // The bounds as one parent would give them, over the whole level.
        Node parent;
        parent.page = parents[i];
        parent.leaf = false;
        parent.key_length = kl;
        size_t slot = 0;
        if (i > 0) {
          parent.Insert(0, std::string_view(bound_keys).substr((i - 1) * kl, kl), bound_recnos[i - 1], 0);
          slot = 1;
        }
        parent.Insert(slot, std::string_view(bound_keys).substr(i * kl, kl), bound_recnos[i], 0);
        XB_RETURN_IF_ERROR(CheckChild(t, parent, slot, node));
      }
      const uint32_t want_left = i == 0 ? kNoPage : level[i - 1];
      const uint32_t want_right = i + 1 < level.size() ? level[i + 1] : kNoPage;
      if (node.left != want_left || node.right != want_right) {
        return TagDamaged(t, "page " + Hex(page) + " is not linked to its neighbours");
      }
      if (node.leaf) {
        XB_RETURN_IF_ERROR(CheckLeafLayout(t, node));
        *entries += node.size();
        if (visit && !visit(node.keys, node.recnos.data(), node.size())) return Status::OK();
      } else {
        next.insert(next.end(), node.children.begin(), node.children.end());
        next_parents.insert(next_parents.end(), node.size(), page);
        next_keys.append(node.keys);
        next_recnos.insert(next_recnos.end(), node.recnos.begin(), node.recnos.end());
      }
    }
    level.swap(next);
    bound_keys.swap(next_keys);
    bound_recnos.swap(next_recnos);
    parents.swap(next_parents);
  }
  return Status::OK();
}

Status CdxFile::WriteNode(const TagState& t, const Node& node) {
  if (!EncodeNode(node, t.pad(), WritablePage(node.page))) {
    return Status::InvalidArgument("index node " + Hex(node.page) + " overflows its page");
  }
  if (t.directory) dir_dirty_.insert(node.page);
  // The node is what decoding the page gives (encoding only trims pad
  // bytes that decoding restores): the next descent needs no decode.
  RememberDecoded(node);
  return Status::OK();
}

Status CdxFile::PatchSibling(uint32_t page, int field, uint32_t value) {
  char* data;
  XB_RETURN_IF_ERROR(ReadPage(page, &data));
  DropDecoded(page);
  cache_[page].dirty = true;
  changed_ = true;
  StoreLE32(data + field, value);
  return Status::OK();
}

Status CdxFile::SetRoot(TagState& t, uint32_t root) {
  t.root = root;
  return SetHeaderField(t.header, kHdrRoot, root);
}

Status CdxFile::NewEmptyRoot(TagState& t) {
  Node root;
  XB_RETURN_IF_ERROR(AllocPage(&root.page));
  root.root = true;
  root.key_length = t.info.key_length;
  XB_RETURN_IF_ERROR(WriteNode(t, root));
  t.root = root.page;
  return Status::OK();
}

// ---- tree changes ----------------------------------------------------------

Status CdxFile::Descend(const TagState& t, std::string_view key, uint32_t recno,
                        std::vector<PathStep>* path, Node* leaf) {
  uint32_t page = t.root;
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) return TagDamaged(t, "deeper than any real index (a loop?)");
    Node node;
    XB_RETURN_IF_ERROR(ReadNode(t, page, &node));
    if (node.leaf) {
      if (!path->empty()) {
        XB_RETURN_IF_ERROR(CheckChild(t, path->back().node, path->back().slot, node));
      }
      *leaf = std::move(node);
      return Status::OK();
    }
    if (!path->empty()) {
      XB_RETURN_IF_ERROR(CheckChild(t, path->back().node, path->back().slot, node));
    }
    size_t slot = 0;
    while (slot + 1 < node.size() && Compare(t, node.key(slot), node.recnos[slot], key, recno) < 0) {
      ++slot;
    }
    page = node.children[slot];
    path->push_back({std::move(node), slot});
  }
}

Status CdxFile::Split(const TagState& t, Node& node, std::vector<Node>* pieces) {
  const size_t n = node.size();
  std::vector<std::pair<size_t, size_t>> ranges;
  if (node.leaf) {
    const char pad = t.pad();
    if (LeafRangeFits(node, 0, n, pad)) {
      ranges.push_back({0, n});
    } else if (LeafRangeFits(node, 0, n / 2, pad) && LeafRangeFits(node, n / 2, n, pad)) {
      ranges = {{0, n / 2}, {n / 2, n}};
    } else {
      for (size_t b = 0; b < n;) {
        size_t e = b + 1;
        while (e < n && LeafRangeFits(node, b, e + 1, pad)) ++e;
        ranges.push_back({b, e});
        b = e;
      }
    }
  } else {
    const size_t cap = InteriorCapacity(node.key_length);
    const size_t k = (n + cap - 1) / cap;
    for (size_t i = 0; i < k; ++i) ranges.push_back({n * i / k, n * (i + 1) / k});
  }
  if (ranges.size() == 1) {
    pieces->push_back(std::move(node));
    return Status::OK();
  }
  pieces->resize(ranges.size());
  for (size_t i = 0; i < ranges.size(); ++i) {
    Node& p = (*pieces)[i];
    p.AssignRange(node, ranges[i].first, ranges[i].second);
    p.root = false;
    if (i == 0) {
      p.page = node.page;
    } else {
      XB_RETURN_IF_ERROR(AllocPage(&p.page));
    }
  }
  for (size_t i = 0; i < pieces->size(); ++i) {
    Node& p = (*pieces)[i];
    p.left = i == 0 ? node.left : (*pieces)[i - 1].page;
    p.right = i + 1 == pieces->size() ? node.right : (*pieces)[i + 1].page;
  }
  if (node.right != kNoPage) {
    XB_RETURN_IF_ERROR(PatchSibling(node.right, kNodeLeft, pieces->back().page));
  }
  return Status::OK();
}

// After a deletion: takes the right sibling leaf (same parent) into `node`
// when both fit one page, so deletions do not leave a trail of thin pages.
Status CdxFile::MergeRight(const TagState& t, PathStep* parent, Node* node) {
  if (!node->leaf || node->size() == 0 || parent->slot + 1 >= parent->node.size()) {
    return Status::OK();
  }
  Node right;
  XB_RETURN_IF_ERROR(ReadNode(t, parent->node.children[parent->slot + 1], &right));
  if (!right.leaf || right.page != node->right) return Status::OK();
  Node merged = *node;
  merged.keys.append(right.keys);
  merged.recnos.insert(merged.recnos.end(), right.recnos.begin(), right.recnos.end());
  if (!LeafRangeFits(merged, 0, merged.size(), t.pad())) return Status::OK();
  merged.right = right.right;
  if (right.right != kNoPage) XB_RETURN_IF_ERROR(PatchSibling(right.right, kNodeLeft, merged.page));
  XB_RETURN_IF_ERROR(FreePage(right.page));
  parent->node.Erase(parent->slot + 1);
  *node = std::move(merged);
  return Status::OK();
}

// Writes `node` (changed in memory), splitting or freeing it as needed, then
// refreshes each ancestor's entry for it up to the root.
Status CdxFile::Commit(TagState& t, std::vector<PathStep>* path, Node node, bool merge) {
  // A parent that MergeRight changed must be written whatever happens below.
  bool parent_changed = false;
  if (merge && !path->empty()) {
    const size_t before = path->back().node.size();
    XB_RETURN_IF_ERROR(MergeRight(t, &path->back(), &node));
    parent_changed = path->back().node.size() != before;
  }
  for (;;) {
    const bool is_root = path->empty();
    std::vector<Node> pieces;
    if (node.size() == 0 && !is_root) {
      if (node.left != kNoPage) XB_RETURN_IF_ERROR(PatchSibling(node.left, kNodeRight, node.right));
      if (node.right != kNoPage) XB_RETURN_IF_ERROR(PatchSibling(node.right, kNodeLeft, node.left));
      XB_RETURN_IF_ERROR(FreePage(node.page));
    } else {
      if (node.size() == 0) node.leaf = true;  // an emptied root becomes an empty leaf
      node.root = false;
      XB_RETURN_IF_ERROR(Split(t, node, &pieces));
      if (is_root && pieces.size() == 1) pieces[0].root = true;
      for (const Node& p : pieces) XB_RETURN_IF_ERROR(WriteNode(t, p));
    }
    if (is_root) {
      if (pieces.size() == 1) {
        if (t.root != pieces[0].page) XB_RETURN_IF_ERROR(SetRoot(t, pieces[0].page));
        break;
      }
      Node root;
      root.leaf = false;
      root.key_length = t.info.key_length;
      XB_RETURN_IF_ERROR(AllocPage(&root.page));
      for (const Node& p : pieces) {
        root.Insert(root.size(), p.key(p.size() - 1), p.recnos.back(), p.page);
      }
      XB_RETURN_IF_ERROR(SetRoot(t, root.page));
      node = std::move(root);
      continue;  // the new root may itself need splitting
    }
    PathStep& up = path->back();
    // A node still whole whose last entry did not change leaves its
    // parent's entry as it was: the ancestors need no rewrite.
    if (!parent_changed && pieces.size() == 1 && pieces[0].page == up.node.children[up.slot] &&
        pieces[0].recnos.back() == up.node.recnos[up.slot] &&
        pieces[0].key(pieces[0].size() - 1) == up.node.key(up.slot)) {
      break;
    }
    parent_changed = false;
    PathStep step = std::move(path->back());
    path->pop_back();
    Node parent = std::move(step.node);
    parent.Erase(step.slot);
    for (size_t i = 0; i < pieces.size(); ++i) {
      const Node& p = pieces[i];
      parent.Insert(step.slot + i, p.key(p.size() - 1), p.recnos.back(), p.page);
    }
    node = std::move(parent);
  }
  return CollapseRoot(t);
}

Status CdxFile::CollapseRoot(TagState& t) {
  for (int depth = 0; depth <= kMaxDepth; ++depth) {
    Node root;
    XB_RETURN_IF_ERROR(ReadNode(t, t.root, &root));
    if (root.leaf || root.size() != 1) return Status::OK();
    Node child;
    XB_RETURN_IF_ERROR(ReadNode(t, root.children[0], &child));
    XB_RETURN_IF_ERROR(FreePage(root.page));
    child.root = true;
    child.left = child.right = kNoPage;
    XB_RETURN_IF_ERROR(WriteNode(t, child));
    XB_RETURN_IF_ERROR(SetRoot(t, child.page));
  }
  return TagDamaged(t, "deeper than any real index (a loop?)");
}

size_t LowerBound(const TagState& t, const Node& node, std::string_view key, uint32_t recno) {
  size_t lo = 0, hi = node.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (Compare(t, node.key(mid), node.recnos[mid], key, recno) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return lo;
}

Status CdxFile::TreeInsert(TagState& t, std::string_view key, uint32_t recno) {
  std::vector<PathStep> path;
  Node leaf;
  XB_RETURN_IF_ERROR(Descend(t, key, recno, &path, &leaf));
  const size_t pos = LowerBound(t, leaf, key, recno);
  if (pos < leaf.size() && leaf.recnos[pos] == recno && leaf.key(pos) == key) return Status::OK();
  if (t.info.unique) {
    CdxCursor probe(this, &t);
    bool found = false;
    XB_RETURN_IF_ERROR(probe.Seek(key, false, &found));
    if (found) return Status::OK();
  }
  leaf.Insert(pos, key, recno, 0);
  ++t.generation;
  return Commit(t, &path, std::move(leaf), false);
}

Status CdxFile::TreeDelete(TagState& t, std::string_view key, uint32_t recno) {
  std::vector<PathStep> path;
  Node leaf;
  XB_RETURN_IF_ERROR(Descend(t, key, recno, &path, &leaf));
  const size_t pos = LowerBound(t, leaf, key, recno);
  if (pos >= leaf.size() || leaf.recnos[pos] != recno || leaf.key(pos) != key) {
    return Status::NotFound(Label(t) + " has no entry for record " + std::to_string(recno));
  }
  leaf.Erase(pos);
  ++t.generation;
  return Commit(t, &path, std::move(leaf), true);
}

Status CdxFile::CollectPages(const TagState& t, std::vector<uint32_t>* pages) {
  std::unordered_set<uint32_t> seen;
  std::vector<uint32_t> level{t.root};
  for (int depth = 0; !level.empty(); ++depth) {
    if (depth > kMaxDepth) return TagDamaged(t, "deeper than any real index (a loop?)");
    std::vector<uint32_t> next;
    for (uint32_t page : level) {
      if (!seen.insert(page).second) return TagDamaged(t, "page " + Hex(page) + " is used twice");
      pages->push_back(page);
      Node node;
      XB_RETURN_IF_ERROR(ReadNode(t, page, &node));
      if (!node.leaf) next.insert(next.end(), node.children.begin(), node.children.end());
    }
    level.swap(next);
  }
  return Status::OK();
}

// ---- bulk build ------------------------------------------------------------

Status CdxFile::BulkBuild(TagState& t, KeyBuffer* entries, const BuildProgressFn& progress) {
  const uint16_t kl = t.info.key_length;
  const char pad = t.pad();
  if (progress) progress(0);
  const std::vector<uint32_t> order = entries->SortedOrder();
  uint32_t max_recno = 1;
  for (size_t i = 0; i < entries->size(); ++i) max_recno = std::max(max_recno, entries->recno(i));
  const LeafLayout layout = ComputeLeafLayout(kl, max_recno);
  PageWriter writer(file_.get());

  // Last entry of each node written on the level being built, for the
  // level above.
  std::string up_keys;
  std::vector<uint32_t> up_recnos, up_pages;

  char page[kPageSize];
  uint32_t current = 0, left = kNoPage;
  size_t count = 0, entry_end = kLeafEntries, key_pos = kPageSize;
  const char* prev = nullptr;
  uint32_t prev_recno = 0;

  auto write_page = [&](uint32_t offset) {
    cache_.erase(offset);
    DropDecoded(offset);
    return writer.Write(offset, page);
  };
  auto finish_leaf = [&](uint32_t right) -> Status {
    std::memset(page + entry_end, 0, key_pos - entry_end);
    StoreLE16(page + kNodeAttr,
              uint16_t(kAttrLeaf | (left == kNoPage && right == kNoPage ? kAttrRoot : 0)));
    StoreLE16(page + kNodeCount, uint16_t(count));
    StoreLE32(page + kNodeLeft, left);
    StoreLE32(page + kNodeRight, right);
    StoreLE16(page + kLeafFree, uint16_t(key_pos - entry_end));
    StoreLE32(page + kLeafRecMask, layout.rec_bits == 32 ? 0xFFFFFFFFu : (1u << layout.rec_bits) - 1);
    page[kLeafDupMask] = char((1u << layout.dup_bits) - 1);
    page[kLeafTrailMask] = char((1u << layout.trail_bits) - 1);
    page[kLeafRecBits] = char(layout.rec_bits);
    page[kLeafDupBits] = char(layout.dup_bits);
    page[kLeafTrailBits] = char(layout.trail_bits);
    page[kLeafEntryBytes] = char(layout.bytes);
    if (count > 0) {
      up_keys.append(prev, kl);
      up_recnos.push_back(prev_recno);
      up_pages.push_back(current);
    }
    return write_page(current);
  };

  XB_RETURN_IF_ERROR(AllocPage(&current));
  const size_t total = order.size();
  int percent = 0;
  for (size_t n = 0; n < total; ++n) {
    const uint32_t idx = order[n];
    const char* key = entries->key(idx).data();
    const uint32_t recno = entries->recno(idx);
    if (prev != nullptr && (t.info.unique || recno == prev_recno) &&
        std::memcmp(prev, key, kl) == 0) {
      continue;  // a unique tag's later entries, or an entry given twice
    }
    int dup, trail;
    CompressKey(key, count == 0 ? nullptr : prev, kl, pad, &dup, &trail);
    if (count > 0 && entry_end + layout.bytes + (kl - dup - trail) > key_pos) {
      uint32_t next;
      XB_RETURN_IF_ERROR(AllocPage(&next));
      XB_RETURN_IF_ERROR(finish_leaf(next));
      left = current;
      current = next;
      count = 0;
      entry_end = kLeafEntries;
      key_pos = kPageSize;
      dup = 0;
    }
    const size_t stored = kl - dup - trail;
    key_pos -= stored;
    std::memcpy(page + key_pos, key + dup, stored);
    const uint64_t v = uint64_t(recno) | uint64_t(dup) << layout.rec_bits |
                       uint64_t(trail) << (layout.rec_bits + layout.dup_bits);
    for (int b = 0; b < layout.bytes; ++b) page[entry_end + b] = char(v >> (8 * b));
    entry_end += layout.bytes;
    ++count;
    prev = key;
    prev_recno = recno;
    if (progress && (n + 1) * 100 / total > size_t(percent) && (n + 1) * 100 / total < 100) {
      percent = int((n + 1) * 100 / total);
      progress(percent);
    }
  }
  if (count == 0 && left == kNoPage) {  // no entries: an empty root leaf
    std::memset(page, 0, kPageSize);
  }
  XB_RETURN_IF_ERROR(finish_leaf(kNoPage));
  uint32_t root = current;

  // Interior levels, each node filled evenly.
  const size_t cap = InteriorCapacity(kl);
  while (up_pages.size() > 1) {
    const size_t n = up_pages.size();
    const size_t k = (n + cap - 1) / cap;
    std::vector<uint32_t> pages(k);
    for (uint32_t& p : pages) XB_RETURN_IF_ERROR(AllocPage(&p));
    std::string next_keys;
    std::vector<uint32_t> next_recnos;
    for (size_t i = 0; i < k; ++i) {
      Node node;
      node.leaf = false;
      node.root = k == 1;
      node.key_length = kl;
      node.page = pages[i];
      node.left = i == 0 ? kNoPage : pages[i - 1];
      node.right = i + 1 == k ? kNoPage : pages[i + 1];
      const size_t b = n * i / k, e = n * (i + 1) / k;
      node.keys.assign(up_keys, b * kl, (e - b) * kl);
      node.recnos.assign(up_recnos.begin() + b, up_recnos.begin() + e);
      node.children.assign(up_pages.begin() + b, up_pages.begin() + e);
      if (!EncodeNode(node, pad, page)) {
        return Status::InvalidArgument("index node " + Hex(node.page) + " overflows its page");
      }
      XB_RETURN_IF_ERROR(write_page(node.page));
      next_keys.append(node.key(node.size() - 1));
      next_recnos.push_back(node.recnos.back());
    }
    up_keys.swap(next_keys);
    up_recnos.swap(next_recnos);
    up_pages.swap(pages);
    root = up_pages[0];
  }
  XB_RETURN_IF_ERROR(writer.Flush());
  unsynced_ = true;
  entries->Clear();
  changed_ = true;
  t.root = root;
  ++t.generation;
  if (progress) progress(100);
  return Status::OK();
}

// ---- tags ------------------------------------------------------------------

int CdxFile::FindTag(std::string_view name) const {
  const std::string want = Upper(name);
  for (size_t i = 0; i < tags_.size(); ++i) {
    if (tags_[i]->info.name == want) return int(i) + 1;
  }
  return 0;
}

Status CdxFile::SetKeyType(int order, KeyType type) {
  XB_RETURN_IF_ERROR(CheckOrder(order));
  TagState& t = *tags_[order - 1];
  if (t.info.key_type != type) {
    DropDecoded();  // the pad byte decoding restores changes
    t.shape_checked = false;
  }
  t.info.key_type = type;
  ++t.generation;
  return Status::OK();
}

uint8_t CdxFile::TagOptions(const TagInfo& info) const {
  uint8_t options = kOptCompact;
  if (kind_ == Kind::kCompound) options |= kOptCompound;
  if (info.unique) options |= kOptUnique;
  if (info.custom) options |= kOptCustom;
  if (!info.for_expr.empty()) options |= kOptHasFor;
  return options;
}

Status CdxFile::ValidateDef(const TagInfo& def, TagInfo* clean) const {
  *clean = def;
  clean->name = Upper(def.name);
  const std::string& name = clean->name;
  if (kind_ == Kind::kCompound) {
    bool ok = !name.empty() && name.size() <= size_t(kTagNameLength) &&
              !(name[0] >= '0' && name[0] <= '9');
    for (char c : name) ok = ok && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    if (!ok) return Status::InvalidArgument("bad tag name \"" + def.name + "\"");
    if (FindTag(name) != 0) return Status::InvalidArgument("tag " + name + " already exists");
  }
  if (def.key_length < 1 || def.key_length > kMaxKeyLength) {
    return Status::InvalidArgument("key length " + std::to_string(def.key_length) +
                                   " is outside 1..240");
  }
  if ((def.key_type == KeyType::kNumeric || def.key_type == KeyType::kDate) && def.key_length != 8) {
    return Status::InvalidArgument("numeric and date keys are 8 bytes long");
  }
  if (def.key_expr.empty()) return Status::InvalidArgument("tag " + name + " has no key expression");
  if (def.key_expr.size() + def.for_expr.size() + 2 > kExprPoolSize ||
      def.key_expr.find('\0') != std::string::npos || def.for_expr.find('\0') != std::string::npos) {
    return Status::InvalidArgument("the key and FOR expressions of tag " + name + " are too long");
  }
  return Status::OK();
}

Status CdxFile::AddTag(const TagInfo& def, KeyBuffer* entries, const BuildProgressFn& progress,
                       int* order) {
  XB_RETURN_IF_ERROR(CheckWritable());
  if (kind_ != Kind::kCompound) return Status::NotSupported("an .IDX file holds one order only");
  TagInfo info;
  XB_RETURN_IF_ERROR(ValidateDef(def, &info));
  if (entries->size() > 0 && entries->key_length() != info.key_length) {
    return Status::InvalidArgument("entries for tag " + info.name + " have the wrong key length");
  }
  auto t = std::make_unique<TagState>();
  t->info = info;
  t->header = file_end_;
  file_end_ += kHeaderSize;
  XB_RETURN_IF_ERROR(BulkBuild(*t, entries, progress));
  WriteHeader(t->header, t->info, t->root, TagOptions(t->info));
  XB_RETURN_IF_ERROR(TreeInsert(dir_, EncodeCharacterKey(info.name, kTagNameLength), t->header));
  tags_.push_back(std::move(t));
  std::stable_sort(tags_.begin(), tags_.end(),
                   [](const auto& a, const auto& b) { return a->header < b->header; });
  if (order != nullptr) *order = FindTag(info.name);
  return Status::OK();
}

Status CdxFile::RebuildTag(int order, KeyBuffer* entries, const BuildProgressFn& progress) {
  XB_RETURN_IF_ERROR(CheckWritable());
  XB_RETURN_IF_ERROR(CheckOrder(order));
  TagState& t = *tags_[order - 1];
  if (entries->size() > 0 && entries->key_length() != t.info.key_length) {
    return Status::InvalidArgument("entries for tag " + t.info.name + " have the wrong key length");
  }
  std::vector<uint32_t> pages;
  XB_RETURN_IF_ERROR(CollectPages(t, &pages));
  for (uint32_t p : pages) XB_RETURN_IF_ERROR(FreePage(p));
  XB_RETURN_IF_ERROR(BulkBuild(t, entries, progress));
  XB_RETURN_IF_ERROR(SetRoot(t, t.root));
  return Status::OK();
}

Status CdxFile::DropTag(int order) {
  XB_RETURN_IF_ERROR(CheckWritable());
  XB_RETURN_IF_ERROR(CheckOrder(order));
  if (kind_ != Kind::kCompound) return Status::NotSupported("an .IDX file holds one order only");
  TagState& t = *tags_[order - 1];
  std::vector<uint32_t> pages;
  XB_RETURN_IF_ERROR(CollectPages(t, &pages));
  XB_RETURN_IF_ERROR(TreeDelete(dir_, EncodeCharacterKey(t.info.name, kTagNameLength), t.header));
  for (uint32_t p : pages) XB_RETURN_IF_ERROR(FreePage(p));
  XB_RETURN_IF_ERROR(FreePage(t.header));
  XB_RETURN_IF_ERROR(FreePage(t.header + kPageSize));
  tags_.erase(tags_.begin() + (order - 1));
  return Status::OK();
}

Status CdxFile::InsertKey(int order, std::string_view key, uint32_t recno) {
  XB_RETURN_IF_ERROR(CheckWritable());
  XB_RETURN_IF_ERROR(CheckOrder(order));
  TagState& t = *tags_[order - 1];
  XB_RETURN_IF_ERROR(EnsureShape(t));
  if (key.size() != t.info.key_length || recno == 0) {
    return Status::InvalidArgument("key of " + std::to_string(key.size()) + " bytes for tag " +
                                   t.info.name + " (key length " +
                                   std::to_string(t.info.key_length) + ")");
  }
  return TreeInsert(t, key, recno);
}

Status CdxFile::InsertKeys(int order, KeyBuffer* entries) {
  XB_RETURN_IF_ERROR(CheckWritable());
  XB_RETURN_IF_ERROR(CheckOrder(order));
  TagState& t = *tags_[order - 1];
  XB_RETURN_IF_ERROR(EnsureShape(t));
  if (entries->size() > 0 && entries->key_length() != t.info.key_length) {
    return Status::InvalidArgument("entries for tag " + t.info.name + " have the wrong key length");
  }
  for (size_t i = 0; i < entries->size(); ++i) {
    if (entries->recno(i) == 0) return Status::InvalidArgument("an index entry needs a record number");
  }
  // A unique tag keeps the first entry inserted of a key, which a sorted
  // build cannot tell; a few entries cost less inserted than a rebuild.
  uint64_t existing = 0;
  if (!t.info.unique && entries->size() > 64) {
    CdxCursor walk(this, &t);
    XB_RETURN_IF_ERROR(walk.SeekFirst());
    for (; walk.Valid() && existing <= entries->size() * 4; ++existing) {
      XB_RETURN_IF_ERROR(walk.Next());
    }
    if (existing <= entries->size() * 4) {
      // Every entry of the tag joins the new ones; the build drops an
      // entry given twice, as InsertKey ignores one that exists. The new
      // tree goes to other pages and the old one is freed only once the
      // header names the new root, so a failed build leaves the tag whole.
      XB_RETURN_IF_ERROR(walk.SeekFirst());
      while (walk.Valid()) {
        entries->Add(walk.key(), walk.recno());
        XB_RETURN_IF_ERROR(walk.Next());
      }
      std::vector<uint32_t> old_pages;
      XB_RETURN_IF_ERROR(CollectPages(t, &old_pages));
      XB_RETURN_IF_ERROR(BulkBuild(t, entries, nullptr));
      XB_RETURN_IF_ERROR(SetRoot(t, t.root));
      for (uint32_t p : old_pages) XB_RETURN_IF_ERROR(FreePage(p));
      return Status::OK();
    }
  }
  for (size_t i = 0; i < entries->size(); ++i) {
    XB_RETURN_IF_ERROR(TreeInsert(t, entries->key(i), entries->recno(i)));
  }
  entries->Clear();
  return Status::OK();
}

Status CdxFile::DeleteKey(int order, std::string_view key, uint32_t recno) {
  XB_RETURN_IF_ERROR(CheckWritable());
  XB_RETURN_IF_ERROR(CheckOrder(order));
  TagState& t = *tags_[order - 1];
  XB_RETURN_IF_ERROR(EnsureShape(t));
  if (key.size() != t.info.key_length) {
    return Status::InvalidArgument("key of " + std::to_string(key.size()) + " bytes for tag " +
                                   t.info.name);
  }
  return TreeDelete(t, key, recno);
}

Status CdxFile::NewCursor(int order, std::unique_ptr<IndexCursor>* out) {
  XB_RETURN_IF_ERROR(CheckOrder(order));
  XB_RETURN_IF_ERROR(EnsureShape(*tags_[order - 1]));
  *out = std::make_unique<CdxCursor>(this, tags_[order - 1].get());
  return Status::OK();
}

// ---- whole file ------------------------------------------------------------

// Lays out a file with no entries: for a CDX the header and an empty tag
// directory (then the tags of tags_, empty, in order); for an IDX the header
// of `single` and an empty root.
Status CdxFile::InitEmpty(const TagInfo* single) {
  cache_.clear();
  DropDecoded();
  XB_RETURN_IF_ERROR(file_->Truncate(0));
  file_end_ = kHeaderSize;
  free_head_ = 0;
  changed_ = true;
  if (kind_ == Kind::kSingle) {
    auto t = std::make_unique<TagState>();
    t->info = *single;
    t->header = 0;
    XB_RETURN_IF_ERROR(NewEmptyRoot(*t));
    WriteHeader(0, t->info, t->root, TagOptions(t->info));
    tags_.clear();
    tags_.push_back(std::move(t));
    return Status::OK();
  }
  dir_.header = 0;
  XB_RETURN_IF_ERROR(NewEmptyRoot(dir_));
  TagInfo dir_info;
  dir_info.key_length = kTagNameLength;
  WriteHeader(0, dir_info, dir_.root, kOptCompact | kOptCompound | kOptStructure);
  std::vector<std::unique_ptr<TagState>> old;
  old.swap(tags_);
  for (auto& t : old) {
    KeyBuffer none(t->info.key_length);
    int order;
    XB_RETURN_IF_ERROR(AddTag(t->info, &none, nullptr, &order));
  }
  return Status::OK();
}

Status CdxFile::Load(bool check_tags) {
  uint64_t size = 0;
  XB_RETURN_IF_ERROR(file_->Size(&size));
  if (size < kHeaderSize) return Damaged("shorter than its header");
  file_end_ = uint32_t(std::min<uint64_t>(size, 0xFFFFFE00) / kPageSize * kPageSize);
  char* p;
  XB_RETURN_IF_ERROR(ReadPage(0, &p));
  const uint8_t options = uint8_t(p[kHdrOptions]);
  free_head_ = LoadLE32(p + kHdrFreeList);
  if (free_head_ == kNoPage) free_head_ = 0;
  if ((options & kOptCompact) == 0) return Damaged("not a compact index file");
  if ((options & kOptCompound) == 0) {
    kind_ = Kind::kSingle;
    auto t = std::make_unique<TagState>();
    XB_RETURN_IF_ERROR(ParseHeader(0, t.get()));
    std::string stem = path_.substr(path_.find_last_of('/') + 1);
    stem = stem.substr(0, stem.find('.'));
    t->info.name = Upper(stem);
    tags_.push_back(std::move(t));
    if (!check_tags) tags_[0]->shape_checked = true;
    return Status::OK();
  }
  kind_ = Kind::kCompound;
  if (LoadLE16(p + kHdrKeyLength) != kTagNameLength) return Damaged("bad tag directory key length");
  dir_.header = 0;
  dir_.root = LoadLE32(p + kHdrRoot);
  if (dir_.root % kPageSize != 0 || dir_.root < kHeaderSize ||
      uint64_t(dir_.root) + kPageSize > file_end_) {
    return Damaged("the tag directory root lies outside the file");
  }
  CdxCursor walk(this, &dir_);
  XB_RETURN_IF_ERROR(walk.SeekFirst());
  std::unordered_set<uint32_t> headers;
  while (walk.Valid()) {
    std::string name(walk.key());
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    auto t = std::make_unique<TagState>();
    t->info.name = Upper(name);
    if (name.empty() || FindTag(t->info.name) != 0) {
      return Damaged("tag directory holds a blank or repeated tag name");
    }
    if (!headers.insert(walk.recno()).second) return Damaged("two tags share one header");
    XB_RETURN_IF_ERROR(ParseHeader(walk.recno(), t.get()));
    tags_.push_back(std::move(t));
    if (tags_.size() > page_count()) return Damaged("tag directory loops");
    XB_RETURN_IF_ERROR(walk.Next());
  }
  std::sort(tags_.begin(), tags_.end(),
            [](const auto& a, const auto& b) { return a->header < b->header; });
  for (auto& t : tags_) t->shape_checked = !check_tags;
  return check_tags ? CheckRoots() : Status::OK();
}

Status CdxFile::Zap() {
  XB_RETURN_IF_ERROR(CheckWritable());
  TagInfo single;
  if (kind_ == Kind::kSingle) single = tags_[0]->info;
  for (auto& t : tags_) ++t->generation;
  return InitEmpty(kind_ == Kind::kSingle ? &single : nullptr);
}

Status CdxFile::Flush() {
  if (!file_ || read_only_ || !changed_) return Status::OK();
  char* p;
  XB_RETURN_IF_ERROR(ReadPage(0, &p));
  StoreLE32(p + kHdrCounter, LoadLE32(p + kHdrCounter) + 1);
  cache_[0].dirty = true;
  std::vector<uint32_t> dirty;
  for (const auto& [offset, page] : cache_) {
    if (page.dirty) dirty.push_back(offset);
  }
  // Pages in three tiers, each on the disk before the next names it: tag
  // pages (and freed ones), then tag headers, then the tag directory and
  // the file header. A sync parts two tiers only when the later one names
  // pages anew; a header whose change counter alone moved needs none.
  std::unordered_set<uint32_t> headers{0, kPageSize};
  for (const auto& t : tags_) {
    headers.insert(t->header);
    headers.insert(t->header + kPageSize);
  }
  std::array<std::vector<uint32_t>, 3> tiers;
  for (uint32_t offset : dirty) {
    const bool head = headers.count(offset) != 0;
    const bool top = offset < kHeaderSize || dir_dirty_.count(offset) != 0;
    tiers[top ? 2 : head ? 1 : 0].push_back(offset);
  }
  const bool naming = names_changed_ || !dir_dirty_.empty();
  // A page is clean only once its write went through: after a failure
  // every page stays dirty and the next flush tries them all again.
  bool written = unsynced_;
  for (size_t i = 0; i < tiers.size(); ++i) {
    const std::vector<uint32_t>& tier = tiers[i];
    if (tier.empty()) continue;
    if (written && naming && i > 0) {
      XB_RETURN_IF_ERROR(file_->Sync());
      written = false;
    }
    PageWriter writer(file_.get());
    for (uint32_t offset : tier) XB_RETURN_IF_ERROR(writer.Write(offset, cache_[offset].data.data()));
    XB_RETURN_IF_ERROR(writer.Flush());
    written = true;
  }
  for (uint32_t offset : dirty) cache_[offset].dirty = false;
  unsynced_ = written;
  uint64_t size = 0;
  XB_RETURN_IF_ERROR(file_->Size(&size));
  if (size != file_end_) XB_RETURN_IF_ERROR(file_->Truncate(file_end_));
  changed_ = false;
  names_changed_ = false;
  dir_dirty_.clear();
  if (cache_.size() > kCacheKeepPages) cache_.clear();
  return Status::OK();
}

Status CdxFile::Sync() {
  XB_RETURN_IF_ERROR(Flush());
  if (!file_ || read_only_ || !unsynced_) return Status::OK();
  XB_RETURN_IF_ERROR(file_->Sync());
  unsynced_ = false;
  return Status::OK();
}

Status CdxFile::Close() {
  if (!file_) return Status::OK();
  Status s = Sync();
  Status closed = file_->Close();
  if (s.ok()) s = closed;
  file_.reset();
  cache_.clear();
  DropDecoded();
  return s;
}

// ---- cursor ----------------------------------------------------------------

Status CdxCursor::Edge(bool last) {
  valid_ = false;
  generation_ = tag_->generation;
  uint32_t page = tag_->root;
  Node parent;
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) return file_->TagDamaged(*tag_, "deeper than any real index (a loop?)");
    XB_RETURN_IF_ERROR(file_->ReadNode(*tag_, page, &leaf_));
    if (depth > 0) {
      XB_RETURN_IF_ERROR(file_->CheckChild(*tag_, parent, last ? parent.size() - 1 : 0, leaf_));
    }
    if (leaf_.leaf) break;
    page = last ? leaf_.children.back() : leaf_.children.front();
    parent = std::move(leaf_);
  }
  if (leaf_.size() == 0) return last ? MoveLeft() : MoveRight();
  pos_ = last ? leaf_.size() - 1 : 0;
  valid_ = true;
  return Status::OK();
}

Status CdxCursor::SeekFirst() { return Edge(reversed()); }
Status CdxCursor::SeekLast() { return Edge(!reversed()); }

Status CdxCursor::BackOne() {
  if (!valid_) return Edge(true);
  if (pos_ > 0) {
    --pos_;
    return Status::OK();
  }
  return MoveLeft();
}

Status CdxCursor::SeekTarget(std::string_view target, uint32_t recno) {
  valid_ = false;
  generation_ = tag_->generation;
  uint32_t page = tag_->root;
  const Node* parent = nullptr;
  size_t slot = 0;
  // Pages are read where the cache holds them; only the leaf, which the
  // cursor keeps, is copied. A page not yet decoded is checked against its
  // parent before it enters the cache, as making room may drop the parent.
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) return file_->TagDamaged(*tag_, "deeper than any real index (a loop?)");
    const Node* node = file_->CachedNode(*tag_, page);
    if (node == nullptr) {
      XB_RETURN_IF_ERROR(file_->DecodeChecked(*tag_, page, &fresh_));
      node = &fresh_;
    }
    if (parent != nullptr) XB_RETURN_IF_ERROR(file_->CheckChild(*tag_, *parent, slot, *node));
    if (node == &fresh_) {
      file_->RememberDecoded(fresh_);
      node = file_->CachedNode(*tag_, page);
    }
    if (node->leaf) {
      leaf_ = *node;
      break;
    }
    slot = 0;
    while (slot + 1 < node->size() &&
           Compare(*tag_, node->key(slot), node->recnos[slot], target, recno) < 0) {
      ++slot;
    }
    parent = node;
    page = node->children[slot];
  }
  pos_ = LowerBound(*tag_, leaf_, target, recno);
  if (pos_ < leaf_.size()) {
    valid_ = true;
    return Status::OK();
  }
  return MoveRight();
}

Status CdxCursor::Seek(std::string_view key, bool prefix, bool* found) {
  const uint16_t kl = tag_->info.key_length;
  std::string target(key.substr(0, std::min<size_t>(key.size(), kl)));
  if (!prefix) target.resize(kl, tag_->pad());
  const size_t compared = target.size();
  if (!reversed()) {
    XB_RETURN_IF_ERROR(SeekTarget(target, 0));
  } else {
    // The first entry not before the key in a descending tag is the last
    // one in the file not after it: land past every entry the key starts,
    // then step back.
    target.resize(kl, '\xFF');
    XB_RETURN_IF_ERROR(SeekTarget(target, std::numeric_limits<uint32_t>::max()));
    XB_RETURN_IF_ERROR(BackOne());
  }
  *found = valid_ && std::memcmp(leaf_.key(pos_).data(), target.data(), compared) == 0;
  return Status::OK();
}

Status CdxCursor::SeekEntry(std::string_view key, uint32_t recno, bool* found) {
  std::string target(key.substr(0, std::min<size_t>(key.size(), tag_->info.key_length)));
  target.resize(tag_->info.key_length, tag_->pad());
  XB_RETURN_IF_ERROR(SeekTarget(target, recno));
  *found = valid_ && leaf_.recnos[pos_] == recno && leaf_.key(pos_) == target;
  // In a descending tag the entry after a missing one is the one before
  // where it would stand in the file.
  if (!*found && reversed()) XB_RETURN_IF_ERROR(BackOne());
  return Status::OK();
}

// Moves to the first entry of the next non-empty leaf, checking that the
// chain keeps the tag order.
Status CdxCursor::MoveRight() {
  std::string last_key;
  uint32_t last_recno = 0;
  const bool have_last = leaf_.size() > 0;
  if (have_last) {
    last_key.assign(leaf_.key(leaf_.size() - 1));
    last_recno = leaf_.recnos.back();
  }
  valid_ = false;
  const uint32_t from = leaf_.page;
  const uint32_t page = leaf_.right;
  if (page == kNoPage) return Status::OK();
  XB_RETURN_IF_ERROR(file_->ReadNode(*tag_, page, &leaf_));
  XB_RETURN_IF_ERROR(CheckNeighbour(from, leaf_.left));
  if (have_last && Compare(*tag_, leaf_.key(0), leaf_.recnos[0], last_key, last_recno) <= 0) {
    return file_->TagDamaged(*tag_, "leaf pages out of order at " + Hex(page));
  }
  pos_ = 0;
  valid_ = true;
  return Status::OK();
}

// A leaf reached through a sibling pointer must point back and hold keys:
// a pointer that skips a page, or a page whose keys were lost, would
// otherwise shorten the walk without a word.
Status CdxCursor::CheckNeighbour(uint32_t from, uint32_t back) {
  if (!leaf_.leaf) {
    return file_->TagDamaged(*tag_, "the neighbour " + Hex(leaf_.page) + " of leaf " + Hex(from) +
                                        " is not a leaf");
  }
  if (back != from) {
    return file_->TagDamaged(*tag_, "leaf " + Hex(leaf_.page) + " does not link back to leaf " +
                                        Hex(from) + " beside it");
  }
  if (leaf_.size() == 0) return file_->TagDamaged(*tag_, "leaf " + Hex(leaf_.page) + " holds no keys");
  return Status::OK();
}

Status CdxCursor::MoveLeft() {
  std::string first_key;
  uint32_t first_recno = 0;
  const bool have_first = leaf_.size() > 0;
  if (have_first) {
    first_key.assign(leaf_.key(0));
    first_recno = leaf_.recnos[0];
  }
  valid_ = false;
  const uint32_t from = leaf_.page;
  const uint32_t page = leaf_.left;
  if (page == kNoPage) return Status::OK();
  XB_RETURN_IF_ERROR(file_->ReadNode(*tag_, page, &leaf_));
  XB_RETURN_IF_ERROR(CheckNeighbour(from, leaf_.right));
  const size_t last = leaf_.size() - 1;
  if (have_first &&
      Compare(*tag_, leaf_.key(last), leaf_.recnos[last], first_key, first_recno) >= 0) {
    return file_->TagDamaged(*tag_, "leaf pages out of order at " + Hex(page));
  }
  pos_ = last;
  valid_ = true;
  return Status::OK();
}

Status CdxCursor::Step(bool forward) {
  if (!valid_) return Status::InvalidArgument("index cursor is not on an entry");
  if (generation_ != tag_->generation) {
    // The tag changed under us: find our entry again, or where it was.
    const std::string key(leaf_.key(pos_));
    const uint32_t recno = leaf_.recnos[pos_];
    XB_RETURN_IF_ERROR(SeekTarget(key, recno));
    if (!valid_) return forward ? Status::OK() : Edge(true);
    const bool same = leaf_.recnos[pos_] == recno && leaf_.key(pos_) == key;
    if (forward && !same) return Status::OK();
  }
  if (forward) {
    if (++pos_ < leaf_.size()) return Status::OK();
    return MoveRight();
  }
  if (pos_ > 0) {
    --pos_;
    return Status::OK();
  }
  return MoveLeft();
}

Status CdxCursor::Next() { return Step(!reversed()); }
Status CdxCursor::Prev() { return Step(reversed()); }

Status OpenIndex(const std::string& path, FileMode mode, std::unique_ptr<File>* out) {
  Status s = OpenFile(path, mode, out);
  if (s.IsNotFound()) return Status::NotFound("no index file " + path);
  return s;
}

}  // namespace

Status IndexFile::CreateCompound(const std::string& path, std::unique_ptr<IndexFile>* out) {
  std::unique_ptr<File> f;
  XB_RETURN_IF_ERROR(OpenIndex(path, FileMode::kCreate, &f));
  auto file = std::make_unique<CdxFile>(std::move(f), false, Kind::kCompound);
  XB_RETURN_IF_ERROR(file->InitEmpty(nullptr));
  XB_RETURN_IF_ERROR(file->Flush());
  *out = std::move(file);
  return Status::OK();
}

Status IndexFile::CreateSingle(const std::string& path, const TagInfo& def,
                               std::unique_ptr<IndexFile>* out) {
  TagInfo info = def;
  std::string stem = path.substr(path.find_last_of('/') + 1);
  info.name = Upper(stem.substr(0, stem.find('.')));
  if (info.key_length < 1 || info.key_length > kMaxKeyLength || info.key_expr.empty() ||
      info.key_expr.size() + info.for_expr.size() + 2 > kExprPoolSize) {
    return Status::InvalidArgument("bad definition for index " + path);
  }
  std::unique_ptr<File> f;
  XB_RETURN_IF_ERROR(OpenIndex(path, FileMode::kCreate, &f));
  auto file = std::make_unique<CdxFile>(std::move(f), false, Kind::kSingle);
  XB_RETURN_IF_ERROR(file->InitEmpty(&info));
  XB_RETURN_IF_ERROR(file->Flush());
  *out = std::move(file);
  return Status::OK();
}

Status IndexFile::Open(const std::string& path, const IndexOpenOptions& options,
                       std::unique_ptr<IndexFile>* out) {
  std::unique_ptr<File> f;
  XB_RETURN_IF_ERROR(
      OpenIndex(path, options.read_only ? FileMode::kReadOnly : FileMode::kReadWrite, &f));
  auto file = std::make_unique<CdxFile>(std::move(f), options.read_only, Kind::kCompound);
  file->set_record_count(options.record_count);
  XB_RETURN_IF_ERROR(file->Load(options.check_tags));
  *out = std::move(file);
  return Status::OK();
}

}  // namespace xb
