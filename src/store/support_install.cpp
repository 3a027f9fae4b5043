#include "store/support_install.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <set>

#include "store/codepage.h"
#include "store/ini_file.h"
#include "store/label_geometry.h"
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

// The table's readable source, compiled into the program.
xb::Status LoadSource(const SupportTable& table, SupportTableData* data) {
  const QString csvName =
      QString::fromUtf8(table.csv_file.data(), static_cast<qsizetype>(table.csv_file.size()));
  QFile csv(QStringLiteral(":/support/") + csvName);
  if (!csv.open(QIODevice::ReadOnly)) {
    return xb::Status::IOError("the source of " + std::string(table.name) +
                               " is missing from the program");
  }
  const QByteArray text = csv.readAll();
  return ParseSupportCsv(std::string_view(text.constData(), static_cast<size_t>(text.size())),
                         csvName.toStdString(), data);
}

// The file's name as it is spelt in `directory` (any letter case).
QString ActualName(const QString& directory, const QString& file) {
  for (const QString& n : QDir(directory).entryList(QDir::Files)) {
    if (n.compare(file, Qt::CaseInsensitive) == 0) return n;
  }
  return file;
}

// Where the program directory notes how many delivered label stocks its
// QVPLBLS.DBF has been given, so that a stock the user deletes stays gone.
const QString kStockSection = QStringLiteral("Support Tables");
const QString kStockKey = QStringLiteral("LabelStocks");

IniFile DirectorySettings(const QString& dir) {
  return IniFile(dir + QStringLiteral("QUORVA.INI"));
}

