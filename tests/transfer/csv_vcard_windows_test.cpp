// The CSV and vCard import windows and the CSV and vCard choices of Copy
// Records Out, offscreen: the proposal the window shows is the command
// line's, changes in the match grid and the address order reach the
// import, lines with values beyond the header are told, Cancel keeps what
// was posted, and the File menu reaches both windows.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableWidget>

#include "accelerators.h"
#include "app/qvmain.h"
#include "app/shared.h"
#include "cleanup/cleanup_open.h"
#include "scripted_dialogs.h"
#include "store/contact_file.h"
#include "store/support_install.h"
#include "transfer/windows/copy_out_window.h"
#include "transfer/windows/csv_import_window.h"
#include "transfer/windows/vcard_import_window.h"
#include "transfer_fixture.h"

#include "qstring_print.h"

namespace qv::testing {
namespace {

QStringList Items(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

class CsvVcardWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialogs_.routeStoreMessages(&DialogMessageService());
    ASSERT_TRUE(WriteContactRows(contacts().toStdString(), {}));
  }
  QString contacts() const { return dir_.file(QStringLiteral("contacts.dbf")); }
  template <typename Window>
  std::unique_ptr<Window> Open(const QByteArray& text, const QString& name) {
    auto w = std::make_unique<Window>(&env_);
    EXPECT_TRUE(OpenContactsExclusively(contacts(), *w->Destination));
    qvtest::WriteAll(dir_.path(name.toStdString()), text.toStdString());
    dialogs_.openFileAnswers = {dir_.file(name)};
    w->SelectButtonClick();
    return w;
  }
  std::vector<Fields> Contacts(const std::vector<std::string>& names) const {
    return ReadContacts(contacts().toStdString(), names);
  }

