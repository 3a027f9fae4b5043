#include "cli/transfer_csv_cmd.h"

#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <iostream>

#include "cleanup/cleanup_open.h"
#include "cli/cli_common.h"
#include "cli/transfer_cmd.h"
#include "store/apollo_env.h"
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

int ImportInto(const QString& contacts, RowSource& source) {
  TApolloEnv env;
  TableObject table(&env);
  if (!OpenContactsToImport(contacts, table)) return kExitError;
  return RunImport(table, source);
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


}  // namespace

int CmdImportCsv(const Args& a) {
  CsvFile file;
  QString error;
  if (!ScanCsvFile(PathArg(a, 1), &file, &error)) return Fail(error);
  CsvPlan plan;
  if (a.Has("--match")) {
    CsvMatch match;
    bool usage = false;
    if (!ParseCsvMatch(QString::fromLocal8Bit(a.Value("--match").c_str()), file.header, &match,
                       &error, &usage)) {
      return usage ? UsageError(error) : Fail(error);
    }
    plan = PlanOfMatch(match);
  } else {
    plan = ProposeCsvPlan(file.header);
    for (const QString& line : DescribeCsvPlan(plan, file.header)) Say(line);
  }
  if (!plan.any()) {
    return Fail(QStringLiteral("no column of ") + file.path + QStringLiteral(" is matched"));
  }
  CsvRowSource source(file, plan);
  if (!source.open(&error)) return Fail(error);
  return ImportInto(PathArg(a, 0), source);
}

int CmdImportVcard(const Args& a) {
  VcardRowSource source(PathArg(a, 1));
  QString error;
  if (!source.open(&error)) return Fail(error);
  return ImportInto(PathArg(a, 0), source);
}

int CmdExportCsv(const Args& a) {
  CsvWriter writer;
  return RunExport(a, writer, [&](const QString& path, TableObject&) { return writer.open(path); });
}

int CmdExportVcard(const Args& a) {
  VcardWriter writer;
  return RunExport(a, writer, [&](const QString& path, TableObject&) { return writer.open(path); });
}

}  // namespace qv::cli
