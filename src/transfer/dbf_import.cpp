#include "transfer/dbf_import.h"

#include <QFileInfo>

#include "store/codepage.h"
#include "store/dates.h"
#include "store/table_object.h"
#include "xbase/expr.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

const QString kNone = QStringLiteral("(None)");

struct AutoRule {
  const char* target;
  std::initializer_list<const char*> words;
};

// First rule that applies wins, so the order matters: CODES contains CODE
// and is proposed for the ZIP code before the Codes rule is reached.
const AutoRule kNameRules[] = {
    {"Last", {"LAST", "LNAME", "SURNAME"}},
    {"First", {"FIRST", "FNAME", "GIVEN"}},
    {"Prefix", {"PREFIX", "SALUT"}},
    {"Middle", {"MIDDLE", "INIT"}},
    {"Title", {"TITLE", "POSITION", "JOB"}},
    {"Organization", {"ORG", "COMPANY", "ASSOC"}},
    {"Street", {"STREET", "ADDRESS", "SA"}},
    {"City", {"CITY"}},
    {"State/Province", {"STATE", "PROVINCE"}},
    {"Zip/Post Code", {"ZIP", "POSTAL", "POSTCODE", "CODE"}},
    {"Country", {"COUNTRY", "CTRY"}},
    {"Phone", {"PHONE", "TELE"}},
    {"Fax", {"FAX"}},
    {"E-Mail", {"EMAIL", "E-MAIL"}},
    {"Codes", {"NOTES", "CODES"}},
};

bool ValidRow(const QStringList& grid, int row) { return row >= 0 && row < grid.size(); }

}  // namespace

const QStringList& DbfMatchLabels() {
  static const QStringList labels = {
      QStringLiteral("Prefix"),        QStringLiteral("First"),   QStringLiteral("Last"),
      QStringLiteral("Middle"),        QStringLiteral("Title"),   QStringLiteral("Organization"),
      QStringLiteral("Street"),        QStringLiteral("City"),    QStringLiteral("State/Province"),
      QStringLiteral("Zip/Post Code"), QStringLiteral("Country"), QStringLiteral("Phone"),
      QStringLiteral("Fax"),           QStringLiteral("E-Mail"),  QStringLiteral("Codes"),
      QStringLiteral("Date"),          QStringLiteral("Memo")};
  return labels;
}

QString AllowedTypes(const QString& label) {
  if (label == QLatin1String("Memo")) return QStringLiteral("M");
  // A date-time gives its date to a date, its printed form to a text.
  if (label == QLatin1String("Date")) return QStringLiteral("DT@");
  return QStringLiteral("CNLVT@");
}

QString UnableToOpenSourceMessage(const QString& fileName) {
  return QStringLiteral("Unable to open the file ") + fileName;
}

QString NoRecordsMessage(const QString& fileName) {
  return QStringLiteral("There are no records in ") + fileName;
}

// The source opens read-only: closing it cannot lose a change.
bool OpenDbfSource(const QString& fileName, TableObject& source, QString* message) {
  (void)source.close();
  const QFileInfo info(fileName);
  source.setDatabaseName(info.absolutePath());
  source.setTableName(info.fileName());
  source.setIndexName(QString());
  source.setExclusive(false);
  source.setReadOnly(true);
  source.setContactFile(false);
  if (!info.isFile() || !source.open()) {
    (void)source.close();
    *message = UnableToOpenSourceMessage(fileName);
    return false;
  }
  if (source.recordCount() == 0) {
    (void)source.close();
    *message = NoRecordsMessage(fileName);
    return false;
  }
  // Opened without a tag, so in natural order: the records come in as the
  // table holds them.
  if (!source.first()) {
    (void)source.close();
    *message = UnableToOpenSourceMessage(fileName);
    return false;
  }
  source.resync();
  return true;
}

