// The import and copy-out windows on scratch contact files, offscreen: the
// match dialog's field buttons, sampling, an import through the window with
// its end message and index rebuild, Cancel in the middle of an import and
// of a copy, the copy's name checks, and the main window's commands
// reopening the contact file afterwards.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "app/db_controls.h"
#include "app/qvmain.h"
#include "app/shared.h"
#include "cleanup/cleanup_open.h"
#include "scripted_dialogs.h"
#include "store/contact_file.h"
#include "store/output_file.h"
#include "store/support_install.h"
#include "transfer/windows/ascii_import_window.h"
#include "transfer/windows/copy_out_window.h"
#include "transfer/windows/dbf_import_window.h"
#include "transfer_fixture.h"

#include "qstring_print.h"
#include "table_walk.h"

namespace qv::testing {
namespace {

class TransferWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialogs_.routeStoreMessages(&DialogMessageService());
    env_.SetDeleted(true);
  }

  QString contacts() const { return dir_.file(QStringLiteral("contacts.dbf")); }
  // An import window holding the contact file as the File menu leaves it.
  template <typename Window = TAsciiImport>
  std::unique_ptr<Window> OpenImport(const std::vector<Fields>& records = {}) {
    EXPECT_TRUE(WriteContactRows(contacts().toStdString(), records));
    auto w = std::make_unique<Window>(&env_);
    EXPECT_TRUE(OpenContactsExclusively(contacts(), *w->Destination));
    return w;
  }
  // Chooses `text` as the file to import.
  void Select(TAsciiImport& w, const QByteArray& text, const QString& name = "in.txt") {
    qvtest::WriteAll(dir_.file(name).toStdString(), text.toStdString());
    dialogs_.openFileAnswers = {dir_.file(name)};
    w.SelectButtonClick();
  }
  // Presses field buttons on rows of the match dialog.
  static void Press(TAsciiMatch& m, const std::vector<std::pair<int, QString>>& presses) {
    for (const auto& [row, caption] : presses) {
      m.ASCIIGrid->setCurrentCell(row, 1);
      m.FieldButtonClick(m.fieldButton(caption));
    }
  }
  // Opens the match dialog, presses buttons on rows, and answers Save or Cancel.
  void Match(TAsciiImport& w, const std::vector<std::pair<int, QString>>& presses, bool save) {
    w.RunMatchWindow = [&](TAsciiMatch& m) {
      Press(m, presses);
      return save ? QDialog::Accepted : QDialog::Rejected;
    };
    w.MatchButtonClick();
    w.RunMatchWindow = nullptr;
  }

  // Which of Match and Import are enabled: "MI", "M-", "--".
  template <typename Window>
  static std::string Enabled(const Window& w) {
    return std::string(w.MatchButton->isEnabled() ? "M" : "-") +
           (w.ImportButton->isEnabled() ? "I" : "-");
  }

  Scratch dir_;
  TApolloEnv env_;
  ScriptedDialogs dialogs_;
};

// ---- the match dialog ----

