#include "cli/cleanup_cmd.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <iostream>

#include "cleanup/cleanup_open.h"
#include "cleanup/dup_check.h"
#include "cleanup/rewrite.h"
#include "cleanup/zip_check.h"
#include "cli/cli_common.h"
#include "cli/progress.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/filter_text.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv::cli {

namespace {

using cli::Fail;

// In the program's words, as the windows tell it.
int Fail(const xb::Status& status) { return Fail(FailureMessage(status)); }

int UsageError(const QString& message) {
  std::cerr << "quorvane-cli: " << message.toStdString() << "\n";
  return kExitUsage;
}

QString FilePath(const Args& a) {
  return QFileInfo(QString::fromLocal8Bit(a.positional[0].c_str())).absoluteFilePath();
}

QString ArgText(const Args& a, const char* option) {
  return QString::fromLocal8Bit(a.Value(option).c_str());
}

// How many of `options` were given.
int CountGiven(const Args& a, std::initializer_list<const char*> options) {
  int n = 0;
  for (const char* o : options) n += a.Has(o) ? 1 : 0;
  return n;
}

// The contact file in a table object with engine settings of the main
// window's kind: deletion-flagged records hidden.
struct Contacts {
  TApolloEnv env;
  TableObject table{&env};
  TApollo apollo;
  Contacts() {
    env.SetDeleted(true);
    apollo.SetDataSource(&table);
  }
};

xb::Status WriteOut(const std::string& text) {
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    return xb::Status::IOError("cannot write the list to the standard output");
  }
  return xb::Status::OK();
}

}  // namespace

int CmdDups(const Args& a) {
  static const std::map<std::string, DupKind> kKinds = {{"name", DupKind::LastFirst},
                                                        {"initial", DupKind::LastInitial},
                                                        {"street", DupKind::Street},
                                                        {"similar", DupKind::Similar}};
  const auto kind = kKinds.find(a.Value("--by"));
  if (kind == kKinds.end()) {
    return UsageError("dups needs --by name, --by initial, --by street or --by similar");
  }
  DupCheckOptions options;
  options.kind = kind->second;
  if (a.Has("--chars")) {
    if (options.kind != DupKind::Street) return UsageError("--chars goes with --by street");
    bool ok = false;
    options.streetChars = ArgText(a, "--chars").toInt(&ok);
    if (!ok || options.streetChars < 1 || options.streetChars > kMaxStreetChars) {
      return Fail("--chars takes a number from 1 to 30, not " + ArgText(a, "--chars"));
    }
  }
  QString home, error;
  if (!ProgramHome(&home, &error)) return Fail(error);  // the work index goes there
  Contacts c;
  if (!OpenContactsExclusively(FilePath(a), c.table)) return kExitError;
  const QString index = QDir(home).filePath(DupIndexFileName());
  DupCheckResult result;
  Progress().begin(QStringLiteral("looking for duplicates"), 0);
  xb::Status s = RunDupCheck(c.table, options, index.toStdString(), ProgressCallback(false), &result);
  if (s.ok()) s = WriteListed(c.table, {"LNAME", "FNAME", "STREET"}, WriteOut);
  if (!c.table.close() && s.ok()) s = c.table.failure();
  RemoveWorkIndex(index);
  if (!s.ok()) return Fail(s);
  std::cout << DupCountText(result.found).toStdString() << "\n";
  return 0;
}

int CmdCheckZip(const Args& a) {
  QString home, error;
  if (!ProgramHome(&home, &error)) return Fail(error);  // the state table and work index
  Contacts c;
  if (!OpenContactsExclusively(FilePath(a), c.table)) return kExitError;
  const QDir dir(home);
  StateZipRanges ranges;
  if (!ReadStateZipTable(dir.filePath(StateZipTableName()).toStdString(), c.env.settings(),
                         &ranges)
           .ok()) {
    return Fail(StateZipOpenFailedMessage());
  }
  ZipCheckOptions options;
  options.includeBlanks = a.Has("--blanks");
  const QString index = dir.filePath(ZipIndexFileName());
  ZipCheckResult result;
  Progress().begin(QStringLiteral("checking states and ZIP codes"), 0);
  xb::Status s = RunStateZipCheck(c.table, ranges, options, index.toStdString(), ProgressCallback(false),
                                  &result);
  if (s.ok()) s = WriteListed(c.table, {"STATE", "ZIP", "LNAME", "FNAME"}, WriteOut);
  if (!c.table.close() && s.ok()) s = c.table.failure();
  RemoveWorkIndex(index);
  if (!s.ok()) return Fail(s);
  std::cout << ZipCountText(result.found).toStdString() << "\n";
  return 0;
}

