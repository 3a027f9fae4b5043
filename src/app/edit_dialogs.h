// The small windows of record editing and searching: the "New Record"
// prompts for a name and a ZIP code, the Search box of the current order,
// and the "Searching" window shown while the memos are searched.
#pragma once

#include <QDialog>

#include "ui/qt_classes.h"

namespace qv {

// Asks for the last and first name (to warn of a duplicate) and for the
// ZIP code (to fill city and state) before a record is added. Only the
// prompts asked for are shown; PgDn anywhere presses OK.
class TGetFirstLastZip : public QDialog {
  Q_OBJECT

 public:
  TGetFirstLastZip(bool askName, bool askZip, QWidget* parent = nullptr);

  QLabel* LastNameLabel;
  QLineEdit* LastNameEdit;
  QLabel* FirstNameLabel;
  QLineEdit* FirstNameEdit;
  QLabel* ZipLabel;
  QLineEdit* ZipEdit;
  QPushButton* OkButton;
  QPushButton* CancelButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// Asks for the leading characters of a key in the current order.
class TSearchBox : public QDialog {
  Q_OBJECT

 public:
  explicit TSearchBox(QWidget* parent = nullptr);

  QLabel* SearchLabel;
  QLineEdit* SearchEdit;
  QLabel* DateFormatLabel;
  QPushButton* OkButton;
  QPushButton* CancelButton;
};

// Shown while the memos are searched; its Cancel sets `Cancelled`, which
// the search loop reads after letting pending events run.
class TQVWSearching : public QDialog {
  Q_OBJECT

 public:
  TQVWSearching(const QString& text, QWidget* parent = nullptr);

  QLabel* SearchingLabel;
  QPushButton* CancelButton;
  bool Cancelled = false;
};

}  // namespace qv
