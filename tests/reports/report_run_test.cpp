// Report runs checked on their page streams: the header and footer, the
// tab table and clipped cells of each layout, the soft seek on "0", codes
// and memo cells with their shading, a memo running onto the next page,
// layout 4's rule and its three-line rule, an empty selection, the record
// choices and the contact table put back afterwards.
#include "reports/report_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>

#include "labels_test_util.h"
#include "near.h"
#include "render/report_canvas.h"
#include "reports/user_report.h"

namespace qv {
namespace {

using testing::Contact;
using testing::ContactFixture;
using testing::LinesOf;
using testing::Near;
using testing::TestHost;
using testing::TextsOf;

constexpr double kEps = 1e-6;
const char kNotDeleted[] = "UPPER(PREFIX)<>\"DELETED\"";

using RunPages = testing::RunPages<UserReportResult>;

RunPages Preview(ContactFixture& fx, UserReportOptions options, TestHost& host,
            UserReportHooks hooks = {}) {
  options.print = false;
  options.date = QDate(2026, 12, 7);
  if (options.title.isEmpty()) options.title = QStringLiteral("Members");
  RunPages run;
  if (!hooks.preview) hooks.preview = testing::DecodeInto(&run.pages);
  run.result = RunUserReport(fx.table, fx.apollo, options, host, hooks);
  return run;
}

const auto ShadesOf = testing::OpsOf<ShadeOp>;

const TextOp* Find(const Page& page, const QString& text) {
  for (const PageOp& op : page.ops) {
    if (const auto* t = std::get_if<TextOp>(&op); t && t->text == text) return t;
  }
  return nullptr;
}

// The body texts: everything after the column headings, which are bold.
QStringList BodyTexts(const Page& page) {
  QStringList out;
  for (const TextOp& t : TextsOf(page)) {
    if (!t.font.bold) out << t.text;
  }
  return out;
}

double LineHeight(const char* font, double points, bool bold = false) {
  ReportCanvas probe;
  probe.setFont(QString::fromLatin1(font), points);
  probe.setBold(bold);
  return probe.lineHeight();
}

const Contact kSmith = {{"LNAME", "Smith"},   {"FNAME", "John"},    {"MIDDLE", "Q"},
                        {"STREET", "1 Elm St"}, {"CITY", "Albany"}, {"STATE", "NY"},
                        {"ZIP", "12207"},     {"PHONE", "555-0100"}, {"ORG", "Acme"},
                        {"FAX", "555-0101"},  {"NOTES", "VIP"},      {"MEMO", "Met at the fair."}};
const Contact kBlank = {{"FNAME", "Nobody"}, {"ORG", ""}};
const Contact kAdams = {{"LNAME", "Adams"}, {"ORG", "Zeta"}};

TEST(ReportRun, LayoutOneHeaderHeadingsRulesAndCellsThenCodesAndMemo) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({kSmith}));
  TestHost host;
  UserReportOptions options;
  RunPages run = Preview(fx, options, host);
  ASSERT_EQ(run.result.outcome, UserReportOutcome::Completed);
  EXPECT_EQ(run.result.statusText, "\rReport Preview Ready!");
  EXPECT_EQ(run.result.records, 1);
  ASSERT_EQ(run.pages.pages.size(), 1u);
  const Page& page = run.pages.pages[0];

  ReportCanvas probe;
  probe.setFont(QStringLiteral("Times New Roman"), 14);
  probe.setBold(true);
  // The title at the 0.5 in top margin; page number and date right-aligned
  // at 8 in, the date one line lower.
  const TextOp* title = Find(page, "Members");
  const TextOp* pageNo = Find(page, "Page 1");
  const TextOp* date = Find(page, "12/07/2026");
  ASSERT_TRUE(title && pageNo && date);
  EXPECT_TRUE(Near({title->y, pageNo->x + probe.textWidth("Page 1"), date->y - title->y},
                   {0.5 + probe.ascent(), 8.0, probe.lineHeight()}, 1e-4));

