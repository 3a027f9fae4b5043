// The main window's Reports and Count Zip Codes commands with their
// dialogs driven in place of the user: the record choices the window
// gives, the title and choices kept in QUORVA.INI (also on Cancel), the
// enable rules, help, a previewed report on landscape paper and ZIP count,
// a cancelled count, and the filter, order and record put back afterwards.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrinter>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app_fixture.h"
#include "page_ops.h"
#include "reports/user_report.h"
#include "reports/windows/user_report_dialog.h"
#include "store/filter_text.h"
#include "store/settings.h"
#include "store/support_install.h"
#include "zipcount/windows/count_zip_codes.h"

namespace qv::testing {
namespace {

const Contact kAnn = {{"LNAME", "Archer"}, {"CITY", "Albany"}, {"STATE", "NY"}, {"ZIP", "12207"}};
const Contact kBob = {{"LNAME", "Baker"}, {"CITY", "Boston"}, {"STATE", "MA"}, {"ZIP", "02110"}};
const Contact kCy = {{"LNAME", "Cole"}, {"CITY", "Troy"}, {"STATE", "NY"}, {"ZIP", "12180-1234"}};
const Contact kDee = {{"LNAME", "Dunn"}, {"CITY", "Albany"}, {"STATE", "NY"}, {"ZIP", "12207"}};

class ReportsCommandTest : public AppTest {};

// Runs a report directly and keeps the pages of a preview.
UserReportHooks DirectReport(PageStream* pages) {
  UserReportHooks hooks;
  hooks.printReport = [](TUserReportPrint& job) { job.FormActivate(); };
  hooks.preview = DecodeInto(pages);
  return hooks;
}

TEST_F(ReportsCommandTest, TitleAndChoicesAreKeptWhenTheDialogIsCancelled) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob});
  ASSERT_TRUE(m.mnuReports->isEnabled());
  QString offered;
  m.RunReportWindow = [&](TUserDesignedReport& report) {
    offered = report.TitleField->text();
    // Every print job's window gets All in place of a filter there is not.
    EXPECT_FALSE(report.rbQFilter->isEnabled()) << "no filter is set";
    EXPECT_TRUE(report.rbQAll->isChecked());
    EXPECT_EQ(report.ReportList->currentRow(), 0);
    report.TitleField->setText(QStringLiteral("Club members"));
    report.ReportList->setCurrentRow(3);
    report.PrintMemoBox->setChecked(true);
    report.CancelButton->click();
  };
  m.mnuReportsClick();
  EXPECT_EQ(offered, QStringLiteral("Report for: ") + path_);
  const IniFile ini = SettingsFile();
  EXPECT_EQ(ini.readString("UserDefinedReport", "UserReportTitle", "?"), "Club members");
  EXPECT_EQ(ini.readInteger("UserDefinedReport", "UserReportLayout", 0), 4);

  m.RunReportWindow = [&](TUserDesignedReport& report) {
    EXPECT_EQ(report.TitleField->text(), "Club members");
    EXPECT_EQ(report.ReportList->currentRow(), 3);
    EXPECT_TRUE(report.PrintMemoBox->isChecked());
    report.TitleField->clear();
    report.reject();
  };
  m.mnuReportsClick();
  EXPECT_EQ(SettingsFile().readString("UserDefinedReport", "UserReportTitle", "?"), "")
      << "an empty title is stored as empty";
}

TEST_F(ReportsCommandTest, EnableRulesHelpAndACancelledPrintDialog) {
  TQVPMain& m = OpenWithSupportTables({kAnn});
  m.RunReportWindow = [&](TUserDesignedReport& report) {
    EXPECT_TRUE(report.PrintNowButton->isEnabled());
    report.ReportList->setCurrentRow(-1);
    EXPECT_FALSE(report.PreviewButton->isEnabled());
    report.ReportList->setCurrentRow(1);
    report.HelpButton->click();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&report, &f1);
    bool ran = false;
    report.RunHooks = [&ran] {
      ran = true;
      return UserReportHooks();
    };
    report.PrintNowClick();  // the scripted Print dialog answers Cancel
    EXPECT_FALSE(ran);
    report.reject();
  };
  m.mnuReportsClick();
  EXPECT_EQ(dialogs_->helpTopics(), QList<int>({TUserDesignedReport::kHelpTopic,
                                              TUserDesignedReport::kHelpTopic}));
}

