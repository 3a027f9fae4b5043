// Work area: navigation in natural or index order under the query, the scope
// and the deleted setting, and index maintenance on every change.
#include "xbase/workarea.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "file.h"
#include "key_of.h"

namespace xb {

namespace {

// Records read per chunk when scanning; about 1 MB for contact files.
constexpr uint32_t kScanChunk = 2048;
// The longest key the compact index format holds.
constexpr int kMaxKeyLength = 240;
// Records a rewrite commits between writes of the production index's pages.
constexpr int kRewriteFlushEvery = 1024;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool SameName(std::string_view a, std::string_view b) { return Upper(a) == Upper(b); }

// Compares `key` with a scope bound on the bound's length.
int ComparePrefix(std::string_view key, std::string_view bound) {
  size_t n = std::min(key.size(), bound.size());
  int c = std::memcmp(key.data(), bound.data(), n);
  if (c != 0 || key.size() >= bound.size()) return c;
  return -1;
}

// The smallest string greater than every string starting with `s`, or ""
// when there is none (all 0xFF).
std::string Successor(std::string s) {
  while (!s.empty()) {
    unsigned char last = static_cast<unsigned char>(s.back());
    if (last != 0xFF) {
      s.back() = static_cast<char>(last + 1);
      return s;
    }
    s.pop_back();
  }
  return s;
}

std::string BaseNameWithoutExtension(const std::string& path) {
  std::string base = BaseName(path);
  size_t dot = base.rfind('.');
  return dot == std::string::npos ? base : base.substr(0, dot);
}

}  // namespace

struct Order {
  IndexFile* file = nullptr;  // owned by the work area
  int tag = 0;                // order number within its file
  std::string name;
  std::unique_ptr<Expression> key;
  std::unique_ptr<Expression> condition;  // the FOR condition, if any
};

struct WorkArea::Rep {
  std::unique_ptr<Table> table;
  std::string closed_production_path;  // of the production index CloseIndexes closed
  const Settings* settings = nullptr;
  ProgressFn progress;
  bool turbo_read = false;

  // Query.
  std::string filter;
  std::unique_ptr<Expression> query;
  bool match_nothing = false;  // the query did not compile

  // Position.
  bool eof = false;
  bool bof = false;
  std::string phantom;  // the blank record xBase stands on at eof

  // Orders.
  Status index_status;
  std::unique_ptr<IndexFile> production;
  std::vector<std::unique_ptr<IndexFile>> others;
  std::vector<Order> orders;  // orders[i] is order i + 1
  int current = 0;
  std::unique_ptr<IndexCursor> cursor;
  bool cursor_synced = false;  // the cursor stands on the current record's entry
  bool scoped = false;
  std::string scope_low, scope_high;
  bool found = false;

  // Why the stale-index marker is on the disk, if it is ours.
  enum class Stale { kNone, kBatch, kJob, kRewrite, kSession };
  Stale stale = Stale::kNone;
  // Records a rewrite committed since its production index pages last
  // went to the file.
  int rewritten_unflushed = 0;

  // The record as it was before the pending change, to move its keys.
  bool dirty = false;
  bool appended = false;
  std::string before;

  Value scratch;

  EvalSettings Eval() const {
    EvalSettings es;
    es.exact = settings->exact;
    return es;
  }

  Order* CurrentOrder() { return current == 0 ? nullptr : &orders[current - 1]; }

  RecordRef Phantom() {
    phantom.assign(table->record_length(), ' ');
    RecordRef r;
    r.data = phantom.data();
    r.recno = table->record_count() + 1;
    r.memo = table.get();
    return r;
  }

  // The order's key for a record; *included is false when its FOR
  // condition excludes the record. A FOR condition failing on the record
  // is an error, as it is when the tag is built: leaving the record out
  // would hide it from the order without a word.
  Status ComputeKey(const Order& o, const RecordRef& r, std::string* key, bool* included) {
    const TagInfo& info = o.file->tag(o.tag);
    EvalSettings es = Eval();
    *included = true;
    if (o.condition) {
      Status error;
      *included = o.condition->EvaluateLogical(r, es, &error);
      if (!error.ok()) {
        *included = false;
        return Status::InvalidArgument("tag " + info.name + ": the FOR condition fails on record " +
                                       std::to_string(r.recno) + ": " + error.message());
      }
      if (!*included) return Status::OK();
    }
    return EncodeKeyOf(*o.key, info, r, es, &scratch, key);
  }

  // Compiles the orders of one index file and tells it its key types.
  Status AddOrdersOf(IndexFile* file, std::vector<Order>* out) {
    const auto& fields = table->fields();
    for (int t = 1; t <= file->tag_count(); ++t) {
      const TagInfo& info = file->tag(t);
      Order o;
      o.file = file;
      o.tag = t;
      o.name = info.name;
      Status s = Expression::Compile(info.key_expr, fields, &o.key);
      if (!s.ok()) {
        return Status::Corruption("index " + file->path() + ", tag " + info.name +
                                  ": the key expression does not fit the table (" + s.message() +
                                  ")");
      }
      if (!info.for_expr.empty()) {
        s = Expression::Compile(info.for_expr, fields, &o.condition);
        if (!s.ok() || o.condition->type() != ValueType::kLogical) {
          return Status::Corruption("index " + file->path() + ", tag " + info.name +
                                    ": the FOR condition does not fit the table");
        }
      }
      const KeyType type = KeyTypeOf(o.key->type(), info.key_length);
      // A tag made on a table whose fields are of other widths or types
      // holds keys this table cannot produce.
      int want = o.key->result_width();
      if (FixedKeyLength(type) > 0) want = FixedKeyLength(type);
      if (want >= 0 && std::min(want, kMaxKeyLength) != info.key_length) {
        return Status::Corruption("index " + file->path() + ", tag " + info.name + ": keys of " +
                                  std::to_string(info.key_length) + " bytes, but " +
                                  info.key_expr + " gives " + std::to_string(want) +
                                  " on this table: the index belongs to another table");
      }
      XB_RETURN_IF_ERROR(file->SetKeyType(t, type));
      out->push_back(std::move(o));
    }
    return Status::OK();
  }

  // Rebuilds the order list from the open files, keeping the current order
  // (by file and name) when it is still there.
  Status RefreshOrders() {
    IndexFile* cur_file = current > 0 ? orders[current - 1].file : nullptr;
    std::string cur_name = current > 0 ? orders[current - 1].name : std::string();
    cursor.reset();
    cursor_synced = false;
    std::vector<Order> fresh;
    if (production) XB_RETURN_IF_ERROR(AddOrdersOf(production.get(), &fresh));
    for (auto& f : others) XB_RETURN_IF_ERROR(AddOrdersOf(f.get(), &fresh));
    orders = std::move(fresh);
    current = 0;
    for (size_t i = 0; i < orders.size(); ++i) {
      if (orders[i].file == cur_file && orders[i].name == cur_name) current = static_cast<int>(i + 1);
    }
    if (current > 0) XB_RETURN_IF_ERROR(orders[current - 1].file->NewCursor(orders[current - 1].tag, &cursor));
    return Status::OK();
  }

  // An index left from another copy of the table (a restored backup, a
  // table appended to without its index) passes the checks at both ends of
  // its tags but holds entries for other records. One tag that must hold an
  // entry per record, the one with the shortest keys, is counted through.
  Status CheckEntryCount() {
    const Order* pick = nullptr;
    for (const Order& o : orders) {
      const TagInfo& info = o.file->tag(o.tag);
      if (o.condition || info.unique || info.custom) continue;
      if (pick == nullptr || info.key_length < pick->file->tag(pick->tag).key_length) pick = &o;
    }
    if (pick == nullptr) return Status::OK();
    const uint64_t records = table->record_count();
    std::unique_ptr<IndexCursor> c;
    XB_RETURN_IF_ERROR(pick->file->NewCursor(pick->tag, &c));
    uint64_t entries = 0;
    XB_RETURN_IF_ERROR(c->SeekFirst());
    while (c->Valid() && entries <= records) {
      ++entries;
      XB_RETURN_IF_ERROR(c->Next());
    }
    if (entries == records) return Status::OK();
    return Status::Corruption("index " + pick->file->path() + ", tag " + pick->name + ": " +
                              (entries > records ? "more" : "fewer") +
                              " entries than the table has records: it belongs to another copy "
                              "of the table");
  }

