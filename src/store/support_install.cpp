#include "store/support_install.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "store/support_data.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

// One CSV value into its field of the current record.
xb::Status PutValue(xb::WorkArea& area, int index, const xb::FieldDef& f, const std::string& value) {
  switch (f.type) {
    case 'N':
    case 'F': {
      if (value.empty()) return area.SetField(index, "");
      QString text = QString::number(QString::fromStdString(value).toDouble(), 'f', f.decimals);
      return area.SetField(index, text.rightJustified(f.width, QLatin1Char(' ')).toStdString());
    }
    case 'L':
      return area.SetField(index, value == "T" || value == "t" ? "T" : "F");
    case 'D':
      return area.SetField(index, value.empty() ? std::string(8, ' ') : value);
    default: {
      std::string bytes;
      XB_RETURN_IF_ERROR(Utf8ToWindows1252(value, &bytes));
      return f.type == 'M' ? area.SetMemo(index, bytes) : area.SetField(index, bytes);
    }
  }
}

bool ExistsIgnoringCase(const QString& directory, const QString& file) {
  const QStringList names = QDir(directory).entryList(QDir::Files);
  for (const QString& n : names) {
    if (n.compare(file, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

const SupportTable* FindTable(const QString& name) {
  for (const SupportTable& t : SupportTables()) {
    if (name.compare(QString::fromUtf8(t.name.data(), static_cast<qsizetype>(t.name.size())),
                     Qt::CaseInsensitive) == 0) {
      return &t;
    }
  }
  return nullptr;
}

}  // namespace

QString DefaultContactFile(const QString& directory) {
  QString dir = directory;
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir + QStringLiteral("QUORVA1.DBF");
}

bool BuildSupportTable(const QString& name, const QString& directory, QString* why) {
  const SupportTable* table = FindTable(name);
  if (table == nullptr) {
    *why = QStringLiteral("%1 is not a support table").arg(name);
    return false;
  }
  const QString csvName = QString::fromUtf8(table->csv_file.data(),
                                            static_cast<qsizetype>(table->csv_file.size()));
  QFile csv(QStringLiteral(":/support/") + csvName);
  if (!csv.open(QIODevice::ReadOnly)) {
    *why = QStringLiteral("the source of %1 is missing from the program").arg(name);
    return false;
  }
  const QByteArray text = csv.readAll();
  SupportTableData data;
  xb::Status s = ParseSupportCsv(std::string_view(text.constData(), static_cast<size_t>(text.size())),
                                 csvName.toStdString(), &data);
  QString dir = directory;
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  const std::string path = (dir + name.toUpper() + QStringLiteral(".DBF")).toStdString();
  if (s.ok()) s = xb::Table::Create(path, data.fields);
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  if (s.ok()) s = xb::WorkArea::Open(path, xb::OpenOptions(), &settings, &area);
  // A half-made table is removed below, so its rows need not be synced one by one.
  if (s.ok()) s = area->table().SetAppendBatching(true);
  for (size_t r = 0; s.ok() && r < data.rows.size(); ++r) {
    s = area->Append();
    for (size_t i = 0; s.ok() && i < data.fields.size(); ++i) {
      s = PutValue(*area, static_cast<int>(i), data.fields[i], data.rows[r][i]);
    }
    if (s.ok()) s = area->Commit();
  }
  if (s.ok()) s = area->table().SetAppendBatching(false);
  if (s.ok()) {
    s = area->IndexTag("", std::string(table->tag), std::string(table->key), "", false, false);
  }
  if (!s.ok() && area) {
    // A half-made table would pass for a good one next time: remove it,
    // while its lock is still ours. One that never opened may be another
    // program's, open there: it stays.
    for (const char* ext : {".DBF", ".fpt", ".cdx", ".FPT", ".CDX"}) {
      QFile::remove(dir + name.toUpper() + QLatin1String(ext));
    }
  }
  area.reset();
  if (!s.ok()) {
    *why = QString::fromStdString(s.message());
    return false;
  }
  return true;
}

QStringList InstallSupportTables(const QString& directory) {
  QStringList problems;
  QDir().mkpath(directory);
  QString dir = directory;
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  for (const SupportTable& t : SupportTables()) {
    const QString name = QString::fromUtf8(t.name.data(), static_cast<qsizetype>(t.name.size()));
    if (ExistsIgnoringCase(dir, name + QStringLiteral(".DBF"))) continue;
    QString why;
    if (!BuildSupportTable(name, dir, &why)) {
      problems << QStringLiteral("%1.DBF could not be created: %2").arg(name, why);
    }
  }
  return problems;
}

}  // namespace qv
