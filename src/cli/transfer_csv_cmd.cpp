#include "cli/transfer_csv_cmd.h"

#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <iostream>

#include "cleanup/cleanup_open.h"
#include "cli/cli_common.h"
#include "store/apollo.h"
#include "store/codepage.h"
#include "store/contact_file.h"
#include "store/contact_schema.h"
#include "store/table_object.h"
#include "transfer/copy_out.h"
#include "transfer/csv.h"
#include "transfer/import_rows.h"
#include "transfer/vcard.h"

namespace qv::cli {

namespace {

int UsageError(const QString& message) {
  std::cerr << "quorvane-cli: " << message.toStdString() << "\n";
  return kExitUsage;
}

QString PathArg(const Args& a, size_t i) {
  return QFileInfo(QString::fromLocal8Bit(a.positional[i].c_str())).absoluteFilePath();
}

void Say(const QString& text) { std::cout << OneLine(text).toStdString() << "\n"; }

// Opens the contact file to itself, refusing a table that lacks a contact
// field; the messages went to the standard error stream.
bool OpenContacts(const QString& path, TableObject& table) {
  if (!OpenContactsExclusively(path, table)) return false;
  for (const xb::FieldDef& f : ContactFields()) {
    if (table.fieldIndex(QString::fromStdString(f.name)) < 0) {
      table.close();
      Fail(UnableToOpenMessage(path));
      return false;
    }
  }
  return true;
}

int RunImport(const QString& contacts, RowSource& source) {
  TApolloEnv env;
  TableObject table(&env);
  if (!OpenContacts(contacts, table)) return kExitError;
  ImportResult result;
  const xb::Status s = ImportRows(table, source, nullptr, &result);
  for (const QString& notice : {UnstorableMessage(result), BadDateMessage(result)}) {
    if (!notice.isEmpty()) std::cerr << OneLine(notice).toStdString() << "\n";
  }
  table.close();
  if (!s.ok()) {
    const QString why = QString::fromStdString(s.message().empty() ? s.ToString() : s.message());
    return Fail(why + QStringLiteral("\nThe import stopped after importing %1 records.")
                          .arg(result.posted));
  }
  Say(ImportCompleteMessage(result.posted));
  return 0;
}

// "HEADER=TARGET,...": headers as the file names them, any case; targets
// by caption; Memo may take several columns, every other target one.
bool ParseCsvMatch(const QString& text, const QStringList& header, CsvMatch* match,
                   QString* error, bool* usage) {
  match->assign(static_cast<size_t>(header.size()), std::nullopt);
  for (const QString& item : text.split(QLatin1Char(','))) {
    const qsizetype eq = item.lastIndexOf(QLatin1Char('='));
    const QString name = item.left(eq).trimmed();
    const auto target = TargetFromCaption(item.mid(eq + 1).trimmed());
    *usage = true;
    if (eq <= 0 || !target) {
      *error = QStringLiteral("--match takes HEADER=TARGET with TARGET one of the contact "
                              "fields, not \"") + item + QLatin1Char('"');
      return false;
    }
    *usage = false;
    qsizetype column = -1;
    for (qsizetype i = 0; i < header.size() && column < 0; ++i) {
      if (header[i].compare(name, Qt::CaseInsensitive) == 0) column = i;
    }
    if (column < 0) {
      *error = QStringLiteral("the file has no column \"") + name + QLatin1Char('"');
      return false;
    }
    const bool taken = *target != ContactTarget::Memo &&
                       std::find(match->begin(), match->end(), target) != match->end();
    if ((*match)[column] || taken) {
      *error = QStringLiteral("\"%1\" or \"%2\" is matched twice")
                   .arg(name, TargetInfoOf(*target).caption);
      return false;
    }
    (*match)[column] = target;
  }
  return true;
}

// The export frame: the contact file read-only, its selection counted,
// every record handed to `writer`.
int RunExport(const Args& a, RecordWriter& writer,
              const std::function<xb::Status(const QString&)>& open) {
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
  const QString filter = QString::fromLocal8Bit(a.Value("--filter").c_str());
  std::string condition;
  uint32_t count = 0;
  xb::Status s = EncodeAnsi(CopySelection(filter), &condition)
                     ? table.area()->Query(condition)
                     : xb::Status::InvalidArgument("the filter holds a character a contact file cannot");
  if (s.ok()) s = table.area()->QueryRecCount(&count);
  if (!s.ok()) return Fail(QString::fromStdString(s.ToString()));
  if (count == 0) return Fail(NothingToCopyMessage());
  if (QFileInfo::exists(out)) {
    std::cerr << "quorvane-cli: " << out.toStdString() << " already exists; it is overwritten\n";
  }
  std::int64_t copied = 0;
  s = open(out);
  if (s.ok()) s = CopyRecordsOut(table, filter, QString(), writer, nullptr, &copied);
  if (!s.ok()) {
    return Fail(QString::fromStdString(s.ToString()) +
                QStringLiteral("\n%1 records were written to ").arg(copied) + out);
  }
  Say(CopiedMessage(copied));
  return 0;
}

}  // namespace

int CmdImportCsv(const Args& a) {
  CsvFile file;
  QString error;
  if (!ScanCsvFile(PathArg(a, 1), &file, &error)) return Fail(error);
  CsvMatch match;
  if (a.Has("--match")) {
    bool usage = false;
    if (!ParseCsvMatch(QString::fromLocal8Bit(a.Value("--match").c_str()), file.header, &match,
                       &error, &usage)) {
      return usage ? UsageError(error) : Fail(error);
    }
  } else {
    match = ProposeCsvMatch(file.header);
    for (size_t i = 0; i < match.size(); ++i) {
      if (match[i]) Say(file.header[static_cast<qsizetype>(i)] + QStringLiteral(" -> ") +
                        TargetInfoOf(*match[i]).caption);
    }
  }
  if (std::none_of(match.begin(), match.end(), [](const auto& t) { return t.has_value(); })) {
    return Fail(QStringLiteral("no column of ") + file.path + QStringLiteral(" is matched"));
  }
  CsvRowSource source(file, match);
  if (!source.open(&error)) return Fail(error);
  return RunImport(PathArg(a, 0), source);
}

int CmdImportVcard(const Args& a) {
  VcardRowSource source(PathArg(a, 1));
  QString error;
  if (!source.open(&error)) return Fail(error);
  return RunImport(PathArg(a, 0), source);
}

int CmdExportCsv(const Args& a) {
  CsvWriter writer;
  return RunExport(a, writer, [&](const QString& path) { return writer.open(path); });
}

int CmdExportVcard(const Args& a) {
  VcardWriter writer;
  return RunExport(a, writer, [&](const QString& path) { return writer.open(path); });
}

}  // namespace qv::cli
