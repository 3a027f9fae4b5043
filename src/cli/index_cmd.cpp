#include "cli/index_cmd.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <QFileInfo>

#include "cli/dump.h"
#include "cli/progress.h"
#include "cli/tsv.h"
#include "store/contact_schema.h"
#include "store/owned_table.h"
#include "xbase/expr.h"
#include "xbase/index_check.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace qv::cli {
namespace {

constexpr int kExitError = 1;

int Fail(const std::string& message) {
  Progress().clear();
  std::cerr << "quorvane-cli: " << message << "\n";
  return kExitError;
}

int Fail(const xb::Status& status) { return Fail(status.ToString()); }

// A table another program holds is refused in these words, whatever the
// engine's message.
int FailOpen(const std::string& path, const xb::Status& status) {
  if (status.IsInUse()) return Fail(path + " is in use: another program has it open");
  return Fail(status);
}

// "tag NAME damaged: REASON", or the reason the whole file could not be read.
std::string DamageLine(const xb::TagCheck& t) {
  if (t.name.empty()) return "index damaged: " + t.problem;
  return "tag " + t.name + " damaged: " + t.problem;
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

// Builds the contact tags of the table at `path` (open exclusively), with
// the old index's damage listed in *damaged. *line gets the summary.
xb::Status BuildTags(const std::string& path, const char* verb, std::vector<xb::TagCheck>* damaged,
                     std::string* line) {
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  XB_RETURN_IF_ERROR(xb::WorkArea::Open(path, xb::OpenOptions(), &settings, &area));
  const auto start = std::chrono::steady_clock::now();
  Progress().begin(QStringLiteral("building the contact tags"), 0);
  XB_RETURN_IF_ERROR(RebuildContactIndex(
      *area, [](int percent) { Progress().percent(percent); }, damaged));
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start).count();
  *line = std::string(verb) + " " + std::to_string(area->table().record_count()) + " records, " +
          std::to_string(area->order_count()) + " tags in " + std::to_string(ms) + " ms\n";
  return area->Commit();
}

// Fills the new contact file at `side` from the rows and builds its tags.
xb::Status MakeSide(const std::string& side, std::istream& in, std::string* line) {
  XB_RETURN_IF_ERROR(xb::Table::Create(side, ContactFields()));
  std::unique_ptr<xb::Table> table;
  XB_RETURN_IF_ERROR(xb::Table::Open(side, xb::OpenOptions(), &table));
  // The side file is renamed into place only when whole, so its records
  // may reach the disk in batches instead of one sync each.
  XB_RETURN_IF_ERROR(table->SetAppendBatching(true));
  std::string row;
  int line_no = 0;
  while (std::getline(in, row)) {
    ++line_no;
    if (!row.empty() && row.back() == '\r') row.pop_back();
    if (row.find_first_not_of(" ") == std::string::npos) continue;
    std::vector<std::string> values = SplitTabs(row);
    xb::Status s = table->Append();
    for (size_t i = 0; s.ok() && i < values.size() && i < table->fields().size(); ++i) {
      s = PutValue(*table, static_cast<int>(i), values[i]);
    }
    if (s.ok() && values.size() > 20 && values[20] == "*") s = table->SetDeleted(true);
    if (s.ok()) s = table->Flush();
    if (!s.ok()) return xb::Status::InvalidArgument("line " + std::to_string(line_no) + ": " + s.ToString());
  }
  XB_RETURN_IF_ERROR(table->SetAppendBatching(false));
  XB_RETURN_IF_ERROR(table->Close());
  table.reset();
  return BuildTags(side, "made", nullptr, line);
}

}  // namespace

int CmdMake(const Args& a) {
  const std::string& path = a.positional[0];
  std::ifstream in(a.positional[1], std::ios::binary);
  if (!in) return Fail("cannot read " + a.positional[1]);
  // The lock first: a file open elsewhere, or being made by another run,
  // is left alone. The new file is built beside it and renamed in whole.
  std::unique_ptr<xb::TableReplacement> replacement;
  xb::Status s = xb::TableReplacement::Begin(path, &replacement);
  if (!s.ok()) return FailOpen(path, s);
  std::string line;
  s = MakeSide(replacement->side_path(), in, &line);
  if (s.ok()) s = replacement->Commit();
  if (!s.ok()) return Fail(s);
  std::cout << line;
  return 0;
}

int CmdReindex(const Args& a) {
  const std::string& path = a.positional[0];
  std::vector<xb::TagCheck> damaged;
  std::string line;
  const xb::Status s = BuildTags(path, "reindex", &damaged, &line);
  // What was damaged is told whether or not the rebuild went through.
  for (const xb::TagCheck& t : damaged) std::cout << DamageLine(t) << "\n";
  if (!s.ok()) return FailOpen(path, s);
  std::cout << line;
  return 0;
}

int CmdCheck(const Args& a) {
  const std::string& path = a.positional[0];
  OwnedTable contacts;
  TableObject& table = contacts.table;
  AimForReading(table, path);
  if (!table.open()) return FailOpen(path, table.failure());
  const QString index = table.productionIndexPath();
  if (!QFileInfo::exists(index)) return Fail(path + " has no index file");
  // The check reads the file itself: the table's own handle on it goes first.
  std::vector<xb::TagCheck> tags;
  QString why;
  if (!contacts.apollo.CloseIndexes()) {
    why = contacts.apollo.LastError();
  } else if (const xb::Status s = table.checkIndex(index, &tags); !s.ok()) {
    why = QString::fromStdString(s.message());
  }
  if (!why.isEmpty()) {
    return Fail("the index file " + index.toStdString() + " cannot be checked: " + why.toStdString());
  }
  size_t bad = 0;
  for (const xb::TagCheck& t : tags) {
    if (t.ok) {
      std::cout << "tag " << t.name << " ok " << t.entries << " entries\n";
    } else {
      ++bad;
      std::cout << DamageLine(t) << "\n";
    }
  }
  if (bad == 0) {
    std::cout << "ok " << tags.size() << " tags\n";
    return 0;
  }
  std::cout << "damaged " << bad << " of " << tags.size() << " tags\n";
  return kExitError;
}

}  // namespace qv::cli
