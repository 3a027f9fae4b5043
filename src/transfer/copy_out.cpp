#include "transfer/copy_out.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "store/codepage.h"
#include "store/dates.h"
#include "store/filter_text.h"
#include "store/table_object.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

// Puts the query, order and record back however the walk ended.
class RestoreArea {
 public:
  explicit RestoreArea(xb::WorkArea& area)
      : m_area(area), m_filter(area.filter()), m_order(area.IndexOrd()), m_recno(area.recno()) {}
  ~RestoreArea() {
    (void)m_area.Query(m_filter);
    (void)m_area.SetOrder(m_order);
    (void)m_area.Go(m_recno);
  }

 private:
  xb::WorkArea& m_area;
  std::string m_filter;
  int m_order;
  uint32_t m_recno;
};

xb::Status ReadValues(xb::WorkArea& area, ContactValues* values) {
  const xb::Table& table = area.table();
  xb::RecordRef r = area.record();
  values->fields.resize(table.fields().size());
  std::string memo;
  for (size_t i = 0; i < table.fields().size(); ++i) {
    const xb::FieldInfo& f = table.fields()[i];
    auto& [name, text] = values->fields[i];
    if (name.isEmpty()) name = QString::fromStdString(f.name);
    if (f.type == 'M') {
      memo.clear();
      if (r.memo != nullptr) XB_RETURN_IF_ERROR(r.memo->ReadMemo(r.field(f), &memo));
      text = DecodeAnsi(memo);
    } else {
      text = FieldValueText(f, r.field(f));
    }
  }
  return xb::Status::OK();
}

xb::Status EncodeValue(const QString& field, const QString& text, std::string* out) {
  QString bad;
  if (EncodeAnsi(text, out, &bad)) return xb::Status::OK();
  return xb::Status::InvalidArgument(field.toStdString() + " holds " + bad.toStdString() +
                                     ", which the code page cannot hold");
}

xb::Status RemoveIfThere(const QString& path) {
  if (QFileInfo::exists(path) && !QFile::remove(path)) {
    return xb::Status::IOError("cannot delete " + path.toStdString());
  }
  return xb::Status::OK();
}

}  // namespace

QString CopySelection(const QString& filter) {
  return FilterQuery(filter.trimmed().isEmpty() ? QString()
                                                : QLatin1Char('(') + filter + QLatin1Char(')'));
}

xb::Status CopyRecordsOut(TableObject& contacts, const QString& filter, const QString& tag,
                          RecordWriter& writer, const TransferProgress& progress,
                          std::int64_t* copied) {
  *copied = 0;
  return contacts.runOnEngine([&](xb::WorkArea& area) {
    RestoreArea restore(area);
    // Failures of the contact file itself are kept by the table object, so
    // callers word them as damage; the writer's are the output file's.
    contacts.clearFailure();
    std::string condition;
    XB_RETURN_IF_ERROR(
        EncodeValue(QStringLiteral("the filter"), CopySelection(filter), &condition));
    xb::Status s = area.Query(condition);
    int order = 0;
    if (s.ok() && !tag.isEmpty()) {
      order = area.TagArea(tag.toStdString());
      if (order == 0) s = xb::Status::NotFound("there is no tag " + tag.toStdString());
    }
    if (s.ok()) s = area.SetOrder(order);
    uint32_t total = 0;
    if (s.ok()) s = area.QueryRecCount(&total);
    if (s.ok() && !contacts.noteFailure(area.GoTop())) s = contacts.failure();
    ContactValues values;
    const bool readsRecords = writer.readsRecords();
    while (s.ok() && !area.eof()) {
      if (readsRecords) {
        s = writer.writeCurrent(area);
      } else {
        s = ReadValues(area, &values);
        contacts.noteFailure(s);
        if (s.ok()) s = writer.write(values);
      }
      if (!s.ok()) break;
      ++*copied;
      const int percent = total > 0 ? static_cast<int>(*copied * 100 / total) : 0;
      if (progress && !progress(percent, *copied)) break;
      s = area.Skip(1);
      contacts.noteFailure(s);
    }
    // A failed copy is not finished: the writer's destructor throws its
    // output away, and a file of the target's name keeps what it had.
    if (!s.ok()) return s;
    return writer.finish();
  });
}

