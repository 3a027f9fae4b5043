#include "store/contact_schema.h"

#include <filesystem>
#include <system_error>

#include "xbase/index_check.h"

namespace qv {

const std::vector<xb::FieldDef>& ContactFields() {
  static const std::vector<xb::FieldDef> kFields = {
      {"LNAME", 'C', 30, 0},   {"FNAME", 'C', 30, 0},   {"MIDDLE", 'C', 1, 0},
      {"TITLE", 'C', 30, 0},   {"ORG", 'C', 30, 0},     {"STREET", 'C', 30, 0},
      {"CITY", 'C', 30, 0},    {"STATE", 'C', 20, 0},   {"ZIP", 'C', 10, 0},
      {"COUNTRY", 'C', 30, 0}, {"PHONE", 'C', 30, 0},   {"EMAIL", 'C', 30, 0},
      {"FAX", 'C', 30, 0},     {"NOTES", 'C', 30, 0},   {"PREFIX", 'C', 12, 0},
      {"CARRIER", 'C', 4, 0},  {"DATE", 'D', 8, 0},     {"BEGIN", 'L', 1, 0},
      {"SEQNO", 'N', 6, 0},    {"MEMO", 'M', 10, 0},
  };
  return kFields;
}

const std::vector<TagDef>& ContactTags() {
  static const std::vector<TagDef> kTags = {
      {"NAME", "UPPER(LNAME-FNAME)"},
      {"LNAME", "UPPER(LNAME)+UPPER(FNAME)"},
      {"FNAME", "UPPER(FNAME)"},
      {"TITLE", "UPPER(TITLE)"},
      {"ORG", "UPPER(ORG)"},
      {"STREET", "UPPER(STREET)"},
      {"CITY", "UPPER(CITY+STATE)"},
      {"STATE", "UPPER(STATE)"},
      {"ZIP", "UPPER(ZIP)"},
      {"COUNTRY", "UPPER(COUNTRY)"},
      {"PHONE", "UPPER(PHONE)"},
      {"EMAIL", "UPPER(EMAIL)"},
      {"FAX", "UPPER(FAX)"},
      {"DATE", "DTOS(DATE)"},
      {"NOTES", "UPPER(NOTES)"},
      {"PREFIX", "UPPER(PREFIX)"},
      {"MIDDLE", "UPPER(MIDDLE)"},
      {"DELETED", "DELETED()"},
      {"JUSTSEQNO", "SEQNO"},
      {"SEQNO", "STR(SEQNO,6,0)+STATE+ZIP"},
      {"STATEZIP", "UPPER(STATE-ZIP)"},
  };
  return kTags;
}

xb::Status CheckContactFields(const xb::Table& table) {
  for (const xb::FieldDef& f : ContactFields()) {
    const int i = table.FieldIndex(f.name);
    if (i < 0 || table.fields()[i].type != f.type) {
      return xb::Status::InvalidArgument(table.path() + " is not a contact file: it has no " +
                                         std::string(1, f.type) + " field " + f.name);
    }
  }
  return xb::Status::OK();
}

xb::Status RepairCutOffCount(xb::Table& table) {
  if (table.header_record_count() <= table.record_count()) return xb::Status::OK();
  if (!table.exclusive() || table.read_only()) return xb::Status::OK();
  return table.RepairCount();
}

xb::Status RebuildContactIndex(xb::WorkArea& area, const xb::ProgressFn& progress,
                               std::vector<xb::TagCheck>* damaged) {
  // Refused before anything is touched: the contact tags cannot be built
  // on another table, and its index must stay as it is.
  XB_RETURN_IF_ERROR(CheckContactFields(area.table()));
  const std::string path = area.ProductionIndexPath();
  XB_RETURN_IF_ERROR(area.CloseIndexes());
  std::error_code ec;
  bool unchecked = damaged != nullptr && std::filesystem::exists(path, ec);
  if (damaged != nullptr) damaged->clear();
  // The old index is checked once the new one is built and before it goes:
  // the tags built by the same rules are compared entry by entry, so no key
  // is computed twice. Under SET EXACT the new keys need not be those the
  // check computes (under the default settings): then the old index alone.
  auto check_old = [&](const std::string& built) {
    unchecked = false;
    std::vector<xb::TagCheck> tags;
    xb::Status s = xb::CheckIndexBeside(area.table(), path, built, &tags);
    // A new index that cannot be read is no measure: the old one alone.
    if (!s.ok() && !built.empty()) s = xb::CheckIndex(area.table(), path, &tags);
    if (!s.ok()) damaged->push_back({"", false, 0, s.message()});
    for (xb::TagCheck& t : tags) {
      if (!t.ok) damaged->push_back(std::move(t));
    }
  };
  xb::Status s = RepairCutOffCount(area.table());
  if (s.ok()) {
    std::vector<xb::WorkArea::TagSpec> specs;
    for (const TagDef& t : ContactTags()) specs.push_back({t.name, t.expression, "", false, false});
    area.SetProgress(progress);
    s = area.RebuildProductionIndex(specs, [&](const std::string& built) {
      if (unchecked) check_old(area.settings().exact ? std::string() : built);
      return xb::Status::OK();
    });
    area.SetProgress(nullptr);
  }
  // Stopped before the new index was whole: the old one stands, checked alone.
  if (unchecked) check_old(std::string());
  return s;
}

}  // namespace qv
