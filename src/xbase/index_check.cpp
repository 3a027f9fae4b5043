// The full index check: every page of every tag, then every record's key
// looked up, so a tag that would hide or misplace a record is named.
#include "xbase/index_check.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <unordered_set>

#include "key_of.h"
#include "xbase/expr.h"
#include "xbase/index.h"

namespace xb {

KeyType KeyTypeOf(ValueType t) {
  switch (t) {
    case ValueType::kNumeric: return KeyType::kNumeric;
    case ValueType::kDate:
    case ValueType::kDateTime: return KeyType::kDate;
    case ValueType::kLogical: return KeyType::kLogical;
    default: return KeyType::kCharacter;
  }
}

KeyType KeyTypeOf(ValueType t, uint16_t stored_length) {
  const KeyType type = KeyTypeOf(t);
  return type == KeyType::kNumeric && stored_length == 4 ? KeyType::kInteger : type;
}

int FixedKeyLength(KeyType type) {
  switch (type) {
    case KeyType::kNumeric:
    case KeyType::kDate: return 8;
    case KeyType::kInteger: return 4;
    case KeyType::kLogical: return 1;
    case KeyType::kCharacter: break;
  }
  return -1;
}

Status EncodeKeyOf(const Expression& key_expr, const TagInfo& info, const RecordRef& r,
                   const EvalSettings& es, Value* scratch, std::string* out) {
  if (info.key_type == KeyType::kCharacter) {
    std::string_view text;
    XB_RETURN_IF_ERROR(key_expr.EvaluateText(r, es, &text));
    out->assign(text.substr(0, info.key_length));
    out->resize(info.key_length, ' ');
    return Status::OK();
  }
  XB_RETURN_IF_ERROR(key_expr.Evaluate(r, es, scratch));
  switch (info.key_type) {
    case KeyType::kNumeric: *out = EncodeNumericKey(scratch->number); break;
    case KeyType::kInteger: *out = EncodeIntegerKey(scratch->number); break;
    case KeyType::kDate: *out = EncodeDateKey(scratch->date); break;
    default: *out = EncodeLogicalKey(scratch->logical); break;
  }
  return Status::OK();
}

namespace {

constexpr uint32_t kChunk = 2048;  // records read at a time
constexpr int kMaxKeyLength = 240;

// The part of a damage message after "is damaged: ", which already names
// the tag and the file.
std::string Reason(const Status& s) {
  const std::string& m = s.message();
  const std::string marker = "is damaged: ";
  const size_t at = m.find(marker);
  return at == std::string::npos ? m : m.substr(at + marker.size());
}

std::string NoEntry(uint32_t recno) { return "record " + std::to_string(recno) + " has no entry"; }

// The message for the first place where the tag's walk and the entries it
// should hold part: whichever comes first in the file's order is the one
// missing.
std::string Mismatch(std::string_view key, uint32_t recno, std::string_view want,
                     uint32_t want_recno) {
  const int c = key.compare(want);
  const bool table_first = c > 0 || (c == 0 && want_recno < recno);
  return table_first ? NoEntry(want_recno)
                     : "the entry for record " + std::to_string(recno) + " does not match the record";
}

// The checks walk every tag in the file's order, which a descending tag's
// cursor gives backwards.
Status FileFirst(IndexCursor& c, const TagInfo& info) {
  return info.descending ? c.SeekLast() : c.SeekFirst();
}
Status FileNext(IndexCursor& c, const TagInfo& info) {
  return info.descending ? c.Prev() : c.Next();
}

void CheckCount(uint64_t expected, TagCheck* out) {
  if (expected != out->entries) {
    out->problem = std::to_string(out->entries) + " entries where the table gives " +
                   std::to_string(expected);
    return;
  }
  out->ok = true;
}

// The tag's entries against the keys computed from every record.
Status CheckAgainstTable(Table& table, IndexFile& file, int order, const Expression& key,
                         const Expression* condition, TagCheck* out) {
  const TagInfo& info = file.tag(order);
  std::unique_ptr<IndexCursor> cursor;
  XB_RETURN_IF_ERROR(file.NewCursor(order, &cursor));
  const uint32_t total = table.record_count();
  const uint16_t len = table.record_length();
  const EvalSettings es;
  std::unordered_set<std::string> distinct;  // unique tags only
  KeyBuffer wanted(info.key_length);          // the others' entries as the table gives them
  if (!info.unique) wanted.Reserve(total);
  uint64_t expected = 0;
  std::string buf, k;
  Value scratch;
  RecordRef rec;
  rec.memo = &table;
  Status s;
  for (uint32_t first = 1; first <= total; first += kChunk) {
    const uint32_t chunk = std::min(kChunk, total - first + 1);
    XB_RETURN_IF_ERROR(table.ReadRecords(first, chunk, &buf));
    for (uint32_t i = 0; i < chunk; ++i) {
      rec.data = buf.data() + static_cast<size_t>(i) * len;
      rec.recno = first + i;
      if (condition) {
        Status error;
        const bool in = condition->EvaluateLogical(rec, es, &error);
        XB_RETURN_IF_ERROR(error);
        if (!in) continue;
      }
      XB_RETURN_IF_ERROR(EncodeKeyOf(key, info, rec, es, &scratch, &k));
      if (!info.unique) {
        ++expected;
        wanted.Add(k, rec.recno);
        continue;
      }
      // Which record of equal keys a unique tag keeps depends on its
      // history, so each distinct key is looked up.
      if (!distinct.insert(k).second) continue;
      ++expected;
      bool found = false;
      s = cursor->Seek(k, false, &found);
      if (s.IsCorruption()) {
        out->problem = Reason(s);
        return Status::OK();
      }
      XB_RETURN_IF_ERROR(s);
      if (!found) {
        out->problem = NoEntry(rec.recno);
        return Status::OK();
      }
    }
  }
  if (!info.unique) {
    // The pages check above holds every page inside its parent's bounds, so
    // an entry met in the walk is one a seek finds: walking the tag beside
    // the table's entries sorted the same way finds every key at the cost
    // of one sort instead of a descent per record.
    const std::vector<uint32_t> sorted = wanted.SortedOrder();
    s = FileFirst(*cursor, info);
    size_t i = 0;
    for (; s.ok() && i < sorted.size() && cursor->Valid(); ++i) {
      const std::string_view want = wanted.key(sorted[i]);
      const uint32_t want_recno = wanted.recno(sorted[i]);
      if (cursor->key() == want && cursor->recno() == want_recno) {
        s = FileNext(*cursor, info);
        continue;
      }
      out->problem = Mismatch(cursor->key(), cursor->recno(), want, want_recno);
      return Status::OK();
    }
    if (s.IsCorruption()) {
      out->problem = Reason(s);
      return Status::OK();
    }
    XB_RETURN_IF_ERROR(s);
    if (i < sorted.size()) {
      out->problem = NoEntry(wanted.recno(sorted[i]));
      return Status::OK();
    }
  }
  CheckCount(expected, out);
  return Status::OK();
}

// The tag of `reference` built by the same rules as `info`, 0 if none.
int SameTagIn(const IndexFile& reference, const TagInfo& info) {
  for (int o = 1; o <= reference.tag_count(); ++o) {
    const TagInfo& r = reference.tag(o);
    if (!r.custom && r.key_expr == info.key_expr && r.for_expr == info.for_expr &&
        r.unique == info.unique && r.descending == info.descending &&
        r.key_length == info.key_length) {
      return o;
    }
  }
  return 0;
}

// The tag's pages checked, and its entries against those of `twin`, a tag
// of the same rules just built from the table: it holds exactly the entries
// CheckAgainstTable computes, in the same order (a unique tag keeping each
// key's lowest record), so one walk of both gives the same verdict without a
// key evaluated or sorted. The entries are compared as the page check passes
// its leaves, so no page is read twice; damage anywhere in the pages still
// outranks a difference in the entries. An error reading the twin is
// returned as such.
Status CheckBesideTwin(IndexFile& file, int order, IndexFile& reference, int twin,
                       TagCheck* out) {
  const TagInfo& info = file.tag(order);
  const size_t kl = info.key_length;
  std::unique_ptr<IndexCursor> model;
  XB_RETURN_IF_ERROR(reference.NewCursor(twin, &model));
  Status read = FileFirst(*model, info);
  if (!read.ok()) return read;
  uint64_t expected = 0;
  std::string mismatch;
  bool comparing = true;
  // Unique tags: the lowest record whose key has no entry, the one a look-up
  // of each record's key in record order would stop at. Entries with no
  // twin are extra ones, which the count tells.
  uint32_t missing = 0;
  auto miss = [&](uint32_t recno) {
    if (missing == 0 || recno < missing) missing = recno;
  };
  auto visit = [&](std::string_view keys, const uint32_t* recnos, size_t n) {
    for (size_t i = 0; comparing && i < n; ++i) {
      const std::string_view key = keys.substr(i * kl, kl);
      if (info.unique) {
        while (read.ok() && model->Valid() && model->key() < key) {
          miss(model->recno());
          ++expected;
          read = FileNext(*model, info);
        }
        if (read.ok() && model->Valid() && model->key() == key) {
          ++expected;
          read = FileNext(*model, info);
        }
      } else if (!model->Valid()) {
        comparing = false;  // extra entries: the count tells
      } else if (model->key() != key || model->recno() != recnos[i]) {
        mismatch = Mismatch(key, recnos[i], model->key(), model->recno());
        comparing = false;
      } else {
        ++expected;
        read = FileNext(*model, info);
      }
      if (!read.ok()) return false;
    }
    return true;
  };
  Status s = file.CheckTag(order, &out->entries, visit);
  XB_RETURN_IF_ERROR(read);
  if (s.IsCorruption()) {
    out->problem = Reason(s);
    return Status::OK();
  }
  XB_RETURN_IF_ERROR(s);
  if (!mismatch.empty()) {
    out->problem = mismatch;
    return Status::OK();
  }
  while (model->Valid()) {
    ++expected;
    if (!info.unique) {
      out->problem = NoEntry(model->recno());
      return Status::OK();
    }
    miss(model->recno());
    XB_RETURN_IF_ERROR(FileNext(*model, info));
  }
  if (missing != 0) {
    out->problem = NoEntry(missing);
    return Status::OK();
  }
  CheckCount(expected, out);
  return Status::OK();
}

// Fills out->problem when the tag is damaged; returns an error only when
// reading fails. `reference` (may be null) is an index just built from the
// table, whose tags stand in for the keys computed from the records.
Status CheckOneTag(Table& table, IndexFile& file, IndexFile* reference, int order,
                   TagCheck* out) {
  const TagInfo& info = file.tag(order);
  std::unique_ptr<Expression> key, condition;
  if (!Expression::Compile(info.key_expr, table.fields(), &key).ok()) {
    out->problem = "its key expression " + info.key_expr + " does not fit the table";
    return Status::OK();
  }
  if (!info.for_expr.empty() &&
      (!Expression::Compile(info.for_expr, table.fields(), &condition).ok() ||
       condition->type() != ValueType::kLogical)) {
    out->problem = "its FOR condition " + info.for_expr + " does not fit the table";
    return Status::OK();
  }
  const KeyType type = KeyTypeOf(key->type(), info.key_length);
  int want = key->result_width();
  if (FixedKeyLength(type) > 0) want = FixedKeyLength(type);
  if (want >= 0 && std::min(want, kMaxKeyLength) != info.key_length) {
    out->problem = "keys of " + std::to_string(info.key_length) + " bytes, but " + info.key_expr +
                   " gives " + std::to_string(want);
    return Status::OK();
  }
  XB_RETURN_IF_ERROR(file.SetKeyType(order, type));
  if (reference != nullptr && !info.custom) {
    if (const int twin = SameTagIn(*reference, info); twin > 0) {
      XB_RETURN_IF_ERROR(reference->SetKeyType(twin, type));
      return CheckBesideTwin(file, order, *reference, twin, out);
    }
  }
  Status s = file.CheckTag(order, &out->entries);
  if (s.IsCorruption()) {
    out->problem = Reason(s);
    return Status::OK();
  }
  XB_RETURN_IF_ERROR(s);
  if (info.custom) {
    out->ok = true;
    return Status::OK();
  }
  return CheckAgainstTable(table, file, order, *key, condition.get(), out);
}

}  // namespace

Status CheckIndex(Table& table, const std::string& index_path, std::vector<TagCheck>* tags) {
  return CheckIndexBeside(table, index_path, std::string(), tags);
}

Status CheckIndexBeside(Table& table, const std::string& index_path, const std::string& reference,
                        std::vector<TagCheck>* tags) {
  tags->clear();
  IndexOpenOptions io;
  io.read_only = true;
  io.record_count = table.record_count();
  io.check_tags = false;
  // The tags are checked two at a time, each thread on its own handles of
  // the indexes (a handle's caches are not shared); the table serves both
  // with positioned reads.
  struct Handles {
    std::unique_ptr<IndexFile> file, reference;
  };
  auto open = [&](Handles* h) {
    XB_RETURN_IF_ERROR(IndexFile::Open(index_path, io, &h->file));
    return reference.empty() ? Status::OK() : IndexFile::Open(reference, io, &h->reference);
  };
  std::vector<Handles> handles(1);
  XB_RETURN_IF_ERROR(open(&handles[0]));
  const int n = handles[0].file->tag_count();
  const int threads = std::min(n, std::thread::hardware_concurrency() > 1 ? 2 : 1);
  while (static_cast<int>(handles.size()) < threads) {
    handles.emplace_back();
    XB_RETURN_IF_ERROR(open(&handles.back()));
  }
  tags->resize(n);
  for (int order = 1; order <= n; ++order) (*tags)[order - 1].name = handles[0].file->tag(order).name;
  std::vector<Status> errors(handles.size());
  auto check = [&](size_t w) {
    Handles& h = handles[w];
    for (int order = 1 + static_cast<int>(w); order <= n; order += threads) {
      errors[w] = CheckOneTag(table, *h.file, h.reference.get(), order, &(*tags)[order - 1]);
      if (!errors[w].ok()) return;
      // Each page belongs to one tag: the next tag needs none of these.
      h.file->ReleaseCleanPages();
      if (h.reference) h.reference->ReleaseCleanPages();
    }
  };
  std::vector<std::thread> workers;
  for (size_t w = 1; w < handles.size(); ++w) workers.emplace_back(check, w);
  check(0);
  for (std::thread& t : workers) t.join();
  for (const Status& e : errors) {
    if (!e.ok()) {
      tags->clear();
      return e;
    }
  }
  return Status::OK();
}

}  // namespace xb