const QStringList& AsciiCopyFields() {
  static const QStringList fields = {
      QStringLiteral("PREFIX"), QStringLiteral("FNAME"),   QStringLiteral("MIDDLE"),
      QStringLiteral("LNAME"),  QStringLiteral("TITLE"),   QStringLiteral("ORG"),
      QStringLiteral("STREET"), QStringLiteral("CITY"),    QStringLiteral("STATE"),
      QStringLiteral("ZIP"),    QStringLiteral("COUNTRY"), QStringLiteral("PHONE"),
      QStringLiteral("EMAIL"),  QStringLiteral("FAX"),     QStringLiteral("DATE"),
      QStringLiteral("NOTES")};
  return fields;
}

DbfCopyWriter::~DbfCopyWriter() { discard(); }

// The side table's memo file is named as the engine names a new one.
static QString MemoOf(const QString& dbf) {
  const QFileInfo info(dbf);
  return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".fpt");
}

void DbfCopyWriter::discard() {
  if (m_table) (void)m_table->Close();
  m_table.reset();
  if (!m_side.isEmpty()) {
    QFile::remove(m_side);
    QFile::remove(MemoOf(m_side));
    m_side.clear();
  }
}

xb::Status DbfCopyWriter::open(const QString& path, const TableObject& contacts) {
  discard();
  if (!contacts.active()) return xb::Status::InvalidArgument("the contact file is not open");
  const QFileInfo info(path);
  m_target = path;
  m_side = info.absolutePath() + QStringLiteral("/~qv-") + info.fileName();
  XB_RETURN_IF_ERROR(RemoveIfThere(m_side));
  XB_RETURN_IF_ERROR(RemoveIfThere(MemoOf(m_side)));
  const std::string file = QFile::encodeName(m_side).toStdString();
  xb::Status s = contacts.copyStructure(m_side);
  xb::OpenOptions options;
  options.exclusive = true;
  if (s.ok()) s = xb::Table::Open(file, options, &m_table);
  if (s.ok() && m_table->has_index_flag()) s = m_table->SetIndexFlag(false);
  if (!s.ok()) {
    discard();
    return s;
  }
  XB_RETURN_IF_ERROR(m_table->SetAppendBatching(true));
  m_fields.clear();
  for (const QString& name : AsciiCopyFields()) {
    const int i = m_table->FieldIndex(name.toStdString());
    if (name == QLatin1String("DATE")) {
      m_date = i;
    } else if (i >= 0) {
      m_fields.emplace_back(name, i);
    }
  }
  m_memo = m_table->FieldIndex("MEMO");
  m_sources.clear();
  return xb::Status::OK();
}

// The value's bytes in the code page, as ReadValues and EncodeValue would
// make them: a character field's or memo's bytes need no round trip
// through text (every byte survives it).
static xb::Status ValueBytes(const xb::Table& table, const xb::RecordRef& r, int field,
                             std::string* out) {
  out->clear();
  if (field < 0) return xb::Status::OK();
  const xb::FieldInfo& f = table.fields()[static_cast<size_t>(field)];
  std::string_view raw = r.field(f);
  if (f.type == 'C') {
    while (!raw.empty() && raw.back() == ' ') raw.remove_suffix(1);
    out->assign(raw);
    return xb::Status::OK();
  }
  if (f.type == 'M') return r.memo != nullptr ? r.memo->ReadMemo(raw, out) : xb::Status::OK();
  return EncodeValue(QString::fromStdString(f.name), FieldValueText(f, raw), out);
}