  void SetRecordCounts() {
    uint32_t n = table->record_count();
    if (production) production->set_record_count(n);
    for (auto& f : others) f->set_record_count(n);
  }

  // Every key of an order, from every record (deleted ones included, as the
  // index holds them whatever the settings).
  Status CollectKeys(const Order& o, KeyBuffer* keys, int from_percent, int to_percent) {
    const uint32_t total = table->record_count();
    const uint16_t len = table->record_length();
    keys->Reset(o.file->tag(o.tag).key_length);
    keys->Reserve(total);
    std::string buf, key;
    RecordRef r;
    r.memo = table.get();
    for (uint32_t first = 1; first <= total; first += kScanChunk) {
      uint32_t chunk = std::min(kScanChunk, total - first + 1);
      XB_RETURN_IF_ERROR(table->ReadRecords(first, chunk, &buf));
      for (uint32_t i = 0; i < chunk; ++i) {
        r.data = buf.data() + static_cast<size_t>(i) * len;
        r.recno = first + i;
        bool included = false;
        XB_RETURN_IF_ERROR(ComputeKey(o, r, &key, &included));
        if (included) keys->Add(key, r.recno);
      }
      if (progress && total > 0) {
        progress(from_percent + static_cast<int>((static_cast<uint64_t>(first + chunk - 1) *
                                                  (to_percent - from_percent)) / total));
      }
    }
    return Status::OK();
  }

  // Converts a seek or scope key given as text to key bytes of an order.
  Status KeyBytes(const Order& o, std::string_view text, bool pad, std::string* out,
                  bool* prefix) {
    const TagInfo& info = o.file->tag(o.tag);
    *prefix = false;
    switch (info.key_type) {
      case KeyType::kCharacter:
        if (pad) {
          *out = EncodeCharacterKey(text, info.key_length);
        } else {
          out->assign(text.substr(0, info.key_length));
          *prefix = true;
        }
        return Status::OK();
      case KeyType::kNumeric:
      case KeyType::kInteger: {
        std::string s(text);
        char* end = nullptr;
        double v = std::strtod(s.c_str(), &end);
        while (end != nullptr && *end == ' ') ++end;
        if (end == s.c_str() || (end != nullptr && *end != '\0')) {
          return Status::InvalidArgument("not a number: " + s);
        }
        *out = info.key_type == KeyType::kInteger ? EncodeIntegerKey(v) : EncodeNumericKey(v);
        return Status::OK();
      }
      case KeyType::kDate: {
        int32_t jd = JulianDayFromDtos(text);
        if (jd < 0) return Status::InvalidArgument("not a date (YYYYMMDD): " + std::string(text));
        *out = EncodeDateKey(jd);
        return Status::OK();
      }
      case KeyType::kLogical:
        *out = EncodeLogicalKey(!text.empty() && std::strchr("TtYy", text[0]) != nullptr);
        return Status::OK();
    }
    return Status::OK();
  }

  bool InScope(std::string_view key) const {
    if (!scoped) return true;
    if (!scope_low.empty() && ComparePrefix(key, scope_low) < 0) return false;
    if (!scope_high.empty() && ComparePrefix(key, scope_high) > 0) return false;
    return true;
  }
  bool PastScope(std::string_view key) const {
    return scoped && !scope_high.empty() && ComparePrefix(key, scope_high) > 0;
  }
  bool BeforeScope(std::string_view key) const {
    return scoped && !scope_low.empty() && ComparePrefix(key, scope_low) < 0;
  }
  // A descending order meets the high bound first and the low one last.
  bool Descending() const {
    return current > 0 && orders[current - 1].file->tag(orders[current - 1].tag).descending;
  }
  // Whether walking on from `key` in tag order (forward: towards the end)
  // can only leave the scope.
  bool ScopeEndsAt(std::string_view key, bool forward) const {
    return forward != Descending() ? PastScope(key) : BeforeScope(key);
  }

  // Whether a record passes the query and the deleted setting. A condition
  // that fails at run time on a record (a division by zero, a memo that
  // cannot be read) is an error, never a quiet "no".
  Status Visible(const RecordRef& record, bool* visible) const {
    Status error;
    *visible = Passes(record, Eval(), &error);
    return error.ok() ? Status::OK() : ConditionFails(record.recno, error);
  }

  // Visible for the scans of every record, which cannot afford a Status
  // made and dropped per record: false with *error set when the condition
  // fails at run time (then ConditionFails says so).
  bool Passes(const RecordRef& record, const EvalSettings& es, Status* error) const {
    if (record.data == nullptr || match_nothing) return false;
    if (settings->deleted && record.deleted()) return false;
    if (!query) return true;
    return query->EvaluateLogical(record, es, error);
  }

  static Status ConditionFails(uint32_t recno, const Status& error) {
    return Status::InvalidArgument("the condition fails on record " + std::to_string(recno) +
                                   ": " + error.message());
  }

  // Moves the cursor (the first step left out when `candidate`: the entry it
  // stands on is tried first) to the next visible entry in scope and loads
  // its record. *positioned is false when the walk ran out.
  Status Scan(bool forward, bool candidate, bool* positioned) {
    *positioned = false;
    if (!candidate && cursor->Valid()) XB_RETURN_IF_ERROR(forward ? cursor->Next() : cursor->Prev());
    while (cursor->Valid()) {
      std::string_view k = cursor->key();
      if (ScopeEndsAt(k, forward)) return Status::OK();
      if (InScope(k)) {
        XB_RETURN_IF_ERROR(table->Go(cursor->recno()));
        bool visible = false;
        XB_RETURN_IF_ERROR(Visible(table->current(), &visible));
        if (visible) {
          *positioned = true;
          cursor_synced = true;
          return Status::OK();
        }
      }
      XB_RETURN_IF_ERROR(forward ? cursor->Next() : cursor->Prev());
    }
    return Status::OK();
  }

  // The cursor on the first entry in tag order within the scope's bound on
  // that side: the low bound in an ascending order, the high one in a
  // descending order.
  Status SeekFirstInScope() {
    const std::string& bound = Descending() ? scope_high : scope_low;
    if (!scoped || bound.empty()) return cursor->SeekFirst();
    bool found = false;
    return cursor->Seek(bound, true, &found);
  }

  // The cursor on the last entry in tag order within the scope's bound on
  // that side.
  Status SeekLastInScope() {
    if (Descending()) {
      if (!scoped || scope_low.empty()) return cursor->SeekLast();
      // Steps over the keys starting with the low bound: there is no seek
      // to the first key below a prefix.
      bool found = false;
      XB_RETURN_IF_ERROR(cursor->Seek(scope_low, true, &found));
      while (cursor->Valid() && ComparePrefix(cursor->key(), scope_low) == 0) {
        XB_RETURN_IF_ERROR(cursor->Next());
      }
      return cursor->Valid() ? cursor->Prev() : cursor->SeekLast();
    }
    std::string past = scoped && !scope_high.empty() ? Successor(scope_high) : std::string();
    if (past.empty()) return cursor->SeekLast();
    bool found = false;
    XB_RETURN_IF_ERROR(cursor->Seek(past, true, &found));
    return cursor->Valid() ? cursor->Prev() : cursor->SeekLast();
  }

  // Keeps the record as it was before its first pending change, so Commit
  // can move its keys.
  void BeginChange() {
    if (dirty) return;
    before.assign(table->current_data(), table->record_length());
    dirty = true;
  }

  // The changes of a writing session may leave the index behind the table
  // (see Commit); only a table we may rebuild at the next open is marked.
  bool MayMarkSession() const {
    return stale == Stale::kNone && table->exclusive() && !table->read_only() && production &&
           production->tag_count() > 0;
  }

  // A batch of appends or a writing session is over: the table (with
  // whatever else changed meanwhile) and the keys are synced, and only then
  // does the marker go.
  Status SettleBatch() {
    XB_RETURN_IF_ERROR(table->SetAppendBatching(false));
    XB_RETURN_IF_ERROR(table->Sync());
    if (production) XB_RETURN_IF_ERROR(production->Sync());
    for (auto& f : others) XB_RETURN_IF_ERROR(f->Sync());
    XB_RETURN_IF_ERROR(ClearIndexesStale(table->path()));
    stale = Stale::kNone;
    return Status::OK();
  }

  void SetEof() {
    eof = true;
    cursor_synced = false;
    table->Go(0).IgnoreError();  // NotFound by design: no current record
  }

