// The five data-quality windows on scratch contact files, offscreen: their
// controls and defaults, the questions they ask (answered by script), the
// result grids' Delete, Save and Undo, and the main window's Utilities
// commands putting its query, order and record back and removing the work
// indexes afterwards.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include "app/db_controls.h"
#include "app/qvmain.h"
#include "app/shared.h"
#include "cleanup/cleanup_open.h"
#include "cleanup/windows/cleanup_widgets.h"
#include "cleanup/windows/dup_check_window.h"
#include "cleanup/windows/rewrite_windows.h"
#include "cleanup/windows/zip_check_window.h"
#include "cleanup_test_util.h"
#include "qstring_print.h"
#include "scripted_dialogs.h"
#include "store/contact_file.h"
#include "store/filter_text.h"
#include "store/messages.h"
#include "store/support_install.h"
#include "store/table_grid_model.h"

namespace qv::testing {
namespace {

const std::vector<Contact> kPeople = {
    C({{"LNAME", "Smith"}, {"FNAME", "John"}, {"STREET", "12 Oak St"}, {"CITY", "Troy"},
       {"STATE", "NY"}, {"ZIP", "12180"}}),  // 1
    C({{"LNAME", "Brown"}, {"FNAME", "Ann"}, {"STREET", "12 Oak Street"}, {"CITY", "Albany"},
       {"STATE", "ny"}, {"ZIP", "12207"}}),  // 2 lower-case state
    C({{"LNAME", "SMITH"}, {"FNAME", "JOHN"}, {"STREET", "9 Elm Rd"}, {"CITY", "Troy"},
       {"STATE", "NY"}, {"ZIP", "99999"}}),  // 3 ZIP outside NY
    C({{"LNAME", "Smith"}, {"FNAME", "Jane"}, {"STREET", "12 Oak St"}, {"CITY", "Boston"},
       {"STATE", "MA"}, {"ZIP", "02110"}}),  // 4
    C({{"LNAME", "Cole"}, {"FNAME", "Cy"}, {"CITY", "Nowhere"}}),  // 5 blank state and ZIP
};

std::vector<Contact> Copies(int n, const Contact& c) { return std::vector<Contact>(n, c); }

std::vector<int> GridRecords(const TableGridModel* model) {
  std::vector<int> out;
  for (int row = 0; model != nullptr && row < model->rowCount(); ++row) {
    out.push_back(model->recordOfRow(row));
  }
  return out;
}

class CleanupWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { dialogs_.routeStoreMessages(&DialogMessageService()); }

  // A check window on `contacts`, its table opened as the Utilities menu does.
  template <typename Window>
  std::unique_ptr<Window> OpenCheck(const std::vector<Contact>& contacts) {
    EXPECT_TRUE(f_.write(contacts));
    auto w = std::make_unique<Window>(&f_.env, f_.dir());
    EXPECT_TRUE(OpenContactsExclusively(f_.path(), *w->tableObject()));
    return w;
  }
  // The file opened as the main window holds it, for the bulk-change windows.
  void OpenTable(const std::vector<Contact>& contacts, const QString& query = QString()) {
    ASSERT_TRUE(f_.write(contacts));
    ASSERT_TRUE(OpenContactFile(f_.path(), f_.table));
    ASSERT_TRUE(f_.table.area()->Query(query.toStdString()).ok());
    f_.table.resync();
  }

