// Scratch contact files for the data-quality tests: records given as field
// maps, written through the engine with the 21 contact tags, then opened
// in a table object with the main window's engine settings.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contact_rows.h"
#include "engine_tables.h"
#include "store/apollo.h"
#include "store/contact_schema.h"
#include "store/table_object.h"
#include "test_support.h"
#include "xbase/workarea.h"

namespace qv::testing {

struct Contact {
  std::map<std::string, std::string> fields;
  bool flagged = false;  // carries the deletion flag
};

inline Contact C(std::map<std::string, std::string> fields, bool flagged = false) {
  return Contact{std::move(fields), flagged};
}

class CleanupFixture {
 public:
  CleanupFixture() : table(&env) {
    env.SetDeleted(true);
    apollo.SetDataSource(&table);
  }

  QString dir() const { return m_dir.path() + QLatin1Char('/'); }
  QString path() const { return dir() + QStringLiteral("contacts.dbf"); }

  // Writes the file; does not open it.
  bool write(const std::vector<Contact>& contacts) {
    std::vector<ContactRow> rows;
    std::vector<bool> flagged;
    for (const Contact& c : contacts) rows.push_back(c.fields), flagged.push_back(c.flagged);
    return WriteContactRows(path().toStdString(), rows, flagged);
  }

  // The stored text of a field, trailing blanks removed, or "*" for the
  // deletion flag; read afresh (the table object lets the file go first).
  std::string text(uint32_t recno, const std::string& field) {
    if (!table.close()) return "<not let go>";
    std::unique_ptr<xb::Table> t;
    xb::OpenOptions options;
    options.exclusive = false;
    options.read_only = true;
    if (!xb::Table::Open(path().toStdString(), options, &t).ok() || !t->Go(recno).ok()) {
      return "<unreadable>";
    }
    if (field == "*") return t->current().deleted() ? "*" : "";
    std::string v(t->current().field(t->fields()[t->FieldIndex(field)]));
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return v;
  }
  bool flagged(uint32_t recno) { return text(recno, "*") == "*"; }
  // The texts of (record, field) cells, joined by '|'.
  std::string texts(std::initializer_list<std::pair<uint32_t, const char*>> cells) {
    std::string out;
    for (const auto& [recno, field] : cells) out += (out.empty() ? "" : "|") + text(recno, field);
    return out;
  }

  TApolloEnv env;
  TableObject table;
  TApollo apollo;

 private:
  QTemporaryDir m_dir;
};

// The file's 21 tags by the engine's index check, after the table lets it
// go. That the checker agrees with the engine's tags is the engine's test.
inline void ExpectIndexesVerify(CleanupFixture& f) {
  ASSERT_TRUE(f.table.close());
  EXPECT_EQ(qvtest::IndexProblem(f.path().toStdString()), "");
}

}  // namespace qv::testing