  Scratch dir_;
  TApolloEnv env_;
  ScriptedDialogs dialogs_;
};

TEST_F(CsvVcardWindowTest, CsvProposalIsShownAndGridAndAddressOrderChangesReachTheImport) {
  const QByteArray header =
      "First Name,Last Name,Business Street,Business City,Business Country,Home Street,"
      "Home City,Home Country,Business Phone,Business Fax,Notes\r\n";
  auto w = Open<TCsvImport>(header +
                                "Ann,Lee,1 Work Rd,Troy,USA,9 Home Ln,Albany,Canada,555-1,555-2,hi\r\n"
                                "Bob,Ray,,,,7 Elm St,Utica,,555-3,,\r\n",
                            "outlook.csv");
  const QStringList names = QString::fromLatin1(header).trimmed().split(',');
  EXPECT_EQ(w->HeaderLabel->text(), "Header line: " + names.join(", "));
  EXPECT_EQ(Items(w->PlanList), DescribeCsvPlan(ProposeCsvPlan(names), names));
  EXPECT_TRUE(w->MatchButton->isEnabled() && w->ImportButton->isEnabled());

  w->RunMatchWindow = [&](TCsvMatch& m) {
    EXPECT_EQ(m.SG->horizontalHeaderItem(6)->text(), QStringLiteral("Home City"));
    EXPECT_EQ(m.SG->item(1, 5)->text(), QStringLiteral("7 Elm St"));
    EXPECT_EQ(std::pair(m.CSVGrid->item(6, 1)->text(), m.CSVGrid->item(6, 2)->text()),
              std::pair(QStringLiteral("City"), QStringLiteral("Home")));
    EXPECT_EQ(Items(m.BlockList), QStringList({"Business", "Home"}));
    EXPECT_FALSE(m.fieldButton("Last")->isEnabled()) << "a target taken once";
    EXPECT_EQ(SharedAccelerators(&m), QStringList());
    // Notes to the codes, no fax, and the home address first.
    for (const auto& [row, caption] : {std::pair(10, "Codes"), std::pair(9, "(none)")}) {
      m.CSVGrid->setCurrentCell(row, 1);
      m.FieldButtonClick(m.fieldButton(caption));
    }
    EXPECT_FALSE(m.fieldButton("Codes")->isEnabled());
    m.BlockList->setCurrentRow(1);
    m.MoveUpButton->click();
    EXPECT_EQ(Items(m.BlockList), QStringList({"Home", "Business"}));
    EXPECT_EQ(Items(m.PlanList), DescribeCsvPlan(m.plan(), names));
    return static_cast<int>(QDialog::Accepted);
  };
  w->MatchButtonClick();
  EXPECT_TRUE(Items(w->PlanList).contains("Address: each row takes the first of Home, Business "
                                          "that holds a street"));
  w->ImportButton->click();
  EXPECT_EQ(dialogs_.notices(), QStringList{QStringLiteral("Import complete. Imported 2 records.")});
  ASSERT_TRUE(w->Destination->close());
  EXPECT_EQ(Contacts({"LNAME", "STREET", "CITY", "COUNTRY", "PHONE", "FAX", "NOTES", "MEMO"}),
            (std::vector<Fields>{{{"LNAME", "Lee"}, {"STREET", "9 Home Ln"}, {"CITY", "Albany"},
                                  {"COUNTRY", "Canada"}, {"PHONE", "555-1"}, {"NOTES", "hi"}},
                                 {{"LNAME", "Ray"}, {"STREET", "7 Elm St"}, {"CITY", "Utica"},
                                  {"PHONE", "555-3"}}}));
}

// The grid's moves: a part of an address joins the block its header names
// and takes the part from another column of that block; streets add up.
TEST(CsvChoicesTest, ChoosingATargetMovesWhatOnlyOneColumnMayHold) {
  const QStringList header = {"Home City", "Town", "Work City", "Home Street", "Extra"};
  using C = CsvColumnChoice;
  using T = ContactTarget;
  const C homeCity{T::City, "Home"}, workCity{T::City, "Work"}, street{T::Street, "Home"};
  const CsvChoices start = {homeCity, {}, workCity, street, {}};
  const struct {
    int column;
    std::optional<ContactTarget> target;
    CsvChoices after;
  } cases[] = {
      {4, T::City, {homeCity, {}, workCity, street, {T::City, ""}}},  // a block of its own
      {1, T::City, {homeCity, {T::City, ""}, workCity, street, {}}},
      {4, T::Street, {homeCity, {}, workCity, street, {T::Street, ""}}},
      {2, T::Street, {homeCity, {}, {T::Street, "Work"}, street, {}}},  // keeps its block
      {4, T::Memo, {homeCity, {}, workCity, street, {T::Memo, ""}}},
      {0, std::nullopt, {{}, {}, workCity, street, {}}},
  };
  for (const auto& c : cases) {
    CsvChoices choices = start;
    ChooseCsvTarget(&choices, c.column, c.target, header[c.column]);
    EXPECT_EQ(choices, c.after) << c.column;
  }
  // A City given to a column in the Home block moves there from Home City.
  CsvChoices choices = {homeCity, {}, workCity, street, {}};
  choices[1] = {T::Street, "Home"};
  ChooseCsvTarget(&choices, 1, T::City, header[1]);
  EXPECT_EQ(choices, (CsvChoices{{}, {T::City, "Home"}, workCity, street, {}}));
}

TEST_F(CsvVcardWindowTest, CsvRecordsWithValuesBeyondTheHeaderAreToldByLine) {
  auto w = Open<TCsvImport>("Last Name,First Name\r\nLee,Ann\r\nRay,Bob,extra\r\n\r\n"
                            "Cole,Cy,\r\nDoe,Di,x,y\r\n",
                            "bad.csv");
  w->ImportButton->click();
  EXPECT_EQ(dialogs_.notices(),
            QStringList({"Import complete. Imported 4 records.",
                         "2 records held more values than the header's 2 columns; the values "
                         "beyond them were not imported (lines 3, 6)."}));
}

// Cancel stops the loop after the current record; the indexes are still
// rebuilt with Cancel hidden, in both windows.
TEST_F(CsvVcardWindowTest, CancelKeepsWhatWasPostedAndStillRebuilds) {
  QByteArray csv = "Last Name,City\r\n", vcf;
  for (int i = 0; i < 400; ++i) {
    csv += "N" + QByteArray::number(i) + ",Troy\r\n";
    vcf += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:N" + QByteArray::number(i) + ";;;;\r\nEND:VCARD\r\n";
  }
  auto check = [&](ImportForm& w) {
    int calls = 0, rebuilt = 0;
    w.OnImportProgress = [&](int) {
      if (calls++ == 0) w.CancelButton->click();
    };
    w.OnRebuildProgress = [&](int) { rebuilt += w.CancelButton->isVisibleTo(&w) ? 0 : 1; };
    dialogs_.calls.clear();
    w.ImportButton->click();
    const std::int64_t posted = w.lastResult().posted;
    EXPECT_TRUE(calls == 1 && rebuilt > 0 && posted > 0 && posted < 400) << posted;
    EXPECT_EQ(dialogs_.notices(), QStringList{ImportCancelledMessage(posted)});
    EXPECT_TRUE(w.Destination->close());
  };
  check(*Open<TCsvImport>(csv, "many.csv"));
  auto vcard = Open<TVcardImport>(vcf, "many.vcf");
  EXPECT_EQ(vcard->CardCountLabel->text(), QStringLiteral("400 cards to import"));
  check(*vcard);
}

TEST_F(CsvVcardWindowTest, VcardImportTellsTheSkippedCardsAndRefusesAFileWithNone) {
  auto w = Open<TVcardImport>("no card here\r\n", "junk.vcf");
  EXPECT_EQ(dialogs_.notices().size(), 1);
  EXPECT_EQ(std::pair(w->FileNameLabel->text(), w->ImportButton->isEnabled()),
            std::pair(QStringLiteral("(none)"), false));
  EXPECT_FALSE(w->MatchButton->isVisibleTo(w.get()));
  dialogs_.calls.clear();
  qvtest::WriteAll(dir_.path("people.vcf"),
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nEMAIL:ann@example.org\r\n"
                   "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nPHOTO:abc\r\nEND:VCARD\r\n"
                   "BEGIN:VCARD\r\nVERSION:3.0\r\nORG:Acme\r\nEND:VCARD\r\n");
  dialogs_.openFileAnswers = {dir_.file("people.vcf")};
  w->SelectButtonClick();
  EXPECT_EQ(w->CardCountLabel->text(), QStringLiteral("2 cards to import"));
  w->ImportButton->click();
  EXPECT_EQ(dialogs_.notices(),
            QStringList({"Import complete. Imported 2 records.",
                         "1 card held no name, organization, address, phone or e-mail and was "
                         "skipped."}));
  ASSERT_TRUE(w->Destination->close());
  EXPECT_EQ(Contacts({"LNAME", "ORG", "EMAIL"}),
            (std::vector<Fields>{{{"LNAME", "Lee"}, {"EMAIL", "ann@example.org"}},
                                 {{"ORG", "Acme"}}}));
}

TEST_F(CsvVcardWindowTest, CopyOutWritesCsvAndVcardThroughTheCopyJob) {
  ASSERT_TRUE(WriteContactRows(contacts().toStdString(),
                               {{{"LNAME", "Lee"}, {"MEMO", "likes tea"}}, {{"LNAME", "Ray"}}}));
  TableObject table(&env_);
  ASSERT_TRUE(OpenContactFile(contacts(), table));
  qvtest::WriteAll(dir_.path("old.vcf"), "x");
  const struct {
    bool csv;
    QString chosen, shown;
    std::deque<bool> answers;  // the overwrite question
    QByteArray starts;
    int records;  // lines or cards
  } cases[] = {
      {true, dir_.file("out"), dir_.file("out.CSV"), {}, "\xEF\xBB\xBF" "Prefix,First", 3},
      {false, dir_.file("old.vcf"), dir_.file("old.vcf"), {true}, "BEGIN:VCARD\r\n", 2},
  };
  for (const auto& c : cases) {
    TCopyOut w(&table, QString(), QString(), contacts(), dir_.file(QString()));
    (c.csv ? w.ToCsv : w.ToVcard)->click();
    dialogs_.saveFileAnswers = {c.chosen};
    dialogs_.questionAnswers = c.answers;
    w.SaveAsButton->click();
    ASSERT_EQ(w.FileName->text(), c.shown);
    w.Doit->click();
    EXPECT_EQ(w.copied(), 2);
    QFile f(c.shown);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith(c.starts)) << text.left(40).toStdString();
    EXPECT_TRUE(text.contains("likes tea"));
    EXPECT_EQ(c.csv ? text.count("\r\n") : text.count("END:VCARD"), c.records);
  }
  EXPECT_EQ(dialogs_.callsOf(QStringLiteral("question")).size(), 1u);
  ASSERT_TRUE(table.close());
}

