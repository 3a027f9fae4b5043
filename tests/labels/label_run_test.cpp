// Label runs checked on their page streams: sheet filling across and down,
// copies, trimmed text, header labels in presort order, the bar code above
// the text, record selection and start record, the paper question, and the
// contact table put back afterwards.
#include "labels/label_run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "labels/sort_bulk_mail.h"
#include "labels_test_util.h"
#include "render/report_canvas.h"
#include "store/ini_file.h"
#include "store/settings.h"

namespace qv {
namespace {

using testing::Contact;
using testing::ContactFixture;
using testing::LinesOf;
using testing::NumberedContacts;
using testing::TestHost;
using testing::TextsOf;

// Avery 5160, the default setup: text origin of the label at (column, row).
double TextLeft(int column) { return 0.188 + column * 2.75 + 0.25; }
double TextTop(int row) { return 0.5 + row * 1.0 + 0.25; }

using RunPages = testing::RunPages<LabelRunResult>;

LabelRunOptions AllRecords() {
  LabelRunOptions options;
  options.selection = RecordSelection::All;
  return options;
}

// Runs a preview and returns its pages; a host of its own when none is given.
RunPages Preview(ContactFixture& fx, LabelRunOptions options, TestHost* host = nullptr,
                 bool* presortDone = nullptr) {
  options.print = false;
  options.programDirectory = fx.dir();
  TestHost own;
  RunPages run;
  LabelRunHooks hooks;
  hooks.preview = testing::DecodeInto(&run.pages);
  bool done = false;
  run.result = DoPrint(fx.table, fx.apollo, options, presortDone ? presortDone : &done,
                       host ? *host : own, hooks);
  return run;
}

QStringList AllTexts(const PageStream& pages) {
  QStringList out;
  for (const Page& p : pages.pages) {
    for (const TextOp& t : TextsOf(p)) out << t.text;
  }
  return out;
}

// The first text of each label: a label's lines share the x of its origin
// and follow each other down; a new label starts where y goes up or x
// changes.
QStringList FirstLines(const Page& page) {
  QStringList out;
  double lastX = -1, lastY = -1;
  for (const TextOp& t : TextsOf(page)) {
    if (t.x != lastX || t.y <= lastY) out << t.text;
    lastX = t.x;
    lastY = t.y;
  }
  return out;
}

// The first line's top is at the text origin; its baseline a little below.
void ExpectAtOrigin(const TextOp& t, int column, int row) {
  EXPECT_NEAR(t.x, TextLeft(column), 1e-4);
  EXPECT_GT(t.y, TextTop(row));
  EXPECT_LT(t.y, TextTop(row) + 0.2);
}

QString Numbered(int n) { return QStringLiteral("Name%1 ").arg(n, 3, 10, QLatin1Char('0')); }

TEST(LabelRun, ThirtyOneRecordsFillOneSheetAndStartAnother) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(NumberedContacts(31)));
  RunPages run = Preview(fx, AllRecords());
  ASSERT_EQ(run.result.outcome, LabelRunOutcome::Completed);
  ASSERT_EQ(run.pages.pages.size(), 2u);
  EXPECT_EQ(run.result.labels, 31);
  EXPECT_EQ(run.result.statusText, "\rLabel Preview Ready!");
  std::vector<TextOp> texts = TextsOf(run.pages.pages[0]);
  ASSERT_EQ(texts.size(), 90u);  // three lines on each of 30 labels
  for (int label = 0; label < 30; ++label) {
    SCOPED_TRACE(label);
    const TextOp& name = texts[size_t(label) * 3];
    EXPECT_EQ(name.text, Numbered(label + 1));
    ExpectAtOrigin(name, label % 3, label / 3);
    EXPECT_GT(texts[size_t(label) * 3 + 1].y, name.y);
  }
  std::vector<TextOp> second = TextsOf(run.pages.pages[1]);
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(second[0].text, "Name031 ");
}

TEST(LabelRun, CopiesRunOverRowsAndPages) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(NumberedContacts(8)));
  LabelRunOptions options = AllRecords();
  options.copies = 4;
  RunPages run = Preview(fx, options);
  ASSERT_EQ(run.pages.pages.size(), 2u);
  QStringList expected;
  for (int r = 1; r <= 8; ++r) expected << QStringList(4, Numbered(r));
  EXPECT_EQ(FirstLines(run.pages.pages[0]) + FirstLines(run.pages.pages[1]), expected);
}