xb::Status DbfCopyWriter::writeCurrent(xb::WorkArea& area) {
  if (!m_table) return xb::Status::InvalidArgument("the output is not open");
  const xb::Table& from = area.table();
  if (m_sources.empty()) {
    for (const auto& [name, index] : m_fields)
      m_sources.push_back(from.FieldIndex(name.toStdString()));
    m_sources.push_back(from.FieldIndex("DATE"));
    m_sources.push_back(from.FieldIndex("MEMO"));
  }
  const xb::RecordRef r = area.record();
  XB_RETURN_IF_ERROR(m_table->Append());
  std::string bytes;
  for (size_t i = 0; i < m_fields.size(); ++i) {
    XB_RETURN_IF_ERROR(ValueBytes(from, r, m_sources[i], &bytes));
    if (!bytes.empty()) XB_RETURN_IF_ERROR(m_table->SetFieldBytes(m_fields[i].second, bytes));
  }
  if (m_date >= 0) {
    XB_RETURN_IF_ERROR(ValueBytes(from, r, m_sources[m_fields.size()], &bytes));
    QDate date;
    const QString text = DecodeAnsi(bytes);
    if (!text.isEmpty() && ParseDate(text, &date)) {
      XB_RETURN_IF_ERROR(m_table->SetFieldBytes(m_date, DtosFromDate(date)));
    }
  }
  if (m_memo >= 0) {
    XB_RETURN_IF_ERROR(ValueBytes(from, r, m_sources[m_fields.size() + 1], &bytes));
    if (!bytes.empty()) XB_RETURN_IF_ERROR(m_table->SetMemo(m_memo, bytes));
  }
  return m_table->Flush();
}

xb::Status DbfCopyWriter::write(const ContactValues& record) {
  if (!m_table) return xb::Status::InvalidArgument("the output is not open");
  XB_RETURN_IF_ERROR(m_table->Append());
  std::string bytes;
  for (const auto& [name, index] : m_fields) {
    XB_RETURN_IF_ERROR(EncodeValue(name, record.value(name), &bytes));
    XB_RETURN_IF_ERROR(m_table->SetFieldBytes(index, bytes));
  }
  if (m_date >= 0) {
    QDate date;
    const QString text = record.value(QStringLiteral("DATE"));
    if (!text.isEmpty() && ParseDate(text, &date)) {
      XB_RETURN_IF_ERROR(m_table->SetFieldBytes(m_date, DtosFromDate(date)));
    }
  }
  if (m_memo >= 0) {
    const QString memo = record.value(QStringLiteral("MEMO"));
    if (!memo.isEmpty()) {
      XB_RETURN_IF_ERROR(EncodeValue(QStringLiteral("MEMO"), memo, &bytes));
      XB_RETURN_IF_ERROR(m_table->SetMemo(m_memo, bytes));
    }
  }
  return m_table->Flush();
}

xb::Status DbfCopyWriter::finish() {
  if (!m_table) return xb::Status::OK();
  xb::Status s = m_table->Close();
  m_table.reset();
  if (!s.ok()) {
    discard();
    return s;
  }
  const QFileInfo info(m_target);
  const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
  // An old output of this name: its index no longer fits, and its memo
  // file would be taken for the new table's.
  for (const char* ext : {".CDX", ".cdx", ".FPT", ".fpt"}) {
    s = RemoveIfThere(base + QLatin1String(ext));
    if (!s.ok()) break;
  }
  // rename() replaces the target in one step; the memo file goes first so
  // the table never appears without it.
  const QString memo = MemoOf(m_side);
  if (s.ok() && QFileInfo::exists(memo) &&
      std::rename(QFile::encodeName(memo).constData(), QFile::encodeName(base + ".fpt").constData()) != 0) {
    s = xb::Status::IOError("cannot rename " + memo.toStdString() + ": " + std::strerror(errno));
  }
  if (s.ok() &&
      std::rename(QFile::encodeName(m_side).constData(), QFile::encodeName(m_target).constData()) != 0) {
    s = xb::Status::IOError("cannot rename " + m_side.toStdString() + ": " + std::strerror(errno));
  }
  if (!s.ok()) {
    discard();
    return s;
  }
  m_side.clear();
  return s;
}

xb::Status AsciiCopyWriter::open(const QString& path) {
  m_file = std::make_unique<OutputFile>(path);
  m_buffer.clear();
  m_columns.clear();
  if (!m_file->open()) {
    const std::string why = m_file->message().toStdString();
    m_file.reset();
    return xb::Status::IOError(why);
  }
  return xb::Status::OK();
}

xb::Status AsciiCopyWriter::flush() {
  const bool ok = m_file->put(m_buffer);
  m_buffer.clear();
  return ok ? xb::Status::OK() : xb::Status::IOError(m_file->message().toStdString());
}