TEST_F(TransferWindowTest, FieldButtonsFillTheRowAndFollowTheirEnableRules) {
  AsciiSample sample;
  sample.columnCount = 3;
  sample.maxLen = {5, 5, 5};
  const struct {
    const char* name;
    QStringList before;                         // the earlier matches
    std::vector<std::pair<int, QString>> presses;  // row, button
    QStringList cells;                          // the second column afterwards
    QStringList disabled;                       // the buttons disabled afterwards
    int cursor;                                 // the current row afterwards
  } cases[] = {
      {"a target is taken once", {"", "", ""}, {{0, "First"}}, {"First", "", ""}, {"First"}, 1},
      {"memo stays open", {"", "", ""}, {{0, "Memo"}, {1, "Memo"}},
       {"Memo", "Memo", ""}, {}, 2},
      {"a new target frees the old one", {"First", "", ""}, {{0, "Last"}},
       {"Last", "", ""}, {"Last"}, 1},
      {"(none) clears and frees", {"First", "City", ""}, {{1, "(none)"}},
       {"First", "", ""}, {"First"}, 2},
      {"(none) on an empty row", {"", "", ""}, {{0, "(none)"}}, {"", "", ""}, {}, 1},
      {"the last row keeps the cursor", {"", "", ""}, {{2, "Zip/Post Code"}},
       {"", "", "Zip/Post Code"}, {"Zip/Post Code"}, 2},
      {"memo replacing a target frees it", {"Phone", "", ""}, {{0, "Memo"}},
       {"Memo", "", ""}, {}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TAsciiMatch m(sample, c.before);
    Press(m, c.presses);
    EXPECT_EQ(m.targets(), c.cells);
    QStringList disabled;
    for (QPushButton* b : m.FieldButtons) {
      if (!b->isEnabled()) disabled << b->text();
    }
    EXPECT_EQ(disabled, c.disabled);
    EXPECT_EQ(m.ASCIIGrid->currentRow(), c.cursor);
  }
}

// The sample grid shows the first ten lines cleaned; a narrow column is
// still as wide as its heading.
TEST_F(TransferWindowTest, SampleGridShowsTheFirstLinesCleaned) {
  AsciiSample sample;
  QString error;
  QByteArray text;
  for (int i = 1; i <= 12; ++i) text += "\"Smith, " + QByteArray::number(i) + "\",x\r\n";
  qvtest::WriteAll(dir_.path("in.txt"), text.toStdString());
  ASSERT_TRUE(SampleAsciiFile(dir_.file("in.txt"), &sample, &error));
  TAsciiMatch shown(sample, {"", ""});
  EXPECT_EQ(std::tuple(shown.SG->rowCount(), shown.SG->item(9, 0)->text(),
                       shown.ASCIIGrid->item(1, 0)->text()),
            std::tuple(10, QStringLiteral("Smith, 10"), QStringLiteral("Field 2")));
  EXPECT_GE(shown.SG->columnWidth(1),
            shown.SG->fontMetrics().horizontalAdvance(QStringLiteral("Field 12")));
}

// ---- TAsciiImport ----

TEST_F(TransferWindowTest, SelectingAFileEnablesMatchAndANewSamplingForgetsMatches) {
  auto w = OpenImport();
  EXPECT_EQ(Enabled(*w), "--");

  Select(*w, "Smith,John\r\nBrown,Ann\r\n");
  EXPECT_TRUE(w->MatchButton->isEnabled());
  EXPECT_EQ(w->FileNameLabel->text(), dir_.file("in.txt"));
  Match(*w, {{0, "Last"}}, true);
  EXPECT_TRUE(w->ImportButton->isEnabled());

  // One line is not enough.
  Select(*w, "Smith,John\r\n", "one.txt");
  EXPECT_EQ(dialogs_.notices(), QStringList{QStringLiteral("Unable to import from this file")});
  EXPECT_EQ(Enabled(*w), "--");

  // Back to a good file: the match has to be made again.
  Select(*w, "Smith,John,x\r\nBrown,Ann,y\r\n");
  EXPECT_EQ(Enabled(*w), "M-");
  EXPECT_EQ(w->targets(), QStringList({"", "", ""}));
  // Cancel in the match dialog drops its presses; Save keeps them.
  Match(*w, {{0, "First"}}, false);
  EXPECT_EQ(w->targets(), QStringList({"", "", ""}));
  EXPECT_FALSE(w->ImportButton->isEnabled());
  Match(*w, {{0, "First"}, {1, "Memo"}, {2, "Memo"}}, true);
  EXPECT_EQ(w->targets(), QStringList({"First", "Memo", "Memo"}));

  // A cancelled dialog keeps the file chosen before.
  dialogs_.openFileAnswers = {QString()};
  w->SelectButtonClick();
  EXPECT_EQ(w->FileNameLabel->text(), dir_.file("in.txt"));
  EXPECT_TRUE(w->MatchButton->isEnabled());
}

TEST_F(TransferWindowTest, CancelDuringTheImportKeepsWhatWasPostedAndStillRebuilds) {
  auto w = OpenImport();
  QByteArray text;
  for (int i = 0; i < 500; ++i) text += "Name" + QByteArray::number(i) + ",x\r\n";
  Select(*w, text);
  Match(*w, {{0, "Last"}}, true);
  int calls = 0;
  w->OnImportProgress = [&](int) {
    if (++calls == 1) {
      EXPECT_TRUE(w->importing());
      EXPECT_FALSE(w->ButtonPanel->isVisibleTo(w.get()));
      w->CancelButton->click();
    }
  };
  // Cancel is hidden and ignored while the indexes are rebuilt.
  int rebuildCalls = 0;
  w->OnRebuildProgress = [&](int) {
    ++rebuildCalls;
    EXPECT_FALSE(w->CancelButton->isVisibleTo(w.get()));
    w->CancelButtonClick();
    EXPECT_TRUE(w->rebuilding());
  };
  w->ImportButton->click();
  EXPECT_TRUE(rebuildCalls > 0 && w->result() == QDialog::Accepted);
  ASSERT_EQ(calls, 1) << "the loop stops at the first notice after Cancel";
  const std::int64_t posted = w->lastResult().posted;
  EXPECT_TRUE(posted > 0 && posted < 500) << posted;
  EXPECT_EQ(dialogs_.notices(),
            QStringList{QStringLiteral("Import cancelled after importing %1 records.").arg(posted)});
}

TEST_F(TransferWindowTest, AFileGoneBeforeTheImportIsReportedAndNothingIsPosted) {
  auto w = OpenImport({{{"LNAME", "Old"}}});
  Select(*w, "a,b\r\nc,d\r\n");
  Match(*w, {{0, "Last"}}, true);
  ASSERT_TRUE(QFile::remove(dir_.file("in.txt")));
  w->ImportButton->click();
  ASSERT_EQ(dialogs_.notices().size(), 1);
  EXPECT_TRUE(dialogs_.lastNotice().contains("after importing 0 records"))
      << dialogs_.lastNotice().toStdString();
  // The window stays for another file.
  EXPECT_TRUE(w->result() != QDialog::Accepted && w->ButtonPanel->isVisibleTo(w.get()));
}

// ---- TDBFImport ----

class DbfImportWindowTest : public TransferWindowTest {
 protected:
  void Choose(TDBFImport& w, const char* name) {
    dialogs_.openFileAnswers = {dir_.file(name)};
    w.SelectButtonClick();
  }
  static int RowOf(const char* label) { return int(DbfMatchLabels().indexOf(label)); }
  static QStringList Targets(const TDBFImport& w) {
    QStringList out;
    for (const DbfSourceField& f : w.fields()) out << f.name + "=" + f.target;
    return out;
  }
};

// The proposals and the grid's moves are the match grid's own tests; here a
// refused table resets the window, the grid's buttons reach it, Cancel
// drops its changes and the import takes the saved matching.
TEST_F(DbfImportWindowTest, ARefusedTableResetsAndTheImportTakesTheSavedMatching) {
  auto w = OpenImport<TDBFImport>();
  ASSERT_TRUE(qvtest::MakeTable(dir_.path("people.dbf"),
                                {{"LNAME", 'C', 20}, {"FNAME", 'C', 15}, {"ADDRESS", 'C', 30},
                                 {"ST", 'C', 2}, {"PHONE1", 'C', 14}, {"PHONE2", 'C', 14},
                                 {"JOINED", 'D', 8}, {"REMARKS", 'M', 10}},
                                {{"Smith", "John", "12 Oak St", "NY", "555-1", "555-2",
                                  "20200131", "likes tea"},
                                 {"Brown", "", "9 Elm Rd", "MA", "", "555-4", "", ""}})
                  .ok());
  qvtest::WriteAll(dir_.path("junk.dbf"), "not a table");
  Choose(*w, "people.dbf");
  ASSERT_TRUE(w->MatchButton->isEnabled());
  Choose(*w, "junk.dbf");
  EXPECT_EQ(dialogs_.notices(), QStringList{"Unable to open the file " + dir_.file("junk.dbf")});
  EXPECT_EQ(w->FileNameLabel->text(), QStringLiteral("(none)"));
  EXPECT_EQ(Enabled(*w), "--");
  dialogs_.calls.clear();
  Choose(*w, "people.dbf");
  bool ran = false;
  w->RunMatchWindow = [&](TDBFMatch& m) {
    ran = true;
    // Fax takes PHONE2 (PHONE1, the first, is proposed for Phone); the list offers the character fields
    // only, with nothing selected for an empty row.
    m.ImportGrid->setCurrentCell(RowOf("Fax"), 1);
    m.RunSelectWindow = [&](TGetImportField& g) {
      QStringList offered;
      for (int i = 0; i < g.ListOfFields->count(); ++i) offered << g.ListOfFields->item(i)->text();
      EXPECT_EQ(offered, QStringList({"(None)", "LNAME", "FNAME", "ADDRESS", "ST", "PHONE1", "PHONE2"}));
      EXPECT_EQ(g.chosen(), QStringLiteral("(None)"));
      g.ListOfFields->setCurrentRow(static_cast<int>(offered.indexOf("PHONE2")));
      return static_cast<int>(QDialog::Accepted);
    };
    m.SelectField();
    EXPECT_EQ(m.ImportGrid->item(RowOf("Fax"), 1)->text(), QStringLiteral("PHONE2"));
    m.ImportGrid->setCurrentCell(RowOf("First"), 1);
    m.ClearCurrentButton->click();
    return static_cast<int>(QDialog::Accepted);
  };
  w->MatchButtonClick();
  ASSERT_TRUE(ran);
  EXPECT_TRUE(w->matched() && w->ImportButton->isEnabled());
  const QStringList targets = {"LNAME=Last",   "FNAME=",     "ADDRESS=Street", "ST=State/Province",
                               "PHONE1=Phone", "PHONE2=Fax", "JOINED=Date",    "REMARKS=Memo"};
  EXPECT_EQ(Targets(*w), targets);

  // Clear All then Cancel changes nothing.
  w->RunMatchWindow = [&](TDBFMatch& m) {
    m.ClearAllButton->click();
    EXPECT_EQ(m.grid().join(QString()), QString());
    return static_cast<int>(QDialog::Rejected);
  };
  w->MatchButtonClick();
  EXPECT_EQ(Targets(*w), targets);

  // The import takes the saved matching, not the proposals.
  w->ImportButton->click();
  EXPECT_EQ(dialogs_.notices(), QStringList{QStringLiteral("Import complete. Imported 2 records.")});
  EXPECT_EQ(w->result(), QDialog::Accepted);
  ASSERT_TRUE(w->Destination->close() && w->Source->close());
  // The date and memo fields are only imported here.
  EXPECT_EQ(ReadContacts(contacts().toStdString(),
                         {"LNAME", "FNAME", "STREET", "PHONE", "FAX", "DATE", "MEMO"})
                .at(0),
            (Fields{{"LNAME", "Smith"}, {"STREET", "12 Oak St"}, {"PHONE", "555-1"}, {"FAX", "555-2"},
                    {"DATE", "20200131"}, {"MEMO", "likes tea"}}));
}

// ---- TCopyOut ----

class CopyOutWindowTest : public TransferWindowTest {
 protected:
  void SetUp() override {
    TransferWindowTest::SetUp();
    ASSERT_TRUE(WriteContactRows(contacts().toStdString(),
                                 {{{"LNAME", "Smith"}, {"FNAME", "John"}},
                                  {{"LNAME", "Brown"}, {"PREFIX", "DELETED"}},
                                  {{"LNAME", "Cole"}, {"ZIP", "12180"}}}));
    ASSERT_TRUE(OpenContactFile(contacts(), table_));
  }
  void TearDown() override {
    ASSERT_TRUE(table_.close());
    TransferWindowTest::TearDown();
  }
  TCopyOut Window() {
    return TCopyOut(&table_, QString(), QString(), contacts(), dir_.file(QString()));
  }
  TableObject table_{&env_};
};

TEST_F(CopyOutWindowTest, ChosenNamesAreCheckedAndAnExistingFileIsAskedAbout) {
  qvtest::WriteAll(dir_.path("old.dbf"), "x");
  const QString toItself = QStringLiteral("Cannot copy a file to itself!");
  const QString exists = dir_.file("old.dbf") +
                         QStringLiteral(" already exists.\r\nDo you want to overwrite it?");
  const struct {
    const char* name;
    bool ascii;
    QString chosen;  // empty: the dialog is cancelled
    std::deque<bool> answers;
    QString shown;  // the name label afterwards
    QString notice;
    QString question;
  } cases[] = {
      {"no extension gets DBF", false, dir_.file("out"), {}, dir_.file("out.DBF"), {}, {}},
      {"the open file itself", false, dir_.file("CONTACTS.DBF"), {}, "(none)", toItself, {}},
      {"overwrite declined", false, dir_.file("old.dbf"), {false}, "(none)", {}, exists},
      {"overwrite accepted", false, dir_.file("old.dbf"), {true}, dir_.file("old.dbf"), {}, exists},
      {"a text file without extension", true, dir_.file("list"), {}, dir_.file("list.TXT"), {},
       {}},
      {"cancelled", false, QString(), {}, "(none)", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs_.calls.clear();
    TCopyOut w = Window();
    if (c.ascii) w.ToAscii->click();
    dialogs_.saveFileAnswers = {c.chosen};
    dialogs_.questionAnswers = c.answers;
    w.SaveAsButton->click();
    EXPECT_EQ(w.FileName->text(), c.shown);
    EXPECT_EQ(w.Doit->isEnabled(), c.shown != QLatin1String("(none)"));
    EXPECT_EQ(dialogs_.notices(), c.notice.isEmpty() ? QStringList() : QStringList{c.notice});
    const auto questions = dialogs_.callsOf(QStringLiteral("question"));
    ASSERT_EQ(questions.size(), c.question.isEmpty() ? 0u : 1u);
    if (!questions.empty()) {
      EXPECT_EQ(questions[0].text, c.question);
      EXPECT_EQ(questions[0].caption, QStringLiteral("Warning!"));
    }
  }
}

TEST_F(CopyOutWindowTest, SwitchingTheFormatAsksForTheNameAgainAndCopyNowWritesATable) {
  TCopyOut w = Window();
  EXPECT_TRUE(w.ToDBF->isChecked());
  dialogs_.saveFileAnswers = {dir_.file("out.dbf")};
  w.SaveAsButton->click();
  ASSERT_TRUE(w.Doit->isEnabled());
  w.ToAscii->click();
  EXPECT_EQ(w.FileName->text(), QStringLiteral("(none)"));
  EXPECT_FALSE(w.Doit->isEnabled());
  dialogs_.saveFileAnswers = {dir_.file("out.txt")};
  w.SaveAsButton->click();
  ASSERT_TRUE(w.Doit->isEnabled());
  w.ToDBF->click();
  EXPECT_FALSE(w.Doit->isEnabled());

  // Copy Now writes the selection as a table (the text format runs through
  // the main window's command below).
  dialogs_.saveFileAnswers = {dir_.file("out.dbf")};
  w.SaveAsButton->click();
  w.Doit->click();
  EXPECT_EQ(std::pair(w.result(), w.copied()), std::pair(int(QDialog::Accepted), std::int64_t(2)));
  EXPECT_TRUE(dialogs_.notices().isEmpty()) << dialogs_.notices().join(" | ").toStdString();
}

TEST_F(CopyOutWindowTest, CancelWhileCopyingAsksAndStopsOnlyOnYes) {
  ASSERT_TRUE(table_.close());
  std::vector<Fields> many;
  for (int i = 0; i < 300; ++i) many.push_back({{"LNAME", "N" + std::to_string(i)}});
  ASSERT_TRUE(WriteContactRows(contacts().toStdString(), many));
  ASSERT_TRUE(OpenContactFile(contacts(), table_));
  // Cancel asks; only Yes stops the copy, and the file keeps each record once.
  TCopyOut w = Window();
  w.ToAscii->click();
  dialogs_.saveFileAnswers = {dir_.file("many.txt")};
  w.SaveAsButton->click();
  dialogs_.questionAnswers = {false, true};
  int calls = 0;
  w.OnCopyProgress = [&](int) {
    if (++calls <= 2) w.CancelButton->click();
  };
  w.Doit->click();
  const auto questions = dialogs_.callsOf(QStringLiteral("question"));
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[0].text, QStringLiteral("Cancel copy?"));
  EXPECT_EQ(calls, 2) << "the walk stops at the notice after Yes";
  EXPECT_TRUE(w.copied() > 0 && w.copied() < 300) << w.copied();
  QFile f(dir_.file("many.txt"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().count('\n'), w.copied());
}

// A short write of the text copy was not shown at all.
TEST_F(CopyOutWindowTest, CopyOutAsciiShortWriteIsTold) {
  TCopyOut w = Window();
  w.ToAscii->click();
  const QString out = dir_.file("short.txt");
  dialogs_.saveFileAnswers = {out};
  w.SaveAsButton->click();
  OutputFile::FailAfter(40);
  w.Doit->click();
  OutputFile::FailAfter(-1);
  EXPECT_EQ(dialogs_.notices(),
            QStringList{QStringLiteral("cannot write %1: No space left on device").arg(out)});
  EXPECT_FALSE(QFileInfo::exists(out));
}

// ---- the main window's commands ----

class TransferCommandTest : public TransferWindowTest {
 protected:
  void SetUp() override {
    TransferWindowTest::SetUp();
    qputenv("QUORVANE_HOME", dir_.file(QString()).toLocal8Bit());
    ASSERT_TRUE(InstallSupportTables(dir_.file(QString())).isEmpty());
    ASSERT_TRUE(WriteContactRows(contacts().toStdString(),
                                 {{{"LNAME", "Smith"}}, {{"LNAME", "Brown"}},
                                  {{"LNAME", "Cole"}}}));
    main_ = std::make_unique<TQVPMain>();
    ASSERT_TRUE(main_->OpenQVWDBF(contacts()));
    dialogs_.calls.clear();  // the start-up's own notices
  }
  void TearDown() override {
    main_.reset();
    qunsetenv("QUORVANE_HOME");
    TransferWindowTest::TearDown();
  }
  std::unique_ptr<TQVPMain> main_;
};

TEST_F(TransferCommandTest, CommandsWithoutAnOpenFileSaySo) {
  const QString none = QStringLiteral("You need to have a Quorvane file open first");
  ASSERT_TRUE(main_->TableQVW->close());
  bool ran = false;
  main_->RunTransferWindow = [&](QDialog&) { ran = true; };
  main_->mnuImportAsciiClick();
  main_->mnuCopyOutClick();
  EXPECT_FALSE(ran);
  EXPECT_EQ(dialogs_.notices(), QStringList({none, none}));
}

TEST_F(TransferCommandTest, ImportReopensTheMainTableAndShowsTheNewRecords) {
  TQVPMain& m = *main_;
  // The main table lets the file go for the import and reopens it
  // afterwards (on every path: the reopen does not depend on the run).
  m.RunTransferWindow = [&](QDialog& d) {
    auto& w = static_cast<TAsciiImport&>(d);
    EXPECT_FALSE(m.TableQVW->active()) << "the main table lets the file go";
    Select(w, "Adams,x\r\nZorn,y\r\n");
    Match(w, {{0, "Last"}}, true);
    w.ImportButton->click();
    EXPECT_EQ(std::tuple(w.result(), w.Gauge1->isVisible(), w.importing()),
              std::tuple(int(QDialog::Accepted), false, false));
  };
  m.mnuImportAsciiClick();
  EXPECT_EQ(dialogs_.notices(), QStringList{QStringLiteral("Import complete. Imported 2 records.")});
  ASSERT_TRUE(m.TableQVW->active());
  // The first in last-name order shows.
  EXPECT_EQ(std::pair(qv::testing::CountOf(m.Apollo1), m.DBLName->text().trimmed()),
            std::pair(5, QStringLiteral("Adams")));
}

TEST_F(TransferCommandTest, CopyOutRefusesAnEmptyViewAndPutsTheRecordBack) {
  TQVPMain& m = *main_;
  bool ran = false;
  m.RunTransferWindow = [&](QDialog& d) {
    ran = true;
    auto& w = static_cast<TCopyOut&>(d);
    w.ToAscii->click();
    dialogs_.saveFileAnswers = {dir_.file("out.txt")};
    w.SaveAsButton->click();
    w.Doit->click();
    EXPECT_EQ(w.copied(), 3);
  };
  ASSERT_TRUE(m.TableQVW->last());
  const int recno = m.Apollo1.RecNo();
  m.mnuCopyOutClick();
  EXPECT_TRUE(ran && dialogs_.notices().isEmpty());
  EXPECT_EQ(m.Apollo1.RecNo(), recno);
  // In the main window's order (last name), not the file's.
  QFile out(dir_.file("out.txt"));
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  QStringList last;
  for (const QByteArray& line : out.readAll().split('\n')) {
    if (!line.isEmpty()) last << QString::fromLatin1(line.split(',').value(3));
  }
  EXPECT_EQ(last, QStringList({"\"Brown\"", "\"Cole\"", "\"Smith\""}));

  ran = false;
  ASSERT_TRUE(m.Apollo1.Query(QStringLiteral("LNAME = \"Nobody\"")));
  m.mnuCopyOutClick();
  EXPECT_FALSE(ran);
  EXPECT_EQ(dialogs_.notices(),
            QStringList{QStringLiteral("No active records for current filter. Nothing to copy")});
}

}  // namespace
}  // namespace qv::testing
