#include "store/apollo.h"

#include <QFileInfo>

#include "store/codepage.h"
#include "store/messages.h"
#include "store/table_object.h"

namespace qv {

namespace {
std::string Bytes(const QString& text) {
  std::string out;
  if (!EncodeAnsi(text, &out)) return std::string();
  return out;
}
}  // namespace

// ---- TApollo ----------------------------------------------------------------

xb::WorkArea* TApollo::Area() const { return m_table != nullptr ? m_table->area() : nullptr; }

bool TApollo::Check(const xb::Status& status) {
  m_lastError = status.ok() ? QString() : QString::fromStdString(status.message());
  m_lastStatus = status;
  return status.ok();
}

QString TApollo::LastFailureMessage() const { return FailureMessage(m_lastStatus); }

bool TApollo::CheckFile(const xb::Status& status) {
  if (m_table != nullptr && !status.IsInvalidArgument()) m_table->noteFailure(status);
  return Check(status);
}

bool TApollo::CheckMove(const xb::Status& status) {
  if (m_table != nullptr) m_table->noteFailure(status);
  return Check(status);
}

void TApollo::Resync() {
  if (m_table != nullptr) m_table->resync();
}

QString TApollo::Filter() const { return DBFilter(); }

bool TApollo::CreateNew(const QString& fileName, int tableType, int fieldRoom) {
  m_createFields.clear();
  m_createStarted = false;
  if (tableType != kTableTypeDbfCdx || fieldRoom < 1 || fileName.isEmpty()) {
    return Check(xb::Status::InvalidArgument("only DBF tables with a CDX index can be created"));
  }
  m_createFile = fileName;
  m_createStarted = true;
  return Check(xb::Status::OK());
}

bool TApollo::CreateField(const QString& name, const QString& type, int decimals, int width) {
  if (!m_createStarted || type.size() != 1 || width < 0 || width > 254 || decimals < 0 ||
      decimals > 15) {
    return Check(xb::Status::InvalidArgument("bad field definition " + name.toStdString()));
  }
  xb::FieldDef f;
  f.name = name.toUpper().toStdString();
  f.type = type.at(0).toUpper().toLatin1();
  f.width = static_cast<uint16_t>(width);
  f.decimals = static_cast<uint8_t>(decimals);
  m_createFields.push_back(f);
  return Check(xb::Status::OK());
}

bool TApollo::CreateExec() {
  if (!m_createStarted) return Check(xb::Status::InvalidArgument("no table definition started"));
  m_createStarted = false;
  xb::Status s = xb::Table::Create(m_createFile.toStdString(), m_createFields);
  m_createFields.clear();
  return Check(s);
}

int TApollo::IndexTag(const QString& indexFile, const QString& tag, const QString& keyExpr,
                      int option, bool descending, const QString& condition) {
  xb::WorkArea* a = Area();
  if (a == nullptr) {
    Check(xb::Status::InvalidArgument("no table is open"));
    return 0;
  }
  int order = 0;
  bool ok = Check(a->IndexTag(indexFile.toStdString(), tag.toStdString(), Bytes(keyExpr),
                              Bytes(condition), option == xb::kIndexOptionUnique, descending,
                              &order));
  Resync();
  return ok ? order : 0;
}

int TApollo::Index(const QString& fileName, const QString& keyExpr, int option, bool descending,
                   const QString& condition) {
  xb::WorkArea* a = Area();
  if (a == nullptr) return 0;
  bool ok = Check(a->Index(fileName.toStdString(), Bytes(keyExpr), option, descending,
                           Bytes(condition)));
  Resync();
  return ok ? a->IndexOrd() : 0;
}

bool TApollo::KeyAdd(const QString& orderName) {
  xb::WorkArea* a = Area();
  return a != nullptr && Check(a->KeyAdd(orderName.toStdString()));
}

int TApollo::TagArea(const QString& tag) const {
  xb::WorkArea* a = Area();
  return a == nullptr ? 0 : a->TagArea(tag.toStdString());
}

int TApollo::SetOrder(int order) {
  xb::WorkArea* a = Area();
  if (a == nullptr) return 0;
  int previous = 0;
  Check(a->SetOrder(order, &previous));
  Resync();
  return previous;
}

int TApollo::IndexOrd() const {
  xb::WorkArea* a = Area();
  return a == nullptr ? 0 : a->IndexOrd();
}

QString TApollo::IndexName(int order) const {
  xb::WorkArea* a = Area();
  return a == nullptr ? QString() : QString::fromStdString(a->IndexName(order));
}

bool TApollo::CloseIndexes() {
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  const bool ok = Check(a->CloseIndexes());
  Resync();
  return ok;
}

bool TApollo::Seek(const QString& key) {
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  std::string bytes;
  bool found = false;
  // A key the file's code page cannot hold matches nothing.
  if (EncodeAnsi(key, &bytes)) {
    CheckFile(a->Seek(bytes, &found));
  } else {
    Check(a->Seek(std::string(1, '\xFF'), &found));
    found = false;
  }
  Resync();
  return found;
}

bool TApollo::Found() const {
  xb::WorkArea* a = Area();
  return a != nullptr && a->found();
}

bool TApollo::SetScope(const QString& low, const QString& high) {
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  bool ok = CheckFile(a->SetScope(Bytes(low), Bytes(high)));
  Resync();
  return ok;
}

bool TApollo::Query(const QString& condition) {
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  std::string bytes;
  xb::Status s;
  if (EncodeAnsi(condition, &bytes)) {
    s = a->Query(bytes);
  } else {
    // A condition naming a character the file cannot hold matches nothing.
    s = a->Query(".F.");
  }
  Resync();
  return CheckFile(s);
}

bool TApollo::QueryRecCount(int* count) {
  *count = 0;
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  uint32_t n = 0;
  if (!CheckFile(a->QueryRecCount(&n))) return false;
  *count = static_cast<int>(n);
  return true;
}

bool TApollo::EvalLogical(const QString& condition) {
  xb::WorkArea* a = Area();
  bool result = false;
  return a != nullptr && Check(a->EvalLogical(Bytes(condition), &result)) && result;
}

QString TApollo::DBFilter() const {
  xb::WorkArea* a = Area();
  return a == nullptr ? QString() : DecodeAnsi(a->filter());
}

int TApollo::RecCount() const {
  xb::WorkArea* a = Area();
  return a == nullptr ? 0 : static_cast<int>(a->table().record_count());
}

int TApollo::RecNo() const {
  if (m_table != nullptr) return m_table->recNo();
  return 0;
}

bool TApollo::Move(const std::function<xb::Status(xb::WorkArea&)>& step) {
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  const bool ok = CheckMove(step(*a));
  Resync();
  return ok;
}

bool TApollo::Go(int recno) {
  const uint32_t n = recno < 0 ? 0 : static_cast<uint32_t>(recno);
  return Move([n](xb::WorkArea& a) { return a.Go(n); });
}

bool TApollo::GoTop() {
  return Move([](xb::WorkArea& a) { return a.GoTop(); });
}

bool TApollo::GoBottom() {
  return Move([](xb::WorkArea& a) { return a.GoBottom(); });
}

bool TApollo::Skip(int count) {
  return Move([count](xb::WorkArea& a) { return a.Skip(count); });
}

bool TApollo::Eof() const {
  xb::WorkArea* a = Area();
  return a == nullptr || a->eof();
}

bool TApollo::Deleted() const {
  xb::WorkArea* a = Area();
  return a != nullptr && !a->eof() && a->record().deleted();
}

QString TApollo::GetMemo(const QString& field) {
  xb::WorkArea* a = Area();
  if (a == nullptr || a->eof()) return QString();
  int i = a->table().FieldIndex(field.toStdString());
  if (i < 0) return QString();
  std::string text;
  if (!CheckFile(a->table().GetMemo(i, &text))) return QString();
  return DecodeAnsi(text);
}

bool TApollo::Replace(const QString& field, const QString& type, const QString& value) {
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  int i = a->table().FieldIndex(field.toStdString());
  if (i < 0) return Check(xb::Status::NotFound("no field " + field.toStdString()));
  std::string bytes;
  if (!EncodeAnsi(value, &bytes)) {
    return Check(xb::Status::InvalidArgument("the value holds a character this file cannot store"));
  }
  const char t = type.isEmpty() ? a->table().fields()[i].type : type.at(0).toUpper().toLatin1();
  xb::Status s = t == 'M' ? a->SetMemo(i, bytes) : a->SetField(i, bytes);
  if (s.ok()) s = a->Commit();
  Resync();
  return Check(s);
}

bool TApollo::Save() {
  if (m_table == nullptr) return false;
  if (m_table->state() == TableObject::State::Browse) return true;
  return m_table->post();
}

int TApollo::FieldCount() const { return m_table != nullptr ? m_table->fieldCount() : 0; }

QString TApollo::FieldName(int field) const {
  return m_table != nullptr ? m_table->fieldName(field - 1) : QString();
}

QString TApollo::FieldType(int field) const {
  xb::WorkArea* a = Area();
  if (a == nullptr || field < 1 || field > FieldCount()) return QString();
  return QString(QLatin1Char(a->table().fields()[field - 1].type));
}

int TApollo::FieldWidth(int field) const {
  xb::WorkArea* a = Area();
  if (a == nullptr || field < 1 || field > FieldCount()) return 0;
  return a->table().fields()[field - 1].width;
}

int TApollo::FieldDecimals(int field) const {
  xb::WorkArea* a = Area();
  if (a == nullptr || field < 1 || field > FieldCount()) return 0;
  return a->table().fields()[field - 1].decimals;
}

bool TApollo::Pack() {
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  bool ok = Check(a->Pack());
  Resync();
  return ok;
}

bool TApollo::CopyStructure(const QString& fileName) {
  xb::WorkArea* a = Area();
  return a != nullptr && Check(a->table().CopyStructure(fileName.toStdString()));
}

bool TApollo::CopyFile(const QString& fileName) {
  xb::WorkArea* a = Area();
  if (a == nullptr) return false;
  if (!CopyStructure(fileName)) return false;
  std::unique_ptr<xb::Table> out;
  xb::Status s = xb::Table::Open(fileName.toStdString(), xb::OpenOptions(), &out);
  // A new file: its records may reach the disk in batches, not a sync each.
  if (s.ok()) s = out->SetAppendBatching(true);
  const uint32_t keep = a->recno();
  uint32_t total = 0;
  if (s.ok()) s = a->QueryRecCount(&total);
  uint32_t done = 0;
  const auto& fields = a->table().fields();
  std::string memo;
  if (s.ok()) s = a->GoTop();
  while (s.ok() && !a->eof()) {
    xb::RecordRef r = a->record();
    s = out->Append();
    for (size_t i = 0; s.ok() && i < fields.size(); ++i) {
      const xb::FieldInfo& f = fields[i];
      if (f.type == 'M' || f.type == 'G' || f.type == 'B') {
        s = a->table().ReadMemo(r.field(f), &memo);
        if (s.ok()) s = out->SetMemo(static_cast<int>(i), memo);
      } else {
        s = out->SetFieldBytes(static_cast<int>(i), r.field(f));
      }
    }
    if (s.ok() && r.deleted()) s = out->SetDeleted(true);
    if (s.ok()) s = out->Flush();
    if (s.ok()) s = a->Skip(1);
    ++done;
    if (m_gauge && total > 0 && done % 1024 == 0) m_gauge(static_cast<int>(100ull * done / total));
  }
  if (s.ok()) s = out->SetAppendBatching(false);
  xb::Status closed = out ? out->Close() : xb::Status::OK();
  if (s.ok()) s = closed;
  // Back where the walk began; a failure there is kept by the table object.
  if (keep >= 1 && keep <= a->table().record_count()) {
    const xb::Status back = a->Go(keep);
    if (m_table != nullptr) m_table->noteFailure(back);
    if (s.ok()) s = back;
  }
  if (m_gauge) m_gauge(100);
  Resync();
  return Check(s);
}

void TApollo::SetGaugeHook(std::function<void(int)> gauge) {
  m_gauge = std::move(gauge);
  if (xb::WorkArea* a = Area()) a->SetProgress(m_gauge);
}

void TApollo::SetTurboRead(bool on) {
  TurboRead = on;
  if (xb::WorkArea* a = Area()) a->SetTurboRead(on);
}

}  // namespace qv
