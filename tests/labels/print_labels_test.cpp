// The Print Labels dialog over a scratch program directory: the setups
// table and its buttons, New from the default record, the record choice
// and presort rules, one presort for Preview then Print Now, and the
// paper-size question, with the run's windows replaced by direct calls.
#include "labels/windows/print_labels.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <memory>

#include "labels/label_print.h"
#include "labels/sort_bulk_mail.h"
#include "labels/windows/label_windows.h"
#include "labels_test_util.h"
#include "recording_messages.h"
#include "render/page_stream.h"
#include "render/printers.h"
#include "scripted_dialogs.h"
#include "store/support_install.h"
#include "store/table_object.h"
#include "table_walk.h"
#include "xbase/table.h"
namespace qv {
namespace {

using testing::Contact;
using testing::ContactFixture;
using testing::ScriptedDialogs;

std::vector<Contact> People() {
  auto person = [](const char* last, const char* street, const char* city, const char* state,
                   const char* zip) {
    return Contact{
        {"LNAME", last}, {"STREET", street}, {"CITY", city}, {"STATE", state}, {"ZIP", zip}};
  };
  std::vector<Contact> out = {person("Archer", "1 Elm St", "Albany", "NY", "12207"),
                              person("Baker", "2 Oak St", "Boston", "MA", "02110"),
                              person("Cole", "", "Troy", "NY", "12180"),
                              person("Dunn", "4 Pine St", "Albany", "NY", "12208")};
  out[2]["PREFIX"] = "Deleted";
  return out;
}

// Runs `body` on the QVPLSU.DBF of `dir`, opened afresh (deleted rows
// hidden), and returns its setups as they are afterwards.
std::vector<LabelSetup> SetupsIn(const QString& dir,
                                 const std::function<void(TableObject&)>& body = {}) {
  TApolloEnv env;
  env.SetDeleted(true);
  TableObject table(&env);
  table.setDatabaseName(dir);
  table.setTableName(LabelSetupFileName());
  std::vector<LabelSetup> out;
  EXPECT_TRUE(table.open());
  if (body) body(table);
  if (!table.isEmpty()) testing::ForEachRow(table, [&] { out.push_back(ReadLabelSetup(table)); });
  return out;
}

class PrintLabelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx.make(People()));
    qputenv("QUORVANE_HOME", fx.dir().toLocal8Bit());
    QString why;
    ASSERT_TRUE(BuildSupportTable(QStringLiteral("QVPLSU"), fx.dir(), &why)) << why.toStdString();
    SetCurrentPrinterName(PdfPrinterName());
    SetPdfFileQuestion([this](const QString&) { return fx.file(QStringLiteral("labels.pdf")); });
  }
  void TearDown() override {
    SetPdfFileQuestion({});
    qunsetenv("QUORVANE_HOME");
  }

  // The dialog over the fixture's setup table, activated, its runs scripted.
  std::unique_ptr<TQVLabels> Open() {
    auto labels = std::make_unique<TQVLabels>(&fx.table, &fx.apollo);
    Script(*labels);
    EXPECT_TRUE(labels->OpenLabelSetupTable(fx.dir()));
    labels->FormActivate();
    return labels;
  }

  // Runs of the dialog call these instead of showing windows.
  void Script(TQVLabels& labels) {
    labels.RunHooks = [this](WindowJobHost&) {
      LabelRunHooks hooks;
      hooks.presort = [this](TSortBulkMail& sorter) {
        ++presorts;
        return sorter.DoTheSort();
      };
      hooks.printLabels = [](TLabelPrint& job) { job.FormActivate(); };
      hooks.preview = [this](QIODevice& stream) {
        PageStream pages;
        QString error;
        previews.push_back(
            DecodePageStream(stream.readAll(), &pages, &error) ? int(pages.pages.size()) : -1);
      };
      return hooks;
    };
  }

  ContactFixture fx;
  ScriptedDialogs dialogs;
  int presorts = 0;
  std::vector<int> previews;  // pages of each preview shown
};