  // A failed move stands at the end on both sides: the record it left may
  // be the one that cannot be read, and a walk must not meet it again.
  Status Settle(Status s) {
    if (!s.ok()) {
      SetEof();
      bof = true;
      found = false;
    }
    return s;
  }
};

WorkArea::WorkArea() : rep_(std::make_unique<Rep>()) {}

WorkArea::~WorkArea() {
  // A destructor has no one to tell; callers that care commit first. A
  // marker left by a failure here only costs a rebuild at the next open.
  if (rep_->table) Close().IgnoreError();
}

Status WorkArea::Close() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  if (r.stale == Rep::Stale::kBatch || r.stale == Rep::Stale::kSession) return r.SettleBatch();
  return Status::OK();
}

Status WorkArea::Open(const std::string& path, const OpenOptions& options,
                      const Settings* settings, std::unique_ptr<WorkArea>* out) {
  return Open(path, options, settings, nullptr, out);
}

Status WorkArea::Open(const std::string& path, const OpenOptions& options,
                      const Settings* settings, const ProgressFn& rebuild_progress,
                      std::unique_ptr<WorkArea>* out) {
  std::unique_ptr<Table> table;
  XB_RETURN_IF_ERROR(Table::Open(path, options, &table));
  std::unique_ptr<WorkArea> area(new WorkArea());
  Rep& r = *area->rep_;
  r.table = std::move(table);
  r.settings = settings;
  std::string cdx = FindFileIgnoringCase(path, BaseNameWithoutExtension(path) + ".cdx");
  if (FileExists(StaleIndexMarkerPath(path))) {
    bool pending = false;
    r.progress = rebuild_progress;
    const Status repaired = area->RepairStaleIndex(&pending);
    r.progress = nullptr;
    XB_RETURN_IF_ERROR(repaired);
    if (pending) cdx.clear();  // rebuilt and open, or reported
  }
  if (!cdx.empty()) {
    IndexOpenOptions io;
    io.read_only = options.read_only;
    io.record_count = r.table->record_count();
    Status s = IndexFile::Open(cdx, io, &r.production);
    if (s.ok()) s = r.RefreshOrders();
    // Touch both ends of every tag, so a damaged index shows itself now
    // rather than halfway through a walk.
    for (size_t i = 0; s.ok() && i < r.orders.size(); ++i) {
      std::unique_ptr<IndexCursor> c;
      s = r.orders[i].file->NewCursor(r.orders[i].tag, &c);
      if (s.ok()) s = c->SeekFirst();
      if (s.ok()) s = c->SeekLast();
    }
    if (s.ok()) s = r.CheckEntryCount();
    if (!s.ok()) {
      r.index_status = s.IsCorruption() ? s : Status::Corruption(s.message());
      r.orders.clear();
      r.production.reset();
    }
  }
  XB_RETURN_IF_ERROR(area->GoTop());
  *out = std::move(area);
  return Status::OK();
}

namespace {

// The stale-index marker holds one line per tag of the production index:
// "TAG", name, key, FOR condition and flags (U unique, D descending, C
// custom), tab-separated, with backslash, tab and newline escaped; then
// "END". A marker without its END line was cut off while being written,
// before the job it guards changed anything.
std::string EscapeMarkerField(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

std::string UnescapeMarkerField(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
  }
  return out;
}

std::string MarkerContents(const IndexFile& f) {
  std::string out;
  for (int i = 1; i <= f.tag_count(); ++i) {
    const TagInfo& t = f.tag(i);
    out += "TAG\t" + EscapeMarkerField(t.name) + "\t" + EscapeMarkerField(t.key_expr) + "\t" +
           EscapeMarkerField(t.for_expr) + "\t" + (t.unique ? "U" : "") + (t.descending ? "D" : "") +
           (t.custom ? "C" : "") + "\n";
  }
  return out + "END\n";
}

// False when a line is not a tag line or a tag was filled by hand (a
// rebuild cannot bring its records back).
bool ParseMarker(std::string_view text, std::vector<WorkArea::TagSpec>* specs) {
  text.remove_suffix(4);  // END line
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    std::vector<std::string_view> parts;
    for (size_t from = 0;;) {
      const size_t tab = line.find('\t', from);
      parts.push_back(line.substr(from, tab == std::string_view::npos ? tab : tab - from));
      if (tab == std::string_view::npos) break;
      from = tab + 1;
    }
    if (parts.size() != 5 || parts[0] != "TAG" || parts[1].empty() || parts[2].empty()) return false;
    if (parts[4].find('C') != std::string_view::npos) return false;
    specs->push_back({UnescapeMarkerField(parts[1]), UnescapeMarkerField(parts[2]),
                      UnescapeMarkerField(parts[3]), parts[4].find('U') != std::string_view::npos,
                      parts[4].find('D') != std::string_view::npos});
  }
  return !specs->empty();
}

}  // namespace

// A bulk index job was cut off (see StaleIndexMarkerPath): the index is
// rebuilt from the tag definitions the marker keeps when the table is ours
// to change, else the user is told it is out of date. *pending is false
// when the marker shows the job never started (the index stands).
Status WorkArea::RepairStaleIndex(bool* pending) {
  *pending = true;
  Rep& r = *rep_;
  Table& t = *r.table;
  const std::string stale = "the index of " + t.path() +
                            " was being rebuilt when the program stopped and is out of date";
  if (!t.exclusive() || t.read_only()) {
    r.index_status = Status::Corruption(stale + ": open it exclusively to rebuild it");
    return Status::OK();
  }
  std::string text;
  std::vector<TagSpec> specs;
  Status s = ReadStaleIndexMarker(t.path(), &text);
  if (s.ok() && (text.size() < 4 || text.compare(text.size() - 4, 4, "END\n") != 0)) {
    *pending = false;
    return ClearIndexesStale(t.path());
  }
  if (s.ok() && !ParseMarker(text, &specs)) {
    s = Status::Corruption(stale + ": its orders cannot be rebuilt from " +
                           StaleIndexMarkerPath(t.path()) + "; rebuild it by hand");
  }
  if (s.ok()) s = RebuildProductionIndex(specs);
  if (!s.ok()) {
    r.orders.clear();
    r.production.reset();
    r.index_status = s.IsCorruption() ? s : Status::Corruption(stale + ": " + s.message());
  }
  return Status::OK();
}

Table& WorkArea::table() { return *rep_->table; }
const Settings& WorkArea::settings() const { return *rep_->settings; }
const Status& WorkArea::index_status() const { return rep_->index_status; }

std::string WorkArea::ProductionIndexPath() const {
  if (rep_->production) return rep_->production->path();
  const std::string& path = rep_->table->path();
  std::string found = FindFileIgnoringCase(path, BaseNameWithoutExtension(path) + ".cdx");
  if (!found.empty()) return found;
  // An index closed and deleted to be built anew keeps its exact name.
  if (!rep_->closed_production_path.empty()) return rep_->closed_production_path;
  // A new companion gets the lower-case extension xBase tools look for.
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (has_ext ? path.substr(0, dot) : path) + ".cdx";
}

bool WorkArea::IsVisible(const RecordRef& record, Status* error) const {
  bool visible = false;
  Status s = rep_->Visible(record, &visible);
  if (error != nullptr) *error = s;
  return visible;
}

// ---- navigation -------------------------------------------------------------

// The first (or last) visible record in the current order, or eof and bof
// together when there is none.
Status WorkArea::GoEnd(bool top) { return rep_->Settle(GoEndSteps(top)); }

Status WorkArea::GoEndSteps(bool top) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  r.bof = false;
  r.eof = false;
  if (r.CurrentOrder() != nullptr) {
    XB_RETURN_IF_ERROR(top ? r.SeekFirstInScope() : r.SeekLastInScope());
    bool positioned = false;
    XB_RETURN_IF_ERROR(r.Scan(top, true, &positioned));
    if (positioned) return Status::OK();
  } else {
    Table& t = *r.table;
    const uint32_t count = t.record_count();
    for (uint32_t i = 0; i < count; ++i) {
      XB_RETURN_IF_ERROR(t.Go(top ? i + 1 : count - i));
      bool visible = false;
      XB_RETURN_IF_ERROR(r.Visible(t.current(), &visible));
      if (visible) return Status::OK();
    }
  }
  r.SetEof();
  r.bof = true;
  return Status::OK();
}