  // Headings in the four tabs (1.0, 2.75, 4.9, 6.9), one line below 1.3 in.
  const double headingX[] = {1.0, 2.75, 4.9, 6.9};
  const char* headings[] = {"Name", "Address", "City/St/Zip", "Phone"};
  for (int i = 0; i < 4; ++i) {
    const TextOp* h = Find(page, headings[i]);
    ASSERT_NE(h, nullptr) << headings[i];
    EXPECT_TRUE(Near({h->x, h->y}, {headingX[i] + 0.02, 1.3 + LineHeight("Arial", 9, true)}, kEps));
  }
  // Rules over and under the body, from 1.0 to 8.0; the body, and so its
  // bottom rule, a gap below the top rule.
  std::vector<LineOp> rules = LinesOf(page);
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_TRUE(Near({rules[0].y1, rules[0].x1, rules[0].x2, rules[1].y1, rules[1].x1, rules[1].x2},
                   {1.5, 1.0, 8.0, 10.0 + user_report::kBodyBelowRule, 1.0, 8.0}, kEps));
  // The first row's line starts the gap below the top rule, not on it.
  probe.setFont(QStringLiteral("Arial"), 9);
  probe.setBold(false);
  const TextOp* row = Find(page, "Smith, John Q.");
  ASSERT_NE(row, nullptr);
  EXPECT_NEAR(row->y - probe.ascent(), 1.5 + user_report::kBodyBelowRule, kEps);

  // The row: cells at the tab edges, cut at width - 0.2.
  EXPECT_EQ(BodyTexts(page),
            QStringList({"Smith, John Q.", "1 Elm St", "Albany, NY  12207 ", "555-0100"}));
  const double widths[] = {1.75, 2.15, 2.0, 1.5};
  int i = 0;
  for (const TextOp& t : TextsOf(page)) {
    if (t.font.bold) continue;
    EXPECT_TRUE(Near({t.x, t.clip.width()}, {headingX[i], widths[i] - 0.2}, kEps));
    ++i;
  }
  // Layout 2 with codes and memo in shaded full-width cells.
  options.layout = 2;
  options.printCodes = options.printMemo = true;
  run = Preview(fx, options, host);
  const Page& page2 = run.pages.pages.at(0);
  EXPECT_EQ(BodyTexts(page2), QStringList({"Smith, John Q.", "Acme", "555-0100", "555-0101",
                                          "Codes: VIP", "Met at the fair."}));
  std::vector<ShadeOp> shades = ShadesOf(page2);
  ASSERT_EQ(shades.size(), 2u);
  EXPECT_EQ(std::pair(shades[0].percent, shades[1].percent), std::pair(5, 10));
  const TextOp* codes = Find(page2, "Codes: VIP");
  const TextOp* memo = Find(page2, "Met at the fair.");
  ASSERT_TRUE(codes && memo);
  EXPECT_TRUE(Near({shades[0].rect.right(), shades[0].rect.top(), shades[1].rect.top()},
                   {8.0, codes->y - probe.ascent(), memo->y - probe.ascent()}, kEps));
}

TEST(ReportRun, SoftSeekSkipsBlankKeysInLayoutsOneToThreeButNotFourAndAnEmptySelection) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({kSmith, kBlank, kAdams}));
  ASSERT_TRUE(fx.apollo.Query(kNotDeleted));
  TestHost host;
  const struct {
    int layout;
    QString first;
    long long records;
  } cases[] = {{1, "Adams, ", 2}, {2, "Adams, ", 2}, {3, "Acme", 2},
               // The blank key comes first in layout 4, but its row has no cells.
               {4, "Adams, ", 3}};
  for (const auto& c : cases) {
    UserReportOptions options;
    options.layout = c.layout;
    RunPages run = Preview(fx, options, host);
    ASSERT_EQ(run.pages.pages.size(), 1u);
    EXPECT_EQ(run.result.records, c.records) << c.layout;
    const QStringList body = BodyTexts(run.pages.pages[0]);
    ASSERT_FALSE(body.isEmpty());
    EXPECT_EQ(std::tuple(body[0], body.count(c.first)), std::tuple(c.first, 1)) << c.layout;
  }
  // An empty selection prints one page of header and footer.
  ASSERT_TRUE(fx.apollo.Query("LNAME = \"Nobody\""));
  UserReportOptions options;
  options.layout = 3;
  RunPages run = Preview(fx, options, host);
  ASSERT_EQ(run.pages.pages.size(), 1u);
  EXPECT_EQ(std::tuple(run.result.records, BodyTexts(run.pages.pages[0]),
                       Find(run.pages.pages[0], "Organization") != nullptr,
                       LinesOf(run.pages.pages[0]).size()),
            std::tuple(0, QStringList(), true, 2u));
}