  CleanupFixture f_;
  ScriptedDialogs dialogs_;
};

// The pairs themselves are the duplicate check's own tests; here the kind
// and the character count reach the run and its result fills the grid. On
// the grid's first row (record 1): an edit kept by Save or dropped by Undo,
// then Delete, which asks first and marks the record on Yes.
TEST_F(CleanupWindowTest, DuplicateCheckFillsTheGridWhoseRowsAreSavedUndoneAndDeleted) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "save, delete" : "undo, keep");
    auto w = OpenCheck<TDupCheck>(kPeople);
    EXPECT_TRUE(w->StreetChars->isHidden()) << "the count is for streets only";
    w->KindGroup->button(2)->click();
    EXPECT_FALSE(w->StreetChars->isHidden());
    w->StreetChars->setValue(5);
    w->CheckitButton->click();
    EXPECT_EQ(std::tuple(w->SetupPanel->isHidden(), w->ResultPanel->isHidden(),
                         QFile::exists(w->indexPath())),
              std::tuple(true, false, true));
    // Street order 1, 4 ("12 OAK ST"), 2 ("12 OAK STREET"): alike in 5 characters.
    TableGridModel* model = w->gridModel();
    EXPECT_EQ(GridRecords(model), (std::vector<int>{1, 4, 2}));
    EXPECT_EQ(w->LabelCount->text(), DupCountText(2));
    EXPECT_TRUE(dialogs_.notices().isEmpty()) << dialogs_.notices().join('|').toStdString();
    ASSERT_TRUE(model->setData(model->index(0, model->columnOfField(QStringLiteral("LNAME"))),
                               QStringLiteral("Smythe")));
    (yes ? w->SaveButton : w->UndoButton)->click();
    EXPECT_EQ(w->tableObject()->state(), TableObject::State::Browse);
    ASSERT_EQ(w->tableObject()->recNo(), 1);
    // Merge names both records before it does anything (No here).
    w->MergeButton->click();
    EXPECT_EQ(dialogs_.textsOf("question").last(),
              QStringLiteral("Merge record 4 (Smith, Jane, 12 Oak St) into record 1 (%1, John, "
                             "12 Oak St) and delete record 4?")
                  .arg(yes ? "Smythe" : "Smith"));
    dialogs_.questionAnswers = {yes};
    w->DeleteButton->click();
    EXPECT_EQ(dialogs_.textsOf("question").last(), QStringLiteral("Delete this record?"));
    ASSERT_TRUE(w->tableObject()->close());
    EXPECT_EQ(f_.texts({{1, "LNAME"}, {1, "PREFIX"}, {1, "*"}, {4, "*"}}),
              yes ? "Smythe|DELETED|*|" : "Smith|||");
  }
}

// Cancel during a run asks first; Yes stops after the first batch of 256
// records, No lets the run finish.
TEST_F(CleanupWindowTest, CancelAsksItsQuestionAndStopsOnYes) {
  const Contact smith = C({{"LNAME", "Smith"}, {"FNAME", "John"}, {"STATE", "ZZ"}, {"ZIP", "1"}});
  // `confirmed`: the run's own question comes first and is answered Yes.
  const auto cancelDuring = [this](QPushButton* start, QPushButton* cancel, bool yes,
                                   bool confirmed = false) {
    dialogs_.questionAnswers = {yes};
    if (confirmed) dialogs_.questionAnswers.push_front(true);
    QTimer::singleShot(0, cancel, [cancel] { cancel->click(); });
    start->click();
    return dialogs_.textsOf("question").last();
  };
  for (const bool yes : {true, false}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    {
      auto w = OpenCheck<TDupCheck>(Copies(600, smith));
      EXPECT_EQ(cancelDuring(w->CheckitButton, w->CancelButton, yes), "Cancel operation?");
      EXPECT_EQ(w->LabelCount->text(), DupCountText(yes ? 255 : 599));
      EXPECT_EQ(std::pair(w->CancelButton->isHidden(), w->CloseButton->isHidden()),
                std::pair(true, false));
    }
    {
      ASSERT_TRUE(InstallSupportTables(f_.dir()).isEmpty());
      auto w = OpenCheck<TStateZipCheck>(Copies(600, smith));
      EXPECT_EQ(cancelDuring(w->CheckitButton, w->CancelButton, yes), "Cancel operation?");
      EXPECT_EQ(w->LabelCount->text(), ZipCountText(yes ? 256 : 600));
    }
    OpenTable(Copies(600, smith));
    TConvertToUpper w(&f_.table, false);
    w.rAllRecords->setChecked(true);
    EXPECT_EQ(cancelDuring(w.ConvertButton, w.CancelButton, yes, true), "Cancel case conversion?");
    EXPECT_EQ(w.converted(), yes ? 256 : 600);
    ASSERT_TRUE(f_.table.close());
  }
  EXPECT_EQ(dialogs_.unscripted, 0);
}

