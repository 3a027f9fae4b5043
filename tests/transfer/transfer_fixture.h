// Scratch folders and contact files for the transfer tests.
#pragma once

#include <QString>
#include <map>
#include <string>
#include <vector>

#include "contact_rows.h"
#include "engine_tables.h"
#include "test_support.h"

namespace qv::testing {

// A scratch folder whose files are named as Qt or as the engine takes them.
struct Scratch : qvtest::ScratchDir {
  QString file(const QString& name) const {
    return QString::fromStdString(*this / name.toStdString());
  }
  std::string path(const std::string& name) const { return *this / name; }
};

using Fields = ContactRow;

// Every record as field -> stored text (character fields without trailing
// blanks, dates as YYYYMMDD, the memo's text); "" for fields not asked for.
inline std::vector<Fields> ReadContacts(const std::string& path,
                                        const std::vector<std::string>& names) {
  std::vector<Fields> out;
  for (const qvtest::RawRecord& r : qvtest::ReadRecords(path)) {
    if (r.fields.count("error")) return {r.fields};
    Fields f;
    for (const std::string& name : names) {
      auto it = r.fields.find(name);
      if (it == r.fields.end()) continue;
      std::string v = it->second;
      if (name != "MEMO") v.erase(v.find_last_not_of(' ') + 1);
      if (!v.empty()) f[name] = v;
    }
    out.push_back(f);
  }
  return out;
}

}  // namespace qv::testing
