// The table object's query, count, field, tag and index operations, chiefly
// how each reports a damaged index, a failing file or a condition failing at
// run time: as a failure with the engine's reason, never as a value.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "damaged_index.h"
#include "engine_tables.h"
#include "failing_files.h"
#include "store/apollo_env.h"
#include "store/table_object.h"
#include "test_support.h"

namespace qv {
namespace {

const std::vector<xb::FieldDef> kFields = {
    {"NAME", 'C', 10, 0}, {"CITY", 'C', 20, 0}, {"COUNT", 'N', 5, 0}, {"NOTE", 'M', 10, 0}};

// A fresh people.dbf (record 2 has no COUNT, record 3 is deleted) with the
// tag NAME, opened exclusively in natural order.
struct People {
  People() {
    EXPECT_TRUE(qvtest::MakeTable(dir / "people.dbf", kFields,
                                  {{"Miller", "Boston", "   12", "first memo"},
                                   {"Adams", "Chicago", "", ""},
                                   {"Baker", "Denver", "   -3", "last memo"}},
                                  {{"NAME", "UPPER(NAME)"}}, {3})
                    .ok());
    table.setDatabaseName(QString::fromStdString(dir.path()));
    table.setTableName(QStringLiteral("people.dbf"));
  }
  bool open() { return table.open(); }
  QString cdx() const { return QString::fromStdString(dir / "people.cdx"); }