// The label stock geometry of one source row.
LabelGeometry StockGeometry(const SupportTableData& data, size_t row) {
  auto value = [&](const char* field) {
    const int i = data.FieldIndex(field);
    return i < 0 ? std::string() : data.rows[row][static_cast<size_t>(i)];
  };
  auto length = [&](const char* field) { return QString::fromStdString(value(field)).toFloat(); };
  LabelGeometry g;
  g.description = value("USERDESC");
  g.height = length("LBLHEIGHT");
  g.width = length("LBLWIDTH");
  g.across = static_cast<int>(length("NBRACROSS"));
  g.down = static_cast<int>(length("NBRDOWN"));
  g.top_margin = length("TOPMARG");
  g.left_margin = length("LEFTMARG");
  g.horizontal_pitch = length("HORIZPITCH");
  g.vertical_pitch = length("VERTPITCH");
  g.sheet_width = length("SHEETWIDTH");
  g.sheet_height = length("SHEETDEPTH");
  return g;
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
  SupportTableData data;
  xb::Status s = LoadSource(*table, &data);
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

bool AddNewLabelStocks(const QString& directory, int* added, QStringList* leftOut, QString* why) {
  *added = 0;
  const SupportTable* source = FindTable(QStringLiteral("QVPLBLS"));
  SupportTableData data;
  xb::Status s = source != nullptr ? LoadSource(*source, &data)
                                   : xb::Status::NotFound("QVPLBLS is not a support table");
  QString dir = directory;
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  const std::string path = (dir + ActualName(dir, QStringLiteral("QVPLBLS.DBF"))).toStdString();
  xb::Settings settings;  // deleted rows count as present: none comes back
  std::unique_ptr<xb::WorkArea> area;
  if (s.ok()) s = xb::WorkArea::Open(path, xb::OpenOptions(), &settings, &area);
  if (s.ok() && !area->index_status().ok()) s = area->index_status();
  for (size_t i = 0; s.ok() && i < data.fields.size(); ++i) {
    if (area->table().FieldIndex(data.fields[i].name) < 0) {
      s = xb::Status::InvalidArgument("it has no " + data.fields[i].name + " field");
    }
  }
  std::set<QString> present;
  const int descIndex = s.ok() ? area->table().FieldIndex("USERDESC") : -1;
  if (s.ok() && descIndex < 0) s = xb::Status::Corruption("the table has no USERDESC field");
  for (s = s.ok() ? area->GoTop() : s; s.ok() && !area->eof(); s = area->Skip(1)) {
    const std::string_view raw = area->record().field(area->table().fields()[descIndex]);
    present.insert(DecodeAnsi(raw).trimmed().toUpper());
  }
  std::vector<size_t> wanted;
  const int sourceDesc = data.FieldIndex("USERDESC");
  for (size_t r = 0; s.ok() && r < data.rows.size(); ++r) {
    const LabelGeometry g = StockGeometry(data, r);
    const QString key =
        QString::fromStdString(data.rows[r][static_cast<size_t>(sourceDesc)]).trimmed().toUpper();
    if (present.count(key) > 0) continue;
    if (!ValidLabelGeometry(g).empty() || !LabelFitsSheet(g)) {
      *leftOut << QString::fromStdString(g.description);
      continue;
    }
    wanted.push_back(r);
  }
  // Posted a chunk at a time with the index kept current, as a build does.
  if (s.ok() && !wanted.empty()) s = area->SetAppendBatching(true);
  for (size_t r : wanted) {
    if (!s.ok()) break;
    s = area->Append();
    for (size_t i = 0; s.ok() && i < data.fields.size(); ++i) {
      s = PutValue(*area, area->table().FieldIndex(data.fields[i].name), data.fields[i],
                   data.rows[r][i]);
    }
    if (s.ok()) s = area->Commit();
    if (s.ok()) ++*added;
  }
  if (s.ok() && !wanted.empty()) s = area->SetAppendBatching(false);
  if (area) {
    const xb::Status closed = area->Close();
    if (s.ok()) s = closed;
  }
  if (!s.ok()) {
    *why = QString::fromStdString(s.message());
    return false;
  }
  return true;
}

QStringList InstallSupportTables(const QString& directory, QStringList* notes) {
  QStringList problems;
  QDir().mkpath(directory);
  QString dir = directory;
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  bool stocksBuilt = false;
  for (const SupportTable& t : SupportTables()) {
    const QString name = QString::fromUtf8(t.name.data(), static_cast<qsizetype>(t.name.size()));
    if (ExistsIgnoringCase(dir, name + QStringLiteral(".DBF"))) continue;
    QString why;
    if (!BuildSupportTable(name, dir, &why)) {
      problems << QStringLiteral("%1.DBF could not be created: %2").arg(name, why);
    } else if (name == QLatin1String("QVPLBLS")) {
      stocksBuilt = true;
    }
  }
  const SupportTable* stocks = FindTable(QStringLiteral("QVPLBLS"));
  SupportTableData data;
  if (stocks == nullptr || !LoadSource(*stocks, &data).ok()) return problems;
  const int delivered = static_cast<int>(data.rows.size());
  IniFile ini = DirectorySettings(dir);
  if (!stocksBuilt && ini.readInteger(kStockSection, kStockKey, 0) < delivered &&
      ExistsIgnoringCase(dir, QStringLiteral("QVPLBLS.DBF"))) {
    int added = 0;
    QStringList leftOut;
    QString why;
    if (!AddNewLabelStocks(dir, &added, &leftOut, &why)) {
      problems << QStringLiteral(
                      "The new label stocks could not be added to QVPLBLS.DBF: %1 "
                      "(%2 were added)")
                      .arg(why)
                      .arg(added);
      return problems;
    }
    if (notes != nullptr && added > 0) {
      *notes << QStringLiteral(
                    "%1 new label stocks were added to QVPLBLS.DBF; your own "
                    "definitions are as they were.")
                    .arg(added);
    }
    if (!leftOut.isEmpty()) {
      problems << QStringLiteral("These label stocks do not fit their sheets and were left out: %1")
                      .arg(leftOut.join(QStringLiteral("; ")));
    }
    stocksBuilt = true;
  }
  if (stocksBuilt && !ini.writeInteger(kStockSection, kStockKey, delivered)) {
    problems << QStringLiteral(
                    "%1 could not be written; the new label stocks will be looked for "
                    "again at the next start")
                    .arg(ini.path());
  }
  return problems;
}

}  // namespace qv
