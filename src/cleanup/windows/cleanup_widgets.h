// Pieces the data-quality windows share: the help topics, Help and F1, the
// record navigator under a grid, keeping a grid's current row and the
// table's current record together, and the frame of the two check windows.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <initializer_list>

#include "cleanup/progress.h"

#include "ui/qt_classes.h"

namespace qv {

class TableGridModel;
class TableObject;

// Help topics of the windows (pages under data/help/).
constexpr int kTopicDupCheck = 1080;
constexpr int kTopicStateZip = 1081;
constexpr int kTopicUpper = 1082;
constexpr int kTopicReplace = 1083;
constexpr int kTopicDeleteRecords = 1084;
constexpr int kTopicRecallRecords = 1085;

// A "Help" button that opens `topic`; F1 anywhere in `window` does too.
QPushButton* MakeHelpButton(QDialog* window, int topic);

// First, prior, next and last over `grid`'s rows.
struct Navigator {
  QToolButton* first;
  QToolButton* prior;
  QToolButton* next;
  QToolButton* last;
  QWidget* panel;
};
Navigator MakeNavigator(QTableView* grid, QWidget* parent);

// Choosing a row makes its record current (a pending edit of another
// record is posted first).
void FollowGridRow(QTableView* grid, TableGridModel* model, TableObject* table);

// Processes pending window events so a Cancel button can be pressed.
void LetEventsRun();

// A gauge from 0 to 100.
QProgressBar* MakeGauge(QWidget* parent);
// `buttons` at the right end of a new row under `layout`.
void AddButtonRow(QVBoxLayout* layout, std::initializer_list<QPushButton*> buttons);

// What the duplicate check and the state and ZIP check share: the count
// line, the gauge and the Close, Cancel and Help row under the panels, and
// a check during which the window stays open and Cancel asks to stop.
class TCheckWindow : public QDialog {
 public:
  QLabel* LabelCount;
  QProgressBar* Gauge;
  QPushButton* CloseButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

  void CancelButtonClick();
  bool checking() const { return m_checking; }

 protected:
  using QDialog::QDialog;
  // Adds the count line, the gauge (hidden) and the button row, which
  // starts with `leading` (when given) left of the stretch.
  void addFooter(QVBoxLayout* layout, int helpTopic, QPushButton* leading = nullptr);
  // Swaps Close and Help for Cancel and starts the gauge at 0.
  void beginCheck();
  // The check's progress: the gauge and the count line (`countText` of
  // the records found) follow, events run, and Cancel stops the check.
  CleanupProgress checkProgress(const std::function<QString(int found)>& countText);
  // Puts Close and Help back and hides the gauge.
  void endCheck();
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

  bool m_checking = false;
  bool m_cancel = false;
};

}  // namespace qv