// Quotes inside a value are written as they are: the format has no escape.
xb::Status AsciiCopyWriter::write(const ContactValues& record) {
  if (!m_file) return xb::Status::InvalidArgument("the output is not open");
  std::string bytes;
  bool first = true;
  for (const QString& name : AsciiCopyFields()) {
    XB_RETURN_IF_ERROR(EncodeValue(name, record.value(name), &bytes));
    if (!first) m_buffer.push_back(',');
    first = false;
    m_buffer.push_back('"');
    m_buffer.append(bytes);
    m_buffer.push_back('"');
  }
  m_buffer.append("\r\n");
  return m_buffer.size() >= (1u << 20) ? flush() : xb::Status::OK();
}

// The same line write() makes from the record's values: a character
// field's bytes are its code page text already (every byte survives the
// round trip), so only other fields go through text.
xb::Status AsciiCopyWriter::writeCurrent(xb::WorkArea& area) {
  if (!m_file) return xb::Status::InvalidArgument("the output is not open");
  const xb::Table& table = area.table();
  if (m_columns.empty()) {
    for (const QString& name : AsciiCopyFields())
      m_columns.push_back(table.FieldIndex(name.toStdString()));
  }
  const xb::RecordRef r = area.record();
  std::string bytes;
  for (size_t c = 0; c < m_columns.size(); ++c) {
    m_buffer.append(c == 0 ? "\"" : ",\"");
    if (m_columns[c] >= 0) {
      const xb::FieldInfo& f = table.fields()[static_cast<size_t>(m_columns[c])];
      std::string_view raw = r.field(f);
      if (f.type == 'C') {
        while (!raw.empty() && raw.back() == ' ') raw.remove_suffix(1);
        m_buffer.append(raw);
      } else if (f.type != 'M' && f.type != 'G' && f.type != 'B') {
        XB_RETURN_IF_ERROR(EncodeValue(AsciiCopyFields()[static_cast<qsizetype>(c)],
                                       FieldValueText(f, raw), &bytes));
        m_buffer.append(bytes);
      }
    }
    m_buffer.push_back('"');
  }
  m_buffer.append("\r\n");
  return m_buffer.size() >= (1u << 20) ? flush() : xb::Status::OK();
}

xb::Status AsciiCopyWriter::finish() {
  if (!m_file) return xb::Status::OK();
  xb::Status s = flush();
  if (s.ok() && !m_file->commit()) s = xb::Status::IOError(m_file->message().toStdString());
  m_file.reset();
  return s;
}

CopyNameCheck CheckCopyName(const QString& name, bool toDbf, const QString& contactFile) {
  const QFileInfo info(name);
  if (toDbf && QLatin1Char('.') + info.suffix().toUpper() != QLatin1String(".DBF")) {
    return CopyNameCheck::NotDbf;
  }
  if (!contactFile.isEmpty() &&
      QDir::cleanPath(info.absoluteFilePath())
              .compare(QDir::cleanPath(QFileInfo(contactFile).absoluteFilePath()),
                       Qt::CaseInsensitive) == 0) {
    return CopyNameCheck::ToItself;
  }
  if (info.exists()) return CopyNameCheck::Exists;
  return CopyNameCheck::Ok;
}

QString CopyNameMessage(CopyNameCheck check, const QString& name) {
  switch (check) {
    case CopyNameCheck::NotDbf:
      return QStringLiteral("Must have a .DBF extension");
    case CopyNameCheck::ToItself:
      return QStringLiteral("Cannot copy a file to itself!");
    case CopyNameCheck::Exists:
      return name + QStringLiteral(" already exists.") + QStringLiteral("\r\n") +
             QStringLiteral("Do you want to overwrite it?");
    case CopyNameCheck::Ok:
      break;
  }
  return QString();
}

QString CopyErrorMessage() { return QStringLiteral("There was an error copying"); }

QString NothingToCopyMessage() {
  return QStringLiteral("No active records for current filter. Nothing to copy");
}

QString CopiedMessage(std::int64_t count) { return QStringLiteral("Copied %1 records").arg(count); }

}  // namespace qv