Status WorkArea::GoTop() { return GoEnd(true); }
Status WorkArea::GoBottom() { return GoEnd(false); }

Status WorkArea::Skip(int64_t n) { return rep_->Settle(SkipSteps(n)); }

Status WorkArea::SkipSteps(int64_t n) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  if (n == 0) return Status::OK();
  if (n > 0) {
    r.bof = false;
    if (r.eof) return Status::OK();
  }
  bool moved = false;
  if (r.CurrentOrder() != nullptr) {
    // The cursor goes on the current record's entry, or on the entry after
    // where it would be when the record has none.
    bool candidate = false;
    if (r.eof) {
      XB_RETURN_IF_ERROR(r.SeekLastInScope());
      candidate = true;
    } else if (!r.cursor_synced) {
      bool on_entry = false;
      std::string key;
      bool included = false;
      XB_RETURN_IF_ERROR(r.ComputeKey(*r.CurrentOrder(), r.table->current(), &key, &included));
      if (included) {
        XB_RETURN_IF_ERROR(r.cursor->SeekEntry(key, r.table->recno(), &on_entry));
      } else {
        XB_RETURN_IF_ERROR(r.cursor->SeekFirst());
      }
      // Forwards, the entry after the gap is the next record; backwards
      // from the gap it is not, and past the last entry the last one is.
      if (!on_entry) {
        if (n > 0) {
          candidate = true;
        } else if (!r.cursor->Valid()) {
          XB_RETURN_IF_ERROR(r.cursor->SeekLast());
          candidate = true;
        }
      }
    }
    const bool forward = n > 0;
    int64_t steps = forward ? n : -n;
    for (; steps > 0; --steps) {
      XB_RETURN_IF_ERROR(r.Scan(forward, candidate, &moved));
      candidate = false;
      if (!moved) break;
    }
    r.eof = false;
    if (steps == 0) return Status::OK();
    if (forward) {
      r.SetEof();
      return Status::OK();
    }
  } else {
    Table& t = *r.table;
    const uint32_t count = t.record_count();
    uint32_t at = r.eof ? count + 1 : t.recno();
    const bool forward = n > 0;
    int64_t steps = forward ? n : -n;
    for (; steps > 0; --steps) {
      moved = false;
      if (forward) {
        while (!moved && at < count) {
          ++at;
          XB_RETURN_IF_ERROR(t.Go(at));
          XB_RETURN_IF_ERROR(r.Visible(t.current(), &moved));
        }
      } else {
        while (!moved && at > 1) {
          --at;
          XB_RETURN_IF_ERROR(t.Go(at));
          XB_RETURN_IF_ERROR(r.Visible(t.current(), &moved));
        }
      }
      if (!moved) break;
    }
    r.eof = false;
    if (steps == 0) return Status::OK();
    if (forward) {
      r.SetEof();
      return Status::OK();
    }
  }
  // Before the start xBase stands on the first visible record with bof set.
  XB_RETURN_IF_ERROR(GoTop());
  r.bof = true;
  return Status::OK();
}

Status WorkArea::Go(uint32_t recno) { return rep_->Settle(GoSteps(recno)); }

Status WorkArea::GoSteps(uint32_t recno) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  r.bof = false;
  r.cursor_synced = false;
  Table& t = *r.table;
  if (recno >= 1 && recno <= t.record_count()) {
    r.eof = false;
    return t.Go(recno);
  }
  r.SetEof();
  return Status::OK();
}

bool WorkArea::eof() const { return rep_->eof; }
bool WorkArea::bof() const { return rep_->bof; }

uint32_t WorkArea::recno() const {
  return rep_->eof ? rep_->table->record_count() + 1 : rep_->table->recno();
}

RecordRef WorkArea::record() {
  if (rep_->eof) return rep_->Phantom();
  return rep_->table->current();
}

// ---- changes ----------------------------------------------------------------

namespace {
Status NeedRecord(const WorkArea& area) {
  if (area.eof()) return Status::InvalidArgument("there is no current record (end of file)");
  return Status::OK();
}
}  // namespace

Status WorkArea::SetField(int field, std::string_view bytes) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(NeedRecord(*this));
  r.BeginChange();
  return r.table->SetFieldBytes(field, bytes);
}

Status WorkArea::SetMemo(int field, std::string_view text) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(NeedRecord(*this));
  r.BeginChange();
  return r.table->SetMemo(field, text);
}

Status WorkArea::SetDeleted(bool deleted) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(NeedRecord(*this));
  r.BeginChange();
  return r.table->SetDeleted(deleted);
}

Status WorkArea::Append() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  XB_RETURN_IF_ERROR(r.table->Append());
  r.SetRecordCounts();
  r.eof = false;
  r.bof = false;
  r.cursor_synced = false;
  r.dirty = true;
  r.appended = true;
  r.before.clear();
  return Status::OK();
}

Status WorkArea::SetAppendBatching(bool on) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  if (on) return r.table->SetAppendBatching(true);
  if (r.stale == Rep::Stale::kBatch) return r.SettleBatch();
  return r.table->SetAppendBatching(false);
}

Status WorkArea::MarkIndexStale() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  if (!r.production || r.production->tag_count() == 0) return Status::OK();
  XB_RETURN_IF_ERROR(MarkIndexesStale(r.table->path(), MarkerContents(*r.production)));
  r.stale = Rep::Stale::kJob;
  return Status::OK();
}

Status WorkArea::BeginRewrite() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  const Table& t = *r.table;
  if (r.stale == Rep::Stale::kSession) {
    // The session's mark already stands for the tags the job may leave behind.
    r.stale = Rep::Stale::kRewrite;
    r.rewritten_unflushed = 0;
    return Status::OK();
  }
  if (r.stale != Rep::Stale::kNone || !t.exclusive() || t.read_only() || !r.production ||
      r.production->tag_count() == 0) {
    return Status::OK();
  }
  XB_RETURN_IF_ERROR(MarkIndexesStale(t.path(), MarkerContents(*r.production)));
  r.stale = Rep::Stale::kRewrite;
  r.rewritten_unflushed = 0;
  return Status::OK();
}

Status WorkArea::EndRewrite(bool completed) {
  Rep& r = *rep_;
  if (r.stale != Rep::Stale::kRewrite) return completed ? Commit() : Status::OK();
  if (!completed) {
    // The mark stays: whatever the job left half done is rebuilt at the
    // next exclusive open. Later changes go out record by record again.
    r.stale = Rep::Stale::kJob;
    Status s = Commit();
    const Status flushed = r.production ? r.production->Flush() : Status::OK();
    return s.ok() ? flushed : s;
  }
  // The table and every index on the disk, and only then the mark gone; a
  // failure on the way keeps it, as above.
  Status s = Commit();
  if (s.ok()) s = r.table->Sync();
  if (s.ok() && r.production) s = r.production->Sync();
  for (size_t i = 0; s.ok() && i < r.others.size(); ++i) s = r.others[i]->Sync();
  if (s.ok()) s = ClearIndexesStale(r.table->path());
  r.stale = s.ok() ? Rep::Stale::kNone : Rep::Stale::kJob;
  return s;
}

