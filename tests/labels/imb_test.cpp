// The Intelligent Mail barcode: the published test cases, the tracking and
// routing codes with their bad inputs, the bars on the canvas to the
// published dimensions, and label runs numbering their pieces.
#include "labels/imb.h"

#include <gtest/gtest.h>

#include <QFile>

#include "labels/label_run.h"
#include "labels/label_setup.h"
#include "store/support_install.h"
#include "engine_tables.h"
#include "labels_test_util.h"
#include "render/report_canvas.h"

namespace qv {
namespace {

using testing::ContactFixture;
using testing::LinesOf;
using testing::TestHost;

TEST(Imb, PublishedTestCases) {
  QFile file(QStringLiteral(QV_SOURCE_DIR "/tests/data/imb-test-cases.tsv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  int cases = 0;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromLatin1(raw).trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
    const QStringList f = QString::fromLatin1(raw).split(QLatin1Char('\t'));
    ASSERT_EQ(f.size(), 3) << raw.toStdString();
    QString error;
    EXPECT_EQ(ImbBars(f[0], f[1], &error), f[2].trimmed()) << error.toStdString();
    ++cases;
  }
  EXPECT_EQ(cases, 4);
}

TEST(Imb, BadTrackingAndRoutingCodesGiveNoBars) {
  const struct {
    const char* tracking;
    const char* routing;
  } bad[] = {
      {"0123456709498765432", ""},          // 19 digits
      {"01234567094987654321", "1234"},     // routing of 4 digits
      {"01234567094987654321", "0123456"},  // 7 digits
      {"05234567094987654321", ""},         // second digit of the barcode ID above 4
      {"0123456709498765432X", ""},
  };
  for (const auto& c : bad) {
    QString error;
    EXPECT_TRUE(ImbBars(c.tracking, c.routing, &error).isEmpty() && !error.isEmpty()) << c.tracking;
  }
}

TEST(Imb, TrackingCodeFromItsParts) {
  const struct {
    const char *barcodeId, *stid, *mailer;
    qint64 serial;
    const char* expected;  // empty: refused
  } cases[] = {
      {"00", "300", "123456789", 42, "00300123456789000042"},
      {"00", "300", "123456", 999999999, "00300123456999999999"},
      {"00", "300", "123456", 1000000000, ""},  // past the 9 digits
      {"00", "300", "123456789", 1000000, ""},  // past the 6 digits
      {"00", "300", "12345", 1, ""},            // mailer ID of the wrong length
      {"05", "300", "123456", 1, ""},
  };
  for (const auto& c : cases) {
    QString error;
    const QString code = ImbTrackingCode(c.barcodeId, c.stid, c.mailer, c.serial, &error);
    EXPECT_EQ(code + (error.isEmpty() ? "" : "refused"), *c.expected ? c.expected : "refused")
        << c.mailer << " " << c.serial;
  }
}

TEST(Imb, RoutingCodeFromZipAndStreet) {
  const struct {
    const char *zip, *street, *expected;  // expected empty: refused
  } cases[] = {
      {"12345", "123 MAIN ST", "12345"},
      {"12345-6789", "#5 ELM", "12345678905"},
      {"123456789", "123 MAIN ST", "123456789"},  // no hyphen: no delivery point
      {"1234", "", ""},
      {"12345-67", "", ""},
  };
  for (const auto& c : cases) {
    QString error;
    const QString code = ImbRoutingCode(c.zip, c.street, &error);
    EXPECT_EQ(code + (error.isEmpty() ? "" : "refused"), *c.expected ? c.expected : "refused");
  }
}

TEST(Imb, BarsOnTheCanvasToThePublishedDimensions) {
  const QString bars = QStringLiteral("FADT").repeated(16) + QLatin1Char('F');
  const std::vector<LineOp> lines =
      testing::LinesDrawn([&](ReportCanvas& r) { ImbSection(r, bars); });
  ASSERT_EQ(lines.size(), 65u);
  // Tops and bottoms below the top of the bars, worked from 0.145 full,
  // 0.0965 ascender and descender, 0.048 tracker centred.
  const std::map<QChar, std::pair<double, double>> extent = {
      {'F', {0.0, 0.145}}, {'A', {0.0, 0.0965}}, {'D', {0.0485, 0.145}}, {'T', {0.0485, 0.0965}}};
  for (size_t i = 0; i < lines.size(); ++i) {
    const LineOp& l = lines[i];
    const auto [top, bottom] = extent.at(bars[int(i)]);
    EXPECT_NEAR(l.x1, 1.0 + 0.010 + 0.0458 * double(i), 1e-6) << i;  // left edge at 1.0
    EXPECT_NEAR(l.y1, 2.0 + top, 1e-6) << i;
    EXPECT_NEAR(l.y2, 2.0 + bottom, 1e-6) << i;
  }
  EXPECT_NEAR(lines[0].pen.width, 0.020, 1e-9);
}

// A run of Intelligent Mail labels; each run starts a fresh page stream.
struct ImbRun {
  ContactFixture fx;
  TestHost host;
  LabelRunResult result;
  PageStream pages;
  bool wide = true;

  void run(LabelRunOptions options = LabelRunOptions()) {
    pages = PageStream();
    options.print = false;
    options.programDirectory = fx.dir();
    options.selection = RecordSelection::All;
    options.setup.address.barCode = true;
    options.setup.intelligentMail = true;
    if (wide) {
      // Avery 5163, two 4-inch labels across: room for the 2.95 in of bars.
      options.setup.labelWidth = 4.0f;
      options.setup.horizontalPitch = 4.188f;
      options.setup.across = 2;
    }
    LabelRunHooks hooks;
    hooks.preview = testing::DecodeInto(&pages);
    bool done = false;
    result = DoPrint(fx.table, fx.apollo, options, &done, host, hooks);
  }
  QStringList drawn() const { return testing::ImbCodesOn(pages.pages.at(0)); }
};

TEST(Imb, LabelRunNumbersItsPiecesAndSavesTheNextSerial) {
  ImbRun r;
  ASSERT_TRUE(r.fx.make(testing::kImbPieces));
  IniFile ini(r.fx.file(QStringLiteral("QUORVA.INI")));
  ASSERT_TRUE(testing::SaveImbMailer(ini));
  r.run();
  ASSERT_EQ(r.result.outcome, LabelRunOutcome::Completed);
  // The published tracking code is 01 234 567094 987654321; ours has
  // barcode ID 00 and service type 300, and C takes the next serial.
  QString error;
  const QStringList expected = {
      ImbBars(QStringLiteral("00300567094987654321"), QStringLiteral("01234567823"), &error),
      ImbBars(QStringLiteral("00300567094987654322"), QStringLiteral("01234"), &error)};
  EXPECT_EQ(r.drawn(), expected);
  // Placed where POSTNET goes: 0.165 in above the first line of label A.
  EXPECT_NEAR(LinesOf(r.pages.pages.at(0))[0].x1, 0.188 + 0.25 + 0.010, 1e-4);
  ASSERT_EQ(r.result.barCodeWarnings.size(), 1);
  EXPECT_TRUE(r.result.barCodeWarnings[0].startsWith(QStringLiteral("Record 2: no bar code")));
  EXPECT_EQ(LoadImbSettings(ini).nextSerial, 987654323);

  // The next run goes on from there.
  r.run();
  EXPECT_EQ(r.drawn().at(0), ImbBars(QStringLiteral("00300567094987654323"),
                                     QStringLiteral("01234567823"), &error));
  EXPECT_EQ(LoadImbSettings(ini).nextSerial, 987654325);
}

TEST(Imb, ASerialPastItsRangeOrNoMailerIdPrintsNoBars) {
  ImbRun r;
  ASSERT_TRUE(r.fx.make({{{"LNAME", "A"}, {"ZIP", "01234"}}, {{"LNAME", "B"}, {"ZIP", "01234"}}}));
  // The last serial a 9-digit mailer ID has: B's serial is past the range.
  LabelRunOptions options;
  options.imbGiven = true;
  options.imb.mailerId = QStringLiteral("567094321");
  options.imb.nextSerial = 999999;
  r.run(options);
  ASSERT_EQ(r.result.outcome, LabelRunOutcome::Completed);
  EXPECT_EQ(LinesOf(r.pages.pages.at(0)).size(), size_t(kImbBarCount));
  ASSERT_EQ(r.result.barCodeWarnings.size(), 1);
  EXPECT_TRUE(r.result.barCodeWarnings[0].contains(QStringLiteral("past the range")));
  EXPECT_EQ(LoadImbSettings(IniFile(r.fx.file(QStringLiteral("QUORVA.INI")))).nextSerial, 1000000);

  options.imb.mailerId.clear();
  r.run(options);
  EXPECT_TRUE(LinesOf(r.pages.pages.at(0)).empty());

  // The 2.63 in labels of the default setup cannot hold 2.95 in of bars.
  options.imb.mailerId = QStringLiteral("567094");
  r.wide = false;
  r.run(options);
  EXPECT_TRUE(LinesOf(r.pages.pages.at(0)).empty());
  ASSERT_EQ(r.result.barCodeWarnings.size(), 2);
  EXPECT_TRUE(r.result.barCodeWarnings[0].contains(QStringLiteral("too narrow")));
}

TEST(Imb, SetupTablesWithAndWithoutTheBarTypeColumn) {
  QTemporaryDir dir;
  TApolloEnv env;
  auto open = [&](TableObject& table, const QString& name) {
    table.setDatabaseName(dir.path());
    table.setTableName(name);
    return table.open();
  };
  const struct {
    const char* name;
    bool withKind;
    const char* kinds;
    bool imb[2];
  } cases[] = {
      {"OLD.DBF", false, "", {false, false}},  // before BARTYPE: POSTNET
      {"NEW.DBF", true, "12", {false, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Two rows with the bar code on and, with the column, the given kinds.
    std::vector<xb::FieldDef> fields = {{"DESCRIPT", 'C', 50}, {"BARCODE", 'L', 1}};
    std::vector<std::vector<std::string>> rows(2, {"Setup", "T"});
    if (c.withKind) {
      fields.push_back({"BARTYPE", 'N', 1});
      for (int i = 0; i < 2; ++i) rows[i].push_back(std::string(1, c.kinds[i]));
    }
    ASSERT_TRUE(qvtest::MakeTable(dir.filePath(c.name).toStdString(), fields, rows).ok());
    TableObject table(&env);
    ASSERT_TRUE(open(table, QString::fromLatin1(c.name)));
    for (int row = 0; row < 2; ++row) {
      const LabelSetup s = ReadLabelSetup(table);
      EXPECT_TRUE(s.address.barCode);
      EXPECT_EQ(s.intelligentMail, c.imb[row]) << row;
      ASSERT_TRUE(table.next());
    }
  }
  // A freshly installed table has the column and keeps the choice.
  ASSERT_TRUE(InstallSupportTables(dir.path() + QLatin1Char('/')).isEmpty());
  TableObject table(&env);
  ASSERT_TRUE(open(table, LabelSetupFileName()));
  LabelSetup s = ReadLabelSetup(table);
  EXPECT_FALSE(s.address.barCode);
  s.address.barCode = s.intelligentMail = true;
  ASSERT_TRUE(WriteLabelSetup(table, s));
  EXPECT_EQ(table.fieldText(QStringLiteral("BARTYPE")).trimmed(), QStringLiteral("2"));
  EXPECT_TRUE(ReadLabelSetup(table).intelligentMail);
}

}  // namespace
}  // namespace qv
