// The commands of quorvane-cli that read or set up one contact file: info,
// dump, count, eval, keys, seek, create and init. The output of dump, count
// and eval matches the independent xBase checker's commands of the same name
// byte for byte, so the two can be diffed.
#include "cli/file_cmd.h"

#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "cli/cli_common.h"
#include "cli/dump.h"
#include "cli/tsv.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/messages.h"
#include "store/settings.h"
#include "store/support_install.h"
#include "store/table_object.h"
#include "xbase/expr.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace qv::cli {
namespace {

int Fail(const std::string& message) {
  std::cerr << "quorvane-cli: " << message << "\n";
  return kExitError;
}

int Fail(const xb::Status& status) { return Fail(status.ToString()); }

// "The contact file is damaged: <reason>. Rebuild Indexes may repair it."
std::string DamagedText(const xb::Status& status) {
  return DamagedFileMessage(QString::fromStdString(status.message())).toStdString();
}

std::string Hex2(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
  return buf;
}

char TypeLetter(const xb::Value& v) {
  return v.type == xb::ValueType::kMemo ? 'C' : static_cast<char>(v.type);
}

std::string Show(const xb::Value& v) {
  std::string text = xb::ShowValue(v);
  if (v.type == xb::ValueType::kCharacter || v.type == xb::ValueType::kMemo) return Escape(text);
  return text;
}

xb::Status OpenForReading(const std::string& path, const xb::Settings* settings,
                          std::unique_ptr<xb::WorkArea>* area) {
  xb::OpenOptions options;
  options.exclusive = false;
  options.read_only = true;
  return xb::WorkArea::Open(path, options, settings, area);
}

xb::Status SelectOrder(xb::WorkArea& area, const std::string& tag) {
  if (!area.index_status().ok()) return area.index_status();
  int order = area.TagArea(tag);
  if (order == 0) return xb::Status::NotFound("there is no tag " + tag);
  XB_RETURN_IF_ERROR(area.SetOrder(order));
  return area.GoTop();
}

// A stored key as the checker shows an order's key value.
std::string ShowKey(const xb::TagInfo& tag, const std::string& key) {
  switch (tag.key_type) {
    case xb::KeyType::kCharacter:
      return Escape(key);
    case xb::KeyType::kLogical:
      return key;
    case xb::KeyType::kDate:
      return xb::DtosFromJulian(static_cast<xb::JulianDay>(xb::DecodeNumericKey(key)));
    case xb::KeyType::kInteger: {
      // Big-endian with the sign bit flipped.
      uint32_t bits = 0;
      for (char c : key) bits = bits << 8 | static_cast<unsigned char>(c);
      return std::to_string(static_cast<int32_t>(bits ^ 0x80000000u));
    }
    case xb::KeyType::kNumeric: {
      // A number read back from a key carries xBase's default two decimals.
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.2f", xb::DecodeNumericKey(key));
      return buf;
    }
  }
  return key;
}

}  // namespace

int CmdInfo(const Args& a) {
  std::unique_ptr<xb::Table> table;
  xb::OpenOptions options;
  options.exclusive = false;
  options.read_only = true;
  xb::Status s = xb::Table::Open(a.positional[0], options, &table);
  if (!s.ok()) return Fail(s);
  std::cout << "signature\t" << Hex2(table->signature()) << "\n";
  std::cout << "codepage\t" << Hex2(table->language_driver()) << "\n";
  std::cout << "records\t" << table->record_count() << "\n";
  for (const xb::FieldInfo& f : table->fields()) {
    std::cout << "field\t" << f.name << "\t" << f.type << "\t" << f.width << "\t"
              << static_cast<int>(f.decimals);
    // Its bytes are still dumped as they are.
    if (!xb::KnownFieldType(f.type)) std::cout << "\tunknown type";
    std::cout << "\n";
  }
  table.reset();
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  s = OpenForReading(a.positional[0], &settings, &area);
  if (!s.ok()) return Fail(s);
  if (!area->index_status().ok()) {
    std::cout << "index\tinvalid\t" << area->index_status().message() << "\n";
  }
  for (int i = 1; i <= area->order_count(); ++i) {
    const xb::TagInfo& t = area->OrderInfo(i);
    std::cout << "tag\t" << t.name << "\t" << Escape(t.key_expr) << "\t" << Escape(t.for_expr)
              << "\t" << (t.unique ? "unique" : "-") << "\t"
              << (t.descending ? "descend" : "ascend") << "\n";
  }
  return 0;
}

