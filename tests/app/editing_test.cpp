// Record editing on the Main page: Add with and without the "New Record"
// prompts, city and state from a ZIP, the duplicate warning, the carried
// fields and the default country, the date box, Delete and the memo search.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/db_controls.h"
#include "app/edit_dialogs.h"
#include "app_fixture.h"
#include "store/table_grid_model.h"
#include "table_walk.h"

namespace qv::testing {
namespace {

const Contact kAnn = {{"LNAME", "Archer"},    {"FNAME", "Ann"},   {"ORG", "Acme"},
                      {"STREET", "9 Elm St"}, {"CITY", "Boston"}, {"STATE", "MA"},
                      {"ZIP", "02110"},       {"COUNTRY", "USA"}, {"MEMO", "Likes gold pens"}};
const Contact kJohn = {{"LNAME", "Smith"},     {"FNAME", "John"},  {"STREET", "1 Main St"},
                       {"CITY", "Denver"},     {"STATE", "CO"},    {"ZIP", "80202-1234"},
                       {"DATE", "03/04/2020"}, {"MEMO", "no pens"}};
const Contact kCy = {{"LNAME", "Cole"}, {"FNAME", "Cy"}, {"MEMO", "GOLDEN retriever"}};

class EditingTest : public AppTest {
 protected:
  TQVPMain& StartOn(const QList<Contact>& contacts, const AddingSettings& adding) {
    TQVPMain& m = OpenOn(contacts);
    m.ApplyFilter();
    m.setAddingRules(adding);
    EXPECT_TRUE(m.TableQVW->first());
    dialogs_->clear();
    return m;
  }
  static QString F(TQVPMain& m, const char* field) {
    return m.TableQVW->fieldText(QString::fromLatin1(field));
  }
  static QStringList Fields(TQVPMain& m, const QStringList& names) {
    QStringList out;
    for (const QString& n : names) out << m.TableQVW->fieldText(n);
    return out;
  }
  static bool Inserting(TQVPMain& m) { return m.TableQVW->state() == TableObject::State::Insert; }
};

AddingSettings CarryAll() {
  AddingSettings a;
  a.carryOrg = a.carryStreet = a.carryCity = a.carryState = a.carryZip = a.carryCountry = true;
  return a;
}

TEST_F(EditingTest, AddWithoutPromptsCarriesWhatIsAskedFor) {
  struct Case {
    const char* name;
    AddingSettings adding;
    QStringList want;  // ORG STREET CITY STATE ZIP COUNTRY
  };
  AddingSettings countryOnly;
  countryOnly.carryCountry = true;
  AddingSettings defaultOnly;  // Ann's country is not carried, so no default either
  defaultOnly.defaultCountry = QStringLiteral("Canada");
  const QList<Case> cases = {
      {"everything carried", CarryAll(), {"Acme", "9 Elm St", "Boston", "MA", "02110", "USA"}},
      {"country only", countryOnly, {"", "", "", "", "", "USA"}},
      {"default country with a carried one", defaultOnly, {"", "", "", "", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TQVPMain& m = StartOn({kAnn}, c.adding);
    QWidget* shown = nullptr;
    QTimer::singleShot(0, [&shown] {
      if ((shown = QApplication::activeModalWidget())) shown->close();
    });
    m.AddButtonClick();
    ASSERT_TRUE(Inserting(m));
    QApplication::processEvents();
    EXPECT_EQ(shown, nullptr);
    EXPECT_EQ(Fields(m, {"ORG", "STREET", "CITY", "STATE", "ZIP", "COUNTRY"}), c.want);
    EXPECT_TRUE(F(m, "DATE").isEmpty());
    EXPECT_EQ(m.focusWidget(), m.DBLName);
    m.CancelButtonClick();
    main_.reset();
  }
}

TEST_F(EditingTest, EmptyFileCarriesNothingButTheDefaultCountryForAnyInsert) {
  AddingSettings adding = CarryAll();
  adding.defaultCountry = QStringLiteral("Canada");
  adding.plugDate = true;
  TQVPMain& m = StartOn({}, adding);
  m.AddButtonClick();
  ASSERT_TRUE(Inserting(m));
  EXPECT_EQ(Fields(m, {"ORG", "STREET", "CITY", "ZIP", "COUNTRY"}),
            (QStringList{"", "", "", "", "Canada"}));
  EXPECT_EQ(m.TableQVW->fieldDate(QStringLiteral("DATE")), QDate::currentDate());
  EXPECT_TRUE(m.TableQVW->setFieldText(QStringLiteral("LNAME"), QStringLiteral("First")));
  m.SaveButtonClick();
  // An insert from anywhere, not only Add, follows the same rules.
  m.TableQVW->insert();
  EXPECT_EQ(F(m, "COUNTRY"), QStringLiteral("Canada"));
  EXPECT_EQ(m.TableQVW->fieldDate(QStringLiteral("DATE")), QDate::currentDate());
  m.TableQVW->cancel();
}

TEST_F(EditingTest, ZipPromptFillsCityAndStateAndCancelAddsNothing) {
  AddingSettings adding;
  adding.plugCityState = true;
  TQVPMain& m = StartOn({kAnn, kJohn}, adding);
  bool layoutOk = false;
  WhenShown<TGetFirstLastZip>([&layoutOk](TGetFirstLastZip* d) {
    // Alone, the ZIP prompt sits where the last name would.
    layoutOk = d->LastNameEdit->isHidden() && d->FirstNameEdit->isHidden() &&
               !d->ZipEdit->isHidden() && d->ZipEdit->y() == d->LastNameEdit->y();
    d->ZipEdit->setText(QStringLiteral("80202"));
    QTest::keyClick(d->ZipEdit, Qt::Key_PageDown);
  });
  m.AddButtonClick();
  EXPECT_TRUE(layoutOk);
  ASSERT_TRUE(Inserting(m));
  EXPECT_EQ(Fields(m, {"ZIP", "CITY", "STATE"}), (QStringList{"80202", "Denver", "CO"}));
  m.CancelButtonClick();

  adding.autoDupCheck = true;
  m.setAddingRules(adding);
  WhenShown<TGetFirstLastZip>([](TGetFirstLastZip* d) {
    EXPECT_FALSE(d->LastNameEdit->isHidden());
    EXPECT_FALSE(d->ZipEdit->isHidden());
    d->CancelButton->click();
  });
  m.AddButtonClick();
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Browse);
  EXPECT_EQ(m.TableQVW->recordCount(), 2);
}

TEST_F(EditingTest, DuplicateDifferingOnlyInCase) {
  AddingSettings adding;
  adding.autoDupCheck = true;
  const QString question = QStringLiteral(
      "Possible duplicate: \r\n\r\nJohn Smith\r\n1 Main St\r\nDenver,CO 80202-1234\r\n\r\n"
      "Continue adding?");
  for (const bool goOn : {false, true}) {
    SCOPED_TRACE(goOn ? "continue" : "stop");
    TQVPMain& m = StartOn({kAnn, kJohn}, adding);
    ASSERT_EQ(F(m, "LNAME"), QStringLiteral("Archer"));
    dialogs_->questionAnswers = {goOn};
    WhenShown<TGetFirstLastZip>([](TGetFirstLastZip* d) {
      EXPECT_TRUE(d->ZipEdit->isHidden());
      d->LastNameEdit->setText(QStringLiteral("SMITH"));
      d->FirstNameEdit->setText(QStringLiteral("john"));
      d->OkButton->click();
    });
    m.AddButtonClick();
    ASSERT_EQ(dialogs_->questions().size(), 1);
    EXPECT_EQ(dialogs_->questions()[0].caption + ": " + dialogs_->questions()[0].text,
              "Possible Duplicate: " + question);
    EXPECT_FALSE(m.ApolloEnv1.Exact());
    if (goOn) {
      ASSERT_TRUE(Inserting(m));
      EXPECT_EQ(F(m, "FNAME"), QStringLiteral("john"));
      EXPECT_EQ(m.focusWidget(), m.DBMiddle);
      m.CancelButtonClick();
    } else {
      // No: nothing added, the duplicate shown.
      EXPECT_EQ(m.TableQVW->state(), TableObject::State::Browse);
      EXPECT_EQ(F(m, "FNAME"), QStringLiteral("John"));
    }
    EXPECT_EQ(m.TableQVW->recordCount(), 2);
    main_.reset();
    dialogs_->clear();
  }
}

TEST_F(EditingTest, BlankingAndRestoringTheDate) {
  TQVPMain& m = StartOn({kJohn}, AddingSettings());
  m.show();
  QApplication::setActiveWindow(&m);
  m.EditButtonClick();
  m.DBDate->setFocus();
  QApplication::processEvents();
  m.DateEnter();  // as on entering the box, whether or not the platform gave focus
  // Changed in the box, then blanked: Ctrl+Z goes back to the date the box
  // was entered with, not one step.
  EXPECT_TRUE(m.TableQVW->setFieldText(QStringLiteral("DATE"), QStringLiteral("05/06/2021")));
  ASSERT_EQ(DigitsOnly(m.DBDate->text()), QStringLiteral("05062021"));
  m.DBDate->selectAll();
  QTest::keyClick(m.DBDate, Qt::Key_Delete);
  EXPECT_FALSE(m.TableQVW->fieldDate(QStringLiteral("DATE")).isValid());
  QTest::keyClick(m.DBDate, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(m.TableQVW->fieldDate(QStringLiteral("DATE")), QDate(2020, 3, 4));
  EXPECT_EQ(DigitsOnly(m.DBDate->text()), QStringLiteral("03042020"));
  // A date that is no date is refused on Save, the edit kept open with the
  // text as typed; put right, it saves.
  for (const char* typed : {"13/45/2024", "02/3_/____"}) {
    m.DBDate->setText(QString::fromLatin1(typed));
    dialogs_->clear();
    m.SaveButtonClick();
    EXPECT_EQ(
        dialogs_->notices(),
        QStringList({QStringLiteral("Invalid date. Must be in the format:") + m.shortDateFormat()}))
        << typed;
    EXPECT_EQ(m.TableQVW->state(), TableObject::State::Edit) << typed;
    EXPECT_EQ(DigitsOnly(m.DBDate->text()), DigitsOnly(QString::fromLatin1(typed))) << typed;
  }
  m.DBDate->selectAll();
  QTest::keyClick(m.DBDate, Qt::Key_Delete);
  m.DBDate->home(false);
  QTest::keyClicks(m.DBDate, QStringLiteral("12252024"));
  m.SaveButtonClick();
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Browse);
  EXPECT_EQ(m.TableQVW->fieldDate(QStringLiteral("DATE")), QDate(2024, 12, 25));
}

TEST_F(EditingTest, DeleteHidesTheRecordEverywhere) {
  TQVPMain& m = StartOn({kAnn, kJohn, kCy}, AddingSettings());
  m.RecordNextClick();
  ASSERT_EQ(F(m, "LNAME"), QStringLiteral("Cole"));
  dialogs_->questionAnswers = {false};
  m.DeleteButtonClick();
  EXPECT_EQ(qv::testing::CountOf(m.Apollo1), 3);
  dialogs_->questionAnswers = {true};
  m.DeleteButtonClick();
  // How the record is marked is the Browse page's test, which deletes the same way.
  EXPECT_EQ(dialogs_->textsOf("question"), QStringList(2, "Delete this record?"));
  EXPECT_EQ(qv::testing::CountOf(m.Apollo1), 2);
  m.BrowseButtonClick();
  EXPECT_EQ(m.GridModel->rowCount(), 2);
}

TEST_F(EditingTest, MemoSearchFindsNextAndBeepsWhenDone) {
  TQVPMain& m = StartOn({kAnn, kJohn, kCy}, AddingSettings());
  m.SetMenuOrder(m.OrderItems[0]);
  EXPECT_TRUE(m.TableQVW->last());  // Smith
  dialogs_->textAnswers = {QStringLiteral("gold")};
  m.SearchMemoButtonClick();
  const auto prompts = dialogs_->callsOf(QStringLiteral("inputText"));
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].caption + ": " + prompts[0].text, QStringLiteral("Memo Search: Search For"));
  EXPECT_EQ(F(m, "LNAME"), QStringLiteral("Archer"));
  EXPECT_FALSE(m.SearchMemoNextButton->isHidden());
  m.SearchMemoNextButtonClick();
  EXPECT_EQ(F(m, "LNAME"), QStringLiteral("Cole"));  // upper case in the memo
  EXPECT_EQ(dialogs_->beeps(), 0);
  m.SearchMemoNextButtonClick();
  EXPECT_EQ(F(m, "LNAME"), QStringLiteral("Cole"));  // nothing after: stays
  EXPECT_EQ(dialogs_->beeps(), 1);
  EXPECT_TRUE(m.SearchMemoNextButton->isHidden());
}

}  // namespace
}  // namespace qv::testing
