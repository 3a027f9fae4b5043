#include "cli/cleanup_cmd.h"
#include "cli/cli_common.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cleanup/cleanup_open.h"
#include "cleanup/dup_check.h"
#include "cleanup/rewrite.h"
#include "cleanup/zip_check.h"
#include "store/apollo.h"
#include "store/codepage.h"
#include "store/contact_file.h"
#include "store/filter_text.h"
#include "store/settings.h"
#include "store/table_object.h"
#include "xbase/workarea.h"

namespace qv::cli {

namespace {

using cli::Fail;

int Fail(const xb::Status& status) { return Fail(QString::fromStdString(status.ToString())); }

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

// A field as a line shows it: trimmed, in UTF-8. Plain ASCII, nearly every
// field, is copied as it is.
void AppendCell(std::string_view bytes, std::string* out) {
  auto space = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
    size_t b = 0, e = bytes.size();
    while (b < e && space(static_cast<unsigned char>(bytes[b]))) ++b;
    while (e > b && space(static_cast<unsigned char>(bytes[e - 1]))) --e;
    out->append(bytes.substr(b, e - b));
    return;
  }
  out->append(DecodeAnsi(bytes).trimmed().toStdString());
}

xb::Status WriteOut(const std::string& text) {
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    return xb::Status::IOError("cannot write the list to the standard output");
  }
  return xb::Status::OK();
}

// One line per record of the work index, in its order. The records are read
// in record order, in runs, and the lines printed through one buffer.
xb::Status PrintListed(xb::WorkArea& area, std::initializer_list<const char*> fields) {
  std::vector<uint32_t> recnos;
  XB_RETURN_IF_ERROR(ListedRecords(area, &recnos));
  xb::Table& t = area.table();
  std::vector<const xb::FieldInfo*> infos;
  for (const char* f : fields) {
    const int i = t.FieldIndex(f);
    infos.push_back(i < 0 ? nullptr : &t.fields()[i]);
  }
  // Positions in the list by record number: record number and position
  // packed in one word sort without a lookup per comparison.
  std::vector<uint64_t> packed(recnos.size());
  for (size_t i = 0; i < packed.size(); ++i) packed[i] = uint64_t{recnos[i]} << 32 | i;
  std::sort(packed.begin(), packed.end());
  std::vector<uint32_t> byRecno(packed.size());
  for (size_t i = 0; i < packed.size(); ++i) byRecno[i] = static_cast<uint32_t>(packed[i]);
  std::vector<uint64_t>().swap(packed);
  std::string lines;
  std::vector<uint64_t> lineStart(recnos.size() + 1, 0);
  std::vector<uint32_t> lineLength(recnos.size(), 0);
  constexpr uint32_t kRun = 2048;
  const size_t length = t.record_length();
  std::string buf;
  for (size_t i = 0; i < byRecno.size();) {
    const uint32_t first = recnos[byRecno[i]];
    size_t j = i;
    while (j + 1 < byRecno.size() && recnos[byRecno[j + 1]] - first < kRun) ++j;
    XB_RETURN_IF_ERROR(t.ReadRecords(first, recnos[byRecno[j]] - first + 1, &buf));
    for (; i <= j; ++i) {
      const uint32_t recno = recnos[byRecno[i]];
      xb::RecordRef r;
      r.data = buf.data() + static_cast<size_t>(recno - first) * length;
      r.recno = recno;
      lineStart[byRecno[i]] = lines.size();
      lines.append(std::to_string(recno));
      for (const xb::FieldInfo* f : infos) {
        lines.push_back('\t');
        if (f != nullptr) AppendCell(r.field(*f), &lines);
      }
      lines.push_back('\n');
      lineLength[byRecno[i]] = static_cast<uint32_t>(lines.size() - lineStart[byRecno[i]]);
    }
  }
  std::string out;
  for (size_t i = 0; i < recnos.size(); ++i) {
    out.append(lines, lineStart[i], lineLength[i]);
    if (out.size() >= (1u << 20)) {
      XB_RETURN_IF_ERROR(WriteOut(out));
      out.clear();
    }
  }
  return WriteOut(out);
}

xb::Status SetQuery(TableObject& table, const QString& condition) {
  std::string bytes;
  if (!EncodeAnsi(condition, &bytes)) {
    return xb::Status::InvalidArgument("the condition holds a character a contact file cannot");
  }
  const xb::Status s = table.area()->Query(bytes);
  table.resync();
  return s;
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
  Contacts c;
  if (!OpenContactsExclusively(FilePath(a), c.table)) return kExitError;
  const QString index = QDir(ProgramDirectory()).filePath(DupIndexFileName());
  DupCheckResult result;
  xb::Status s = RunDupCheck(*c.table.area(), options, index.toStdString(), {}, &result);
  if (s.ok()) s = PrintListed(*c.table.area(), {"LNAME", "FNAME", "STREET"});
  if (!c.table.close() && s.ok()) s = c.table.failure();
  RemoveWorkIndex(index);
  if (!s.ok()) return Fail(s);
  std::cout << DupCountText(result.found).toStdString() << "\n";
  return 0;
}

int CmdCheckZip(const Args& a) {
  Contacts c;
  if (!OpenContactsExclusively(FilePath(a), c.table)) return kExitError;
  const QDir dir(ProgramDirectory());
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
  xb::Status s =
      RunStateZipCheck(*c.table.area(), ranges, options, index.toStdString(), {}, &result);
  if (s.ok()) s = PrintListed(*c.table.area(), {"STATE", "ZIP", "LNAME", "FNAME"});
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
    s = SetQuery(c.table, FilterQuery(ArgText(a, "--filter")));
  } else {
    s = SetQuery(c.table, kNotDeletedCondition);
  }
  int converted = 0;
  if (s.ok()) s = ConvertToUpper(c.table, fields, a.Has("--current"), {}, &converted);
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
  xb::Status s = SetQuery(c.table, a.Has("--filter") ? ArgText(a, "--filter") : QString());
  int replaced = 0;
  if (s.ok()) s = SearchAndReplace(c.table, options, {}, &replaced);
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
  xb::Status s = SetQuery(c.table, query);
  int deleted = 0;
  if (s.ok()) s = DeleteRecords(c.table, {}, &deleted);
  if (!c.table.close() && s.ok()) s = c.table.failure();
  if (!s.ok()) return Fail(s);
  std::cout << DeletedText(deleted).toStdString() << "\n";
  return 0;
}

}  // namespace qv::cli