int CmdKeys(const Args& a) {
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (s.ok()) s = SelectOrder(*area, a.positional[1]);
  if (!s.ok()) return Fail(s);
  const xb::TagInfo& tag = area->OrderInfo(area->IndexOrd());
  std::string key, line;
  for (; s.ok() && !area->eof(); s = area->Skip(1)) {
    s = area->CurrentKey(&key);
    if (!s.ok()) break;
    line = std::to_string(area->recno()) + "\t" + ShowKey(tag, key) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  if (!s.ok()) return Fail(DamagedText(s));
  return 0;
}

int CmdSeek(const Args& a) {
  xb::Settings settings;
  settings.soft_seek = a.Has("--soft");
  settings.exact = a.Has("--exact");
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (s.ok()) s = SelectOrder(*area, a.positional[1]);
  bool found = false;
  if (s.ok()) s = area->Seek(a.positional[2], &found);
  if (!s.ok()) return Fail(s);
  std::cout << (found ? "found" : "notfound") << "\t" << area->recno() << "\t"
            << (area->eof() ? "eof" : "-") << "\n";
  return 0;
}

int CmdCreate(const Args& a) {
  const QString path =
      QFileInfo(QString::fromLocal8Bit(a.positional[0].c_str())).absoluteFilePath();
  if (QFileInfo::exists(path)) return Fail(a.positional[0] + " already exists");
  TApolloEnv env;
  TableObject table(&env);
  TApollo apollo;
  apollo.SetDataSource(&table);
  // The messages themselves went to the standard error stream.
  if (!CreateContactFile(path, table, apollo)) return kExitError;
  std::cout << "created " << path.toStdString() << ", " << table.tagCount() << " tags\n";
  return 0;
}

int CmdInit(const Args&) {
  QString dir, error;
  if (!ProgramHome(&dir, &error)) return Fail(error.toStdString());
  QStringList notes;
  const QStringList problems = InstallSupportTables(dir, &notes);
  for (const QString& n : notes) std::cerr << n.toStdString() << "\n";
  for (const QString& p : problems) std::cerr << "quorvane-cli: " << p.toStdString() << "\n";
  IniFile ini = SettingsFile();
  const QString contacts = DefaultContactFile(dir);
  if (ReadRecentFiles(ini).isEmpty() && !QFileInfo::exists(contacts)) {
    TApolloEnv env;
    TableObject table(&env);
    TApollo apollo;
    apollo.SetDataSource(&table);
    if (!CreateContactFile(contacts, table, apollo)) return kExitError;
  }
  std::cout << dir.toStdString() << "\n";
  return problems.isEmpty() ? 0 : kExitError;
}

int CmdDump(const Args& a) {
  TApolloEnv env;  // records carrying the deletion flag are listed, marked
  TableObject table(&env);
  AimForReading(table, a.positional[0]);
  if (a.positional.size() > 1) table.setIndexName(QString::fromLocal8Bit(a.positional[1].c_str()));
  QString error;
  if (!table.open(&error)) return Fail(error.toStdString());
  const bool whole = DumpRecords(
      table, [](const std::string& line) { std::fwrite(line.data(), 1, line.size(), stdout); });
  if (!whole) return Fail(table.failureMessage().toStdString());
  // Values read as empty because of a damaged pointer: told once, and the
  // dump still stands.
  const std::string notice = table.area()->table().memo_notice();
  if (!notice.empty()) std::cerr << "quorvane-cli: " << notice << "\n";
  return 0;
}

int CmdCount(const Args& a) {
  xb::Settings settings;
  settings.exact = a.Has("--exact");
  // Hidden as the main window hides them; --deleted, which asked for that
  // before it was the default, is still taken.
  settings.deleted = !a.Has("--all");
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (!s.ok()) return Fail(s);
  s = area->Query(a.positional[1]);
  // A condition that does not compile, or fails on a record ("the
  // condition fails on record N: ..."), is bad input; anything else is the
  // file.
  if (!s.ok()) return Fail(s.IsInvalidArgument() ? s.message() : DamagedText(s));
  uint32_t n = 0;
  s = area->QueryRecCount(&n);
  if (!s.ok()) return Fail(s.IsInvalidArgument() ? s.message() : DamagedText(s));
  std::cout << n << "\n";
  return 0;
}

int CmdEval(const Args& a) {
  xb::Settings settings;
  settings.exact = a.Has("--exact");
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (!s.ok()) return Fail(s);
  char* end = nullptr;
  long recno = std::strtol(a.positional[1].c_str(), &end, 10);
  if (end == a.positional[1].c_str() || *end != '\0' || recno < 0) {
    return Fail("not a record number: " + a.positional[1]);
  }
  s = area->Go(static_cast<uint32_t>(recno));
  if (!s.ok()) return Fail(s);
  xb::Value v;
  s = area->Eval(a.positional[2], &v);
  if (!s.ok()) return Fail(s);
  std::cout << TypeLetter(v) << "\t" << Show(v) << "\n";
  return 0;
}

}  // namespace qv::cli
