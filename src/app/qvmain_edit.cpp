// Record editing on the main window's Main page: adding with the "New
// Record" prompts, the duplicate warning, city and state from another
// contact's ZIP code and the fields carried from the record shown; the
// insert events; deleting with the deleted marker; the date box; and the
// search through the memos.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/db_controls.h"
#include "app/edit_dialogs.h"
#include "app/qvmain.h"
#include "app/shared.h"
#include "store/filter_text.h"
#include "store/memo_search.h"
#include "store/messages.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

// A new record takes whatever the adding settings carry into it: character
// fields and a date in edit or insert state are always taken.
void Carry(TableObject& table, const QString& field, const QString& value) {
  (void)table.setFieldText(field, value);
}
void CarryDate(TableObject& table, const QDate& date) {
  (void)table.setFieldDate(QStringLiteral("DATE"), date);
}

// The LNAME tag's key is UPPER(LNAME)+UPPER(FNAME): two 30-character fields.
constexpr int kNameWidth = 30;

}  // namespace

// ---- adding -------------------------------------------------------------------

void TQVPMain::TableQVWBeforeInsert() {
  // The record shown, if any, gives the values an insert may carry.
  const bool shown = TableQVW->active() && !TableQVW->isEmpty() && !TableQVW->eof() &&
                     TableQVW->state() == TableObject::State::Browse;
  auto value = [&](const char* field) {
    return shown ? TableQVW->fieldText(QString::fromLatin1(field)) : QString();
  };
  CarryOrg = value("ORG");
  CarryStreet = value("STREET");
  CarryCity = value("CITY");
  CarryState = value("STATE");
  CarryZip = value("ZIP");
  CarryCountry = value("COUNTRY");
}

void TQVPMain::TableQVWAfterInsert() {
  if (!TrackTableEvents) return;
  if (Adding.carryZip) Carry(*TableQVW, QStringLiteral("ZIP"), CarryZip);
  if (Adding.carryCity) Carry(*TableQVW, QStringLiteral("CITY"), CarryCity);
  if (Adding.carryState) Carry(*TableQVW, QStringLiteral("STATE"), CarryState);
  if (Adding.carryStreet) Carry(*TableQVW, QStringLiteral("STREET"), CarryStreet);
  if (Adding.carryCountry) Carry(*TableQVW, QStringLiteral("COUNTRY"), CarryCountry);
  // The default country stands in for a carried one that is empty.
  if (CarryCountry.isEmpty() && !Adding.defaultCountry.isEmpty()) {
    Carry(*TableQVW, QStringLiteral("COUNTRY"), Adding.defaultCountry);
  }
  if (Adding.plugDate) CarryDate(*TableQVW, QDate::currentDate());
  if (Adding.carryOrg) Carry(*TableQVW, QStringLiteral("ORG"), CarryOrg);
  SetButtons();
  DBLName->setFocus();
}

void TQVPMain::AddButtonClick() {
  if (m_page != Page::Main || !TableQVW->active() || IsEditing) return;
  QString zip, lastName, firstName;
  if (Adding.plugCityState || Adding.autoDupCheck) {
    TGetFirstLastZip prompts(Adding.autoDupCheck, Adding.plugCityState, this);
    CenterOnMainWindow(&prompts);
    if (prompts.exec() != QDialog::Accepted) return;
    if (Adding.plugCityState) zip = prompts.ZipEdit->text().trimmed();
    if (Adding.autoDupCheck) {
      lastName = prompts.LastNameEdit->text().trimmed();
      firstName = prompts.FirstNameEdit->text().trimmed();
    }
  }
  QString city, state;
  if (!zip.isEmpty()) FillCityState(zip, city, state);
  if (!CheckDupName(firstName, lastName)) {
    SetButtons();
    return;
  }

  // The insert events carry the fields from the record shown; what was
  // typed or looked up goes over them.
  TableQVW->insert();
  const struct {
    const char* field;
    const QString& value;
  } typed[] = {{"FNAME", firstName}, {"LNAME", lastName}, {"ZIP", zip},
               {"CITY", city},       {"STATE", state}};
  for (const auto& t : typed) {
    if (!t.value.isEmpty()) Carry(*TableQVW, QString::fromLatin1(t.field), t.value);
  }
  SetButtons();
  if (TableQVW->fieldText(QStringLiteral("LNAME")).isEmpty()) {
    DBLName->setFocus();
  } else if (TableQVW->fieldText(QStringLiteral("FNAME")).isEmpty()) {
    DBFName->setFocus();
  } else {
    DBMiddle->setFocus();
  }
}

