// Helpers shared by the store tests: a scratch folder, whole-file reads and
// writes, a message service that records what it was asked to show, and
// tables made by the engine and opened through the table object.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/apollo.h"
#include "store/table_object.h"
#include "engine_tables.h"
#include "qstring_print.h"
#include "recording_messages.h"
#include "test_support.h"
#include "xbase/table.h"
#include "xbase/workarea.h"


namespace qv::testing {

class Scratch {
 public:
  QString path() const { return m_dir.path(); }
  QString file(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

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

// Tables made and read through the engine alone (engine_tables.h).
inline xb::Status MakeTable(const QString& path, const std::vector<xb::FieldDef>& fields,
                            const std::vector<std::vector<std::string>>& rows,
                            const std::vector<std::pair<std::string, std::string>>& tags = {},
                            const std::vector<int>& deleted = {}) {
  return qvtest::MakeTable(path.toStdString(), fields, rows, tags, deleted);
}

using qvtest::RawRecord;
inline std::vector<RawRecord> ReadRawTable(const QString& path) {
  return qvtest::ReadRecords(path.toStdString());
}

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