// One line a label: " " + ZIP, or the last name. Foreign addresses (and
// one without a postal code) go under Unknown, Canadian codes nowhere.
TEST(LabelRun, PresortPrintsAHeaderLabelBeforeEachGroup) {
  auto many = [](int n, const Contact& c) { return std::vector<Contact>(size_t(n), c); };
  std::vector<Contact> zips = many(9, {{"LNAME", "A"}, {"ZIP", "12345"}});
  zips.push_back({{"LNAME", "B"}, {"ZIP", "12345-6789"}});
  for (const Contact& c : many(9, {{"LNAME", "C"}, {"ZIP", "12346"}})) zips.push_back(c);
  zips.push_back({{"LNAME", "D"}, {"ZIP", "00123"}});
  zips.push_back({{"LNAME", "E"}, {"ZIP", "K1A 0B1"}});  // never presorted, never printed
  std::vector<Contact> foreign = many(10, {{"LNAME", "NYC"}, {"ZIP", "10001"}});
  foreign.insert(foreign.end(),
                 {{{"LNAME", "Hamburg"}, {"ZIP", "10001"}, {"COUNTRY", "Germany"}},
                  {{"LNAME", "Berlin"}, {"ZIP", "10117"}, {"COUNTRY", "Germany"}},
                  {{"LNAME", "Manhattan"}, {"ZIP", "10118"}, {"COUNTRY", "USA"}},
                  {{"LNAME", "London"}, {"ZIP", "sw1a 1aa"}, {"COUNTRY", "United Kingdom"}},
                  {{"LNAME", "Nowhere"}, {"COUNTRY", "France"}}});
  const QStringList byZip = QStringList{"** 5-digit 12345"} + QStringList(9, " 12345") +
                            QStringList{" 12345-6789", "** ADC ALBANY NY 120"} +
                            QStringList(9, " 12346") + QStringList{"** Unknown", " 00123"};
  const QStringList byName =
      QStringList{"** 5-digit 10001"} + QStringList(10, "NYC ") +
      QStringList{
          "** ADC NEW YORK NY 100", "Manhattan ", "** Unknown", "Hamburg ", "Berlin ", "London "};
  const struct {
    std::vector<Contact> contacts;
    bool namesOnly;
    QStringList labels;
  } cases[] = {{zips, false, byZip}, {foreign, true, byName}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.labels.first().toStdString());
    ContactFixture fx;
    ASSERT_TRUE(fx.make(c.contacts));
    LabelRunOptions options = AllRecords();
    options.setup.address.street = false;
    (c.namesOnly ? options.setup.address.cityState : options.setup.address.name) = false;
    options.presort = true;
    TestHost host;
    bool presortDone = false;
    RunPages run = Preview(fx, options, &host, &presortDone);
    ASSERT_EQ(run.result.outcome, LabelRunOutcome::Completed);
    EXPECT_TRUE(presortDone);
    EXPECT_EQ(host.notices, QStringList({PresortOrderMessage()}));
    EXPECT_EQ(AllTexts(run.pages), c.labels);

    // A second run with the flag set reuses PRESORT.PSL without counting again.
    TestHost again;
    RunPages second = Preview(fx, options, &again, &presortDone);
    EXPECT_TRUE(again.progressTexts.isEmpty());
    EXPECT_EQ(second.pages, run.pages);
  }
}

TEST(LabelRun, BarsStandAboveTheTextAtItsOrigin) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"LNAME", "A"}, {"STREET", "123 MAIN ST"}, {"ZIP", "12345-6789"}},
                       {{"LNAME", "B"}, {"STREET", "9 Oak"}, {"ZIP", "1234"}},
                       {{"LNAME", "C"}, {"STREET", "9 Oak"}, {"ZIP", "12345"}},
                       {{"LNAME", "D"}, {"STREET", "9 Oak"}, {"ZIP", "K1A 0B1"}}}));
  LabelRunOptions options = AllRecords();
  options.setup.address.barCode = true;
  RunPages run = Preview(fx, options);
  ASSERT_EQ(run.pages.pages.size(), 1u);
  std::vector<LineOp> lines = LinesOf(run.pages.pages[0]);
  ASSERT_EQ(lines.size(), 62u + 32u);  // B (four digits) and D (letters) get none
  const double barTop = TextTop(0) - 0.165;
  EXPECT_NEAR(lines[0].x1, TextLeft(0), 1e-4);
  EXPECT_NEAR(lines[0].y1, barTop, 1e-4);
  EXPECT_NEAR(lines[0].y2, barTop + 0.125, 1e-4);
  EXPECT_NEAR(lines[62].x1, TextLeft(2), 1e-4);  // C is the third label of the row
}

