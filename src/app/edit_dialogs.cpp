#include "app/edit_dialogs.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qv {

namespace {

constexpr int kLabelX = 12;
constexpr int kEditX = 176;
constexpr int kRowPitch = 32;
constexpr int kTop = 14;

}  // namespace

TGetFirstLastZip::TGetFirstLastZip(bool askName, bool askZip, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("New Record"));
  LastNameLabel = new QLabel(QStringLiteral("Last Name"), this);
  LastNameEdit = new QLineEdit(this);
  FirstNameLabel = new QLabel(QStringLiteral("First Name"), this);
  FirstNameEdit = new QLineEdit(this);
  ZipLabel = new QLabel(QStringLiteral("Zip Code or Postal Code"), this);
  ZipEdit = new QLineEdit(this);
  OkButton = new QPushButton(QStringLiteral("OK [PgDn]"), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  OkButton->setDefault(true);

  const struct {
    QLabel* label;
    QLineEdit* edit;
  } rows[] = {{LastNameLabel, LastNameEdit}, {FirstNameLabel, FirstNameEdit}, {ZipLabel, ZipEdit}};
  for (int i = 0; i < 3; ++i) {
    rows[i].label->setGeometry(kLabelX, kTop + i * kRowPitch, kEditX - kLabelX - 6, 22);
    rows[i].edit->setGeometry(kEditX, kTop + i * kRowPitch, 200, 22);
    rows[i].label->setBuddy(rows[i].edit);
  }
  for (QWidget* w : {static_cast<QWidget*>(LastNameLabel), static_cast<QWidget*>(LastNameEdit),
                     static_cast<QWidget*>(FirstNameLabel),
                     static_cast<QWidget*>(FirstNameEdit)}) {
    w->setVisible(askName);
  }
  ZipLabel->setVisible(askZip);
  ZipEdit->setVisible(askZip);
  int bottom = kTop + 3 * kRowPitch;
  if (askZip && !askName) {
    // Alone, the ZIP prompt takes the last name's place.
    ZipLabel->move(kLabelX, kTop);
    ZipEdit->move(kEditX, kTop);
    bottom = kTop + kRowPitch;
  }
  OkButton->setGeometry(kEditX - 100, bottom + 6, 96, 26);
  CancelButton->setGeometry(kEditX + 4, bottom + 6, 96, 26);
  setFixedSize(kEditX + 214, bottom + 44);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TGetFirstLastZip::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_PageDown) {
    OkButton->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

TSearchBox::TSearchBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Search"));
  SearchLabel = new QLabel(this);
  SearchEdit = new QLineEdit(this);
  DateFormatLabel = new QLabel(this);
  OkButton = new QPushButton(QStringLiteral("OK"), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  OkButton->setDefault(true);
  SearchLabel->setGeometry(12, 12, 260, 20);
  SearchEdit->setGeometry(12, 36, 260, 22);
  DateFormatLabel->setGeometry(12, 60, 260, 20);
  DateFormatLabel->hide();
  OkButton->setGeometry(50, 88, 84, 26);
  CancelButton->setGeometry(146, 88, 84, 26);
  SearchLabel->setBuddy(SearchEdit);
  setFixedSize(284, 124);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

TQVWSearching::TQVWSearching(const QString& text, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Searching"));
  SearchingLabel = new QLabel(QStringLiteral("Searching for: ") + text, this);
  SearchingLabel->setGeometry(12, 12, 276, 40);
  SearchingLabel->setWordWrap(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setGeometry(108, 60, 84, 26);
  setFixedSize(300, 96);
  connect(CancelButton, &QPushButton::clicked, this, [this] { Cancelled = true; });
}

}  // namespace qv
