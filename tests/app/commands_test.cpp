// The main window's print commands and its Dial button, with their dialogs
// driven in place of the user: what each window is given (filter, current
// record, choices kept in QUORVA.INI), the enable rules, and the filter,
// order, record and printer put back afterwards. What the jobs print is
// their own tests'.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app_fixture.h"
#include "dialer/windows/dialer_window.h"
#include "envelopes/windows/envelope_designer.h"
#include "envelopes/windows/print_envelope.h"
#include "labels/label_print.h"
#include "labels/windows/label_designer.h"
#include "labels/windows/label_windows.h"
#include "labels/windows/print_labels.h"
#include "page_ops.h"
#include "render/printers.h"
#include "reports/user_report.h"
#include "reports/windows/user_report_dialog.h"
#include "table_walk.h"
#include "ui/printer_setup.h"
#include "zipcount/windows/count_zip_codes.h"

namespace qv::testing {
namespace {

Contact Person(const char* first, const char* last, const char* city, const char* state,
               const char* zip) {
  return {{"FNAME", first}, {"LNAME", last}, {"CITY", city}, {"STATE", state}, {"ZIP", zip}};
}
const Contact kAnn = Person("Ann", "Archer", "Albany", "NY", "12207");
const Contact kBob = Person("Bob", "Baker", "Boston", "MA", "02110");
const Contact kCy = Person("Cy", "Cole", "Troy", "NY", "12180-1234");
const Contact kDee = Person("Dee", "Dunn", "Albany", "NY", "12207");

class CommandsTest : public AppTest {
 protected:
  // Where the table stands: record, order and filter.
  static QStringList Place(TQVPMain& m) {
    return {QString::number(m.Apollo1.RecNo()), QString::number(m.Apollo1.IndexOrd()),
            m.Apollo1.DBFilter()};
  }
};

TEST_F(CommandsTest, PresortedLabelPreviewLeavesFilterOrderRecordAndPrinterAsTheyWere) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob, kCy, kDee});
  FilterOnNewYork(m);
  ASSERT_FALSE(m.currentFilter().isEmpty());
  m.SetCurrentOrder(QStringLiteral("CITY"));
  EXPECT_TRUE(m.TableQVW->last());
  const QStringList place = Place(m);
  const QString printer = CurrentPrinterName();
  ASSERT_TRUE(m.mnuLabels->isEnabled());

  long long labelsPrinted = -1;
  LabelRunOutcome presorted = LabelRunOutcome::Failed;
  bool frozen = false;
  m.RunLabelsWindow = [&](TQVLabels& labels) {
    labels.FormActivate();
    frozen = !m.tracksTableEvents() && m.TableQVW->controlsDisabled();
    EXPECT_TRUE(labels.rbQFilter->isEnabled());
    EXPECT_TRUE(labels.rbQFilter->isChecked());
    labels.PrinterListChange(labels.PrinterList->findText(PdfPrinterName()));
    labels.RunHooks = [&](WindowJobHost&) {
      LabelRunHooks hooks;
      hooks.printLabels = [](TLabelPrint& job) { job.FormActivate(); };
      hooks.preview = [](QIODevice&) {};
      return hooks;
    };
    labels.PreviewButtonClick();
    labelsPrinted = labels.LastRun.labels;
    labels.PresortCheck->setChecked(true);
    labels.PreviewButtonClick();
    presorted = labels.LastRun.outcome;
  };
  m.mnuLabelsClick();

  EXPECT_TRUE(frozen);
  EXPECT_EQ(presorted, LabelRunOutcome::Completed);
  EXPECT_EQ(labelsPrinted, 3) << "the three New York contacts of the filter";
  EXPECT_EQ(Place(m), place);
  EXPECT_EQ(CountOf(m.Apollo1), 3);
  EXPECT_EQ(CurrentPrinterName(), printer);
  EXPECT_TRUE(m.tracksTableEvents());
}

// The real windows, one inside the other: Modify opens the label designer
// over the Print Labels dialog, centred on the main window, and its Save
// reaches the setup table.
TEST_F(CommandsTest, LabelModifyInTheDesignerIsStoredInTheSetupTable) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob});
  bool sawDesigner = false;
  WhenShown<TQVLabels>([&](TQVLabels* labels) {
    WhenShown<TDesignLabel>([&](TDesignLabel* designer) {
      sawDesigner = true;
      // Made by the label library, still centred on the main window.
      EXPECT_EQ(designer->pos(), CenteredOn(m.frameGeometry(), designer->size()));
      EXPECT_EQ(designer->DescriptionEdit->text(), QStringLiteral("Default Label Setup"));
      designer->DescriptionEdit->setText(QStringLiteral("Club newsletter"));
      designer->BarCodeCheck->click();  // refused: the stock is 2.63 inches wide
      designer->SaveButtonClick();
    });
    labels->ModifyButtonClick();
    labels->reject();
  });
  m.mnuLabelsClick();
  EXPECT_TRUE(sawDesigner);

  TApolloEnv env;
  TableObject table(&env);
  table.setDatabaseName(dir_);
  table.setTableName(QStringLiteral("QVPLSU.DBF"));
  ASSERT_TRUE(table.open());
  const LabelSetup stored = ReadLabelSetup(table);
  EXPECT_EQ(stored.description + (stored.address.barCode ? " with bars" : ""), "Club newsletter");
}