Status WorkArea::Commit() {
  Rep& r = *rep_;
  // Batching was switched off on the table itself.
  if (r.stale == Rep::Stale::kBatch && !r.table->append_batching()) {
    XB_RETURN_IF_ERROR(r.SettleBatch());
  }
  if (!r.dirty) return Status::OK();
  // The marks go before anything of the record does; a mark that cannot be
  // written leaves the change pending.
  if (r.appended && r.table->append_batching() && r.stale == Rep::Stale::kNone && r.production &&
      r.production->tag_count() > 0) {
    XB_RETURN_IF_ERROR(MarkIndexesStale(r.table->path(), MarkerContents(*r.production)));
    r.stale = Rep::Stale::kBatch;
  }
  if (!r.orders.empty() && r.MayMarkSession()) {
    XB_RETURN_IF_ERROR(MarkIndexesStale(r.table->path(), MarkerContents(*r.production)));
    r.stale = Rep::Stale::kSession;
  }
  r.dirty = false;
  XB_RETURN_IF_ERROR(r.table->Flush());
  const bool appended = r.appended;
  r.appended = false;
  if (r.orders.empty()) return Status::OK();
  r.cursor_synced = false;
  RecordRef now = r.table->current();
  RecordRef was = now;
  was.data = r.before.data();
  std::string old_key, new_key;
  // Each posted record's index changes are written with it, not left for
  // the close.
  std::vector<IndexFile*> changed;
  auto note = [&changed](IndexFile* f) {
    if (std::find(changed.begin(), changed.end(), f) == changed.end()) changed.push_back(f);
  };
  for (Order& o : r.orders) {
    const TagInfo& info = o.file->tag(o.tag);
    bool had = false, has = false;
    if (!appended) XB_RETURN_IF_ERROR(r.ComputeKey(o, was, &old_key, &had));
    XB_RETURN_IF_ERROR(r.ComputeKey(o, now, &new_key, &has));
    if (info.custom) {
      // A custom order holds only the records added to it: a record in it
      // moves with its key, others stay out.
      if (!had || (has && old_key == new_key)) continue;
      Status s = o.file->DeleteKey(o.tag, old_key, now.recno);
      if (s.IsNotFound()) continue;
      XB_RETURN_IF_ERROR(s);
      note(o.file);
      if (has) XB_RETURN_IF_ERROR(o.file->InsertKey(o.tag, new_key, now.recno));
      continue;
    }
    if (had && has && old_key == new_key) continue;
    note(o.file);
    if (had) {
      Status s = o.file->DeleteKey(o.tag, old_key, now.recno);
      if (!s.ok() && !s.IsNotFound()) return s;
    }
    if (has) XB_RETURN_IF_ERROR(o.file->InsertKey(o.tag, new_key, now.recno));
  }
  // Under a rewrite's mark the production index's pages wait, a bounded
  // number of records' worth, and EndRewrite syncs them once.
  if (r.stale == Rep::Stale::kRewrite && !changed.empty() &&
      ++r.rewritten_unflushed < kRewriteFlushEvery) {
    std::erase(changed, r.production.get());
  } else {
    r.rewritten_unflushed = 0;
  }
  for (IndexFile* f : changed) XB_RETURN_IF_ERROR(f->Flush());
  return Status::OK();
}

// ---- query ------------------------------------------------------------------

Status WorkArea::Query(std::string_view condition) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  r.filter.assign(condition);
  r.query.reset();
  r.match_nothing = false;
  Status compiled;
  bool blank = std::all_of(condition.begin(), condition.end(), [](char c) { return c == ' '; });
  if (!blank) {
    compiled = Expression::Compile(condition, r.table->fields(), &r.query);
    if (compiled.ok() && r.query->type() != ValueType::kLogical) {
      compiled = Status::InvalidArgument("the condition is not a logical expression");
    }
    if (!compiled.ok()) {
      r.query.reset();
      r.match_nothing = true;
    }
  }
  XB_RETURN_IF_ERROR(GoTop());
  return compiled;
}

const std::string& WorkArea::filter() const { return rep_->filter; }

namespace {

// Upper case with blanks dropped outside string literals: how two spellings
// of one expression compare.
std::string Normalized(std::string_view s) {
  std::string out;
  char quote = 0;
  for (char c : s) {
    if (quote != 0) {
      out += c;
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'' || c == '[') {
      quote = c == '[' ? ']' : c;
      out += c;
    } else if (c != ' ') {
      out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
  }
  return out;
}

}  // namespace

Status WorkArea::QueryRecCount(uint32_t* count) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  *count = 0;
  if (r.match_nothing) return Status::OK();
  Table& t = *r.table;
  RecordRef rec;
  rec.memo = &t;
  uint32_t n = 0;

  // A condition that asks a field expression for a value some tag starts
  // with needs only the records under that key prefix: count those.
  if (r.query) {
    for (const LiteralEquality& part : Expression::LiteralEqualities(r.filter)) {
      const std::string& lhs = part.lhs;
      const std::string& literal = part.literal;
      const std::string want = Normalized(lhs);
      if (want.empty()) continue;
      for (const Order& o : r.orders) {
        const TagInfo& info = o.file->tag(o.tag);
        if (info.custom || info.unique || info.descending || !info.for_expr.empty() ||
            info.key_type != KeyType::kCharacter) {
          continue;
        }
        const std::string key = Normalized(info.key_expr);
        bool fits = key == want;
        if (!fits && key.rfind(want + "+", 0) == 0) {
          // The part must fill a fixed width at the front of the key.
          std::unique_ptr<Expression> front;
          fits = Expression::Compile(lhs, t.fields(), &front).ok() &&
                 front->result_width() >= static_cast<int>(literal.size());
        }
        if (!fits) continue;
        std::unique_ptr<IndexCursor> c;
        XB_RETURN_IF_ERROR(o.file->NewCursor(o.tag, &c));
        const std::string prefix(literal.substr(0, info.key_length));
        bool found = false;
        XB_RETURN_IF_ERROR(c->Seek(prefix, true, &found));
        std::string buf;
        while (c->Valid() && c->key().substr(0, prefix.size()) == prefix) {
          XB_RETURN_IF_ERROR(t.ReadRecord(c->recno(), &buf));
          rec.data = buf.data();
          rec.recno = c->recno();
          bool visible = false;
          XB_RETURN_IF_ERROR(r.Visible(rec, &visible));
          if (visible) ++n;
          XB_RETURN_IF_ERROR(c->Next());
        }
        *count = n;
        return Status::OK();
      }
    }
  }

  const uint32_t total = t.record_count();
  const uint16_t len = t.record_length();
  const EvalSettings es = r.Eval();
  Status error;
  std::string buf;
  for (uint32_t first = 1; first <= total; first += kScanChunk) {
    uint32_t chunk = std::min(kScanChunk, total - first + 1);
    XB_RETURN_IF_ERROR(t.ReadRecords(first, chunk, &buf));
    for (uint32_t i = 0; i < chunk; ++i) {
      rec.data = buf.data() + static_cast<size_t>(i) * len;
      rec.recno = first + i;
      if (r.Passes(rec, es, &error)) {
        ++n;
      } else if (!error.ok()) {
        return Rep::ConditionFails(rec.recno, error);
      }
    }
  }
  *count = n;
  return Status::OK();
}

Status WorkArea::VisibleRecnos(std::vector<uint32_t>* out) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  out->clear();
  if (r.match_nothing) return Status::OK();
  Table& t = *r.table;
  const uint32_t total = t.record_count();
  const bool natural = r.CurrentOrder() == nullptr;
  // Which records pass; skipped when every record does.
  std::vector<bool> visible;
  const bool check = r.settings->deleted || r.query != nullptr;
  if (check || natural) {
    if (check) visible.assign(static_cast<size_t>(total) + 1, false);
    const uint16_t len = t.record_length();
    const EvalSettings es = r.Eval();
    Status error;
    std::string buf;
    RecordRef rec;
    rec.memo = &t;
    for (uint32_t first = 1; first <= total; first += kScanChunk) {
      uint32_t chunk = std::min(kScanChunk, total - first + 1);
      if (check) XB_RETURN_IF_ERROR(t.ReadRecords(first, chunk, &buf));
      for (uint32_t i = 0; i < chunk; ++i) {
        rec.data = check ? buf.data() + static_cast<size_t>(i) * len : nullptr;
        rec.recno = first + i;
        bool pass = true;
        if (check) {
          pass = r.Passes(rec, es, &error);
          if (!error.ok()) return Rep::ConditionFails(rec.recno, error);
          visible[rec.recno] = pass;
        }
        if (natural && pass) out->push_back(rec.recno);
      }
    }
    if (natural) return Status::OK();
  }
  const Order& o = *r.CurrentOrder();
  std::unique_ptr<IndexCursor> walk;
  XB_RETURN_IF_ERROR(o.file->NewCursor(o.tag, &walk));
  bool found = false;
  if (r.scoped && !r.scope_low.empty()) {
    XB_RETURN_IF_ERROR(walk->Seek(r.scope_low, true, &found));
  } else {
    XB_RETURN_IF_ERROR(walk->SeekFirst());
  }
  while (walk->Valid()) {
    std::string_view k = walk->key();
    if (r.PastScope(k)) break;
    uint32_t n = walk->recno();
    if (r.InScope(k) && n >= 1 && n <= total && (!check || visible[n])) out->push_back(n);
    XB_RETURN_IF_ERROR(walk->Next());
  }
  return Status::OK();
}