TEST(LabelRun, SelectionStartRecordAndRestore) {
  std::vector<Contact> contacts = NumberedContacts(5);
  contacts[1]["PREFIX"] = "deleted";
  contacts[3]["PREFIX"] = "DeLeTeD";
  ContactFixture fx;
  ASSERT_TRUE(fx.make(contacts));
  EXPECT_TRUE(fx.apollo.Query(QStringLiteral("LNAME<>\"Name005\"")));
  fx.apollo.SetOrder(0);
  EXPECT_TRUE(fx.apollo.Go(3));

  struct Case {
    const char* what;
    RecordSelection selection;
    bool startFromCurrent;
    int copies;
    QStringList labels;
  } cases[] = {
      {"all records leave out the deleted marker in any case",
       RecordSelection::All, false, 1, {"Name001 ", "Name003 ", "Name005 "}},
      {"the filter in force",
       RecordSelection::Filter, false, 1,
       {"Name001 ", "deleted Name002 ", "Name003 ", "DeLeTeD Name004 "}},
      {"the current record, copies included, never presorted",
       RecordSelection::Current, false, 2, {"Name003 ", "Name003 "}},
      {"start from the current record", RecordSelection::All, true, 1, {"Name003 ", "Name005 "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LabelRunOptions options;
    options.selection = c.selection;
    options.startFromCurrent = c.startFromCurrent;
    options.copies = c.copies;
    options.presort = c.selection == RecordSelection::Current;
    TestHost host;
    RunPages run = Preview(fx, options, &host);
    ASSERT_EQ(run.pages.pages.size(), 1u);
    EXPECT_EQ(FirstLines(run.pages.pages[0]), c.labels);
    EXPECT_TRUE(host.notices.isEmpty());
    EXPECT_EQ(fx.apollo.DBFilter(), "LNAME<>\"Name005\"");
    EXPECT_EQ(fx.apollo.IndexOrd(), 0);
    EXPECT_EQ(fx.apollo.RecNo(), 3);
  }

  // A start record outside the selection: the message, then the first record.
  EXPECT_TRUE(fx.apollo.Go(2));  // marked deleted
  LabelRunOptions options = AllRecords();
  options.startFromCurrent = true;
  TestHost host;
  RunPages run = Preview(fx, options, &host);
  EXPECT_EQ(host.notices,
            QStringList({"Current record is out of range. Starting with first record"}));
  EXPECT_EQ(FirstLines(run.pages.pages.at(0)), QStringList({"Name001 ", "Name003 ", "Name005 "}));
  EXPECT_EQ(fx.apollo.RecNo(), 2);
}

TEST(LabelRun, PaperSizeCodesAndTheQuestion) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(NumberedContacts(1)));
  const LabelRunOutcome done = LabelRunOutcome::Completed;
  struct Case {
    const char* what;
    const char* code;
    float width, height;
    std::deque<bool> answers;
    LabelRunOutcome outcome;
    double pageWidth, pageHeight;
  } cases[] = {
      {"letter on letter", "LTR", 8.5f, 11.0f, {}, done, 8.5, 11},
      {"an unknown code is custom", "XYZ", 4.0f, 6.0f, {}, done, 4, 6},
      {"within 0.05 inch", "LTR", 8.54f, 11.04f, {}, done, 8.5, 11},
      {"A4 for a letter sheet, No", "A4", 8.5f, 11.0f, {false}, LabelRunOutcome::PaperDeclined},
      {"A4 for a letter sheet, Yes", "A4", 8.5f, 11.0f, {true}, done, 8.27, 11.69},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LabelRunOptions options = AllRecords();
    options.setup.paperSize = c.code;
    options.setup.sheetWidth = c.width;
    options.setup.sheetHeight = c.height;
    TestHost host;
    host.answers = c.answers;
    RunPages run = Preview(fx, options, &host);
    EXPECT_EQ(run.result.outcome, c.outcome);
    EXPECT_EQ(host.asked,
              c.answers.empty() ? QStringList{} : QStringList{PaperSizeQuestion(8.5, 11.0)});
    if (c.outcome != done) {
      EXPECT_TRUE(run.pages.pages.empty());
      continue;
    }
    ASSERT_EQ(run.pages.pages.size(), 1u);
    EXPECT_NEAR(run.pages.pages[0].width, c.pageWidth, 0.01);
    EXPECT_NEAR(run.pages.pages[0].height, c.pageHeight, 0.01);
  }
  EXPECT_EQ(PaperSizeQuestion(8.5, 11.0),
            "Quorvane was unable to confirm that the paper size was set to\r\n\r\n8.50\" by "
            "11.00\"\r\n\r\n(you may have the wrong printer selected)\r\n\r\nWould you like to "
            "try printing anyways?");
}