std::vector<DbfSourceField> ReadSourceFields(const TableObject& source, QString* leftOut) {
  std::vector<DbfSourceField> fields;
  if (leftOut != nullptr) leftOut->clear();
  if (!source.active()) return fields;
  QStringList unknown;
  for (const xb::FieldInfo& f : source.fieldInfos()) {
    if (!xb::KnownFieldType(f.type)) {
      unknown.append(QStringLiteral("%1 (type %2)")
                         .arg(QString::fromStdString(f.name), QString(QLatin1Char(f.type))));
      continue;
    }
    DbfSourceField field;
    field.type = QLatin1Char(f.type);
    field.name = QString::fromStdString(f.name).toUpper();
    field.width = f.width;
    fields.push_back(field);
  }
  if (leftOut != nullptr && !unknown.isEmpty()) {
    *leftOut = QStringLiteral("These fields are of a type Quorvane cannot read and are left out: ") +
               unknown.join(QStringLiteral(", "));
  }
  return fields;
}

// Names that only mean their field when they are the whole name: ST is in
// FIRST and STREET, ADDR and E_MAIL are what short field names write.
const AutoRule kExactNames[] = {
    {"State/Province", {"ST", "PROV"}},
    {"Street", {"ADDR", "ADDRESS1", "ADDR1"}},
    {"Zip/Post Code", {"ZIPCODE", "POSTCODE", "ZIP_CODE"}},
    {"Organization", {"COMPANY", "CO_NAME"}},
    {"E-Mail", {"E_MAIL", "MAIL"}},
};

// Short forms other tables use, tried after the rules as words inside a
// name.
const AutoRule kMoreWords[] = {
    {"Street", {"ADDR"}},
    {"E-Mail", {"E_MAIL"}},
};

template <size_t N>
const char* FindRule(const AutoRule (&rules)[N], const QString& name, bool whole) {
  for (const AutoRule& rule : rules) {
    for (const char* word : rule.words) {
      if (whole ? name == QLatin1String(word) : name.contains(QLatin1String(word))) return rule.target;
    }
  }
  return nullptr;
}

QString AutoTarget(const DbfSourceField& field, bool* exact) {
  if (exact != nullptr) *exact = false;
  if (field.type == QLatin1Char('G')) return QString();
  if (field.type == QLatin1Char('M')) return QStringLiteral("Memo");
  const QString name = field.name.toUpper();
  // A name that is one of the words wins over a word inside it: CODES is
  // the codes, not a ZIP code.
  const char* target = FindRule(kNameRules, name, true);
  if (target == nullptr) target = FindRule(kExactNames, name, true);
  if (target != nullptr) {
    if (exact != nullptr) *exact = true;
    return QString::fromLatin1(target);
  }
  if ((target = FindRule(kNameRules, name, false)) != nullptr) return QString::fromLatin1(target);
  if ((target = FindRule(kMoreWords, name, false)) != nullptr) return QString::fromLatin1(target);
  if (field.type == QLatin1Char('D')) return QStringLiteral("Date");
  return QString();
}

QStringList OpenMatchGrid(std::vector<DbfSourceField>* fields, bool matched) {
  const QStringList& labels = DbfMatchLabels();
  QStringList grid;
  for (const QString& label : labels) {
    QString name;
    for (const DbfSourceField& f : *fields) {
      if (f.target.compare(label, Qt::CaseInsensitive) == 0) {
        name = f.name;
        break;
      }
    }
    grid.append(name);
  }
  if (!matched) {
    // Each row takes the field named exactly, else the first that names
    // it (PHONE1 before PHONE2).
    std::vector<bool> exactInRow(static_cast<size_t>(labels.size()), false);
    std::vector<bool> filled(static_cast<size_t>(labels.size()), false);
    for (DbfSourceField& f : *fields) {
      bool exact = false;
      f.target = AutoTarget(f, &exact);
      const qsizetype row = labels.indexOf(f.target);
      if (row < 0) continue;
      const auto r = static_cast<size_t>(row);
      if (!filled[r] || (exact && !exactInRow[r])) {
        grid[row] = f.name;
        filled[r] = true;
        exactInRow[r] = exact;
      }
    }
  }
  return grid;
}

