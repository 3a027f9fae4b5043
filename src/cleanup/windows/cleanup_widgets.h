// Pieces the data-quality windows share: the help topics, Help and F1, the
// record navigator under a grid, and keeping a grid's current row and the
// table's current record together.
#pragma once

#include <QString>

class QDialog;
class QHBoxLayout;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;

namespace qv {

class TableGridModel;
class TableObject;

// Help topics of the windows (pages under data/help/).
constexpr int kTopicDupCheck = 1080;
constexpr int kTopicStateZip = 1081;
constexpr int kTopicUpper = 1082;
constexpr int kTopicReplace = 1083;
constexpr int kTopicDeleteRecords = 1084;

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

}  // namespace qv
