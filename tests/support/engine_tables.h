// Tables written and read straight through the engine, so the layer under
// test reads what it did not write itself, and what it wrote is read back
// by code it does not share; and the engine's check of an index.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "xbase/index_check.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace qvtest {

// Row values are raw field bytes (memo fields: the memo text); `tags` are
// {name, key expression}; `deleted` lists record numbers to flag.
inline xb::Status MakeTable(const std::string& path, const std::vector<xb::FieldDef>& fields,
                            const std::vector<std::vector<std::string>>& rows,
                            const std::vector<std::pair<std::string, std::string>>& tags = {},
                            const std::vector<int>& deleted = {}) {
  XB_RETURN_IF_ERROR(xb::Table::Create(path, fields));
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  XB_RETURN_IF_ERROR(xb::WorkArea::Open(path, xb::OpenOptions(), &settings, &area));
  for (size_t r = 0; r < rows.size(); ++r) {
    XB_RETURN_IF_ERROR(area->Append());
    for (size_t i = 0; i < fields.size() && i < rows[r].size(); ++i) {
      const int f = static_cast<int>(i);
      XB_RETURN_IF_ERROR(fields[i].type == 'M' ? area->SetMemo(f, rows[r][i])
                                               : area->SetField(f, rows[r][i]));
    }
    for (int d : deleted) {
      if (d == static_cast<int>(r) + 1) XB_RETURN_IF_ERROR(area->SetDeleted(true));
    }
    XB_RETURN_IF_ERROR(area->Commit());
  }
  for (const auto& [tag, key] : tags) {
    XB_RETURN_IF_ERROR(area->IndexTag("", tag, key, "", false, false));
  }
  return xb::Status::OK();
}

struct RawRecord {
  bool deleted = false;
  std::map<std::string, std::string> fields;  // raw bytes; memo fields: the text
};

// Every record in natural order, read with a fresh shared read-only handle.
// A table that cannot be read gives one record with an "error" field, and a
// memo that cannot be read shows as such, so that no comparison passes.
inline std::vector<RawRecord> ReadRecords(const std::string& path) {
  std::unique_ptr<xb::Table> t;
  if (!xb::Table::Open(path, xb::OpenOptions{false, true}, &t).ok()) {
    return {RawRecord{false, {{"error", "cannot open " + path}}}};
  }
  std::vector<RawRecord> out;
  for (uint32_t n = 1; n <= t->record_count(); ++n) {
    if (!t->Go(n).ok()) return {RawRecord{false, {{"error", "cannot read " + path}}}};
    const xb::RecordRef r = t->current();
    RawRecord rec;
    rec.deleted = r.deleted();
    for (const xb::FieldInfo& f : t->fields()) {
      std::string v(r.field(f));
      if (f.type == 'M') {
        v.clear();
        if (!t->ReadMemo(r.field(f), &v).ok()) v = "<unreadable memo>";
      }
      rec.fields[f.name] = v;
    }
    out.push_back(std::move(rec));
  }
  return out;
}

// The records a walk visits from the top (step 1) or from the bottom (-1);
// a move that fails fails the test instead of passing for an end.
inline std::vector<uint32_t> Walk(xb::WorkArea& area, int step = 1) {
  std::vector<uint32_t> seen;
  xb::Status s = step > 0 ? area.GoTop() : area.GoBottom();
  for (; s.ok() && !area.eof() && !area.bof(); s = area.Skip(step)) seen.push_back(area.recno());
  EXPECT_TRUE(s.ok()) << s.ToString();
  return seen;
}

// The first problem the engine's full index check finds in `path`'s
// production index (`tags` tags expected), or "" when it is sound.
inline std::string IndexProblem(const std::string& path, size_t tags = 21) {
  std::unique_ptr<xb::Table> t;
  if (!xb::Table::Open(path, xb::OpenOptions{false, true}, &t).ok()) return "cannot open " + path;
  std::vector<xb::TagCheck> checks;
  const xb::Status s = xb::CheckIndex(*t, path.substr(0, path.size() - 4) + ".cdx", &checks);
  if (!s.ok()) return s.ToString();
  for (const xb::TagCheck& c : checks) {
    if (!c.ok) return c.name + ": " + c.problem;
  }
  return checks.size() == tags ? "" : std::to_string(checks.size()) + " tags";
}

}  // namespace qvtest
