// The main window's Labels command: what it gives the Print Labels dialog
// and what it puts back afterwards (filter, order, record, printer, the
// bound views), with the dialog driven in place of the user.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "app_fixture.h"
#include "envelopes/windows/print_envelope.h"
#include "labels/label_print.h"
#include "labels/label_setup.h"
#include "labels/windows/label_designer.h"
#include "labels/windows/label_windows.h"
#include "labels/windows/print_labels.h"
#include "render/printers.h"
#include "store/filter_text.h"
#include "store/support_install.h"
#include "table_walk.h"

namespace qv::testing {
namespace {

const Contact kAnn = {{"LNAME", "Archer"}, {"CITY", "Albany"}, {"STATE", "NY"}, {"ZIP", "12207"}};
const Contact kBob = {{"LNAME", "Baker"}, {"CITY", "Boston"}, {"STATE", "MA"}, {"ZIP", "02110"}};
const Contact kCy = {{"LNAME", "Cole"}, {"CITY", "Troy"}, {"STATE", "NY"}, {"ZIP", "12180"}};
const Contact kDee = {{"LNAME", "Dunn"}, {"CITY", "Albany"}, {"STATE", "NY"}, {"ZIP", "12208"}};

class LabelsCommandTest : public AppTest {};

TEST_F(LabelsCommandTest, PresortedPreviewLeavesFilterOrderRecordAndPrinterAsTheyWere) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob, kCy, kDee});
  FilterOnNewYork(m);
  ASSERT_FALSE(m.currentFilter().isEmpty());
  m.SetCurrentOrder(QStringLiteral("CITY"));
  EXPECT_TRUE(m.TableQVW->last());
  const int recno = m.Apollo1.RecNo();
  const int order = m.Apollo1.IndexOrd();
  const QString filter = m.Apollo1.DBFilter();
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
  EXPECT_EQ(m.Apollo1.RecNo(), recno);
  EXPECT_EQ(m.Apollo1.IndexOrd(), order);
  EXPECT_EQ(m.Apollo1.DBFilter(), filter);
  EXPECT_EQ(qv::testing::CountOf(m.Apollo1), 3);
  EXPECT_EQ(CurrentPrinterName(), printer);
  EXPECT_TRUE(m.tracksTableEvents());
}

// The real windows, one inside the other: Modify opens the designer over
// the Print Labels dialog, centred on the main window, and its Save reaches
// the setup table.
TEST_F(LabelsCommandTest, ModifyInTheDesignerIsStoredInTheSetupTable) {
  TQVPMain& m = OpenWithSupportTables({kAnn, kBob});
  bool sawLabels = false, sawDesigner = false;
  WhenShown<TQVLabels>([&](TQVLabels* labels) {
    sawLabels = true;
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
  EXPECT_TRUE(sawLabels);
  EXPECT_TRUE(sawDesigner);

  TApolloEnv env;
  TableObject table(&env);
  table.setDatabaseName(dir_);
  table.setTableName(QStringLiteral("QVPLSU.DBF"));
  ASSERT_TRUE(table.open());
  const LabelSetup stored = ReadLabelSetup(table);
  EXPECT_EQ(stored.description, QStringLiteral("Club newsletter"));
  EXPECT_FALSE(stored.address.barCode);
}

// Labels and Envelopes work from their setup tables and on a contact. The
// choice of records without a filter is every print job's, checked with the
// Reports command.
TEST_F(LabelsCommandTest, MissingSetupTablesAreSaidAndNoWindowIsShown) {
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
}

TEST_F(LabelsCommandTest, EmptyFileDisablesLabelsAndEnvelopes) {
  TQVPMain& m = OpenWithSupportTables({});
  EXPECT_FALSE(m.mnuLabels->isEnabled());
  EXPECT_FALSE(m.mnuEnvelopes->isEnabled());
}

}  // namespace
}  // namespace qv::testing
