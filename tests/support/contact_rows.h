// A contact file written straight through the engine, so the layers under
// test read what they did not write themselves: the 20 contact fields and
// the 21 tags, records given as field maps of stored values (memo fields:
// their text).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/contact_schema.h"
#include "xbase/workarea.h"

namespace qv::testing {

using ContactRow = std::map<std::string, std::string>;

// `flagged[i]` set: record i + 1 carries the deletion flag.
inline bool WriteContactRows(const std::string& path, const std::vector<ContactRow>& rows,
                             const std::vector<bool>& flagged = {}) {
  if (!xb::Table::Create(path, ContactFields()).ok()) return false;
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  if (!xb::WorkArea::Open(path, xb::OpenOptions(), &settings, &area).ok()) return false;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (!area->Append().ok()) return false;
    for (const auto& [name, value] : rows[r]) {
      const int i = area->table().FieldIndex(name);
      if (i < 0) return false;
      const bool memo = area->table().fields()[size_t(i)].type == 'M';
      if (!(memo ? area->SetMemo(i, value) : area->SetField(i, value)).ok()) return false;
    }
    if (r < flagged.size() && flagged[r] && !area->SetDeleted(true).ok()) return false;
    if (!area->Commit().ok()) return false;
  }
  return RebuildContactIndex(*area, nullptr).ok();
}

}  // namespace qv::testing
