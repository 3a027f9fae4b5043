// quorvane-cli: scripting and checking contact files from the shell. The
// output of dump, count and eval matches the independent xBase checker's
// commands of the same name byte for byte, so the two can be diffed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/tsv.h"
#include "store/contact_schema.h"
#include "xbase/expr.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace qv::cli {
namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

struct Args {
  std::vector<std::string> positional;
  std::map<std::string, bool> flags;

  bool Has(const std::string& flag) const { return flags.count(flag) > 0; }
};

int Fail(const std::string& message) {
  std::cerr << "quorvane-cli: " << message << "\n";
  return kExitError;
}

int Fail(const xb::Status& status) { return Fail(status.ToString()); }

int Usage() {
  std::cerr << "usage: quorvane-cli COMMAND ARGS\n"
               "  info FILE                          structure and record count\n"
               "  dump FILE [TAG]                    records as tab-separated lines\n"
               "  count FILE EXPR [--exact] [--deleted]\n"
               "                                     records for which EXPR is true\n"
               "  eval FILE RECNO EXPR [--exact]     type letter and value of EXPR\n"
               "  make FILE ROWS.TSV                 a contact file from tab-separated rows\n";
  return kExitUsage;
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
              << static_cast<int>(f.decimals) << "\n";
  }
  return 0;
}

int CmdDump(const Args& a) {
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (!s.ok()) return Fail(s);
  if (a.positional.size() > 1 && !a.positional[1].empty()) {
    return Fail("index orders are not available yet: " + a.positional[1]);
  }
  const auto& fields = area->table().fields();
  std::string line;
  for (s = area->GoTop(); s.ok() && !area->eof(); s = area->Skip(1)) {
    xb::RecordRef r = area->record();
    line = std::to_string(r.recno);
    line += r.deleted() ? "\t*" : "\t ";
    for (const xb::FieldInfo& f : fields) {
      line += '\t';
      line += Show(xb::FieldValue(f, r.field(f), r.memo));
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  if (!s.ok()) return Fail(s);
  return 0;
}

int CmdCount(const Args& a) {
  xb::Settings settings;
  settings.exact = a.Has("--exact");
  settings.deleted = a.Has("--deleted");
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (!s.ok()) return Fail(s);
  s = area->Query(a.positional[1]);
  if (!s.ok()) return Fail(s);
  uint32_t n = 0;
  s = area->QueryRecCount(&n);
  if (!s.ok()) return Fail(s);
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

// One TSV value into field `i` of the current record, as the checker's
// make command stores it.
xb::Status PutValue(xb::Table& table, int i, const std::string& raw) {
  const xb::FieldInfo& f = table.fields()[i];
  switch (f.type) {
    case 'C':
      return table.SetFieldBytes(i, Unescape(raw));
    case 'D': {
      xb::JulianDay jd = xb::JulianFromDtos(raw);
      return table.SetFieldBytes(i, jd == 0 ? std::string(8, ' ') : xb::DtosFromJulian(jd));
    }
    case 'L':
      return table.SetFieldBytes(i, (raw == "T" || raw == "t") ? "T" : "F");
    case 'N': {
      double n = std::strtod(raw.c_str(), nullptr);
      char buf[64];
      int len = std::snprintf(buf, sizeof buf, "%*.*f", f.width, f.decimals, n);
      if (len < 0 || len > f.width) {
        return xb::Status::InvalidArgument("value " + raw + " does not fit field " + f.name);
      }
      return table.SetFieldBytes(i, buf);
    }
    case 'M':
      return raw.empty() ? xb::Status::OK() : table.SetMemo(i, Unescape(raw));
  }
  return xb::Status::OK();
}

int CmdMake(const Args& a) {
  const std::string& path = a.positional[0];
  std::ifstream in(a.positional[1], std::ios::binary);
  if (!in) return Fail("cannot read " + a.positional[1]);
  auto start = std::chrono::steady_clock::now();
  std::remove(path.c_str());
  xb::Status s = xb::Table::Create(path, ContactFields());
  if (!s.ok()) return Fail(s);
  std::unique_ptr<xb::Table> table;
  s = xb::Table::Open(path, xb::OpenOptions(), &table);
  if (!s.ok()) return Fail(s);
  std::string line;
  int line_no = 0;
  while (std::getline(in, line)) {
    ++line_no;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" ") == std::string::npos) continue;
    std::vector<std::string> values = SplitTabs(line);
    s = table->Append();
    for (size_t i = 0; s.ok() && i < values.size() && i < table->fields().size(); ++i) {
      s = PutValue(*table, static_cast<int>(i), values[i]);
    }
    if (s.ok() && values.size() > 20 && values[20] == "*") s = table->SetDeleted(true);
    if (s.ok()) s = table->Flush();
    if (!s.ok()) return Fail("line " + std::to_string(line_no) + ": " + s.ToString());
  }
  uint32_t count = table->record_count();
  s = table->Close();
  if (!s.ok()) return Fail(s);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start).count();
  std::cout << "made " << count << " records, 0 tags in " << ms << " ms\n";
  return 0;
}

struct Command {
  size_t min_args;
  size_t max_args;
  std::function<int(const Args&)> run;
};

}  // namespace

int Main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::map<std::string, Command> commands = {
      {"info", {1, 1, CmdInfo}},   {"dump", {1, 2, CmdDump}},   {"count", {2, 2, CmdCount}},
      {"eval", {3, 3, CmdEval}},   {"make", {2, 2, CmdMake}},
  };
  auto it = commands.find(argv[1]);
  if (it == commands.end()) return Usage();
  Args args;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
      args.flags[arg] = true;
    } else {
      args.positional.push_back(arg);
    }
  }
  if (args.positional.size() < it->second.min_args || args.positional.size() > it->second.max_args) {
    return Usage();
  }
  return it->second.run(args);
}

}  // namespace qv::cli

int main(int argc, char** argv) { return qv::cli::Main(argc, argv); }