TEST(ReportRun, LongMemoContinuesOnTheNextPageUnderAFreshHeader) {
  QString memo;
  for (int i = 1; i <= 80; ++i) memo += QStringLiteral("Memo line %1\r\n").arg(i);
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"LNAME", "Long"}, {"MEMO", memo.toStdString()}}}));
  TestHost host;
  UserReportOptions options;
  options.printMemo = true;
  RunPages run = Preview(fx, options, host);
  ASSERT_EQ(run.pages.pages.size(), 2u);
  const int bodyLines = int(8.5 / LineHeight("Arial", 9) + 1e-6);
  const QStringList first = BodyTexts(run.pages.pages[0]);
  const QStringList second = BodyTexts(run.pages.pages[1]);
  // The row and bodyLines - 1 memo lines, then the rest under the header.
  ASSERT_EQ(first.size(), 1 + bodyLines - 1);
  EXPECT_EQ(QStringList({first.last(), second.first(), second.last()}),
            QStringList({QStringLiteral("Memo line %1").arg(bodyLines - 1),
                         QStringLiteral("Memo line %1").arg(bodyLines), "Memo line 80"}));
  const Page& page2 = run.pages.pages[1];
  EXPECT_NE(Find(page2, "Page 2"), nullptr);
  EXPECT_NE(Find(page2, "Name"), nullptr);
}

TEST(ReportRun, LayoutFourRulesAndNeverStartsARecordWithFewerThanThreeLines) {
  std::vector<Contact> contacts;
  for (int i = 0; i < 40; ++i) {
    contacts.push_back({{"LNAME", "Name" + std::to_string(100 + i)}, {"FNAME", "A"}});
  }
  ContactFixture fx;
  ASSERT_TRUE(fx.make(contacts));
  TestHost host;
  UserReportOptions options;
  options.layout = 4;
  RunPages run = Preview(fx, options, host);
  ASSERT_GE(run.pages.pages.size(), 2u);
  const double lh = LineHeight("Arial", 9);
  ReportCanvas probe;
  probe.setFont(QStringLiteral("Arial"), 9);
  int names = 0, rules = 0;
  for (const Page& page : run.pages.pages) {
    for (const TextOp& t : TextsOf(page)) {
      if (t.font.bold || !t.text.startsWith("Name1")) continue;
      ++names;
      EXPECT_NEAR(t.x, 1.5, kEps);  // past the 0.5 in gutter
      const double top = t.y - probe.ascent();
      EXPECT_LE(top + 3 * lh, 10.0 + user_report::kBodyBelowRule + kEps) << t.text.toStdString();
    }
    for (const LineOp& l : LinesOf(page)) {
      if (l.pen.color != QColor(0xC0, 0xC0, 0xC0).rgba()) continue;
      ++rules;
      EXPECT_NEAR(l.x2, 8.0, kEps);
    }
  }
  EXPECT_EQ(names, 40);
  // Each record takes three lines and a rule line while four lines are left.
  const int bodyLines = int(8.5 / lh + 1e-6);
  EXPECT_LE(int(run.pages.pages.size()) * (bodyLines / 4), 40 + bodyLines / 4);
  EXPECT_TRUE(rules >= 40 - int(run.pages.pages.size()) && rules <= 40) << rules;
}

TEST(ReportRun, SelectionsStartRecordAndTheTablePutBack) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({kSmith, kAdams, {{"LNAME", "Cole"}, {"PREFIX", "DeLeTeD"}}}));
  ASSERT_TRUE(fx.apollo.Query("LNAME <> \"Adams\""));
  fx.apollo.SetOrder(fx.apollo.TagArea("ZIP"));
  ASSERT_TRUE(fx.apollo.Go(1));
  const int order = fx.apollo.IndexOrd();
  const QString filter = fx.apollo.DBFilter();
  TestHost host;
  // "All records" is the shared selection's, tested with the label run and
  // through the main window's Reports command.
  UserReportOptions only;
  only.selection = RecordSelection::Current;
  only.startFromCurrent = true;
  RunPages run = Preview(fx, only, host);
  EXPECT_EQ(std::tuple(run.result.records, BodyTexts(run.pages.pages[0]).first(), host.notices),
            std::tuple(1, "Smith, John Q.", QStringList()));

  ASSERT_TRUE(fx.apollo.Go(2));  // Adams, outside the filter
  UserReportOptions start;
  start.startFromCurrent = true;
  run = Preview(fx, start, host);
  EXPECT_EQ(host.notices,
            QStringList({"Current record is out of range. Starting with first record"}));
  EXPECT_EQ(run.result.records, 2) << "Cole and Smith: the filter alone chooses";
  EXPECT_EQ(std::tuple(fx.apollo.RecNo(), fx.apollo.IndexOrd(), fx.apollo.DBFilter()),
            std::tuple(2, order, filter));
}

