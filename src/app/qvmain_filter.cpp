// The main window's search in the current order, the Filter page ("Set
// &Now", "C&lear", the match count and the filter indicator) and Count
// Records. The conditions themselves come from store/filter_text.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/edit_dialogs.h"
#include "app/qvmain.h"
#include "app/shared.h"
#include "store/dates.h"
#include "store/filter_text.h"
#include "store/table_object.h"

namespace qv {

// ---- search -------------------------------------------------------------------

void TQVPMain::SearchButtonClick() {
  if (!TableQVW->active() || IsEditing) return;
  QString caption, tag;
  for (QAction* item : OrderItems) {
    if (item->isChecked()) {
      caption = item->text().mid(1, 30);
      tag = item->data().toString();
    }
  }
  const bool dateOrder = tag == QLatin1String("DATE");

  TSearchBox box(this);
  box.SearchLabel->setText(QStringLiteral("Search for ") + caption);
  box.DateFormatLabel->setVisible(dateOrder);
  if (dateOrder) box.DateFormatLabel->setText(ShortDateFmt);
  CenterOnMainWindow(&box);
  if (box.exec() != QDialog::Accepted) return;
  const QString text = box.SearchEdit->text();
  if (text.isEmpty()) return;

  QString key;
  if (dateOrder) {
    QDate date;
    if (!ParseDate(text, &date)) {
      ShowInformation(QStringLiteral("Invalid date entered"));
      return;
    }
    key = QString::asprintf("%04d%02d%02d", date.year(), date.month(), date.day());
  } else {
    // The order keys are in capitals; with Exact off the typed text finds
    // the first key that begins with it.
    key = XbaseUpper(text);
  }
  ApolloEnv1.SetExact(false);
  ApolloEnv1.SetSoftSeek(true);
  const int start = Apollo1.RecNo();
  if (!Apollo1.Seek(key)) ReturnToRecord(start);
  ApolloEnv1.SetSoftSeek(false);
  SetButtons();
}

// ---- filter -------------------------------------------------------------------

void TQVPMain::BuildFilterExpression() {
  QStringList texts;
  for (QLineEdit* box : FilterBoxes) texts << box->text();
  const FilterExpression built = ::qv::BuildFilterExpression(texts);
  if (built.invalidDate) {
    ShowInformation(QStringLiteral("Invalid date. Must be in the format:") + ShortDateFmt);
  }
  CurrentFilter = built.condition;
}

int TQVPMain::ApplyFilter() {
  BuildFilterExpression();
  if (CurrentFilter.isEmpty()) {
    SetQuery(kNotDeletedCondition);
    return 0;
  }
  if (!FilterTooComplex(CurrentFilter)) {
    int count = 0;
    if (Apollo1.Query(FilterQuery(CurrentFilter)) && Apollo1.QueryRecCount(&count)) return count;
    // A condition the engine refuses, or one failing on a record, is said
    // so, not shown as no match.
    ShowInformation(QStringLiteral("This filter cannot be used: ") + Apollo1.LastError());
    CurrentFilter.clear();
    SetQuery(kNotDeletedCondition);
    return 0;
  }
  ShowInformation(QStringLiteral("Sorry - filter is too complex.Please simplify it."));
  SetQuery(kNotDeletedCondition);
  return 0;
}

void TQVPMain::qSetFilterButtonClick() {
  if (m_page != Page::Filter || !TableQVW->active()) return;
  CurrentFilter.clear();
  qMatchCount->setText(QStringLiteral("Searching..."));
  qMatchCount->repaint();
  const int count = ApplyFilter();
  if (!CurrentFilter.isEmpty()) {
    qMatchCount->setText(QString::number(count) + QStringLiteral(" matches"));
  } else {
    int all = 0;
    qMatchCount->setText(CountQueryRecords(&all)
                             ? QString::number(all) + QStringLiteral(" matches (all records)")
                             : QString());
  }
  // A filter that matches nothing is no filter; its query stays in force.
  if (count == 0) CurrentFilter.clear();
  FilterIndicator->setVisible(!CurrentFilter.isEmpty());
  if (!TableQVW->first()) ShowInformation(TableQVW->failureMessage());
  SetButtons();
}

void TQVPMain::qClearButtonClick() {
  if (m_page != Page::Filter) return;
  for (QLineEdit* box : FilterBoxes) box->clear();
  qSetFilterButtonClick();
}

// ---- Count Records ---------------------------------------------------------------

void TQVPMain::CountRecords1Click() {
  if (!TableQVW->active()) return;
  int records = 0;
  if (!CountQueryRecords(&records)) return;
  const QString count = QString::number(records);
  if (CurrentFilter.isEmpty()) {
    ShowInformation(QStringLiteral("There are ") + count + QStringLiteral(" records"));
  } else {
    ShowInformation(QStringLiteral("There are ") + count +
                    QStringLiteral(" records which match the current filter"));
  }
}

}  // namespace qv
