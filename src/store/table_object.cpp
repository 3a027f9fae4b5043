#include "store/table_object.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cmath>

#include "store/apollo_env.h"
#include "store/codepage.h"
#include "store/dates.h"
#include "store/messages.h"

namespace qv {

namespace {

QString FromView(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString TrimRight(const QString& s) {
  qsizetype n = s.size();
  while (n > 0 && s.at(n - 1) == QLatin1Char(' ')) --n;
  return s.left(n);
}

}  // namespace

QString FieldValueText(const xb::FieldInfo& field, std::string_view raw) {
  switch (field.type) {
    case 'C':
    case 'V':
      return TrimRight(DecodeAnsi(raw));
    case 'M':
    case 'G':
    case 'W':
    case 'P':
    case 'Q':
      return QString();
    case 'D':
      return FormatDate(DateFromDtos(raw));
    case 'B':
      if (field.width != 8) return QString();  // a memo before Visual FoxPro
      [[fallthrough]];
    case 'N':
    case 'F':
    case 'I':
    case 'Y':
    case '+':
    case 'O':
    case 'T':
    case '@': {
      // Binary numbers, E-notation (shapelib, GDAL) and date-times read as
      // their values.
      if ((field.type == 'N' || field.type == 'F') &&
          raw.find_first_of("Ee") == std::string_view::npos) {
        return DecodeAnsi(raw).trimmed();
      }
      xb::Value v;
      if (!xb::FieldValue(field, raw, nullptr, &v).ok()) return QString();
      return QString::fromStdString(xb::ShowValue(v));
    }
    default:
      return DecodeAnsi(raw).trimmed();
  }
}

TableObject::TableObject(TApolloEnv* env, QObject* parent) : QObject(parent), m_env(env) {}

TableObject::~TableObject() = default;

QString TableObject::fullPath() const {
  QString dir = m_databaseName;
  if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir + m_tableName;
}

bool TableObject::open(QString* error) {
  if (!close()) {
    // The last change to the previous table did not reach the disk.
    Messages().information(failureMessage());
  }
  clearFailure();
  xb::OpenOptions options;
  options.exclusive = m_exclusive;
  options.read_only = m_readOnly;
  std::unique_ptr<xb::WorkArea> area;
  int rebuilt = -1;  // the last percentage told, -1 when no rebuild ran
  xb::Status s = xb::WorkArea::Open(
      fullPath().toStdString(), options, m_env->settings(),
      [this, &rebuilt](int p) {
        rebuilt = p;
        emit indexRebuildProgress(p);
      },
      &area);
  // A rebuild that failed part way still ends for whoever shows it.
  if (rebuilt >= 0 && rebuilt < 100) emit indexRebuildProgress(100);
  if (s.ok() && !m_indexName.isEmpty()) {
    const int order = area->TagArea(m_indexName.toStdString());
    if (!area->index_status().ok()) {
      s = area->index_status();
    } else if (order == 0) {
      s = xb::Status::NotFound("there is no tag " + m_indexName.toStdString());
    } else {
      s = area->SetOrder(order);
    }
    if (s.ok()) s = area->GoTop();
  }
  if (!s.ok()) {
    if (error != nullptr) *error = QString::fromStdString(s.ToString());
    noteFailure(s);
    return false;
  }
  m_area = std::move(area);
  setState(State::Browse);
  notifyLayout();
  return true;
}

bool TableObject::close() {
  if (!m_area) return true;
  m_pending.clear();
  const bool ok = noteFailure(m_area->Close());
  m_area.reset();
  setState(State::Inactive);
  notifyLayout();
  return ok;
}

QString TableObject::indexProblem() const {
  if (!m_area || m_area->index_status().ok()) return QString();
  return QString::fromStdString(m_area->index_status().message());
}

QString TableObject::productionIndexPath() const {
  return m_area ? QString::fromStdString(m_area->ProductionIndexPath()) : QString();
}

int TableObject::tagCount() const { return m_area ? m_area->order_count() : 0; }

xb::Status TableObject::checkIndex(const QString& indexPath,
                                   std::vector<xb::TagCheck>* tags) const {
  tags->clear();
  if (!m_area) return xb::Status::InvalidArgument("the table is not open");
  return xb::CheckIndex(m_area->table(), indexPath.toStdString(), tags);
}

QString TableObject::indexDamage(const QString& indexPath) const {
  if (!m_area || !QFileInfo::exists(indexPath)) return QString();
  std::vector<xb::TagCheck> tags;
  const xb::Status s = checkIndex(indexPath, &tags);
  if (!s.ok()) return QString::fromStdString(s.message());
  QStringList lines;
  for (const xb::TagCheck& t : tags) {
    if (!t.ok) lines << QStringLiteral("tag %1: %2").arg(FromView(t.name), FromView(t.problem));
  }
  return lines.join(QLatin1Char('\n'));
}

xb::Status TableObject::rebuildIndex(const QString& tag, const QString& keyExpr) {
  if (!m_area) return xb::Status::InvalidArgument("the table is not open");
  return m_area->RebuildProductionIndex(
      {{tag.toStdString(), keyExpr.toStdString(), std::string(), false, false}});
}

// ---- fields ------------------------------------------------------------------

int TableObject::fieldCount() const {
  return m_area ? static_cast<int>(m_area->table().fields().size()) : 0;
}

QString TableObject::fieldName(int index) const {
  if (index < 0 || index >= fieldCount()) return QString();
  return QString::fromStdString(m_area->table().fields()[index].name);
}

int TableObject::fieldIndex(const QString& name) const {
  return m_area ? m_area->table().FieldIndex(name.toStdString()) : -1;
}

int TableObject::fieldWidth(const QString& name) const {
  const xb::FieldInfo* f = field(name);
  return f == nullptr ? 0 : f->width;
}

const xb::FieldInfo* TableObject::field(const QString& name, int* index) const {
  int i = fieldIndex(name);
  if (index != nullptr) *index = i;
  return i < 0 ? nullptr : &m_area->table().fields()[i];
}

QString TableObject::fieldText(const QString& name) const {
  int i = -1;
  const xb::FieldInfo* f = field(name, &i);
  if (f == nullptr) return QString();
  if (auto it = m_pending.find(i); it != m_pending.end()) {
    return f->type == 'D' ? FormatDate(it->date) : it->text;
  }
  if (m_state == State::Insert) return QString();
  xb::RecordRef r = m_area->record();
  std::string_view raw = r.field(*f);
  if (f->type == 'M' || f->type == 'G') {
    std::string text;
    if (r.memo == nullptr || !noteFailure(r.memo->ReadMemo(raw, &text))) return QString();
    return DecodeAnsi(text);
  }
  return FieldValueText(*f, raw);
}

xb::Status TableObject::fieldValue(int index, xb::Value* value) const {
  *value = xb::Value();
  if (index < 0 || index >= fieldCount()) {
    return xb::Status::InvalidArgument("there is no field " + std::to_string(index + 1));
  }
  const xb::FieldInfo& f = m_area->table().fields()[index];
  const xb::RecordRef r = m_area->record();
  const xb::Status s = xb::FieldValue(f, r.field(f), r.memo, value);
  noteFailure(s);
  return s;
}

const std::vector<xb::FieldInfo>& TableObject::fieldInfos() const {
  static const std::vector<xb::FieldInfo> kNone;
  return m_area ? m_area->table().fields() : kNone;
}

std::string_view TableObject::fieldBytes(int index) const {
  if (index < 0 || index >= fieldCount() || m_area->eof()) return {};
  return m_area->record().field(m_area->table().fields()[index]);
}

QDate TableObject::fieldDate(const QString& name) const {
  int i = -1;
  const xb::FieldInfo* f = field(name, &i);
  if (f == nullptr || f->type != 'D') return QDate();
  if (auto it = m_pending.find(i); it != m_pending.end()) return it->date;
  if (m_state == State::Insert) return QDate();
  return DateFromDtos(m_area->record().field(*f));
}

bool TableObject::setFieldText(const QString& name, const QString& text) {
  int i = -1;
  const xb::FieldInfo* f = field(name, &i);
  if (f == nullptr || (m_state != State::Edit && m_state != State::Insert)) return false;
  Pending p;
  if (f->type == 'D') {
    if (!IsBlankDateText(text) && !ParseDate(text, &p.date)) return false;
  } else if (f->type == 'C') {
    p.text = text.left(f->width);
  } else {
    // Numbers are not cut: fewer digits would be another value. Post
    // refuses one that does not fit.
    p.text = text;
  }
  m_pending.insert(i, p);
  notifyRecord();
  return true;
}

bool TableObject::setFieldDate(const QString& name, const QDate& date) {
  int i = -1;
  const xb::FieldInfo* f = field(name, &i);
  if (f == nullptr || f->type != 'D' || (m_state != State::Edit && m_state != State::Insert)) {
    return false;
  }
  Pending p;
  if (date.isValid() && date > QDate(1899, 12, 30)) p.date = date;
  m_pending.insert(i, p);
  notifyRecord();
  return true;
}

bool TableObject::encodePending(int index, const Pending& value, std::string* bytes,
                                QString* problem) const {
  const xb::FieldInfo& f = m_area->table().fields()[index];
  const QString name = QString::fromStdString(f.name);
  switch (f.type) {
    case 'D':
      *bytes = DtosFromDate(value.date);
      return true;
    case 'L': {
      QString t = value.text.trimmed().toUpper();
      *bytes = t.isEmpty()                                                          ? " "
               : (t.startsWith(QLatin1Char('T')) || t.startsWith(QLatin1Char('Y'))) ? "T"
                                                                                    : "F";
      return true;
    }
    case 'N':
    case 'F': {
      QString t = value.text.trimmed();
      if (t.isEmpty()) {
        bytes->assign(f.width, ' ');
        return true;
      }
      bool ok = false;
      double v = t.toDouble(&ok);
      QString formatted = QString::number(v, 'f', f.decimals);
      if (!ok || !std::isfinite(v) || formatted.size() > f.width) {
        *problem = QStringLiteral("The value \"%1\" does not fit the field %2.").arg(t, name);
        return false;
      }
      *bytes = formatted.rightJustified(f.width, QLatin1Char(' ')).toStdString();
      return true;
    }
    default: {
      QString bad;
      if (!EncodeAnsi(value.text, bytes, &bad)) {
        *problem = QStringLiteral(
                       "The character \"%1\" cannot be stored in this file (field %2).\n"
                       "Please replace it and save again.")
                       .arg(bad, name);
        return false;
      }
      return true;
    }
  }
}

// ---- moving ------------------------------------------------------------------

bool TableObject::first() {
  if (!m_area) return false;
  if (m_state != State::Browse) cancel();
  const bool ok = noteFailure(m_area->GoTop());
  notifyRecord();
  return ok;
}

bool TableObject::last() {
  if (!m_area) return false;
  if (m_state != State::Browse) cancel();
  const bool ok = noteFailure(m_area->GoBottom());
  notifyRecord();
  return ok;
}

bool TableObject::next() { return moveBy(1); }
bool TableObject::prior() { return moveBy(-1); }

bool TableObject::moveBy(int count) {
  if (!m_area) return false;
  if (m_state != State::Browse) cancel();
  const bool ok = noteFailure(m_area->Skip(count));
  notifyRecord();
  return ok;
}

bool TableObject::goToRecord(int recno) {
  if (!m_area) return false;
  if (m_state != State::Browse) cancel();
  const bool ok = noteFailure(m_area->Go(recno < 0 ? 0 : static_cast<uint32_t>(recno)));
  notifyRecord();
  return ok;
}

bool TableObject::isVisible() const {
  if (!m_area || m_area->eof()) return false;
  xb::Status error;
  const bool visible = m_area->IsVisible(m_area->record(), &error);
  return noteFailure(error) && visible;
}

bool TableObject::eof() const { return !m_area || m_area->eof(); }
bool TableObject::isDeleted() const {
  return m_area && !m_area->eof() && m_area->record().deleted();
}
bool TableObject::bof() const { return !m_area || m_area->bof(); }

int TableObject::recNo() const {
  if (!m_area) return 0;
  if (m_state == State::Insert) return static_cast<int>(m_area->table().record_count()) + 1;
  return static_cast<int>(m_area->recno());
}

int TableObject::recordCount() const {
  return m_area ? static_cast<int>(m_area->table().record_count()) : 0;
}

bool TableObject::isEmpty() const { return !m_area || (m_area->eof() && m_area->bof()); }

// ---- query -------------------------------------------------------------------

QString TableObject::query() const { return m_area ? DecodeAnsi(m_area->filter()) : QString(); }

xb::Status TableObject::setQuery(const QString& condition) {
  if (!m_area) return xb::Status::InvalidArgument("the table is not open");
  std::string bytes;
  xb::Status s =
      EncodeAnsi(condition, &bytes)
          ? m_area->Query(bytes)
          : xb::Status::InvalidArgument("the condition holds a character the file cannot");
  resync();
  return s;
}

xb::Status TableObject::countVisible(int* count) {
  *count = 0;
  if (!m_area) return xb::Status::InvalidArgument("the table is not open");
  uint32_t n = 0;
  XB_RETURN_IF_ERROR(m_area->QueryRecCount(&n));
  *count = static_cast<int>(n);
  return xb::Status::OK();
}

// ---- editing -----------------------------------------------------------------

void TableObject::edit() {
  if (!m_area || m_state != State::Browse || m_area->eof()) return;
  m_pending.clear();
  setState(State::Edit);
  emit afterEdit();
}

void TableObject::insert() {
  if (!m_area || m_state == State::Insert) return;
  if (m_state == State::Edit) cancel();
  emit beforeInsert();
  m_pending.clear();
  setState(State::Insert);
  notifyRecord();
  emit afterInsert();
}

bool TableObject::post() {
  if (!m_area || (m_state != State::Edit && m_state != State::Insert)) return false;
  // Convert everything first, so a refused value changes nothing on disk.
  std::vector<std::pair<int, std::string>> values;
  for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
    std::string bytes;
    QString problem;
    if (!encodePending(it.key(), it.value(), &bytes, &problem)) {
      Messages().information(problem);
      return false;
    }
    values.emplace_back(it.key(), std::move(bytes));
  }
  xb::Status s;
  if (m_state == State::Insert) s = m_area->Append();
  for (size_t k = 0; s.ok() && k < values.size(); ++k) {
    const xb::FieldInfo& f = m_area->table().fields()[values[k].first];
    if (f.type == 'M' || f.type == 'G') {
      s = m_area->SetMemo(values[k].first, values[k].second);
    } else {
      s = m_area->SetField(values[k].first, values[k].second);
    }
  }
  if (s.ok()) s = m_area->Commit();
  if (!s.ok()) {
    Messages().information(QStringLiteral("The record could not be saved:\n") +
                           QString::fromStdString(s.message()));
    return false;
  }
  m_pending.clear();
  setState(State::Browse);
  emit afterPost();
  notifyRecord();
  return true;
}

void TableObject::cancel() {
  if (m_state != State::Edit && m_state != State::Insert) return;
  m_pending.clear();
  setState(State::Browse);
  emit afterCancel();
  notifyRecord();
}

bool TableObject::deleteRecord() {
  if (!m_area) return false;
  if (m_state == State::Insert) {
    cancel();
    return true;
  }
  if (m_state == State::Edit) cancel();
  if (m_area->eof()) return false;
  xb::Status s = m_area->SetDeleted(true);
  if (s.ok()) s = m_area->Commit();
  if (s.ok()) s = m_area->Skip(1);
  if (s.ok() && m_area->eof()) s = m_area->GoBottom();
  if (!s.ok()) {
    Messages().information(QStringLiteral("The record could not be deleted:\n") +
                           QString::fromStdString(s.message()));
    return false;
  }
  notifyLayout();
  return true;
}

bool TableObject::refresh() {
  if (!m_area) return false;
  bool ok = true;
  if (!m_area->eof()) ok = noteFailure(m_area->Go(m_area->recno()));
  notifyRecord();
  return ok;
}

QString FailureMessage(const xb::Status& status) {
  if (status.ok()) return QString();
  QString why = QString::fromStdString(status.message());
  if (!status.IsInvalidArgument()) return DamagedFileMessage(why);
  if (!why.isEmpty()) why[0] = why[0].toUpper();
  return why;
}

QString TableObject::failureMessage() const {
  if (m_contactFile || m_failure.ok() || m_failure.IsInvalidArgument()) {
    return FailureMessage(m_failure);
  }
  QString why = QString::fromStdString(m_failure.message()).trimmed();
  while (why.endsWith(QLatin1Char('.'))) why.chop(1);
  return QStringLiteral("The table %1 cannot be read: %2.").arg(m_tableName, why);
}

bool TableObject::noteFailure(const xb::Status& status) const {
  if (!status.ok()) m_failure = status;
  return status.ok();
}

namespace {

xb::Status NotOpen() { return xb::Status::InvalidArgument("the contact file is not open"); }

}  // namespace

xb::Status TableObject::runOnEngine(const std::function<xb::Status(xb::WorkArea&)>& work) {
  if (!m_area) return NotOpen();
  const xb::Status s = work(*m_area);
  resync();
  return s;
}

xb::Status TableObject::readRecords(uint32_t first, uint32_t count, std::string* buf) const {
  if (!m_area) return NotOpen();
  return m_area->table().ReadRecords(first, count, buf);
}

int TableObject::recordLength() const {
  return m_area ? static_cast<int>(m_area->table().record_length()) : 0;
}

xb::Status TableObject::visibleRecords(std::vector<uint32_t>* recnos) const {
  if (!m_area) return NotOpen();
  return m_area->VisibleRecnos(recnos);
}

xb::Status TableObject::copyStructure(const QString& path) const {
  if (!m_area) return NotOpen();
  return m_area->table().CopyStructure(QFile::encodeName(path).toStdString());
}

void TableObject::disableControls() { ++m_disabled; }

void TableObject::enableControls() {
  if (m_disabled == 0) return;
  if (--m_disabled == 0) {
    // Views missed whatever happened meanwhile: they reload.
    m_missedRecord = false;
    emit layoutChanged();
    emit recordChanged();
  }
}

void TableObject::resync() {
  if (!m_area) return;
  // The engine moved or changed the table under a pending edit: that edit
  // is gone, and the windows hear so as from Cancel.
  if (m_state != State::Browse) {
    m_pending.clear();
    setState(State::Browse);
    emit afterCancel();
  }
  notifyLayout();
}

void TableObject::setState(State state) {
  if (m_state == state) return;
  m_state = state;
  emit stateChanged();
}

void TableObject::notifyRecord() {
  if (m_disabled > 0) {
    m_missedRecord = true;
    return;
  }
  emit recordChanged();
}

void TableObject::notifyLayout() {
  if (m_disabled > 0) return;
  emit layoutChanged();
  emit recordChanged();
}

}  // namespace qv
