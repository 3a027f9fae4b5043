#include "cli/transfer_cmd.h"

#include <QFileInfo>
#include <algorithm>
#include <iostream>

#include "cleanup/cleanup_open.h"
#include "cli/cli_common.h"
#include "cli/progress.h"
#include "store/apollo_env.h"
#include "store/contact_file.h"
#include "store/contact_schema.h"
#include "store/table_object.h"
#include "transfer/ascii_import.h"
#include "transfer/copy_out.h"
#include "transfer/dbf_import.h"
#include "transfer/import_rows.h"

namespace qv::cli {

int UsageError(const QString& message) {
  std::cerr << "quorvane-cli: " << message.toStdString() << "\n";
  return kExitUsage;
}

QString PathArg(const Args& a, size_t i) {
  return QFileInfo(QString::fromLocal8Bit(a.positional[i].c_str())).absoluteFilePath();
}

void Say(const QString& text) { std::cout << OneLine(text).toStdString() << "\n"; }

bool OpenContactsToImport(const QString& path, TableObject& table) {
  if (!OpenContactsExclusively(path, table)) return false;
  for (const xb::FieldDef& f : ContactFields()) {
    if (table.fieldIndex(QString::fromStdString(f.name)) < 0) {
      (void)table.close();  // nothing written yet: nothing to lose
      Fail(UnableToOpenMessage(path));
      return false;
    }
  }
  return true;
}

int RunImport(TableObject& table, RowSource& source) {
  ImportResult result;
  Progress().begin(QStringLiteral("importing"), 0);
  const auto rebuilding = [](int percent) {
    Progress().setActivity(QStringLiteral("rebuilding the index"));
    Progress().percent(percent);
  };
  xb::Status s = ImportRows(table, source, ProgressCallback(true), &result, rebuilding);
  for (const QString& notice : ImportNotices(result, source)) {
    std::cerr << OneLine(notice).toStdString() << "\n";
  }
  if (!table.close() && s.ok()) s = table.failure();
  if (!s.ok()) {
    const QString why = QString::fromStdString(s.message().empty() ? s.ToString() : s.message());
    return Fail(why + QStringLiteral("\nThe import stopped after importing %1 records.")
                          .arg(result.posted));
  }
  Say(ImportCompleteMessage(result.posted));
  return 0;
}

namespace {

QString ArgText(const Args& a, const char* option) {
  return QString::fromLocal8Bit(a.Value(option).c_str());
}

// The contact file opened to itself.
struct Contacts {
  TApolloEnv env;
  TableObject table{&env};
  bool open(const QString& path) { return OpenContactsToImport(path, table); }
};

// "N=TARGET,N=TARGET": columns from 1, targets by caption, any case.
bool ParseAsciiMatch(const QString& text, AsciiMatch* match, QString* error) {
  match->clear();
  for (const QString& item : text.split(QLatin1Char(','))) {
    const qsizetype eq = item.indexOf(QLatin1Char('='));
    bool ok = false;
    const int column = eq < 0 ? 0 : item.left(eq).trimmed().toInt(&ok);
    if (!ok || column < 1 || column > kAsciiMaxColumns) {
      *error = QStringLiteral("--match takes N=TARGET with N a column from 1 to 255, not \"") +
               item + QLatin1Char('"');
      return false;
    }
    const auto target = TargetFromCaption(item.mid(eq + 1).trimmed());
    if (!target) {
      *error = QStringLiteral("no contact field is called \"") + item.mid(eq + 1).trimmed() +
               QLatin1Char('"');
      return false;
    }
    if (match->size() < static_cast<size_t>(column)) match->resize(static_cast<size_t>(column));
    if ((*match)[column - 1]) {
      *error = QStringLiteral("column %1 is matched twice").arg(column);
      return false;
    }
    (*match)[column - 1] = target;
  }
  return CheckAsciiMatch(*match, error);
}

// "FIELD=TARGET,...": source fields and match labels, any case, each of
// them once, of a type the label offers.
bool ParseDbfMatch(const QString& text, std::vector<DbfSourceField>* fields, QString* error) {
  QStringList grid;
  for (int i = 0; i < kDbfMatchRows; ++i) grid.append(QString());
  for (const QString& item : text.split(QLatin1Char(','))) {
    const qsizetype eq = item.indexOf(QLatin1Char('='));
    const QString name = item.left(eq).trimmed().toUpper();
    const QString label = item.mid(eq + 1).trimmed();
    int row = -1;
    for (int r = 0; r < kDbfMatchRows; ++r) {
      if (DbfMatchLabels()[r].compare(label, Qt::CaseInsensitive) == 0) row = r;
    }
    auto field = std::find_if(fields->begin(), fields->end(),
                              [&](const DbfSourceField& f) { return f.name == name; });
    if (eq < 0 || row < 0) {
      *error = QStringLiteral("--match takes FIELD=TARGET with TARGET one of the contact "
                              "fields, not \"") + item + QLatin1Char('"');
      return false;
    }
    if (field == fields->end()) {
      *error = QStringLiteral("the source table has no field ") + name;
      return false;
    }
    if (!AllowedTypes(DbfMatchLabels()[row]).contains(field->type)) {
      *error = QStringLiteral("%1 is of type %2; \"%3\" takes fields of type %4")
                   .arg(name, QString(field->type), DbfMatchLabels()[row],
                        AllowedTypes(DbfMatchLabels()[row]));
      return false;
    }
    if (grid.contains(name) || !grid[row].isEmpty()) {
      *error = QStringLiteral("%1 or \"%2\" is matched twice").arg(name, DbfMatchLabels()[row]);
      return false;
    }
    SelectFieldInRow(&grid, row, name);
  }
  SaveMatchGrid(grid, fields);
  return true;
}

}  // namespace

int CmdImportAscii(const Args& a) {
  if (!a.Has("--match")) return UsageError(QStringLiteral("import-ascii needs --match N=TARGET,..."));
  AsciiMatch match;
  QString error;
  if (!ParseAsciiMatch(ArgText(a, "--match"), &match, &error)) return UsageError(error);
  const QString text = PathArg(a, 1);
  AsciiSample sample;
  if (!SampleAsciiFile(text, &sample, &error)) return Fail(UnableToImportMessage() + ": " + error);
  if (!sample.accepted()) return Fail(UnableToImportMessage());
  if (sample.columnsCut) {
    std::cerr << "quorvane-cli: only the first " << kAsciiMaxColumns
              << " columns of a line can be matched\n";
  }
  if (match.size() > static_cast<size_t>(sample.columnCount)) {
    return Fail(QStringLiteral("the file has %1 columns; column %2 is not one of them")
                    .arg(sample.columnCount)
                    .arg(match.size()));
  }
  AsciiRowSource source(text, sample.columnCount, match);
  if (!source.open(&error)) return Fail(error);
  Contacts c;
  if (!c.open(PathArg(a, 0))) return kExitError;
  return RunImport(c.table, source);
}

int CmdImportDbf(const Args& a) {
  const QString sourcePath = PathArg(a, 1);
  TApolloEnv sourceEnv;
  sourceEnv.SetDeleted(true);
  TableObject source(&sourceEnv);
  QString message;
  if (!OpenDbfSource(sourcePath, source, &message)) return Fail(message);
  QString leftOut;
  std::vector<DbfSourceField> fields = ReadSourceFields(source, &leftOut);
  if (fields.empty()) return Fail(UnableToImportMessage());
  if (!leftOut.isEmpty()) Say(leftOut);
  if (a.Has("--match")) {
    QString error;
    if (!ParseDbfMatch(ArgText(a, "--match"), &fields, &error)) return Fail(error);
  } else {
    SaveMatchGrid(OpenMatchGrid(&fields, false), &fields);
    for (const DbfSourceField& f : fields) {
      if (!f.target.isEmpty()) Say(f.name + QStringLiteral(" -> ") + f.target);
    }
  }
  if (std::none_of(fields.begin(), fields.end(),
                   [](const DbfSourceField& f) { return !f.target.isEmpty(); })) {
    return Fail(QStringLiteral("no field of ") + sourcePath + QStringLiteral(" is matched"));
  }
  DbfRowSource rows(source, fields);
  Contacts c;
  if (!c.open(PathArg(a, 0))) return kExitError;
  return RunImport(c.table, rows);
}

int CmdCopyOut(const Args& a) {
  const bool toDbf = a.Has("--dbf");
  if (toDbf == a.Has("--ascii")) return UsageError(QStringLiteral("copy-out needs --dbf or --ascii"));
  const QString contacts = PathArg(a, 0);
  const QString out = PathArg(a, 1);
  const CopyNameCheck check = CheckCopyName(out, toDbf, contacts);
  if (check == CopyNameCheck::NotDbf || check == CopyNameCheck::ToItself) {
    return Fail(CopyNameMessage(check, out));
  }
  DbfCopyWriter dbf;
  AsciiCopyWriter ascii;
  if (toDbf) {
    return RunExport(a, dbf, [&](const QString& path, TableObject& table) { return dbf.open(path, table); },
                     CopyErrorMessage() + QStringLiteral(": "));
  }
  return RunExport(a, ascii, [&](const QString& path, TableObject&) { return ascii.open(path); });
}

int RunExport(const Args& a, RecordWriter& writer,
              const std::function<xb::Status(const QString&, TableObject&)>& open,
              const QString& failure) {
  const QString contacts = PathArg(a, 0);
  const QString out = PathArg(a, 1);
  if (QFileInfo(out) == QFileInfo(contacts)) return Fail(CopyNameMessage(CopyNameCheck::ToItself, out));
  TApolloEnv env;
  env.SetDeleted(true);
  TableObject table(&env);
  const QFileInfo info(contacts);
  table.setDatabaseName(info.absolutePath());
  table.setTableName(info.fileName());
  table.setExclusive(false);
  table.setReadOnly(true);
  if (!info.isFile() || !table.open()) return Fail(UnableToOpenMessage(contacts));
  const QString filter = ArgText(a, "--filter");
  int count = 0;
  xb::Status s = table.setQuery(CopySelection(filter));
  if (s.ok()) s = table.countVisible(&count);
  if (!s.ok()) return Fail(FailureMessage(s));
  if (count == 0) return Fail(NothingToCopyMessage());
  if (QFileInfo::exists(out)) {
    std::cerr << "quorvane-cli: " << out.toStdString() << " already exists; it is overwritten\n";
  }
  std::int64_t copied = 0;
  s = open(out, table);
  Progress().begin(QStringLiteral("copying out"), count);
  if (s.ok()) {
    s = CopyRecordsOut(table, filter, ArgText(a, "--order"), writer, ProgressCallback(true), &copied);
  }
  if (!s.ok()) {
    const QString why =
        table.failed() ? table.failureMessage() : failure + QString::fromStdString(s.message());
    // A failed export is thrown away whole: a file of that name keeps what it had.
    return Fail(why + QStringLiteral("\nNothing was written to ") + out);
  }
  Say(CopiedMessage(copied));
  return 0;
}

}  // namespace qv::cli
