// The grid over a file that fails under it, swept over the operation at
// which the file layer starts failing: gathering the rows and painting every
// one (scrolling to the end) always ends, shows each row as the file holds it
// or empty, never another record's values, and tells the failure in the
// program's words, once per gathering and once for the rows.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "engine_tables.h"
#include "failing_files.h"
#include "recording_messages.h"
#include "store/apollo_env.h"
#include "store/table_grid_model.h"
#include "store/table_object.h"
#include "test_support.h"

namespace qv {
namespace {

TEST(TableGridModelTest, AFileFailingUnderTheGridIsToldAndNeverShownWrong) {
  int argc = 0;
  QCoreApplication app(argc, nullptr);  // the rows' notice waits for the event loop
  qvtest::ScratchDir dir;
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 300; ++i) {
    rows.push_back({"Name" + std::to_string((i * 37) % 300), "City" + std::to_string(i)});
  }
  ASSERT_TRUE(qvtest::MakeTable(dir / "people.dbf", {{"NAME", 'C', 12, 0}, {"CITY", 'C', 12, 0}},
                                rows, {{"NAME", "UPPER(NAME)"}}, {})
                  .ok());
  qvtest::FailingFiles files;
  files.never();
  TApolloEnv env;
  TableObject table(&env);
  table.setDatabaseName(QString::fromStdString(dir.path()));
  table.setTableName(QStringLiteral("people.dbf"));
  table.setIndexName(QStringLiteral("NAME"));
  ASSERT_TRUE(table.open());
  const std::vector<TableGridColumn> columns = {{"NAME", "Name"}, {"CITY", "City"}};
  auto paint = [&](TableGridModel& model) {
    std::vector<QStringList> shown;
    for (int r = 0; r < model.rowCount(); ++r) shown.push_back({model.cell(r, 0), model.cell(r, 1)});
    QCoreApplication::processEvents();
    return shown;
  };
  std::vector<int> recnos;
  std::vector<QStringList> sound;
  {
    TableGridModel model(&table, columns);
    sound = paint(model);
    for (int r = 0; r < model.rowCount(); ++r) recnos.push_back(model.recordOfRow(r));
  }
  ASSERT_EQ(sound.size(), rows.size());

  bool finished = false;
  for (int64_t budget = 0; budget < 5000 && !finished; ++budget) {
    SCOPED_TRACE(::testing::Message() << "failing after " << budget << " operations");
    testing::RecordingMessages messages;
    table.clearFailure();
    files.failAfter(budget);
    TableGridModel model(&table, columns);
    const std::vector<QStringList> shown = paint(model);
    const bool failed = files.failures() > 0;
    files.never();
    ASSERT_LE(shown.size(), sound.size());
    for (size_t r = 0; r < shown.size(); ++r) {
      ASSERT_EQ(model.recordOfRow(int(r)), recnos[r]) << "row " << r;
      if (shown[r] != QStringList{QString(), QString()}) {
        ASSERT_EQ(shown[r], sound[r]) << "row " << r;
      }
    }
    EXPECT_EQ(failed, !messages.shown.isEmpty());
    EXPECT_LE(messages.shown.size(), 2);
    for (const QString& m : messages.shown) {
      EXPECT_TRUE(m.startsWith("The contact file is damaged: ") &&
                  m.endsWith("Rebuild Indexes may repair it."))
          << m.toStdString();
    }
    finished = !failed;
    if (finished) {
      EXPECT_EQ(shown, sound);
    }
  }
  EXPECT_TRUE(finished) << "the grid never read the file through";
}

}  // namespace
}  // namespace qv