int CmdUpper(const Args& a) {
  if (CountGiven(a, {"--current", "--filter", "--all"}) != 1) {
    return UsageError("upper needs one of --current RECNO, --filter EXPR or --all");
  }
  QStringList fields;
  if (a.Has("--fields")) {
    for (const QString& f : ArgText(a, "--fields").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
      const QString name = f.trimmed().toUpper();
      bool known = false;
      for (const auto& [caption, field] : UpperFields()) known = known || field == name;
      if (!known) return Fail(name + " is not one of the fields converted to capitals");
      fields << name;
    }
    if (fields.isEmpty()) return Fail(NoUpperFieldsMessage());
  } else {
    for (const auto& [caption, field] : UpperFields()) fields << field;
  }
  Contacts c;
  if (!OpenContactFile(FilePath(a), c.table)) return kExitError;
  xb::Status s;
  if (a.Has("--current")) {
    bool ok = false;
    const int recno = ArgText(a, "--current").toInt(&ok);
    if (!ok || recno < 1 || recno > c.table.recordCount()) {
      return Fail(QStringLiteral("--current takes a record number from 1 to %1, not %2")
                      .arg(c.table.recordCount())
                      .arg(ArgText(a, "--current")));
    }
    if (!c.table.goToRecord(recno)) s = c.table.failure();
  } else if (a.Has("--filter")) {
    s = c.table.setQuery(FilterQuery(ArgText(a, "--filter")));
  } else {
    s = c.table.setQuery(kNotDeletedCondition);
  }
  int converted = 0;
  Progress().begin(QStringLiteral("converting to capitals"), 0);
  if (s.ok()) s = ConvertToUpper(c.table, fields, a.Has("--current"), ProgressCallback(false),
                                   &converted);
  if (!c.table.close() && s.ok()) s = c.table.failure();
  if (!s.ok()) return Fail(s);
  std::cout << "Converted " << converted << " records\n";
  return 0;
}

int CmdReplace(const Args& a) {
  if (!a.Has("--field") || CountGiven(a, {"--equals", "--contains"}) != 1 ||
      CountGiven(a, {"--with", "--delete"}) != 1) {
    return UsageError(
        "replace needs --field FIELD, one of --equals or --contains, one of --with or --delete");
  }
  ReplaceOptions options;
  options.field = ArgText(a, "--field").toUpper();
  bool known = false;
  for (const auto& [caption, field] : ReplaceTargets()) known = known || field == options.field;
  if (!known) return Fail(options.field + " is not a field search and replace works on");
  options.kind = a.Has("--contains") ? FindKind::Contains : FindKind::Exact;
  options.findValue = ArgText(a, a.Has("--contains") ? "--contains" : "--equals");
  options.caseSensitive = !a.Has("--ignore-case");
  options.replaceWhole = !a.Has("--matching-text");
  options.replaceValue = a.Has("--with") ? ArgText(a, "--with") : QString();
  Contacts c;
  if (!OpenContactFile(FilePath(a), c.table)) return kExitError;
  // The window runs on the main window's filter alone, or on every record.
  xb::Status s = c.table.setQuery(a.Has("--filter") ? ArgText(a, "--filter") : QString());
  int replaced = 0;
  Progress().begin(QStringLiteral("replacing"), 0);
  if (s.ok()) s = SearchAndReplace(c.table, options, ProgressCallback(false), &replaced);
  if (!c.table.close() && s.ok()) s = c.table.failure();
  if (!s.ok()) return Fail(s);
  std::cout << ReplacedText(replaced).toStdString() << "\n";
  return 0;
}

int CmdDelete(const Args& a) {
  if (CountGiven(a, {"--all", "--filter", "--not-filter"}) != 1) {
    return UsageError("delete needs one of --all, --filter EXPR or --not-filter EXPR");
  }
  Contacts c;
  if (!OpenContactFile(FilePath(a), c.table)) return kExitError;
  QString query;
  if (a.Has("--filter")) query = ArgText(a, "--filter");
  if (a.Has("--not-filter")) query = ".not.(" + ArgText(a, "--not-filter") + ")";
  xb::Status s = c.table.setQuery(query);
  int deleted = 0;
  Progress().begin(QStringLiteral("deleting"), 0);
  if (s.ok()) s = DeleteRecords(c.table, ProgressCallback(false), &deleted);
  if (!c.table.close() && s.ok()) s = c.table.failure();
  if (!s.ok()) return Fail(s);
  std::cout << DeletedText(deleted).toStdString() << "\n";
  return 0;
}

int CmdRecall(const Args& a) {
  if (CountGiven(a, {"--all", "--filter", "--record"}) != 1) {
    return UsageError("recall needs one of --all, --filter EXPR or --record N");
  }
  QString query = a.Has("--filter") ? ArgText(a, "--filter") : QString();
  if (a.Has("--record")) {
    bool number = false;
    const int recno = ArgText(a, "--record").toInt(&number);
    if (!number || recno < 1) {
      return Fail("--record takes a record number from 1, not " + ArgText(a, "--record"));
    }
    query = RecnoQuery(recno);
  }
  Contacts c;
  if (!OpenContactFile(FilePath(a), c.table)) return kExitError;
  xb::Status s = c.table.setQuery(query);
  int recalled = 0;
  if (s.ok()) s = RecallRecords(c.table, {}, &recalled);
  if (!c.table.close() && s.ok()) s = c.table.failure();
  if (!s.ok()) return Fail(s);
  std::cout << RecalledText(recalled).toStdString() << "\n";
  return 0;
}

}  // namespace qv::cli