TEST_F(CsvVcardWindowTest, FileMenuReachesBothImportsWithItsOwnLetters) {
  qputenv("QUORVANE_HOME", dir_.file(QString()).toLocal8Bit());
  ASSERT_TRUE(InstallSupportTables(dir_.file(QString())).isEmpty());
  TQVPMain m;
  ASSERT_TRUE(m.OpenQVWDBF(contacts()));
  QStringList ran;
  m.RunTransferWindow = [&](QDialog& d) {
    EXPECT_FALSE(m.TableQVW->active()) << "the main table lets the file go";
    ran << d.windowTitle();
  };
  m.mnuImportCsv->trigger();
  m.mnuImportVcard->trigger();
  EXPECT_EQ(ran, QStringList({"CSV File Import", "vCard File Import"}));
  EXPECT_TRUE(m.TableQVW->active());
  // Every item of the File menu and of its Import menu has a letter of its own.
  for (QMenu* menu : {m.FileMenu, m.ImportMenu}) {
    QStringList letters;
    for (QAction* a : menu->actions()) {
      if (const QChar k = AcceleratorOf(a->text()); !k.isNull()) letters << k;
    }
    EXPECT_EQ(letters.size(), QSet<QString>(letters.begin(), letters.end()).size())
        << letters.join(' ').toStdString();
  }
  ASSERT_TRUE(m.TableQVW->close());
  m.SetButtons();
  EXPECT_FALSE(m.mnuImportCsv->isEnabled() || m.mnuImportVcard->isEnabled());
  qunsetenv("QUORVANE_HOME");
}

}  // namespace
}  // namespace qv::testing