TEST(ReportRun, StopEndsAPreviewAndCancelAsksBeforeAbortingAPrint) {
  std::vector<Contact> contacts;
  for (int i = 0; i < 200; ++i) contacts.push_back({{"LNAME", "N" + std::to_string(1000 + i)}});
  ContactFixture fx;
  ASSERT_TRUE(fx.make(contacts));
  TestHost host;
  TUserReportPrint* job = nullptr;
  UserReportHooks hooks;
  hooks.printReport = [&job](TUserReportPrint& j) {
    job = &j;
    j.FormActivate();
  };
  host.onEvents = [&job](int round) {
    if (round == 70) job->CancelButtonClick();
  };
  UserReportOptions options;
  RunPages run = Preview(fx, options, host, hooks);
  EXPECT_EQ(std::tuple(run.result.outcome, run.result.records, run.result.statusText),
            std::tuple(UserReportOutcome::Stopped, 70, "\rPreview Stopped at page 2!"));

  host.answers = {true};
  options.print = true;
  hooks.printReport = [&job](TUserReportPrint& j) {
    job = &j;
    j.Report().setOutputToStream(nullptr);
    j.FormActivate();
  };
  host.eventRounds = 0;
  host.onEvents = [&job](int round) {
    if (round == 3) job->CancelButtonClick();
  };
  UserReportResult printed = RunUserReport(fx.table, fx.apollo, options, host, hooks);
  EXPECT_EQ(std::tuple(printed.outcome, host.asked, printed.statusText),
            std::tuple(UserReportOutcome::Cancelled, QStringList({"Cancel Report Printing?"}),
                       "\rReport Print Canceled!"));
}

// The preview's page stream is a temporary file that lives only while the
// preview is open.
TEST(ReportRun, PreviewFileIsRemovedAfterThePreview) {
  QTemporaryDir temp;
  ASSERT_TRUE(temp.isValid());
  const bool hadTemp = qEnvironmentVariableIsSet("TMPDIR");
  const QByteArray oldTemp = qgetenv("TMPDIR");
  qputenv("TMPDIR", QFile::encodeName(temp.path()));
  ContactFixture fx;
  ASSERT_TRUE(fx.make({kSmith, kAdams}));
  TestHost host;
  QString shown;
  UserReportHooks hooks;
  hooks.preview = [&shown](QIODevice& stream) {
    auto* file = dynamic_cast<QFile*>(&stream);
    ASSERT_NE(file, nullptr);
    shown = file->fileName();
    EXPECT_TRUE(QFile::exists(shown));
    EXPECT_TRUE(shown.startsWith(QDir(QDir::tempPath()).canonicalPath()) ||
                shown.startsWith(QDir::tempPath()));
  };
  EXPECT_EQ(Preview(fx, {}, host, hooks).result.outcome, UserReportOutcome::Completed);
  ASSERT_FALSE(shown.isEmpty());
  EXPECT_FALSE(QFile::exists(shown));
  EXPECT_TRUE(QDir(temp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
  hadTemp ? qputenv("TMPDIR", oldTemp) : qunsetenv("TMPDIR");
}

// Printing to a printer that is not there fails with its name rather than
// going to another printer.
TEST(ReportRun, APrinterThatIsGoneIsNotReplacedByAnother) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"LNAME", "Adams"}}}));
  TestHost host;
  UserReportOptions options;
  options.print = true;
  options.printerName = QStringLiteral("No Such Printer");
  options.title = QStringLiteral("Members");
  bool ran = false;
  UserReportHooks hooks;
  hooks.printReport = [&ran](TUserReportPrint&) { ran = true; };
  const UserReportResult r = RunUserReport(fx.table, fx.apollo, options, host, hooks);
  EXPECT_EQ(std::tuple(r.outcome, r.errorText, ran),
            std::tuple(UserReportOutcome::Failed, "The printer No Such Printer is not available.",
                       false));
}

}  // namespace
}  // namespace qv