  qvtest::ScratchDir dir;
  TApolloEnv env;
  TableObject table{&env};
};

TEST(TableObjectOps, QueryCountFieldsAndTagsOfASoundFile) {
  People p;
  EXPECT_EQ(p.table.fieldWidth("NAME") + p.table.tagCount(), 0);  // closed
  EXPECT_EQ(p.table.productionIndexPath(), "");
  ASSERT_TRUE(p.open());
  EXPECT_EQ(p.table.fieldWidth("city"), 20);
  EXPECT_EQ(p.table.fieldWidth("NOSUCH"), 0);
  EXPECT_EQ(p.table.tagCount(), 1);
  EXPECT_EQ(p.table.productionIndexPath(), p.cdx());
  EXPECT_EQ(p.table.indexDamage(p.cdx()), "");
  const struct {
    const char* condition;
    int visible;
    const char* first;  // NAME of the record the table stands on after
  } queries[] = {{"CITY = 'Denver' .OR. CITY = 'Boston'", 2, "Miller"},
                 {"COUNT < 0", 1, "Baker"},
                 {"", 3, "Miller"}};
  for (const auto& q : queries) {
    SCOPED_TRACE(q.condition);
    ASSERT_TRUE(p.table.setQuery(q.condition).ok());
    EXPECT_EQ(p.table.query(), q.condition);
    int n = -1;
    ASSERT_TRUE(p.table.countVisible(&n).ok());
    EXPECT_EQ(n, q.visible);
    EXPECT_EQ(p.table.fieldText("NAME"), q.first);
  }
  ASSERT_TRUE(p.table.last());
  xb::Value v;
  ASSERT_TRUE(p.table.fieldValue(3, &v).ok());
  EXPECT_EQ(v.text, "last memo");
  EXPECT_TRUE(p.table.isDeleted());

  // A new index of one other tag, checked tag by tag; natural order after.
  ASSERT_TRUE(p.table.rebuildIndex("CITY", "UPPER(CITY)").ok());
  EXPECT_EQ(p.table.tagCount(), 1);
  ASSERT_TRUE(p.table.first());
  EXPECT_EQ(p.table.recNo(), 1);
  std::vector<xb::TagCheck> tags;
  ASSERT_TRUE(p.table.checkIndex(p.cdx(), &tags).ok());
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_TRUE(tags[0].name == "CITY" && tags[0].ok && tags[0].entries == 3) << tags[0].problem;
}

// Each case damages the file or the table after the open, runs one
// operation and expects its failure, naming `says`, instead of a value.
TEST(TableObjectOps, FailuresAreReportedNotValues) {
  qvtest::FailingFiles files;
  auto reopen = [](People& p, const std::function<void()>& damage) {
    ASSERT_TRUE(p.table.close());
    damage();
    ASSERT_TRUE(p.open());
  };
  // A failed rebuild leaves the old index whole.
  auto rebuild = [&files](const char* key) {
    return [&files, key](People& p) {
      const xb::Status s = p.table.rebuildIndex("CITY", key);
      files.never();
      EXPECT_TRUE(p.table.close());
      p.table.setIndexName("NAME");
      EXPECT_TRUE(p.open());
      return s;
    };
  };
  auto count = [](People& p) {
    int n = -1;
    const xb::Status s = p.table.countVisible(&n);
    EXPECT_EQ(n, 0);
    return s;
  };
  const struct Case {
    const char* what;
    std::function<void(People&)> before;
    std::function<xb::Status(People&)> run;
    const char* says;
  } cases[] = {
      {"a condition that does not compile hides every record", nullptr,
       [](People& p) {
         const xb::Status s = p.table.setQuery("UPPER(NAME");
         EXPECT_TRUE(p.table.isEmpty());
         return s;
       },
       "syntax error"},
      {"a condition the code page cannot hold leaves the query",
       [](People& p) { ASSERT_TRUE(p.table.setQuery("COUNT > 0").ok()); },
       [](People& p) {
         const xb::Status s = p.table.setQuery(QString::fromUtf8("NAME = '\xE2\x88\x91'"));
         EXPECT_EQ(p.table.query(), "COUNT > 0");
         return s;
       },
       "a character the file cannot"},
      {"a condition failing on record 2 gives no count",
       [](People& p) { ASSERT_TRUE(p.table.setQuery("1/COUNT > 0").ok()); }, count,
       "the condition fails on record 2"},
      {"a count over a failing file",
       [&files](People& p) {
         ASSERT_TRUE(p.table.setQuery("CITY <> ' '").ok());
         files.failAfter(0);
       },
       count, "cannot read"},
      {"a tag that lost an entry",
       [&](People& p) {
         reopen(p, [&p] { ASSERT_TRUE(qvtest::DropFirstKey(p.dir / "people.cdx", "NAME")); });
       },
       [](People& p) {
         std::vector<xb::TagCheck> tags;
         EXPECT_TRUE(p.table.checkIndex(p.cdx(), &tags).ok());
         EXPECT_TRUE(tags.size() == 1 && !tags[0].ok);
         return xb::Status::Corruption(p.table.indexDamage(p.cdx()).toStdString());
       },
       "tag NAME: "},
      {"an index check over a failing file", [&files](People&) { files.failAfter(0); },
       [](People& p) { return xb::Status::IOError(p.table.indexDamage(p.cdx()).toStdString()); },
       "cannot read"},
      {"a rebuild on a key that does not compile", nullptr, rebuild("UPPER(CITY"), "syntax error"},
      {"a rebuild over a failing file", [&files](People&) { files.failAfter(3); },
       rebuild("UPPER(CITY)"), ""},
      {"a rebuild beside another program",
       [&](People& p) { reopen(p, [&p] { p.table.setExclusive(false); }); }, rebuild("UPPER(CITY)"),
       ""},
      {"a memo cut off",
       [&](People& p) {
         reopen(p, [&p] { std::filesystem::resize_file(p.dir / "people.fpt", 512); });
       },
       [](People& p) {
         xb::Value v;
         const xb::Status s = p.table.fieldValue(3, &v);
         EXPECT_TRUE(p.table.failed());
         return s;
       },
       ""},
      {"a tag asked of an index that cannot be read",
       [](People& p) {
         ASSERT_TRUE(p.table.close());
         qvtest::WriteAll(p.dir / "people.cdx", "not an index");
         p.table.setIndexName("NAME");
       },
       [](People& p) {
         EXPECT_FALSE(p.open());
         return p.table.failure();
       },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    files.never();
    People p;
    ASSERT_TRUE(p.open());
    if (c.before) c.before(p);
    if (::testing::Test::HasFatalFailure()) return;
    const xb::Status s = c.run(p);
    files.never();
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find(c.says), std::string::npos) << s.ToString();
  }
}

// Jobs work on the engine itself; whatever they do and however they end,
// the views must hear of it, and a pending edit cannot survive the move.
TEST(TableObjectOps, EngineWorkIsFollowedByTheViewsEvenWhenItFails) {
  People p;
  std::string buf;
  EXPECT_FALSE(p.table.readRecords(1, 1, &buf).ok());  // closed
  EXPECT_FALSE(p.table.runOnEngine([](xb::WorkArea&) { return xb::Status::OK(); }).ok());
  ASSERT_TRUE(p.open());
  int reloads = 0, cancels = 0;
  QObject::connect(&p.table, &TableObject::layoutChanged, [&] { ++reloads; });
  QObject::connect(&p.table, &TableObject::afterCancel, [&] { ++cancels; });
  p.table.edit();
  ASSERT_TRUE(p.table.setFieldText("NAME", "Pending"));
  const xb::Status s = p.table.runOnEngine([](xb::WorkArea& area) {
    XB_RETURN_IF_ERROR(area.Go(2));
    return xb::Status::IOError("cut off part way");
  });
  EXPECT_EQ(s.ToString(), xb::Status::IOError("cut off part way").ToString());
  EXPECT_EQ(reloads, 1);
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(p.table.state(), TableObject::State::Browse);
  EXPECT_EQ(p.table.recNo(), 2);
  EXPECT_EQ(p.table.fieldText("NAME"), "Adams");
  // The reads stand still and see the file's bytes.
  std::vector<uint32_t> visible;
  ASSERT_TRUE(p.table.visibleRecords(&visible).ok());
  EXPECT_EQ(visible, (std::vector<uint32_t>{1, 2, 3}));
  ASSERT_TRUE(p.table.readRecords(3, 1, &buf).ok());
  ASSERT_EQ(buf.size(), size_t(p.table.recordLength()));
  EXPECT_EQ(buf.substr(0, 6), "*Baker");  // with its deletion flag
  EXPECT_EQ(p.table.recNo(), 2);
}

}  // namespace
}  // namespace qv