Status WorkArea::EvalLogical(std::string_view condition, bool* result) {
  Value v;
  XB_RETURN_IF_ERROR(Eval(condition, &v));
  if (v.type != ValueType::kLogical) {
    return Status::InvalidArgument("the condition is not a logical expression");
  }
  *result = v.logical;
  return Status::OK();
}

Status WorkArea::Eval(std::string_view expression, Value* result) {
  std::unique_ptr<Expression> e;
  XB_RETURN_IF_ERROR(Expression::Compile(expression, rep_->table->fields(), &e));
  return e->Evaluate(record(), rep_->Eval(), result);
}

// ---- orders -----------------------------------------------------------------

int WorkArea::order_count() const { return static_cast<int>(rep_->orders.size()); }

int WorkArea::TagArea(std::string_view name) const {
  for (size_t i = 0; i < rep_->orders.size(); ++i) {
    if (SameName(rep_->orders[i].name, name)) return static_cast<int>(i + 1);
  }
  return 0;
}

const TagInfo& WorkArea::OrderInfo(int order) const {
  const Order& o = rep_->orders[order - 1];
  return o.file->tag(o.tag);
}

Status WorkArea::SetOrder(int order, int* previous) {
  Rep& r = *rep_;
  if (order < 0 || order > order_count()) {
    return Status::InvalidArgument("there is no order " + std::to_string(order));
  }
  XB_RETURN_IF_ERROR(Commit());
  if (previous != nullptr) *previous = r.current;
  r.cursor.reset();
  r.cursor_synced = false;
  r.scoped = false;
  r.scope_low.clear();
  r.scope_high.clear();
  r.current = order;
  if (order > 0) XB_RETURN_IF_ERROR(r.orders[order - 1].file->NewCursor(r.orders[order - 1].tag, &r.cursor));
  return Status::OK();
}

int WorkArea::IndexOrd() const { return rep_->current; }

std::string WorkArea::IndexName(int order) const {
  if (order < 1 || order > order_count()) return std::string();
  return rep_->orders[order - 1].file->path();
}

Status WorkArea::CloseIndexes() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  r.cursor.reset();
  r.cursor_synced = false;
  r.orders.clear();
  r.current = 0;
  r.scoped = false;
  Status s;
  if (r.production) r.closed_production_path = r.production->path();
  if (r.production) s = r.production->Close();
  r.production.reset();
  for (auto& f : r.others) {
    Status c = f->Close();
    if (s.ok()) s = c;
  }
  r.others.clear();
  r.index_status = Status::OK();
  return s;
}

Status WorkArea::RebuildProductionIndex(
    const std::vector<TagSpec>& specs,
    const std::function<Status(const std::string& built)>& before_replace) {
  Rep& r = *rep_;
  Table& t = *r.table;
  // The index has no lock of its own: replacing it is safe only while
  // nobody else has the table open.
  if (!t.exclusive() || t.read_only()) {
    return Status::InUse(t.path() + " must be open exclusively for writing to rebuild its index");
  }
  const std::string path = ProductionIndexPath();
  const std::string side = DirName(path).empty()
                               ? BaseNameWithoutExtension(path) + ".new"
                               : DirName(path) + "/" + BaseNameWithoutExtension(path) + ".new";
  XB_RETURN_IF_ERROR(CloseIndexes());
  XB_RETURN_IF_ERROR(RemoveFile(side));  // left by a rebuild that died
  Status s = IndexTags(side, specs);
  Status closed = CloseIndexes();
  if (s.ok()) s = closed;
  if (s.ok()) {
    std::unique_ptr<File> built;
    s = OpenFile(side, FileMode::kReadWrite, &built);
    if (s.ok()) s = built->Sync();
  }
  if (s.ok() && before_replace) s = before_replace(side);
  if (s.ok()) s = RenameFile(side, path);
  if (s.ok()) s = t.SetIndexFlag(true);
  // The new tags were built from the table as it stands, unsynced changes
  // of this session included: those reach the disk before the mark goes.
  if (s.ok()) s = t.Sync();
  if (s.ok()) s = ClearIndexesStale(t.path());
  if (s.ok()) r.stale = Rep::Stale::kNone;
  // Best effort: the build's own failure is the one reported.
  if (!s.ok()) RemoveFile(side).IgnoreError();
  // The new index, or the old one untouched when the build failed.
  if (FileExists(path)) {
    IndexOpenOptions io;
    io.record_count = t.record_count();
    Status opened = IndexFile::Open(path, io, &r.production);
    if (opened.ok()) opened = r.RefreshOrders();
    if (!opened.ok()) {
      r.orders.clear();
      r.production.reset();
      r.index_status = opened.IsCorruption() ? opened : Status::Corruption(opened.message());
      if (s.ok()) s = opened;
    }
  }
  return s;
}

namespace {
Status CompileKey(const std::vector<FieldInfo>& fields, const std::string& key_expr,
                  const std::string& for_expr, std::unique_ptr<Expression>* key, uint16_t* length,
                  KeyType* type) {
  Status s = Expression::Compile(key_expr, fields, key);
  if (!s.ok()) return Status::InvalidArgument("key expression " + key_expr + ": " + s.message());
  *type = KeyTypeOf((*key)->type());
  switch (*type) {
    case KeyType::kCharacter: {
      int width = (*key)->result_width();
      if (width < 0) {
        // A key of varying length takes the length it has on a blank record.
        std::string blank(1, ' ');
        for (const FieldInfo& f : fields) blank.resize(std::max<size_t>(blank.size(), f.offset + f.width), ' ');
        RecordRef r;
        r.data = blank.data();
        std::string_view text;
        if ((*key)->EvaluateText(r, EvalSettings(), &text).ok()) width = static_cast<int>(text.size());
      }
      if (width < 1 || width > kMaxKeyLength) {
        return Status::InvalidArgument("key expression " + key_expr + " gives keys of " +
                                       std::to_string(width) + " characters; an index key holds 1 to " +
                                       std::to_string(kMaxKeyLength));
      }
      *length = static_cast<uint16_t>(width);
      break;
    }
    case KeyType::kNumeric:
    case KeyType::kDate: *length = 8; break;
    case KeyType::kInteger: *length = 4; break;  // not made here: FoxPro's
    case KeyType::kLogical: *length = 1; break;
  }
  if (!for_expr.empty()) {
    std::unique_ptr<Expression> cond;
    s = Expression::Compile(for_expr, fields, &cond);
    if (!s.ok()) return Status::InvalidArgument("FOR condition " + for_expr + ": " + s.message());
    if (cond->type() != ValueType::kLogical) {
      return Status::InvalidArgument("FOR condition " + for_expr + " is not a logical expression");
    }
  }
  return Status::OK();
}
}  // namespace

Status WorkArea::IndexTag(const std::string& file, const std::string& tag,
                          const std::string& key_expr, const std::string& for_expr, bool unique,
                          bool descending, int* order) {
  TagSpec spec{tag, key_expr, for_expr, unique, descending};
  XB_RETURN_IF_ERROR(IndexTags(file, {spec}));
  if (order != nullptr) *order = TagArea(tag);
  return Status::OK();
}