bool TQVPMain::CheckDupName(const QString& firstName, const QString& lastName) {
  if (firstName.isEmpty() || lastName.isEmpty()) return true;
  const int start = Apollo1.RecNo();
  const int order = Apollo1.IndexOrd();
  const bool exact = ApolloEnv1.Exact();
  const QString key =
      XbaseUpper(lastName.leftJustified(kNameWidth, QLatin1Char(' '), true) +
                 firstName.leftJustified(kNameWidth, QLatin1Char(' '), true));
  Apollo1.SetOrder(Apollo1.TagArea(QStringLiteral("LNAME")));
  ApolloEnv1.SetExact(true);
  bool goOn = true;
  int found = 0;
  if (Apollo1.Seek(key)) {
    found = Apollo1.RecNo();
    Dialogs().beep();
    const QString text = QStringLiteral("Possible duplicate: \r\n\r\n") +
                         TableQVW->fieldText(QStringLiteral("FNAME")) + QLatin1Char(' ') +
                         TableQVW->fieldText(QStringLiteral("LNAME")) + QStringLiteral("\r\n") +
                         TableQVW->fieldText(QStringLiteral("STREET")) + QStringLiteral("\r\n") +
                         TableQVW->fieldText(QStringLiteral("CITY")) + QLatin1Char(',') +
                         TableQVW->fieldText(QStringLiteral("STATE")) + QLatin1Char(' ') +
                         TableQVW->fieldText(QStringLiteral("ZIP")) + QStringLiteral("\r\n\r\n") +
                         QStringLiteral("Continue adding?");
    goOn = Dialogs().titledQuestion(this, QStringLiteral("Possible Duplicate"), text, false);
  }
  ApolloEnv1.SetExact(exact);
  Apollo1.SetOrder(order);
  ReturnToRecord(goOn ? start : found);
  return goOn;
}

void TQVPMain::FillCityState(const QString& zip, QString& city, QString& state) {
  const int start = Apollo1.RecNo();
  const int order = Apollo1.IndexOrd();
  const bool exact = ApolloEnv1.Exact();
  Apollo1.SetOrder(Apollo1.TagArea(QStringLiteral("ZIP")));
  // Exact off: "80202" finds a stored "80202-1234".
  ApolloEnv1.SetExact(false);
  if (Apollo1.Seek(XbaseUpper(zip))) {
    city = TableQVW->fieldText(QStringLiteral("CITY"));
    state = TableQVW->fieldText(QStringLiteral("STATE"));
  }
  ApolloEnv1.SetExact(exact);
  Apollo1.SetOrder(order);
  ReturnToRecord(start);
}

// ---- deleting -----------------------------------------------------------------

void TQVPMain::DeleteButtonClick() {
  if (m_page == Page::Main) DeleteCurrentRecord(QStringLiteral("Delete this record?"));
}

// ---- the date box -------------------------------------------------------------

void TQVPMain::DateEnter() {
  if (IsEditing) SavedDate = TableQVW->fieldDate(QStringLiteral("DATE"));
}

void TQVPMain::DateChange(const QString& text) {
  if (!IsEditing) return;
  // The mask with nothing typed: the date becomes empty.
  if (text == BlankDate || DigitsOnly(text).isEmpty()) CarryDate(*TableQVW, QDate());
}

bool TQVPMain::DateKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  if (!IsEditing) return false;
  const bool undo = key == Qt::Key_Z && (modifiers & Qt::ControlModifier);
  if (!undo && key != Qt::Key_Escape) return false;
  CarryDate(*TableQVW, SavedDate);
  DBDate->load();
  return true;
}

void TQVPMain::DateDblClick() { EditFieldClick(); }

// ---- the memo search ----------------------------------------------------------

void TQVPMain::SearchMemoButtonClick() {
  QString text = MemoSearchText;
  if (!Dialogs().inputText(this, QStringLiteral("Memo Search"), QStringLiteral("Search For"),
                           &text)) {
    return;
  }
  MemoFound = false;
  MemoSearchText = text;
  FindTextInMemo(true);
  SearchMemoNextButton->setVisible(MemoFound);
}

void TQVPMain::SearchMemoNextButtonClick() {
  FindTextInMemo(false);
  SearchMemoNextButton->setVisible(MemoFound);
}

void TQVPMain::FindTextInMemo(bool fromStart) {
  if (!TableQVW->active()) return;
  TQVWSearching searching(MemoSearchText, this);
  CenterOnMainWindow(&searching);
  searching.setModal(true);
  searching.show();
  QApplication::processEvents();

  TableQVW->disableControls();
  const MemoSearchOutcome outcome =
      qv::FindTextInMemo(*TableQVW, Apollo1, MemoSearchText, fromStart, [&searching] {
        // The window stays alive: its Cancel is read after every record.
        QApplication::processEvents();
        return searching.Cancelled;
      });
  MemoFound = outcome == MemoSearchOutcome::Found;
  TableQVW->enableControls();
  searching.close();
  if (outcome == MemoSearchOutcome::Failed) {
    Messages().information(TableQVW->failureMessage());
  } else if (!MemoFound) {
    Dialogs().beep();
  }
  SetButtons();
}

}  // namespace qv