TEST_F(CleanupWindowTest, StateZipCheckListsTheQuestionableRecordsAndEditsTheStateFile) {
  {
    // Without the reference table the check says so and offers its set-up again.
    auto w = OpenCheck<TStateZipCheck>(kPeople);
    w->CheckitButton->click();
    EXPECT_EQ(dialogs_.notices(), QStringList{StateZipOpenFailedMessage()});
    EXPECT_EQ(std::pair(w->SetupPanel->isHidden(), w->ResultPanel->isHidden()),
              std::pair(false, true));
  }
  ASSERT_TRUE(InstallSupportTables(f_.dir()).isEmpty());
  // Work index order upper(LNAME)+upper(FNAME): Brown, Cole, SMITH; the
  // blanks box reaches the run (Cole has neither state nor ZIP).
  auto w = OpenCheck<TStateZipCheck>(kPeople);
  EXPECT_FALSE(w->CheckBlanks->isChecked());
  w->CheckBlanks->setChecked(true);
  w->CheckitButton->click();
  EXPECT_EQ(GridRecords(w->resultModel()), (std::vector<int>{2, 5, 3}));
  EXPECT_EQ(w->LabelCount->text(), ZipCountText(3));
  EXPECT_TRUE(QFile::exists(w->indexPath()));

  // The state file's rows are added, edited and deleted in its grid. Here
  // it has lost its index (as another program may leave it): its STATE tag
  // is made when the grid opens, and the grid follows it.
  const QString dbf = w->stateTablePath();
  const QString cdx = dbf.left(dbf.size() - 3) + QStringLiteral("cdx");
  ASSERT_TRUE(QFile::remove(cdx));
  QFile table(dbf);
  ASSERT_TRUE(table.open(QIODevice::ReadWrite) && table.seek(28));
  ASSERT_TRUE(table.putChar(0));  // the header no longer names a production index
  table.close();
  w->EditStateButton->click();
  ASSERT_TRUE(w->editingStates());
  EXPECT_TRUE(QFile::exists(cdx));
  TableGridModel* model = w->stateModel();
  const int rows = model->rowCount();
  ASSERT_GT(rows, 50);
  const int state = model->columnOfField("STATE");
  for (int r = 1; r < rows; ++r) {
    EXPECT_LE(model->data(model->index(r - 1, state)).toString().toUpper(),
              model->data(model->index(r, state)).toString().toUpper())
        << r;
  }
  w->StateAddButton->click();
  ASSERT_EQ(model->rowCount(), rows + 1);
  const int added = w->StateGrid->currentIndex().row();
  for (const auto& [field, text] :
       {std::pair{"NAME", "Zedland"}, {"STATE", "ZZ"}, {"LOW_ZIP", "1"}, {"HIGH_ZIP", "5"}}) {
    ASSERT_TRUE(model->setData(model->index(added, model->columnOfField(field)), QString(text)));
  }
  w->StateSaveButton->click();
  // Alaska's row deleted.
  w->StateGrid->setCurrentIndex(model->index(model->findRow(0, QStringLiteral("Alaska")), 0));
  w->StateDeleteButton->click();
  EXPECT_EQ(model->findRow(0, QStringLiteral("Alaska")), -1);
  w->EditStateButton->click();
  EXPECT_FALSE(w->editingStates());
  StateZipRanges ranges;
  ASSERT_TRUE(
      ReadStateZipTable(w->stateTablePath().toStdString(), f_.env.settings(), &ranges).ok());
  EXPECT_TRUE(FitsStateZip(ranges, "ZZ", "3"));
  EXPECT_EQ(ranges.count("AK"), 0u);
}

TEST_F(CleanupWindowTest, ConvertToUppercaseDefaultsAndItsFieldRule) {
  OpenTable(kPeople);
  for (const bool hasFilter : {false, true}) {
    TConvertToUpper w(&f_.table, hasFilter);
    EXPECT_EQ(w.rFilterRecords->isEnabled(), hasFilter);
  }
  TConvertToUpper w(&f_.table, false);
  w.cAll->click();
  for (QCheckBox* box : w.FieldChecks) EXPECT_FALSE(box->isChecked());
  w.ConvertButton->click();
  EXPECT_EQ(dialogs_.notices(), QStringList{NoUpperFieldsMessage()});
  EXPECT_EQ(w.result(), 0);
  // Last name only, current record only: record 2 alone changes.
  ASSERT_TRUE(f_.table.area()->Go(2).ok());
  f_.table.resync();
  w.FieldChecks[0]->setChecked(true);
  w.ConvertButton->click();
  EXPECT_EQ(std::pair(w.result(), w.converted()), std::pair(int(QDialog::Accepted), 1));
  EXPECT_EQ(dialogs_.lastNotice(), ConvertedText(1));
  EXPECT_EQ(f_.texts({{2, "LNAME"}, {2, "FNAME"}, {1, "LNAME"}}), "BROWN|Ann|Smith");
}

