// Helpers shared by the store tests: a scratch folder, whole-file reads and
// writes, a message service that records what it was asked to show, and
// running the command-line tools.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/apollo.h"
#include "store/messages.h"
#include "store/table_object.h"
#include "test_support.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace qv::testing {

class Scratch {
 public:
  QString path() const { return m_dir.path(); }
  QString file(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
  bool valid() const { return m_dir.isValid(); }

 private:
  QTemporaryDir m_dir;
};

inline QByteArray ReadBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  return f.readAll();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Installed for its lifetime; every notice and question is recorded.
class RecordingMessages : public MessageService {
 public:
  RecordingMessages() : m_previous(InstallMessageService(this)) {}
  ~RecordingMessages() override { InstallMessageService(m_previous); }
  RecordingMessages(const RecordingMessages&) = delete;
  RecordingMessages& operator=(const RecordingMessages&) = delete;

  void information(const QString& text) override { shown.append(text); }
  bool question(const QString& text, bool) override {
    asked.append(text);
    return answer;
  }

  QStringList shown;
  QStringList asked;
  bool answer = true;

 private:
  MessageService* m_previous;
};

using ProcessResult = qvtest::RunResult;

// Runs argv with the standard error stream discarded.
inline ProcessResult Exec(const std::vector<std::string>& argv, const std::string& env = "") {
  return qvtest::Run(argv, qvtest::Stderr::kDiscard, env);
}

// A table written straight through the engine, so the layer under test
// reads what it did not write itself. Row values are raw field bytes (memo
// fields: the memo text); `tags` are {name, key expression}.
inline xb::Status MakeTable(const QString& path, const std::vector<xb::FieldDef>& fields,
                            const std::vector<std::vector<std::string>>& rows,
                            const std::vector<std::pair<std::string, std::string>>& tags = {},
                            const std::vector<int>& deleted = {}) {
  XB_RETURN_IF_ERROR(xb::Table::Create(path.toStdString(), fields));
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  XB_RETURN_IF_ERROR(xb::WorkArea::Open(path.toStdString(), xb::OpenOptions(), &settings, &area));
  for (size_t r = 0; r < rows.size(); ++r) {
    XB_RETURN_IF_ERROR(area->Append());
    for (size_t i = 0; i < fields.size() && i < rows[r].size(); ++i) {
      if (fields[i].type == 'M') {
        XB_RETURN_IF_ERROR(area->SetMemo(static_cast<int>(i), rows[r][i]));
      } else {
        XB_RETURN_IF_ERROR(area->SetField(static_cast<int>(i), rows[r][i]));
      }
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

// Every record in natural order, read with a fresh handle.
inline std::vector<RawRecord> ReadRawTable(const QString& path) {
  std::vector<RawRecord> out;
  std::unique_ptr<xb::Table> t;
  xb::OpenOptions options;
  options.exclusive = false;
  options.read_only = true;
  if (!xb::Table::Open(path.toStdString(), options, &t).ok()) return out;
  for (uint32_t n = 1; n <= t->record_count(); ++n) {
    if (!t->Go(n).ok()) break;
    xb::RecordRef r = t->current();
    RawRecord rec;
    rec.deleted = r.deleted();
    for (const xb::FieldInfo& f : t->fields()) {
      std::string v(r.field(f));
      if (f.type == 'M') {
        v.clear();
        // A memo that cannot be read shows as such, so no comparison passes.
        if (!t->ReadMemo(r.field(f), &v).ok()) v = "<unreadable memo>";
      }
      rec.fields[f.name] = v;
    }
    out.push_back(rec);
  }
  return out;
}

using qvtest::HaveOracle;

// `field` of every visible record, walked through the table object; a move
// the engine failed fails the test.
inline QStringList Column(TableObject& t, const char* field) {
  QStringList out;
  for (bool moved = t.first(); !t.eof(); moved = t.next()) {
    EXPECT_TRUE(moved) << t.failureMessage().toStdString();
    if (!moved) break;
    out << t.fieldText(field);
  }
  return out;
}

// A table written by the engine and opened through the table object, for
// the tests of the object and of the layers over it.
class OpenTableTest : public ::testing::Test {
 protected:
  // `name` in the scratch folder, in the order `index` when one is named;
  // the rest as MakeTable takes it.
  void OpenNew(const QString& name, const std::vector<xb::FieldDef>& fields,
               const std::vector<std::vector<std::string>>& rows,
               const std::vector<std::pair<std::string, std::string>>& tags,
               const std::vector<int>& deleted = {}, const QString& index = QString()) {
    ASSERT_TRUE(MakeTable(m_dir.file(name), fields, rows, tags, deleted).ok());
    m_table.setDatabaseName(m_dir.path());
    m_table.setTableName(name);
    if (!index.isEmpty()) m_table.setIndexName(index);
    QString error;
    ASSERT_TRUE(m_table.open(&error)) << error.toStdString();
  }

  Scratch m_dir;
  TApolloEnv m_env;
  TableObject m_table{&m_env};
};

}  // namespace qv::testing