// ---- Trimmed labels keep what the delivery needs

const char kLongCity[] = "Rancho Santa Margarita";
const char kZip4[] = "92688-1234";

TEST(LabelRun, TrimNeverCutsTheZipNorDropsTheCityLine) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"LNAME", "Smith"},
                        {"TITLE", "Director of Purchasing"}, {"ORG", "Acme Widget Company"},
                        {"STREET", "30100 Avenida de las Banderas"},
                        {"CITY", kLongCity}, {"STATE", "CA"}, {"ZIP", kZip4},
                        {"PHONE", "949-555-0100"}}}));
  struct Case {
    const char* what;
    bool titleAndCompany;
    int zipOption;
    float labelWidth;
    QStringList starts;  // each printed line starts so, top to bottom
    bool cityCut;        // the place name lost its end
  } cases[] = {
      {"5160: the long city line shrinks and prints whole",
       false, kZipAfterState, 2.625f,
       {"Smith ", "30100 Avenida", "Rancho Santa Margarita  CA 92688-1234"},
       false},
      {"title and organisation on: the title goes, the city line stays",
       true, kZipAfterState, 2.625f,
       {"Smith ", "Acme Widget", "30100 Avenida", "Rancho Santa"},
       false},
      {"a narrow label cuts the city name, never the code",
       false, kZipAfterState, 1.5f, {"Smith ", "30100", "Rancho"}, true},
      {"ZIP before the city: the state stays after the cut city",
       false, kZipBeforeCity, 1.5f,
       {"Smith ", "30100", "92688-1234 Rancho"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LabelRunOptions options = AllRecords();
    options.setup.address.title = options.setup.address.company = c.titleAndCompany;
    options.setup.address.phone = false;
    options.setup.address.zipOption = c.zipOption;
    options.setup.labelWidth = c.labelWidth;
    options.setup.horizontalPitch = std::max(c.labelWidth, 2.75f);
    RunPages run = Preview(fx, options);
    ASSERT_EQ(run.pages.pages.size(), 1u);
    const std::vector<TextOp> texts = TextsOf(run.pages.pages[0]);
    ASSERT_EQ(texts.size(), size_t(c.starts.size()));
    for (size_t i = 0; i < texts.size(); ++i) {
      EXPECT_TRUE(texts[i].text.startsWith(c.starts[int(i)])) << texts[i].text.toStdString();
    }
    const TextOp& city = texts.back();
    EXPECT_TRUE(city.text.contains(kZip4));
    EXPECT_TRUE(city.text.contains(QLatin1String("CA")));
    EXPECT_EQ(city.text.contains(kLongCity), !c.cityCut);
    // Smaller than the label's font, not below 6 points, and as large as fits.
    ReportCanvas probe;
    probe.setFont(QStringLiteral("Arial"), city.font.size);
    EXPECT_GE(city.font.size, 6.0);
    EXPECT_LE(probe.textWidth(city.text), c.labelWidth - 0.25 + 1e-6);
    if (!c.cityCut) {
      probe.setFontSize(city.font.size + 1);
      EXPECT_GT(probe.textWidth(city.text), c.labelWidth - 0.25);
    }
    EXPECT_LT(city.y, TextTop(0) + 0.75);  // the lines end inside the label
  }
}

// ---- Foreign addresses

TEST(LabelRun, TrimDropsLinesBelowTheLabelButKeepsTheCountryOfAForeignAddress) {
  struct Case {
    const char* country;
    bool trim;
    QStringList lines;  // at 14 points three lines fit a 5160 label
  } cases[] = {
      {"Germany", true, {"Anna Weber ", "10117 Berlin ", "Germany"}},
      {"USA", true, {"Anna Weber ", "Unter den Linden 77", "10117 Berlin "}},
      {"Germany", false, {"Anna Weber ", "Unter den Linden 77", "10117 Berlin ", "Germany"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.country);
    ContactFixture fx;
    ASSERT_TRUE(fx.make({{{"FNAME", "Anna"},
                          {"LNAME", "Weber"}, {"STREET", "Unter den Linden 77"}, {"CITY", "Berlin"},
                          {"ZIP", "10117"}, {"COUNTRY", c.country}}}));
    LabelRunOptions options = AllRecords();
    options.setup.address.country = true;
    options.setup.address.zipOption = kZipBeforeCity;
    options.setup.fontSize = 14;
    options.setup.trimText = c.trim;
    RunPages run = Preview(fx, options);
    ASSERT_EQ(run.pages.pages.size(), 1u);
    EXPECT_EQ(AllTexts(run.pages), c.lines);
  }
}

// ---- Where a run starts on the sheet, and the alignment page

TEST(LabelRun, StartLabelLeavesTheFirstPositionsEmpty) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(NumberedContacts(3)));
  struct Case {
    int start;
    int firstColumn, firstRow;
    size_t pages;
  } cases[] = {{3, 2, 0, 1}, {4, 0, 1, 1}, {29, 1, 9, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    LabelRunOptions options = AllRecords();
    options.startLabel = c.start;
    RunPages run = Preview(fx, options);
    ASSERT_EQ(run.pages.pages.size(), c.pages);
    const std::vector<TextOp> first = TextsOf(run.pages.pages[0]);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0].text, "Name001 ");
    ExpectAtOrigin(first[0], c.firstColumn, c.firstRow);
  }
  for (int bad : {0, 31}) {
    SCOPED_TRACE(bad);
    LabelRunOptions options;
    options.startLabel = bad;
    TestHost host;
    RunPages run = Preview(fx, options, &host);
    EXPECT_EQ(run.result.outcome, LabelRunOutcome::Failed);
    EXPECT_EQ(host.notices, QStringList({StartLabelProblem(options.setup, bad)}));
    EXPECT_TRUE(run.pages.pages.empty());
  }
}

