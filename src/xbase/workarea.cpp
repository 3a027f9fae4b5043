// Work area navigation in natural order with a query and the deleted setting.
#include "xbase/workarea.h"

#include <algorithm>

namespace xb {

namespace {
// Records read per chunk when counting; about 1 MB for contact files.
constexpr uint32_t kScanChunk = 2048;
}  // namespace

struct WorkArea::Rep {
  std::unique_ptr<Table> table;
  const Settings* settings = nullptr;
  std::string filter;
  std::unique_ptr<Expression> query;
  bool match_nothing = false;  // the query did not compile
  bool eof = false;
  bool bof = false;
  std::string phantom;  // the blank record xBase stands on at eof

  RecordRef Phantom() {
    RecordRef r;
    r.data = phantom.data();
    r.recno = table->record_count() + 1;
    r.memo = table.get();
    return r;
  }
};

WorkArea::WorkArea() : rep_(std::make_unique<Rep>()) {}
WorkArea::~WorkArea() = default;

Status WorkArea::Open(const std::string& path, const OpenOptions& options,
                      const Settings* settings, std::unique_ptr<WorkArea>* out) {
  std::unique_ptr<Table> table;
  XB_RETURN_IF_ERROR(Table::Open(path, options, &table));
  std::unique_ptr<WorkArea> area(new WorkArea());
  area->rep_->table = std::move(table);
  area->rep_->settings = settings;
  area->rep_->phantom.assign(area->rep_->table->record_length(), ' ');
  XB_RETURN_IF_ERROR(area->GoTop());
  *out = std::move(area);
  return Status::OK();
}

Table& WorkArea::table() { return *rep_->table; }
const Settings& WorkArea::settings() const { return *rep_->settings; }

bool WorkArea::IsVisible(const RecordRef& record) const {
  if (record.data == nullptr) return false;
  if (rep_->match_nothing) return false;
  if (rep_->settings->deleted && record.deleted()) return false;
  if (rep_->query) {
    EvalSettings es;
    es.exact = rep_->settings->exact;
    return rep_->query->EvaluateLogical(record, es);
  }
  return true;
}

Status WorkArea::GoTop() {
  rep_->bof = false;
  Table& t = *rep_->table;
  for (uint32_t n = 1; n <= t.record_count(); ++n) {
    XB_RETURN_IF_ERROR(t.Go(n));
    if (IsVisible(t.current())) {
      rep_->eof = false;
      return Status::OK();
    }
  }
  rep_->eof = true;
  rep_->bof = true;
  t.Go(0);
  return Status::OK();
}

Status WorkArea::GoBottom() {
  rep_->bof = false;
  Table& t = *rep_->table;
  for (uint32_t n = t.record_count(); n >= 1; --n) {
    XB_RETURN_IF_ERROR(t.Go(n));
    if (IsVisible(t.current())) {
      rep_->eof = false;
      return Status::OK();
    }
  }
  rep_->eof = true;
  rep_->bof = true;
  t.Go(0);
  return Status::OK();
}

Status WorkArea::Skip(int64_t n) {
  Table& t = *rep_->table;
  const uint32_t count = t.record_count();
  if (n == 0) return Status::OK();
  if (n > 0) {
    rep_->bof = false;
    if (rep_->eof) return Status::OK();
    uint32_t at = t.recno();
    while (n > 0) {
      uint32_t next = at + 1;
      bool found = false;
      for (; next <= count; ++next) {
        XB_RETURN_IF_ERROR(t.Go(next));
        if (IsVisible(t.current())) {
          found = true;
          break;
        }
      }
      if (!found) {
        rep_->eof = true;
        t.Go(0);
        return Status::OK();
      }
      at = next;
      --n;
    }
    return Status::OK();
  }
  // Backwards. From eof the walk starts after the last record.
  rep_->eof = false;
  uint32_t at = t.recno() == 0 ? count + 1 : t.recno();
  while (n < 0) {
    uint32_t prev = at;
    bool found = false;
    while (prev > 1) {
      --prev;
      XB_RETURN_IF_ERROR(t.Go(prev));
      if (IsVisible(t.current())) {
        found = true;
        break;
      }
    }
    if (!found) {
      // xBase stands on the first visible record with bof set.
      XB_RETURN_IF_ERROR(GoTop());
      rep_->bof = true;
      return Status::OK();
    }
    at = prev;
    ++n;
  }
  return Status::OK();
}

Status WorkArea::Go(uint32_t recno) {
  rep_->bof = false;
  Table& t = *rep_->table;
  if (recno >= 1 && recno <= t.record_count()) {
    rep_->eof = false;
    return t.Go(recno);
  }
  rep_->eof = true;
  t.Go(0);
  return Status::OK();
}

bool WorkArea::eof() const { return rep_->eof; }
bool WorkArea::bof() const { return rep_->bof; }

uint32_t WorkArea::recno() const {
  return rep_->eof ? rep_->table->record_count() + 1 : rep_->table->recno();
}

RecordRef WorkArea::record() {
  if (rep_->eof) {
    rep_->phantom.assign(rep_->table->record_length(), ' ');
    return rep_->Phantom();
  }
  return rep_->table->current();
}

Status WorkArea::Query(std::string_view condition) {
  rep_->filter.assign(condition);
  rep_->query.reset();
  rep_->match_nothing = false;
  Status compiled;
  bool blank = std::all_of(condition.begin(), condition.end(), [](char c) { return c == ' '; });
  if (!blank) {
    compiled = Expression::Compile(condition, rep_->table->fields(), &rep_->query);
    if (compiled.ok() && rep_->query->type() != ValueType::kLogical) {
      compiled = Status::InvalidArgument("the condition is not a logical expression");
    }
    if (!compiled.ok()) {
      rep_->query.reset();
      rep_->match_nothing = true;
    }
  }
  XB_RETURN_IF_ERROR(GoTop());
  return compiled;
}

const std::string& WorkArea::filter() const { return rep_->filter; }

Status WorkArea::QueryRecCount(uint32_t* count) {
  *count = 0;
  if (rep_->match_nothing) return Status::OK();
  Table& t = *rep_->table;
  const uint32_t total = t.record_count();
  const uint16_t len = t.record_length();
  std::string buf;
  RecordRef r;
  r.memo = &t;
  uint32_t n = 0;
  for (uint32_t first = 1; first <= total; first += kScanChunk) {
    uint32_t chunk = std::min(kScanChunk, total - first + 1);
    XB_RETURN_IF_ERROR(t.ReadRecords(first, chunk, &buf));
    for (uint32_t i = 0; i < chunk; ++i) {
      r.data = buf.data() + static_cast<size_t>(i) * len;
      r.recno = first + i;
      if (IsVisible(r)) ++n;
    }
  }
  *count = n;
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
  EvalSettings es;
  es.exact = rep_->settings->exact;
  return e->Evaluate(record(), es, result);
}

}  // namespace xb