// More than the current record is counted and asked first, No the default;
// No leaves every record and the window open.
TEST_F(CleanupWindowTest, ConvertToUppercaseAsksBeforeManyRecords) {
  std::vector<Contact> people = kPeople;
  people[4].fields["PREFIX"] = "DELETED";
  const struct {
    bool filtered, yes;
    QString question, notice;
    std::string lnames;  // records 1, 2, 5
  } cases[] = {
      {false, false, ConvertQuestion(4), QString(), "Smith|Brown|Cole"},
      {false, true, ConvertQuestion(4), ConvertedText(4), "SMITH|BROWN|Cole"},
      {true, true, ConvertQuestion(2), ConvertedText(2), "SMITH|Brown|Cole"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.filtered << c.yes);
    dialogs_.calls.clear();
    dialogs_.questionAnswers = {c.yes};
    OpenTable(people, FilterQuery(c.filtered ? QStringLiteral("CITY=\"Troy\"") : QString()));
    TConvertToUpper w(&f_.table, c.filtered);
    (c.filtered ? w.rFilterRecords : w.rAllRecords)->setChecked(true);
    w.ConvertButton->click();
    EXPECT_EQ(dialogs_.textsOf("question"), QStringList{c.question});
    EXPECT_EQ(dialogs_.notices(), c.notice.isEmpty() ? QStringList() : QStringList{c.notice});
    EXPECT_EQ(w.result(), c.yes ? QDialog::Accepted : 0);
    EXPECT_EQ(f_.texts({{1, "LNAME"}, {2, "LNAME"}, {5, "LNAME"}}), c.lnames);
  }
}

TEST_F(CleanupWindowTest, SearchAndReplaceAsksBeforeItRewrites) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "yes" : "no");
    dialogs_.calls.clear();
    OpenTable(kPeople);
    TSearchAndReplace w(&f_.table, false);
    EXPECT_FALSE(w.ReplaceFilter->isEnabled());
    w.TargetField->setCurrentIndex(w.FieldNames.indexOf(QStringLiteral("CITY")));
    w.FindValue->setText(QStringLiteral("Troy"));
    w.ReplaceValue->setText(QStringLiteral("Troy Hills"));
    dialogs_.questionAnswers = {yes};
    w.Doit->click();
    EXPECT_EQ(dialogs_.textsOf("question"), QStringList{ReplaceQuestion(w.options(), w.TargetField->currentText())});
    EXPECT_EQ(dialogs_.notices(), yes ? QStringList{ReplacedText(2)} : QStringList());
    EXPECT_EQ(w.result(), yes ? QDialog::Accepted : 0);
    EXPECT_EQ(f_.texts({{3, "CITY"}, {2, "CITY"}}), yes ? "Troy Hills|Albany" : "Troy|Albany");
  }
}

