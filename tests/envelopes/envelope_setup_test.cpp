// Envelope setups and sizes: the shipped setup row reads as the default,
// a written setup reads back member for member, an empty table gives the
// default, the shipped sizes hold every common envelope at its published
// size, and the size dialog's Save checks come in their order.
#include "envelopes/envelope_setup.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <map>
#include <tuple>
#include <vector>

#include "recording_messages.h"
#include "store/apollo.h"
#include "store/support_install.h"
#include "store/table_object.h"
#include "near.h"
#include "qstring_print.h"
#include "table_walk.h"
#include "xbase/table.h"
#include "xbase/workarea.h"
namespace qv {
namespace {

struct SupportTableFixture {
  explicit SupportTableFixture(const char* name) : table(&env) {
    QString why;
    built = BuildSupportTable(QString::fromLatin1(name), dir.path(), &why);
    EXPECT_TRUE(built) << why.toStdString();
    table.setDatabaseName(dir.path() + QLatin1Char('/'));
    table.setTableName(QString::fromLatin1(name) + QStringLiteral(".DBF"));
    opened = built && table.open();
  }
  QTemporaryDir dir;
  TApolloEnv env;
  TableObject table;
  bool built = false, opened = false;
};

// The shipped row and the built-in default are one setup: what a run prints
// when the table has no current row matches the first row a user sees.
TEST(EnvelopeSetup, ShippedRowIsTheDefaultSetup) {
  SupportTableFixture fx("QVPESU");
  ASSERT_TRUE(fx.opened);
  EXPECT_TRUE(fx.table.first());
  const TEnvelopeSetup s = ReadEnvelopeSetup(fx.table);
  const TEnvelopeSetup d = DefaultEnvelopeSetup();
  EXPECT_EQ(s.description, "Default Envelope Setup");
  const auto members = [](const TEnvelopeSetup& e) {
    const AddressOptions& a = e.address;
    return std::make_tuple(
        e.description, e.envelopeName, e.envelopeHeight, e.returnLines, e.deliveryBlock.top,
        e.returnBlock.fontSize,
        std::vector<bool>{e.messageBlock.bold, e.messageBlock.italic, e.deliveryBlock.bold, e.deliveryBlock.italic,
                          e.useReturn, e.useMessage, a.name, a.title, a.company, a.street,
                          a.cityState, a.zip, a.phone, a.country, a.barCode, a.upperCase},
        std::vector<int>{e.orientation, e.facing, e.position});
  };
  EXPECT_EQ(members(s), members(d));
  EXPECT_NEAR(s.deliveryBlock.left, d.deliveryBlock.left, 1e-4);  // the table keeps a third of 9.5 to 4 places
}

TEST(EnvelopeSetup, WrittenSetupReadsBackAndEmptyTableGivesTheDefault) {
  SupportTableFixture fx("QVPESU");
  ASSERT_TRUE(fx.opened);
  TEnvelopeSetup w = DefaultEnvelopeSetup();
  w.description = QStringLiteral("Monarch, face up");
  w.envelopeName = QStringLiteral("Envelope Monarch");
  w.envelopeWidth = 7.5f;
  w.envelopeHeight = 3.875f;
  w.returnLines = {"A", "", "C", QString(45, QLatin1Char('x')), "E"};
  w.messageText = QStringLiteral("Fragile");
  w.deliveryBlock.left = 0.625f;  // 60 pixels at 96 per inch
  w.returnBlock.fontSize = 12;
  w.facing = 0;
  w.position = 11;
  w.address.zipOption = 4;
  w.address.barCode = true;
  fx.table.insert();
  ASSERT_TRUE(WriteEnvelopeSetup(fx.table, w));
  EXPECT_TRUE(fx.table.last());
  const TEnvelopeSetup r = ReadEnvelopeSetup(fx.table);
  // A return line is kept to 40 characters.
  EXPECT_EQ(std::tuple(r.description, r.envelopeHeight, r.returnLines, r.messageText,
                       r.deliveryBlock.left, r.address.barCode, r.intelligentMail),
            std::tuple(w.description, 3.875f,
                       QStringList({"A", "", "C", QString(40, QLatin1Char('x')), "E"}),
                       QStringLiteral("Fragile"), 0.625f, true, false));
  EXPECT_EQ(std::vector<int>({r.returnBlock.fontSize, r.facing, r.position, r.address.zipOption}),
            std::vector<int>({12, 0, 11, 4}));

  // The bar code's kind in BARTYPE; a row with BARCODE set and no kind
  // (written by a program that knows only POSTNET) prints POSTNET.
  w.intelligentMail = true;
  EXPECT_TRUE(fx.table.last());
  ASSERT_TRUE(WriteEnvelopeSetup(fx.table, w));
  EXPECT_EQ(fx.table.fieldText(QStringLiteral("BARTYPE")).trimmed(), "2");
  EXPECT_TRUE(ReadEnvelopeSetup(fx.table).intelligentMail);
  fx.table.edit();
  ASSERT_TRUE(fx.table.setFieldText(QStringLiteral("BARTYPE"), QString()) && fx.table.post());
  const TEnvelopeSetup old = ReadEnvelopeSetup(fx.table);
  EXPECT_EQ(std::pair(old.address.barCode, old.intelligentMail), std::pair(true, false));

  // Both rows deleted: no current row, so the default setup.
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(fx.table.first());
    ASSERT_TRUE(fx.table.deleteRecord());
  }
  EXPECT_TRUE(fx.table.first());
  EXPECT_EQ(ReadEnvelopeSetup(fx.table).description, "Default Envelope Setup");
}

// A table lacking columns takes no setup: the write names every column
// it refused, a block's and a return line's among them, and posts nothing.
TEST(EnvelopeSetup, WriteTellsEveryRefusedColumn) {
  SupportTableFixture fx("QVPESU");
  ASSERT_TRUE(fx.opened);
  std::vector<xb::FieldDef> fields;
  for (const xb::FieldInfo& f : fx.table.area()->table().fields()) {
    if (f.name != "MESSFITAL" && f.name != "RETLINE3" && f.name != "ORIENT") {
      fields.push_back({f.name, f.type, f.width, f.decimals});
    }
  }
  ASSERT_TRUE(xb::Table::Create((fx.dir.path() + QStringLiteral("/LACKING.DBF")).toStdString(),
                                fields)
                  .ok());
  testing::RecordingMessages messages;
  TApolloEnv env;
  TableObject table(&env);
  table.setDatabaseName(fx.dir.path() + QLatin1Char('/'));
  table.setTableName(QStringLiteral("LACKING.DBF"));
  ASSERT_TRUE(table.open());
  table.insert();
  EXPECT_FALSE(WriteEnvelopeSetup(table, DefaultEnvelopeSetup()));
  EXPECT_EQ(messages.shown, QStringList{QStringLiteral(
                                "The envelope setup could not be saved: QVPESU.DBF does not take "
                                "ORIENT, MESSFITAL, RETLINE3.")});
  table.cancel();
  EXPECT_TRUE(table.isEmpty());
}

TEST(EnvelopeSizes, ShippedTableHoldsTheCommonSizes) {
  SupportTableFixture fx("QVPENVS");
  ASSERT_TRUE(fx.opened);
  std::map<QString, std::pair<double, double>> sizes;
  testing::ForEachRow(fx.table, [&] {
    const QString name = fx.table.fieldText(QStringLiteral("NAME")).trimmed();
    const double w = fx.table.fieldText("WIDTH").trimmed().toDouble();
    const double h = fx.table.fieldText("HEIGHT").trimmed().toDouble();
    EXPECT_EQ(fx.table.fieldText(QStringLiteral("USERDEF")).trimmed(), "F") << name.toStdString();
    EXPECT_TRUE(EnvelopeSizeProblem(w, h, name, QStringLiteral("x")).isEmpty())
        << name.toStdString();
    EXPECT_GE(w, h) << name.toStdString();
    sizes[name] = {w, h};
  });
  // Trade sizes in inches; ISO sizes in millimetres / 25.4.
  struct Expected {
    const char* name;
    double width, height;
  } expected[] = {
      {"Envelope #6 3/4", 6.5, 3.625},         {"Envelope #10", 9.5, 4.125},
      {"Envelope A2", 5.75, 4.375},            {"Envelope 10x13", 13.0, 10.0},
      {"Envelope DL", 220 / 25.4, 110 / 25.4}, {"Envelope C6/C5", 229 / 25.4, 114 / 25.4},
  };
  for (const Expected& e : expected) {
    auto it = sizes.find(QString::fromUtf8(e.name));
    ASSERT_NE(it, sizes.end()) << e.name;
    EXPECT_TRUE(testing::Near({it->second.first, it->second.second}, {e.width, e.height}, 0.0005))
        << e.name;
  }
}

TEST(EnvelopeSizes, SaveChecksInTheirOrder) {
  const QString height = QStringLiteral("Envelope Height must be at least 2 inches (50mm)");
  const QString width = QStringLiteral("Envelope Width must be at least 2 inches (50mm)");
  struct Case {
    double width, height;
    const char* name;
    const char* description;
    QString message;
  } cases[] = {
      {1.0, 1.0, "", "", height},  // every check fails: the height's message
      {50 * kEnvelopeInchesPerMm, 4.0, "N", "D", width},  // 1.9685 in
      {51 * kEnvelopeInchesPerMm, 51 * kEnvelopeInchesPerMm, "N", "D", QString()},
      {9.5, 4.13, "", "D", QStringLiteral("A Unique Name is required")},
      {9.5, 4.13, "N", "", QStringLiteral("A Description is required")},
      {2.0, 2.0, "Envelope #10", "a name already in use", QString()},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EnvelopeSizeProblem(c.width, c.height, QString::fromUtf8(c.name),
                                  QString::fromUtf8(c.description)),
              c.message)
        << c.width << " x " << c.height;
  }
}

}  // namespace
}  // namespace qv