bool SaveMatchGrid(const QStringList& grid, std::vector<DbfSourceField>* fields) {
  const QStringList& labels = DbfMatchLabels();
  bool any = false;
  for (DbfSourceField& f : *fields) {
    f.target.clear();
    for (qsizetype row = 0; row < grid.size() && row < labels.size(); ++row) {
      if (grid[row] == f.name) f.target = labels[row];
    }
    any = any || !f.target.isEmpty();
  }
  return any;
}

QStringList SelectableFields(const std::vector<DbfSourceField>& fields, int row) {
  QStringList names{kNone};
  if (row < 0 || row >= DbfMatchLabels().size()) return names;
  const QString allowed = AllowedTypes(DbfMatchLabels()[row]);
  for (const DbfSourceField& f : fields) {
    if (allowed.contains(f.type)) names.append(f.name);
  }
  return names;
}

void SelectFieldInRow(QStringList* grid, int row, const QString& name) {
  if (!ValidRow(*grid, row)) return;
  if (name.isEmpty() || name == kNone) {
    (*grid)[row].clear();
    return;
  }
  for (QString& cell : *grid) {
    if (cell == name) cell.clear();
  }
  (*grid)[row] = name;
}

void ClearGridRow(QStringList* grid, int row) {
  if (ValidRow(*grid, row)) (*grid)[row].clear();
}

void ClearGrid(QStringList* grid) {
  for (QString& cell : *grid) cell.clear();
}

DbfRowSource::DbfRowSource(TableObject& source, std::vector<DbfSourceField> fields)
    : m_source(source) {
  for (const DbfSourceField& f : fields) {
    if (f.target.isEmpty()) continue;
    const auto target = TargetFromCaption(f.target);
    if (!target) continue;
    m_matched.emplace_back(f.name, *target);
    m_memo.push_back(f.type == QLatin1Char('M'));
    m_dateOfStamp.push_back(*target == ContactTarget::Date &&
                            (f.type == QLatin1Char('T') || f.type == QLatin1Char('@')));
  }
}

std::int64_t DbfRowSource::expected() const { return m_source.recordCount(); }

bool DbfRowSource::next(ImportRow* row, QString* error) {
  if (!m_source.active()) return false;
  const bool moved = m_started ? m_source.next() : m_source.first();
  m_started = true;
  xb::Status s = moved ? xb::Status::OK() : m_source.failure();
  if (s.ok() && m_source.eof()) return false;
  row->values.clear();
  row->memoReplaces = true;
  for (size_t i = 0; s.ok() && i < m_matched.size(); ++i) {
    const int index = m_source.fieldIndex(m_matched[i].first);
    if (index < 0) continue;
    QString value;
    if (m_memo[i]) {
      xb::Value memo;
      s = m_source.fieldValue(index, &memo);
      value = DecodeAnsi(memo.text);
    } else if (m_dateOfStamp[i]) {
      xb::Value stamp;
      s = m_source.fieldValue(index, &stamp);
      if (s.ok() && stamp.date > 0) value = FormatDate(DateFromDtos(xb::DtosFromJulian(stamp.date)));
    } else {
      value = FieldValueText(m_source.fieldInfos()[static_cast<size_t>(index)],
                             m_source.fieldBytes(index));
    }
    if (s.ok() && !value.isEmpty()) row->values.emplace_back(m_matched[i].second, value);
  }
  if (!s.ok()) {
    *error = QStringLiteral("Record %1 of %2 cannot be read: %3")
                 .arg(m_source.recNo())
                 .arg(m_source.tableName())
                 .arg(QString::fromStdString(s.ToString()));
    return false;
  }
  return true;
}

}  // namespace qv