// Nothing is chosen at first and Delete Now waits for a choice; then the
// counted question (No the default) decides.
TEST_F(CleanupWindowTest, DeleteRecordsFollowsTheChosenScopeAfterItsQuestion) {
  const QString troy = QStringLiteral("CITY=\"Troy\"");
  const struct {
    QString filter;
    int choice;  // 0 none, 1 all, 2 filter, 3 not filter
    bool yes;
    int asked;  // the N of "Delete N records?", 0 for no question
    std::vector<uint32_t> deleted;
  } cases[] = {
      {QString(), 0, true, 0, {}},
      {QString(), 1, true, 5, {1, 2, 3, 4, 5}},
      {troy, 1, false, 5, {}},
      {troy, 2, true, 2, {1, 3}},
      {troy, 3, true, 3, {2, 4, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.filter.toStdString() << " " << c.choice);
    dialogs_.calls.clear();
    dialogs_.questionAnswers = {c.yes};
    OpenTable(kPeople, c.filter);
    TDeleteRecords w(&f_.table, c.filter);
    EXPECT_EQ(std::pair(w.DeleteFilter->isEnabled(), w.DeleteNotFilter->isEnabled()),
              std::pair(!c.filter.isEmpty(), !c.filter.isEmpty()));
    EXPECT_FALSE(w.Doit->isEnabled());
    QRadioButton* choices[] = {nullptr, w.DeleteAll, w.DeleteFilter, w.DeleteNotFilter};
    if (c.choice > 0) choices[c.choice]->setChecked(true);
    EXPECT_EQ(w.Doit->isEnabled(), c.choice > 0);
    w.Doit->click();
    EXPECT_EQ(dialogs_.textsOf("question"),
              c.asked > 0 ? QStringList{DeleteQuestion(c.asked)} : QStringList());
    const QStringList notices = c.deleted.empty()
        ? QStringList()
        : QStringList{DeletedText(static_cast<int>(c.deleted.size())), RebuildAdviceMessage()};
    EXPECT_EQ(dialogs_.notices(), notices);
    EXPECT_EQ(w.result(), c.deleted.empty() ? 0 : QDialog::Accepted);
    ASSERT_TRUE(f_.table.close());
    std::vector<uint32_t> flagged;
    for (uint32_t recno = 1; recno <= kPeople.size(); ++recno) {
      if (f_.flagged(recno)) flagged.push_back(recno);
    }
    EXPECT_EQ(flagged, c.deleted);
  }
  EXPECT_TRUE(RebuildAdviceMessage().endsWith(QStringLiteral("from the [File] menu")));
}

// Records deleted here (marker and flag), flagged elsewhere (flag alone) or
// marked by hand (marker alone, any case) come back when in scope.
TEST_F(CleanupWindowTest, RecallGivesBackFlaggedAndMarkedRecordsOfItsScope) {
  std::vector<Contact> people = kPeople;
  people[0].fields["PREFIX"] = "DELETED", people[0].flagged = true;  // Troy
  people[1].flagged = true;                                          // Albany
  people[2].flagged = true;                                          // Troy
  people[3].fields["PREFIX"] = "deleted";                            // Boston
  people[4].fields["PREFIX"] = "Dr.";
  const struct {
    bool filtered;
    int current;  // the deleted record the main window shows, or 0
    int recalled;
    std::string prefixes, flags;  // records 1..5 afterwards
  } cases[] = {
      {false, 0, 4, "||||Dr.", "||||"},
      {true, 0, 2, "|||deleted|Dr.", "|*|||"},  // Troy alone
      {true, 4, 1, "DELETED||||Dr.", "*|*|*||"},  // Boston alone, the choice made
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.current);
    dialogs_.calls.clear();
    const QString filter = c.filtered ? QStringLiteral("CITY=\"Troy\"") : QString();
    OpenTable(people, filter);
    TRecallRecords w(&f_.table, filter, c.current);
    EXPECT_EQ(std::tuple(w.RecallFilter->isEnabled(), w.RecallCurrent->isEnabled(),
                         w.RecallCurrent->isChecked()),
              std::tuple(c.filtered, c.current > 0, c.current > 0));
    if (c.current == 0) w.RecallFilter->setChecked(c.filtered);
    w.Doit->click();
    EXPECT_EQ(dialogs_.notices(), QStringList{RecalledText(c.recalled)});
    std::string prefixes, flags;
    for (uint32_t recno = 1; recno <= 5; ++recno) {
      const std::string sep = recno > 1 ? "|" : "";
      prefixes += sep + f_.text(recno, "PREFIX");
      flags += sep + f_.text(recno, "*");
    }
    EXPECT_EQ(std::pair(prefixes, flags), std::pair(c.prefixes, c.flags));
  }
}

// ---- through the main window's Utilities menu ----

class CleanupCommandTest : public CleanupWindowTest {
 protected:
  void SetUp() override {
    CleanupWindowTest::SetUp();
    qputenv("QUORVANE_HOME", f_.dir().toLocal8Bit());
    ASSERT_TRUE(InstallSupportTables(f_.dir()).isEmpty());
    ASSERT_TRUE(f_.write(kPeople));
  }
  void TearDown() override {
    main_.reset();
    qunsetenv("QUORVANE_HOME");
    CleanupWindowTest::TearDown();
  }
  std::unique_ptr<TQVPMain> main_;
};