TEST(LabelRun, AlignmentPageOutlinesEveryLabelAndFollowsThePrinterOffset) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(NumberedContacts(2)));
  for (const PrinterOffset& offset : {PrinterOffset{}, PrinterOffset{0.05, -0.03}}) {
    SCOPED_TRACE(offset.x);
    IniFile ini(fx.file(QStringLiteral("QUORVA.INI")));
    ASSERT_TRUE(WritePrinterOffset(ini, QStringLiteral("PDF file"), offset));
    LabelRunOptions options;
    options.alignmentPage = true;
    options.printerName = QStringLiteral("PDF file");
    RunPages run = Preview(fx, options);
    ASSERT_EQ(run.pages.pages.size(), 1u);
    const std::vector<RectOp> rects = testing::OpsOf<RectOp>(run.pages.pages[0]);
    ASSERT_EQ(rects.size(), 30u);
    for (int i = 0; i < 30; ++i) {
      const QRectF& r = rects[size_t(i)].rect;
      EXPECT_NEAR(r.left(), 0.188 + (i % 3) * 2.75 + offset.x, 1e-4) << i;
      EXPECT_NEAR(r.top(), 0.5 + (i / 3) * 1.0 + offset.y, 1e-4) << i;
      EXPECT_NEAR(r.width() + r.height(), 3.625, 1e-4) << i;
    }
    // The numbers, not the records, are the page's text.
    const std::vector<TextOp> texts = TextsOf(run.pages.pages[0]);
    ASSERT_EQ(texts.size(), 30u);
    EXPECT_EQ(texts[29].text, "30");
  }
}

}  // namespace
}  // namespace qv
