// Scratch folders and contact files for the transfer tests. The xBase
// checker folds the names it opens to lower case, so the folder is ours
// and has none.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contact_rows.h"
#include "engine_tables.h"
#include "store/contact_schema.h"
#include "test_support.h"
#include "xbase/workarea.h"

namespace qv::testing {

class LowerDir {
 public:
  LowerDir() {
    static std::atomic<int> counter{0};
    m_path = QDir::tempPath() + QStringLiteral("/qv_transfer_%1_%2")
                                    .arg(QCoreApplication::applicationPid())
                                    .arg(counter++);
    QDir(m_path).removeRecursively();
    QDir().mkpath(m_path);
  }
  ~LowerDir() { QDir(m_path).removeRecursively(); }
  LowerDir(const LowerDir&) = delete;
  LowerDir& operator=(const LowerDir&) = delete;
  QString file(const QString& name) const { return m_path + QLatin1Char('/') + name; }
  std::string path(const std::string& name) const { return file(QString::fromStdString(name)).toStdString(); }

 private:
  QString m_path;
};

using Fields = ContactRow;
inline bool WriteContacts(const std::string& path, const std::vector<Fields>& records,
                          const std::vector<bool>& flagged = {}) {
  return WriteContactRows(path, records, flagged);
}

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