namespace {

// One tag being built: its keys are gathered and sorted off the main thread.
struct BuildJob {
  TagInfo def;
  std::unique_ptr<Expression> key;
  std::unique_ptr<Expression> condition;
  KeyBuffer keys;
  Status status;
  bool ready = false;
};

// `s` with another message, of the same kind (a read error stays
// Corruption or IOError, an expression failing at run time InvalidArgument).
Status Reworded(const Status& s, std::string msg) {
  switch (s.code()) {
    case Status::Code::kCorruption: return Status::Corruption(std::move(msg));
    case Status::Code::kIOError: return Status::IOError(std::move(msg));
    case Status::Code::kNotFound: return Status::NotFound(std::move(msg));
    default: return Status::InvalidArgument(std::move(msg));
  }
}

// A failure on one record of a tag being built, naming both.
Status TagRecordError(const Status& s, const std::string& tag, const char* what, uint32_t recno) {
  return Reworded(s, "tag " + tag + ": the " + what + " fails on record " + std::to_string(recno) +
                         ": " + s.message());
}

// Every record's key for `job`, sorted. Safe on a worker thread: it only
// reads the table (positioned reads, see Table) and uses the job's own
// expressions. A failure names the tag and the record.
Status GatherKeys(Table& table, const EvalSettings& es, BuildJob* job,
                  std::atomic<uint64_t>* scanned) {
  const uint32_t total = table.record_count();
  const uint16_t len = table.record_length();
  const TagInfo& def = job->def;
  job->keys.Reset(def.key_length);
  job->keys.Reserve(total);
  std::string buf, key;
  Value v;
  RecordRef rec;
  rec.memo = &table;
  for (uint32_t first = 1; first <= total; first += kScanChunk) {
    uint32_t chunk = std::min(kScanChunk, total - first + 1);
    Status s = table.ReadRecords(first, chunk, &buf);
    if (!s.ok()) return Reworded(s, "tag " + def.name + ": " + s.message());
    for (uint32_t i = 0; i < chunk; ++i) {
      rec.data = buf.data() + static_cast<size_t>(i) * len;
      rec.recno = first + i;
      if (job->condition) {
        Status error;
        const bool wanted = job->condition->EvaluateLogical(rec, es, &error);
        if (!error.ok()) return TagRecordError(error, def.name, "FOR condition", rec.recno);
        if (!wanted) continue;
      }
      s = EncodeKeyOf(*job->key, def, rec, es, &v, &key);
      if (!s.ok()) return TagRecordError(s, def.name, "key", rec.recno);
      job->keys.Add(key, rec.recno);
    }
    scanned->fetch_add(chunk, std::memory_order_relaxed);
  }
  job->keys.Presort();
  return Status::OK();
}

}  // namespace

Status WorkArea::IndexTags(const std::string& file, const std::vector<TagSpec>& specs) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  if (specs.empty()) return Status::OK();
  std::vector<BuildJob> jobs(specs.size());
  for (size_t i = 0; i < specs.size(); ++i) {
    const TagSpec& spec = specs[i];
    if (spec.tag.empty() || spec.tag.size() > 10) {
      return Status::InvalidArgument("a tag name has 1 to 10 characters: " + spec.tag);
    }
    TagInfo& def = jobs[i].def;
    def.name = Upper(spec.tag);
    def.key_expr = spec.key_expr;
    def.for_expr = spec.for_expr;
    def.unique = spec.unique;
    def.descending = spec.descending;
    XB_RETURN_IF_ERROR(CompileKey(r.table->fields(), spec.key_expr, spec.for_expr, &jobs[i].key,
                                  &def.key_length, &def.key_type));
    if (!spec.for_expr.empty()) {
      XB_RETURN_IF_ERROR(Expression::Compile(spec.for_expr, r.table->fields(), &jobs[i].condition));
    }
  }

  IndexFile* target = nullptr;
  if (file.empty()) {
    if (!r.production) {
      XB_RETURN_IF_ERROR(IndexFile::CreateCompound(ProductionIndexPath(), &r.production));
      r.index_status = Status::OK();
      XB_RETURN_IF_ERROR(r.table->SetIndexFlag(true));
    }
    target = r.production.get();
  } else {
    for (auto& f : r.others) {
      if (f->path() == file) target = f.get();
    }
    if (target == nullptr) {
      std::unique_ptr<IndexFile> f;
      if (FileExists(file)) {
        IndexOpenOptions io;
        io.record_count = r.table->record_count();
        XB_RETURN_IF_ERROR(IndexFile::Open(file, io, &f));
      } else {
        XB_RETURN_IF_ERROR(IndexFile::CreateCompound(file, &f));
      }
      if (f->kind() != IndexFile::Kind::kCompound) {
        return Status::InvalidArgument(file + " is a single-order index, not a compound one");
      }
      target = f.get();
      r.others.push_back(std::move(f));
    }
  }

  // Replacing a tag: drop the old one first.
  r.cursor.reset();
  r.cursor_synced = false;
  for (const BuildJob& job : jobs) {
    if (int existing = target->FindTag(job.def.name); existing > 0) {
      XB_RETURN_IF_ERROR(target->DropTag(existing));
    }
  }
  XB_RETURN_IF_ERROR(r.RefreshOrders());

  // Workers gather and sort; this thread writes the tags in order and
  // reports progress. At most kAhead tags' keys wait in memory.
  constexpr size_t kAhead = 2;
  const size_t n = jobs.size();
  const uint64_t work = static_cast<uint64_t>(n) * std::max<uint32_t>(1, r.table->record_count());
  const EvalSettings es = r.Eval();
  std::mutex mu;
  std::condition_variable cv;
  size_t next = 0, written = 0;
  bool stop = false;
  std::atomic<uint64_t> scanned{0};
  auto worker = [&] {
    for (;;) {
      size_t i;
      {
        std::unique_lock<std::mutex> lock(mu);
        cv.wait(lock, [&] { return stop || next >= n || next < written + kAhead + 1; });
        if (stop || next >= n) return;
        i = next++;
      }
      Status s = GatherKeys(*r.table, es, &jobs[i], &scanned);
      {
        std::lock_guard<std::mutex> lock(mu);
        jobs[i].status = s;
        jobs[i].ready = true;
        // The run ends at this tag: no worker starts a later one. Earlier
        // tags are all taken already and finish, so the writer reaches it.
        if (!s.ok()) stop = true;
      }
      cv.notify_all();
    }
  };
  std::vector<std::thread> workers;
  const size_t thread_count = std::min<size_t>(n, std::max(1u, std::thread::hardware_concurrency()));
  for (size_t t = 0; t < thread_count; ++t) workers.emplace_back(worker);

  Status result;
  for (size_t i = 0; i < n && result.ok(); ++i) {
    {
      std::unique_lock<std::mutex> lock(mu);
      while (!jobs[i].ready) {
        cv.wait_for(lock, std::chrono::milliseconds(100));
        if (r.progress) {
          uint64_t done = scanned.load(std::memory_order_relaxed);
          r.progress(static_cast<int>(90 * done / work + 10 * written / n));
        }
      }
    }
    result = jobs[i].status;
    if (result.ok()) {
      int in_file = 0;
      result = target->AddTag(jobs[i].def, &jobs[i].keys, nullptr, &in_file);
    }
    jobs[i].keys.Clear();
    {
      std::lock_guard<std::mutex> lock(mu);
      ++written;
      if (!result.ok()) stop = true;
    }
    cv.notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(mu);
    stop = true;
  }
  cv.notify_all();
  for (std::thread& t : workers) t.join();
  Status refreshed = r.RefreshOrders();
  XB_RETURN_IF_ERROR(result);
  XB_RETURN_IF_ERROR(refreshed);
  if (r.progress) r.progress(100);
  return Status::OK();
}

Status WorkArea::Index(const std::string& file, const std::string& key_expr, int option,
                       bool descending, const std::string& for_expr) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  TagInfo def;
  def.name = Upper(BaseNameWithoutExtension(file)).substr(0, 10);
  def.key_expr = key_expr;
  def.for_expr = for_expr;
  def.unique = option == kIndexOptionUnique;
  def.custom = option == kIndexOptionCustom;
  def.descending = descending;
  std::unique_ptr<Expression> key;
  XB_RETURN_IF_ERROR(CompileKey(r.table->fields(), key_expr, for_expr, &key, &def.key_length,
                                &def.key_type));
  // An index file of the same name that is open goes first.
  r.cursor.reset();
  r.cursor_synced = false;
  for (auto it = r.others.begin(); it != r.others.end(); ++it) {
    if ((*it)->path() == file) {
      Status closed = (*it)->Close();
      r.others.erase(it);
      XB_RETURN_IF_ERROR(closed);
      break;
    }
  }
  std::unique_ptr<IndexFile> f;
  XB_RETURN_IF_ERROR(IndexFile::CreateSingle(file, def, &f));
  f->set_record_count(r.table->record_count());
  IndexFile* raw = f.get();
  r.others.push_back(std::move(f));
  XB_RETURN_IF_ERROR(r.RefreshOrders());
  int order = 0;
  for (size_t i = 0; i < r.orders.size(); ++i) {
    if (r.orders[i].file == raw) order = static_cast<int>(i + 1);
  }
  if (!def.custom) {
    KeyBuffer keys;
    XB_RETURN_IF_ERROR(r.CollectKeys(r.orders[order - 1], &keys, 0, 50));
    BuildProgressFn build_progress;
    if (r.progress) build_progress = [&r](int p) { r.progress(50 + p / 2); };
    XB_RETURN_IF_ERROR(raw->RebuildTag(1, &keys, build_progress));
  }
  return SetOrder(order);
}