// The dialog holds the setup table exclusively while it is open, so the
// test reads the file back after closing it. Modify and Delete work on the
// delivered row; the table left empty offers only New, which starts from
// the default record.
TEST_F(PrintLabelsTest, ModifyDeleteThenNewFromTheDefaultRecord) {
  const std::vector<LabelSetup> before = SetupsIn(fx.dir());
  ASSERT_EQ(before.size(), 1u);
  // Modify, cancelled in the designer and then saved.
  for (const bool saved : {false, true}) {
    {
      auto labels = Open();
      labels->EditSetup = [saved](LabelSetup* record) {
        EXPECT_EQ(record->description, QStringLiteral("Default Label Setup"));
        record->address.barCode = !record->address.barCode;
        record->yOffset = 0.5004f;
        return saved;
      };
      labels->ModifyButtonClick();
    }
    const std::vector<LabelSetup> now = SetupsIn(fx.dir());
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(now[0].address.barCode, before[0].address.barCode != saved);
    EXPECT_FLOAT_EQ(now[0].yOffset, saved ? 0.5f : before[0].yOffset);
  }
  {
    auto labels = Open();
    dialogs.questionAnswers = {false, true};
    labels->DeleteButtonClick();
    labels->DeleteButtonClick();
  }
  EXPECT_TRUE(SetupsIn(fx.dir()).empty());
  EXPECT_EQ(dialogs.textsOf("question"), QStringList(2, QStringLiteral("Delete this record?")));

  auto labels = Open();
  for (QWidget* w : {labels->PrintNowButton, labels->PreviewButton, labels->ModifyButton,
                     labels->DeleteButton}) {
    EXPECT_FALSE(w->isEnabled());
  }
  EXPECT_TRUE(labels->NewButton->isEnabled());
  LabelSetup given;
  labels->EditSetup = [&given](LabelSetup* record) {
    given = *record;
    record->description = QStringLiteral("Club mailing");
    record->xOffset = 0.12345f;  // kept to 3 decimals
    return true;
  };
  labels->NewButtonClick();
  EXPECT_EQ(given.description, QStringLiteral("{Untitled Label Setup Record}"));
  EXPECT_EQ(given.stockDescription, QStringLiteral("Avery 5160  Address,   1.00 x 2.63"));
  EXPECT_TRUE(labels->PrintNowButton->isEnabled());
  labels.reset();
  const std::vector<LabelSetup> stored = SetupsIn(fx.dir());
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].description, QStringLiteral("Club mailing"));
  EXPECT_FLOAT_EQ(stored[0].xOffset, 0.123f);
  EXPECT_FLOAT_EQ(stored[0].horizontalPitch, 2.75f);
}

TEST_F(PrintLabelsTest, OnlyCurrentRecordClearsAndDisablesPresort) {
  auto labels = Open();
  EXPECT_TRUE(labels->rbQFilter->isChecked());
  labels->PresortCheck->setChecked(true);
  labels->PresortDone = true;
  labels->rbQCurrent->click();
  EXPECT_FALSE(labels->PresortCheck->isChecked());
  EXPECT_FALSE(labels->PresortCheck->isEnabled());
  EXPECT_FALSE(labels->PresortDone);
  labels->rbQAll->click();
  EXPECT_TRUE(labels->PresortCheck->isEnabled());
  labels->PresortDone = true;
  labels->StartCurrentCheck->click();
  EXPECT_FALSE(labels->PresortDone);

  // The copies box reaches the run (what a run of the current record
  // prints is the label run's test).
  labels->StartCurrentCheck->setChecked(false);
  labels->rbQCurrent->click();
  labels->CopiesSpin->setValue(4);
  labels->PreviewButtonClick();
  EXPECT_EQ(labels->LastRun.labels, 4);
}

TEST_F(PrintLabelsTest, StartLabelAndTheAlignmentPage) {
  auto labels = Open();
  const LabelSetup setup = ReadLabelSetup(*labels->LabelSetupTable);
  EXPECT_EQ(labels->StartLabelSpin->maximum(), setup.across * setup.down);
  labels->rbQAll->click();
  // Three records from the last label of the sheet take two pages.
  labels->StartLabelSpin->setValue(setup.across * setup.down);
  labels->PreviewButtonClick();
  EXPECT_EQ(labels->LastRun.labels, 3);
  EXPECT_EQ(previews, std::vector<int>{2});
  // The alignment page goes through the Print dialog like Print Now and
  // outlines the whole sheet, whatever the start label.
  dialogs.printAnswers = {true};
  labels->AlignmentButton->click();
  EXPECT_EQ(dialogs.callsOf(QStringLiteral("print")).size(), 1u);
  EXPECT_EQ(labels->LastRun.labels, setup.across * setup.down);
  EXPECT_TRUE(QFile::exists(fx.file(QStringLiteral("labels.pdf"))));
}