// The filter and Print Setup's landscape choice reach the report's pages.
// The frozen views and the table put back are every print job's, checked
// with the Labels command.
TEST_F(ReportsCommandTest, PreviewRunsOnTheFilterOnLandscapePages) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob, kCy, kDee});
  FilterOnNewYork(m);
  ASSERT_FALSE(m.currentFilter().isEmpty());
  PageStream pages;
  long long filtered = -1;
  m.RunReportWindow = [&](TUserDesignedReport& report) {
    EXPECT_TRUE(report.rbQFilter->isEnabled());
    EXPECT_TRUE(report.rbQFilter->isChecked());
    dialogs_->printerSetupAnswer = [](QPrinter* p) {
      return p->setPageOrientation(QPageLayout::Landscape);
    };
    report.PrintSetupClick();
    EXPECT_EQ(report.NotedOrientation, Orientation::Landscape);
    report.RunHooks = [&pages] { return DirectReport(&pages); };
    report.PreviewButtonClick();
    filtered = report.LastRun.records;
    report.reject();
  };
  m.mnuReportsClick();
  EXPECT_EQ(filtered, 3) << "the three New York contacts";
  ASSERT_EQ(pages.pages.size(), 1u);
  EXPECT_DOUBLE_EQ(pages.pages[0].width, 11.0);
}

TEST_F(ReportsCommandTest, CountZipCodesPreviewsTheCountOfTheFilter) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob, kCy, kDee});
  FilterOnNewYork(m);
  EXPECT_TRUE(m.TableQVW->last());
  const int recno = m.Apollo1.RecNo();
  const int order = m.Apollo1.IndexOrd();
  ASSERT_TRUE(m.mnuCountZipCodes->isEnabled());
  QStringList lines;
  QString heading;
  ZipReportResult preview;
  m.RunZipCountWindow = [&](TCountZipCodes& count) {
    count.FormActivate();
    lines = count.ReportLines();
    heading = count.HeadingLabel->text();
    count.RunHooks = [] {
      ZipReportHooks hooks;
      hooks.printReport = [](TZipReport& job) { job.FormActivate(); };
      hooks.preview = [](QIODevice&) {};
      return hooks;
    };
    count.PreviewButtonClick();
    preview = count.LastRun;
    count.CloseButton->click();
  };
  m.mnuCountZipCodesClick();
  EXPECT_EQ(lines, QStringList({"12180     1", "12207     2", "", ""}));
  EXPECT_EQ(heading, "Finished counting. Press Print or Preview for the report");
  EXPECT_EQ(dialogs_->beeps(), 1);
  EXPECT_EQ(preview.pages, 1);
  EXPECT_EQ(m.Apollo1.RecNo(), recno);
  EXPECT_EQ(m.Apollo1.IndexOrd(), order);
}

TEST_F(ReportsCommandTest, CancelDuringCountingAsksAndClosesTheDialog) {
  QList<Contact> many;
  for (int i = 0; i < 400; ++i) many << Contact{{"LNAME", QStringLiteral("N%1").arg(i)}};
  TQVPMain& m = OpenWithSupportTables(many);
  dialogs_->questionAnswers = {true};
  int result = -1;
  m.RunZipCountWindow = [&](TCountZipCodes& count) {
    count.show();
    QTimer::singleShot(0, &count, [&count] { count.CancelButton->click(); });
    count.FormActivate();
    result = count.result();
    EXPECT_TRUE(count.ReportLines().isEmpty());
  };
  m.mnuCountZipCodesClick();
  ASSERT_EQ(dialogs_->questions().size(), 1);
  EXPECT_EQ(dialogs_->questions()[0].text, "Cancel Count?");
  EXPECT_EQ(result, int(QDialog::Rejected));
}

TEST_F(ReportsCommandTest, SaveAsCsvWritesTheCountedKeys) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kDee, kBob});
  const QString csv = dir_ + QStringLiteral("zips.csv");
  dialogs_->saveFileAnswers = {csv};
  m.RunZipCountWindow = [&](TCountZipCodes& count) {
    count.FormActivate();
    count.SaveCsvButton->click();
    count.accept();
  };
  m.mnuCountZipCodesClick();
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().endsWith("12207,2\r\n"));
}

}  // namespace
}  // namespace qv::testing