Status WorkArea::KeyAdd(std::string_view name) {
  Rep& r = *rep_;
  int order = TagArea(name);
  if (order == 0) return Status::NotFound("there is no order called " + std::string(name));
  XB_RETURN_IF_ERROR(Commit());
  XB_RETURN_IF_ERROR(NeedRecord(*this));
  Order& o = r.orders[order - 1];
  std::string key;
  bool included = false;
  XB_RETURN_IF_ERROR(r.ComputeKey(o, r.table->current(), &key, &included));
  if (!included) return Status::OK();
  r.cursor_synced = false;
  return o.file->InsertKey(o.tag, key, r.table->recno());
}

Status WorkArea::KeyAddMany(std::string_view name, const std::vector<uint32_t>& recnos) {
  Rep& r = *rep_;
  int order = TagArea(name);
  if (order == 0) return Status::NotFound("there is no order called " + std::string(name));
  XB_RETURN_IF_ERROR(Commit());
  std::vector<uint32_t> sorted(recnos);
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  const uint32_t total = r.table->record_count();
  if (!sorted.empty() && (sorted.front() < 1 || sorted.back() > total)) {
    return Status::InvalidArgument("no record " +
                                   std::to_string(sorted.front() < 1 ? sorted.front() : sorted.back()));
  }
  Order& o = r.orders[order - 1];
  const uint16_t key_length = o.file->tag(o.tag).key_length;
  KeyBuffer by_recno(key_length);
  by_recno.Reserve(sorted.size());
  // key_at[recno]: the entry of by_recno holding the record's key.
  constexpr uint32_t kNone = 0xFFFFFFFFu;
  std::vector<uint32_t> key_at(sorted.empty() ? 0 : static_cast<size_t>(sorted.back()) + 1, kNone);
  const uint16_t len = r.table->record_length();
  std::string buf, key;
  RecordRef rec;
  rec.memo = r.table.get();
  // Each read covers the wanted records within one chunk's reach: few
  // reads when they lie close, no wasted bytes when they lie far apart.
  for (size_t i = 0; i < sorted.size();) {
    const uint32_t first = sorted[i];
    size_t j = i;
    while (j + 1 < sorted.size() && sorted[j + 1] - first < kScanChunk) ++j;
    XB_RETURN_IF_ERROR(r.table->ReadRecords(first, sorted[j] - first + 1, &buf));
    for (; i <= j; ++i) {
      rec.data = buf.data() + static_cast<size_t>(sorted[i] - first) * len;
      rec.recno = sorted[i];
      bool included = false;
      XB_RETURN_IF_ERROR(r.ComputeKey(o, rec, &key, &included));
      if (!included) continue;
      key_at[rec.recno] = static_cast<uint32_t>(by_recno.size());
      by_recno.Add(key, rec.recno);
    }
  }
  // The entries go in in the order given, each record once: a unique
  // order keeps the first, and a list taken in the order's own key order
  // needs no sort.
  KeyBuffer keys(key_length);
  keys.Reserve(by_recno.size());
  for (uint32_t recno : recnos) {
    uint32_t& at = key_at[recno];
    if (at == kNone) continue;
    keys.Add(by_recno.key(at), recno);
    at = kNone;
  }
  by_recno.Clear();
  r.cursor_synced = false;
  return o.file->InsertKeys(o.tag, &keys);
}

Status WorkArea::Seek(std::string_view key, bool* found) {
  Rep& r = *rep_;
  *found = false;
  // A key that is not one of the order's kind moves nothing.
  Order* o = r.CurrentOrder();
  if (o == nullptr) return Status::InvalidArgument("a seek needs an index order");
  std::string k;
  bool prefix = false;
  XB_RETURN_IF_ERROR(r.KeyBytes(*o, key, r.settings->exact, &k, &prefix));
  return r.Settle(SeekSteps(k, prefix, found));
}

Status WorkArea::SeekSteps(const std::string& k, bool prefix, bool* found) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  r.found = false;
  r.bof = false;
  r.eof = false;
  bool landed = false;
  XB_RETURN_IF_ERROR(r.cursor->Seek(k, prefix, &landed));
  bool positioned = false;
  XB_RETURN_IF_ERROR(r.Scan(true, true, &positioned));
  if (positioned) {
    std::string_view at = r.cursor->key();
    bool match = prefix ? at.substr(0, k.size()) == k : at == k;
    if (match || r.settings->soft_seek) {
      r.found = match;
      *found = match;
      return Status::OK();
    }
  }
  r.SetEof();
  return Status::OK();
}

bool WorkArea::found() const { return rep_->found; }

Status WorkArea::SetScope(std::string_view low, std::string_view high) {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  r.scoped = false;
  r.scope_low.clear();
  r.scope_high.clear();
  if (!low.empty() || !high.empty()) {
    Order* o = r.CurrentOrder();
    if (o == nullptr) return Status::InvalidArgument("a scope needs an index order");
    bool prefix = false;
    if (!low.empty()) XB_RETURN_IF_ERROR(r.KeyBytes(*o, low, false, &r.scope_low, &prefix));
    if (!high.empty()) XB_RETURN_IF_ERROR(r.KeyBytes(*o, high, false, &r.scope_high, &prefix));
    r.scoped = true;
  }
  return GoTop();
}

Status WorkArea::CurrentKey(std::string* key) {
  Rep& r = *rep_;
  key->clear();
  XB_RETURN_IF_ERROR(Commit());
  Order* o = r.CurrentOrder();
  if (o == nullptr || r.eof) return Status::OK();
  if (!r.cursor_synced) {
    std::string k;
    bool included = false;
    XB_RETURN_IF_ERROR(r.ComputeKey(*o, r.table->current(), &k, &included));
    if (!included) return Status::OK();
    bool on = false;
    XB_RETURN_IF_ERROR(r.cursor->SeekEntry(k, r.table->recno(), &on));
    if (!on) return Status::OK();
    r.cursor_synced = true;
  }
  key->assign(r.cursor->key());
  return Status::OK();
}

Status WorkArea::Pack() {
  Rep& r = *rep_;
  XB_RETURN_IF_ERROR(Commit());
  r.cursor.reset();
  r.cursor_synced = false;
  ProgressFn table_progress;
  const bool indexed = !r.orders.empty();
  if (r.progress) {
    table_progress = indexed ? ProgressFn([&r](int p) { r.progress(p / 2); }) : r.progress;
  }
  // The tags are emptied and rebuilt without being written through: a
  // pack cut off anywhere from here leaves the marker for the next open.
  if (indexed && r.production) {
    XB_RETURN_IF_ERROR(MarkIndexesStale(r.table->path(), MarkerContents(*r.production)));
  }
  XB_RETURN_IF_ERROR(r.table->Pack(table_progress));
  r.SetRecordCounts();
  if (indexed) {
    std::vector<IndexFile*> files;
    if (r.production) files.push_back(r.production.get());
    for (auto& f : r.others) files.push_back(f.get());
    for (IndexFile* f : files) {
      if (f->kind() == IndexFile::Kind::kCompound) XB_RETURN_IF_ERROR(f->Zap());
    }
    const int n = static_cast<int>(r.orders.size());
    for (int i = 0; i < n; ++i) {
      Order& o = r.orders[i];
      KeyBuffer keys(o.file->tag(o.tag).key_length);
      // A custom order starts again empty: its records were chosen by hand.
      if (!o.file->tag(o.tag).custom) {
        XB_RETURN_IF_ERROR(r.CollectKeys(o, &keys, 50 + 50 * i / n, 50 + 50 * i / n + 25 / n));
      }
      XB_RETURN_IF_ERROR(o.file->RebuildTag(o.tag, &keys, nullptr));
    }
    for (IndexFile* f : files) XB_RETURN_IF_ERROR(f->Sync());
    XB_RETURN_IF_ERROR(ClearIndexesStale(r.table->path()));
    r.stale = Rep::Stale::kNone;
    if (r.current > 0) {
      XB_RETURN_IF_ERROR(r.orders[r.current - 1].file->NewCursor(r.orders[r.current - 1].tag, &r.cursor));
    }
  }
  if (r.progress) r.progress(100);
  return GoTop();
}

void WorkArea::SetProgress(ProgressFn progress) { rep_->progress = std::move(progress); }
void WorkArea::SetTurboRead(bool on) { rep_->turbo_read = on; }

}  // namespace xb