// The real windows: Print Envelope shows modally on the main window's table
// at its current record; its Modify opens the designer there, whose Record
// buttons move it.
TEST_F(CommandsTest, EnvelopeModifyOpensTheDesignerOnTheCurrentContact) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob, kCy});
  EXPECT_TRUE(m.Apollo1.Go(2));
  QStringList shown;
  WhenShown<TQVEnvelopes>([&](TQVEnvelopes* envelopes) {
    WhenShown<TEnvelopeDesigner>([&](TEnvelopeDesigner* designer) {
      shown << designer->AddressLines.value(0);
      designer->NextButton->click();
      shown << designer->AddressLines.value(0);
      designer->CancelButton->click();
    });
    envelopes->ModifyButton->click();
    envelopes->reject();
  });
  m.mnuEnvelopesClick();
  EXPECT_EQ(shown, QStringList({"Bob Baker ", "Cy Cole "}));
  EXPECT_TRUE(dialogs_->notices().isEmpty()) << dialogs_->notices().join('|').toStdString();
}

// Labels and Envelopes work from their setup tables and on a contact.
TEST_F(CommandsTest, MissingSetupTablesOrAnEmptyFileShowNoWindow) {
  TQVPMain& m = OpenWithSupportTables({kAnn});
  ASSERT_TRUE(QFile::remove(dir_ + QStringLiteral("QVPLSU.DBF")));
  ASSERT_TRUE(QFile::remove(dir_ + QStringLiteral("QVPESU.DBF")));
  int shown = 0;
  m.RunLabelsWindow = [&](TQVLabels&) { ++shown; };
  m.RunEnvelopesWindow = [&](TQVEnvelopes&) { ++shown; };
  m.mnuLabelsClick();
  m.mnuEnvelopesClick();
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(dialogs_->notices(),
            QStringList({QStringLiteral("Unable to Open QVPLSU.DBF (label setup file)"),
                         QStringLiteral("Unable to Open QVPESU.DBF (envelope setup file)")}));
  EXPECT_TRUE(m.tracksTableEvents());
  EXPECT_FALSE(m.TableQVW->controlsDisabled());

  main_.reset();
  TQVPMain& empty = OpenOn({}, QStringLiteral("empty.dbf"));
  empty.SetButtons();
  EXPECT_FALSE(empty.mnuLabels->isEnabled());
  EXPECT_FALSE(empty.mnuEnvelopes->isEnabled());
}

// The title and choices are kept in QUORVA.INI also on Cancel; the enable
// rules, help and a cancelled Print dialog.
TEST_F(CommandsTest, ReportTitleAndChoicesAreKeptWhenTheDialogIsCancelled) {
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
    EXPECT_TRUE(report.PrintMemoBox->isChecked() && report.PrintNowButton->isEnabled());
    report.ReportList->setCurrentRow(-1);
    EXPECT_FALSE(report.PreviewButton->isEnabled());
    report.ReportList->setCurrentRow(1);
    report.HelpButton->click();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&report, &f1);
    report.RunHooks = [] {
      ADD_FAILURE() << "a cancelled Print dialog runs nothing";
      return UserReportHooks();
    };
    report.PrintNowClick();  // the scripted Print dialog answers Cancel
    report.TitleField->clear();
    report.reject();
  };
  m.mnuReportsClick();
  EXPECT_EQ(SettingsFile().readString("UserDefinedReport", "UserReportTitle", "?"), "")
      << "an empty title is stored as empty";
  EXPECT_EQ(dialogs_->helpTopics(), QList<int>(2, TUserDesignedReport::kHelpTopic));
}

// The filter and Print Setup's landscape choice reach the report's pages.
TEST_F(CommandsTest, ReportPreviewRunsOnTheFilterOnLandscapePages) {
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
    report.RunHooks = [&pages] {
      UserReportHooks hooks;
      hooks.printReport = [](TUserReportPrint& job) { job.FormActivate(); };
      hooks.preview = DecodeInto(&pages);
      return hooks;
    };
    report.PreviewButtonClick();
    filtered = report.LastRun.records;
    report.reject();
  };
  m.mnuReportsClick();
  EXPECT_EQ(filtered, 3) << "the three New York contacts";
  ASSERT_EQ(pages.pages.size(), 1u);
  EXPECT_DOUBLE_EQ(pages.pages[0].width, 11.0);
}