TEST_F(CleanupCommandTest, EveryUtilityLeavesQueryOrderAndRecordAsTheyWere) {
  const struct {
    const char* name;
    void (TQVPMain::*command)();
    std::function<void(QDialog&)> run;
    QString workIndex;
    DBEdit* TQVPMain::*box;  // a box of the main window and what it shows afterwards
    QString shown;
  } cases[] = {
      {"duplicates", &TQVPMain::mnuDupCheckClick,
       [](QDialog& d) { static_cast<TDupCheck&>(d).CheckitButton->click(); }, DupIndexFileName(),
       &TQVPMain::DBLName, "SMITH"},
      // The state check runs through the same exclusive path as duplicates.
      {"uppercase", &TQVPMain::mnuConvertUpperClick,
       [this](QDialog& d) {
         auto& w = static_cast<TConvertToUpper&>(d);
         w.rAllRecords->setChecked(true);
         dialogs_.questionAnswers = {true};
         w.ConvertButton->click();
       },
       QString(), &TQVPMain::DBStreet, "9 ELM RD"},
      // Delete runs through the same filter-alone path as replace.
      {"replace", &TQVPMain::mnuSearchReplaceClick,
       [this](QDialog& d) {
         auto& w = static_cast<TSearchAndReplace&>(d);
         w.FindPartial->setChecked(true);
         w.CaseSensitive->setChecked(false);
         w.FindValue->setText(QStringLiteral("smi"));
         w.ReplacePartial->setChecked(true);
         w.ReplaceValue->setText(QStringLiteral("Sch"));
         dialogs_.questionAnswers = {true};
         w.Doit->click();
       },
       QString(), &TQVPMain::DBLName, "SchTH"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(f_.write(kPeople));
    main_ = std::make_unique<TQVPMain>();
    TQVPMain& m = *main_;
    ASSERT_TRUE(m.OpenQVWDBF(f_.path()));
    m.FilterButtonClick();
    const int cityBox = FilterFieldExpressions().indexOf(QStringLiteral("CITY+STATE"));
    ASSERT_GE(cityBox, 0);
    m.FilterBoxes[cityBox]->setText(QStringLiteral("Troy"));
    m.qSetFilterButtonClick();
    m.MainButtonClick();
    m.SetCurrentOrder(QStringLiteral("ZIP"));
    ASSERT_TRUE(m.TableQVW->last());  // record 3, ZIP 99999
    const QString query = m.Apollo1.DBFilter();
    const int order = m.Apollo1.IndexOrd();
    ASSERT_FALSE(query.isEmpty());
    ASSERT_EQ(m.Apollo1.RecNo(), 3);
    bool ran = false;
    m.RunCleanupWindow = [&](QDialog& d) {
      c.run(d);
      EXPECT_TRUE(c.workIndex.isEmpty() || QFile::exists(f_.dir() + c.workIndex));
      ran = true;
    };
    (m.*c.command)();
    EXPECT_TRUE(ran);
    EXPECT_EQ(std::tuple(m.Apollo1.DBFilter(), m.Apollo1.IndexOrd(), m.Apollo1.RecNo()),
              std::tuple(query, order, 3));
    EXPECT_EQ((m.*c.box)->text().trimmed(), c.shown);
    EXPECT_TRUE(c.workIndex.isEmpty() || !QFile::exists(f_.dir() + c.workIndex));
    main_.reset();
  }
}

// A record saved with the prefix DELETED stays on screen until the user
// moves on; Recall offers it alone, chosen, and gives it back.
TEST_F(CleanupCommandTest, TheDeletedRecordOnScreenIsRecalledAlone) {
  main_ = std::make_unique<TQVPMain>();
  TQVPMain& m = *main_;
  ASSERT_TRUE(m.OpenQVWDBF(f_.path()));
  const int shown = m.Apollo1.RecNo();
  for (const bool deleted : {false, true}) {
    SCOPED_TRACE(deleted);
    if (deleted) {
      m.EditButtonClick();
      ASSERT_TRUE(m.TableQVW->setFieldText(QStringLiteral("PREFIX"), QStringLiteral("Deleted")));
      m.SaveButtonClick();
      ASSERT_EQ(m.Apollo1.RecNo(), shown);
    }
    dialogs_.calls.clear();
    m.RunCleanupWindow = [&](QDialog& d) {
      auto& w = static_cast<TRecallRecords&>(d);
      EXPECT_EQ(std::pair(w.RecallCurrent->isEnabled(), w.RecallCurrent->isChecked()),
                std::pair(deleted, deleted));
      w.Doit->click();
    };
    m.mnuRecallRecordsClick();
    EXPECT_EQ(dialogs_.notices(), QStringList{RecalledText(deleted ? 1 : 0)});
  }
  EXPECT_EQ(std::pair(m.Apollo1.RecNo(), m.DBPrefix->text().trimmed()), std::pair(shown, QString()));
}

}  // namespace
}  // namespace qv::testing