TEST_F(PrintLabelsTest, PreviewThenPrintNowPresortsOnce) {
  auto labels = Open();
  labels->rbQAll->click();
  labels->PreviewButtonClick();
  EXPECT_EQ(labels->LastRun.outcome, LabelRunOutcome::Completed);
  EXPECT_EQ(presorts, 0);

  labels->PresortCheck->setChecked(true);
  labels->PreviewButtonClick();
  EXPECT_EQ(presorts, 1);
  const long long presorted = labels->LastRun.labels;

  dialogs.printAnswers = {false};
  labels->PrintNowButtonClick();
  EXPECT_EQ(dialogs.callsOf(QStringLiteral("print")).size(), 1u);
  EXPECT_FALSE(QFile::exists(fx.file(QStringLiteral("labels.pdf"))))
      << "a cancelled Print dialog runs nothing";
  dialogs.printAnswers = {true};
  labels->PrintNowButtonClick();
  EXPECT_EQ(presorts, 1);
  EXPECT_EQ(labels->LastRun.labels, presorted);
  EXPECT_TRUE(QFile::exists(fx.file(QStringLiteral("labels.pdf"))));

  // Another choice of records presorts again.
  labels->rbQFilter->click();
  labels->PreviewButtonClick();
  EXPECT_EQ(presorts, 2);
  EXPECT_EQ(dialogs.notices().count(PresortOrderMessage()), 3);
}

TEST_F(PrintLabelsTest, MismatchedSheetAsksAboutThePaperAndNoSkipsTheRun) {
  SetupsIn(fx.dir(), [](TableObject& table) {
    LabelSetup legal = ReadLabelSetup(table);
    legal.sheetHeight = 14.0f;  // a legal-size sheet named as letter
    ASSERT_TRUE(WriteLabelSetup(table, legal));
  });
  auto labels = Open();
  dialogs.questionAnswers = {false};
  labels->PreviewButtonClick();
  EXPECT_EQ(labels->LastRun.outcome, LabelRunOutcome::PaperDeclined);
  EXPECT_EQ(dialogs.textsOf("question"), QStringList{PaperSizeQuestion(8.5, 14.0)});
  EXPECT_TRUE(previews.empty());
}

// Delete answered true after a failed delete, and the setup write dropped
// every setter's result, a missing column's too.
TEST_F(PrintLabelsTest, DeleteCurrentRowAndTheSetupWriteTellFailures) {
  testing::RecordingMessages messages;
  {
    TApolloEnv env;
    TableObject table(&env);
    table.setDatabaseName(fx.dir());
    table.setTableName(LabelSetupFileName());
    table.setReadOnly(true);
    ASSERT_TRUE(table.open());
    dialogs.questionAnswers = {true};
    EXPECT_FALSE(DeleteCurrentRow(nullptr, &table, QStringLiteral("Delete this record?")));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].startsWith(QStringLiteral("The record could not be deleted")));
  }
  // The same table without TRIMTEXT and NBRDOWN.
  const std::string path = (fx.dir() + QLatin1Char('/') + LabelSetupFileName()).toStdString();
  std::vector<xb::FieldDef> fields;
  {
    std::unique_ptr<xb::Table> t;
    ASSERT_TRUE(xb::Table::Open(path, {}, &t).ok());
    for (const xb::FieldInfo& f : t->fields()) {
      if (f.name != "TRIMTEXT" && f.name != "NBRDOWN") fields.push_back({f.name, f.type, f.width, f.decimals});
    }
  }
  const std::string lacking = fx.file(QStringLiteral("LACKING.DBF")).toStdString();
  ASSERT_TRUE(xb::Table::Create(lacking, fields).ok());
  TApolloEnv env;
  TableObject table(&env);
  table.setDatabaseName(fx.dir());
  table.setTableName(QStringLiteral("LACKING.DBF"));
  ASSERT_TRUE(table.open());
  table.insert();
  EXPECT_FALSE(WriteLabelSetup(table, DefaultLabelSetup()));
  EXPECT_EQ(messages.shown.value(1),
            QStringLiteral("The label setup could not be saved: QVPLSU.DBF does not take NBRDOWN, TRIMTEXT."));
  table.cancel();
  EXPECT_TRUE(table.isEmpty());
}

}  // namespace
}  // namespace qv