// The counts, the table put back and the CSV's lines are the count's own
// test; here the filter reaches it, Print Setup's printer and paper reach
// the preview, and the CSV goes where the save dialog says.
TEST_F(CommandsTest, CountZipCodesCountsTheFilterPreviewsAndSavesACsv) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob, kCy, kDee});
  FilterOnNewYork(m);
  ASSERT_TRUE(m.mnuCountZipCodes->isEnabled());
  const QString csv = dir_ + QStringLiteral("zips.csv");
  dialogs_->saveFileAnswers = {csv};
  QStringList lines;
  QString heading;
  ZipReportResult preview;
  PageStream pages;
  QStringList printers;
  m.RunZipCountWindow = [&](TCountZipCodes& count) {
    count.FormActivate();
    lines = count.ReportLines();
    heading = count.HeadingLabel->text();
    // The printer setup of every report: the printer list, and the paper.
    dialogs_->printerSetupAnswer = [&printers](QPrinter* p) {
      PrinterSetupDialog setup(p);
      for (int i = 0; i < setup.PrinterList->count(); ++i) printers << setup.PrinterList->itemText(i);
      setup.PrinterList->setCurrentIndex(setup.PrinterList->findText(PdfPrinterName()));
      setup.PaperList->setCurrentIndex(setup.PaperList->findText(QPageSize(QPageSize::A4).name()));
      setup.OkButtonClick();
      return setup.result() == QDialog::Accepted;
    };
    count.PrintSetupButton->click();
    count.RunHooks = [&pages] {
      ZipReportHooks hooks;
      hooks.printReport = [](TZipReport& job) { job.FormActivate(); };
      hooks.preview = DecodeInto(&pages);
      return hooks;
    };
    count.PreviewButtonClick();
    preview = count.LastRun;
    // Print offers the printer (or PDF file) choice first; cancelled, nothing runs.
    dialogs_->printAnswers = {false};
    count.PrintButton->click();
    EXPECT_EQ(count.LastRun.pages, preview.pages);
    count.SaveCsvButton->click();
    count.CloseButton->click();
  };
  m.mnuCountZipCodesClick();
  SetCurrentPaper(QPageSize());  // the paper choice lasts while the program runs
  EXPECT_EQ(lines, QStringList({"12180     1", "12207     2", "", ""}));
  EXPECT_EQ(heading, "Finished counting. Press Print or Preview for the report");
  EXPECT_EQ(dialogs_->beeps(), 1);
  EXPECT_EQ(preview.pages, 1);
  EXPECT_EQ(printers, InstalledPrinterNames());
  ASSERT_EQ(pages.pages.size(), 1u);
  EXPECT_NEAR(pages.pages[0].width, 210 / 25.4, 0.01) << "A4";
  EXPECT_EQ(dialogs_->callsOf(QStringLiteral("print")).size(), 1u);
  EXPECT_TRUE(QFile::exists(csv));
  EXPECT_EQ(dialogs_->lastNotice(),
            QStringLiteral("The Zip Code counts are saved in ") + QDir::toNativeSeparators(csv));
}

// Shown, the counted window grows with its button row about the main
// window's centre, wherever its first, narrower placing put it.
TEST_F(CommandsTest, CountZipCodesGrowsAboutTheMainWindowsCentre) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob});
  m.setGeometry(100, 80, 700, 500);
  m.show();
  TCountZipCodes count(m.TableQVW, &m.Apollo1, &m);
  count.move(m.geometry().topLeft());
  count.show();
  for (int i = 0; i < 200 && !count.Done(); ++i) QTest::qWait(10);
  ASSERT_TRUE(count.Done());
  QTest::qWait(100);  // the second placing, after a window manager's answer
  const QPoint off = count.frameGeometry().center() - m.frameGeometry().center();
  EXPECT_LE(off.manhattanLength(), 2) << off.x() << "," << off.y();
}

TEST_F(CommandsTest, CancelDuringCountingAsksAndClosesTheDialog) {
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
  EXPECT_EQ(dialogs_->questions().size(), 1);
  EXPECT_EQ(result, int(QDialog::Rejected));
}

TEST_F(CommandsTest, DialOpensTheDialerWithTheCurrentPhone) {
  TQVPMain& m = OpenOn(
      {{{"LNAME", "Archer"}, {"PHONE", "(555) 010-0100"}}, {{"LNAME", "Baker"}, {"PHONE", ""}}});
  m.SetButtons();
  EXPECT_FALSE(m.DialButton->isHidden());
  QStringList numbers;
  m.RunDialerWindow = [&](TQVDialer& dialer) { numbers << dialer.NumberToDial->text(); };
  m.DialButton->click();
  m.RecordNextClick();
  m.DialButton->click();
  EXPECT_EQ(numbers, (QStringList{"(555) 010-0100", ""}));
  // While editing there is nothing to dial from.
  m.EditButtonClick();
  EXPECT_TRUE(m.DialButton->isHidden());
}

}  // namespace
}  // namespace qv::testing
