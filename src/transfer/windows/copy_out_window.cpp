#include "transfer/windows/copy_out_window.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "cleanup/windows/cleanup_widgets.h"
#include "transfer/windows/transfer_widgets.h"
#include "store/table_object.h"
#include "transfer/csv.h"
#include "transfer/vcard.h"
#include "ui/dialogs.h"

namespace qv {

TCopyOut::TCopyOut(TableObject* contacts, const QString& filter, const QString& tag,
                   const QString& contactFile, const QString& programDir, QWidget* parent)
    : QDialog(parent),
      m_contacts(contacts),
      m_filter(filter),
      m_tag(tag),
      m_contactFile(contactFile),
      m_saveDir(programDir) {
  setWindowTitle(QStringLiteral("Copy Records Out"));
  auto* layout = new QVBoxLayout(this);

  SetupPanel = new QGroupBox(QStringLiteral("Copy the selected records"), this);
  auto* setup = new QVBoxLayout(SetupPanel);
  auto* explain = new QLabel(
      QStringLiteral("The records of the current filter (or all records when there is no "
                     "filter) are copied, in the current order, to a new file."),
      SetupPanel);
  explain->setWordWrap(true);
  setup->addWidget(explain);
  ToDBF = new QRadioButton(QStringLiteral("Copy to a DBF file"), SetupPanel);
  ToAscii = new QRadioButton(QStringLiteral("Copy to an ASCII file (comma delimited)"), SetupPanel);
  // For spreadsheets and address books: every field and the memo, in UTF-8.
  ToCsv = new QRadioButton(QStringLiteral("Copy to a CSV file (with a header line)"), SetupPanel);
  ToVcard = new QRadioButton(QStringLiteral("Copy to a vCard file (address books, phones)"),
                             SetupPanel);
  auto* group = new QButtonGroup(this);
  ToDBF->setChecked(true);
  for (QRadioButton* b : {ToDBF, ToAscii, ToCsv, ToVcard}) {
    group->addButton(b);
    setup->addWidget(b);
  }
  auto* name = new QHBoxLayout;
  SaveAsButton = AddButton(QStringLiteral("Save As..."), SetupPanel, name);
  FileName = new QLabel(QStringLiteral("(none)"), SetupPanel);
  FileName->setFrameShape(QFrame::Panel);
  FileName->setFrameShadow(QFrame::Sunken);
  name->addWidget(FileName, 1);
  setup->addLayout(name);
  layout->addWidget(SetupPanel);

  ProgressPanel = new QWidget(this);
  auto* progress = new QVBoxLayout(ProgressPanel);
  progress->setContentsMargins(0, 0, 0, 0);
  WhatAmIDoing = new QLabel(ProgressPanel);
  progress->addWidget(WhatAmIDoing);
  Gauge = new QProgressBar(ProgressPanel);
  Gauge->setRange(0, 100);
  progress->addWidget(Gauge);
  layout->addWidget(ProgressPanel);
  ProgressPanel->hide();

  auto* row = new QHBoxLayout;
  row->addStretch();
  Doit = AddButton(QStringLiteral("Copy Now"), this, row);
  CancelButton = AddButton(QStringLiteral("Cancel"), this, row);
  HelpButton = MakeHelpButton(this, kTopicCopyOut);
  row->addWidget(HelpButton);
  layout->addLayout(row);
  Doit->setEnabled(false);
  SaveAsButton->setDefault(true);

  for (QRadioButton* b : {ToDBF, ToAscii, ToCsv, ToVcard}) {
    connect(b, &QRadioButton::clicked, this, &TCopyOut::FormatClick);
  }
  connect(SaveAsButton, &QPushButton::clicked, this, &TCopyOut::SaveAsButtonClick);
  connect(Doit, &QPushButton::clicked, this, &TCopyOut::DoitClick);
  connect(CancelButton, &QPushButton::clicked, this, &TCopyOut::CancelbuttonClick);
  resize(480, 280);
}

TCopyOut::Format TCopyOut::format() const {
  if (ToAscii->isChecked()) return Format::Ascii;
  if (ToCsv->isChecked()) return Format::Csv;
  if (ToVcard->isChecked()) return Format::Vcard;
  return Format::Dbf;
}

void TCopyOut::SetName(const QString& name) {
  m_name = name;
  FileName->setText(name.isEmpty() ? QStringLiteral("(none)") : name);
  Doit->setEnabled(!name.isEmpty());
  // Enter takes the next step: choose the file, then copy.
  (name.isEmpty() ? SaveAsButton : Doit)->setDefault(true);
}

// A name chosen for one format is no good for the other.
void TCopyOut::FormatClick() { SetName(QString()); }

void TCopyOut::SaveAsButtonClick() {
  const Format f = format();
  const bool toDbf = f == Format::Dbf;
  const QString extension = f == Format::Dbf     ? QStringLiteral("DBF")
                            : f == Format::Ascii ? QStringLiteral("TXT")
                            : f == Format::Csv   ? QStringLiteral("CSV")
                                                 : QStringLiteral("VCF");
  const QString filter =
      f == Format::Dbf     ? QStringLiteral("DBF files (*.dbf *.DBF);;All files (*)")
      : f == Format::Ascii ? QStringLiteral("Text files (*.txt *.TXT);;All files (*)")
      : f == Format::Csv   ? QStringLiteral("CSV files (*.csv *.CSV);;All files (*)")
                           : QStringLiteral("vCard files (*.vcf *.VCF);;All files (*)");
  // The dialog asks no overwrite question of its own: the one below does.
  QString chosen = Dialogs().saveFileName(this, QStringLiteral("Save As"), m_saveDir, filter,
                                          false);
  if (chosen.isEmpty()) {
    SetName(QString());
    return;
  }
  // A name typed without an extension gets the format's.
  if (QFileInfo(chosen).suffix().isEmpty()) chosen += QLatin1Char('.') + extension;
  m_saveDir = QFileInfo(chosen).absolutePath();
  const CopyNameCheck check = CheckCopyName(chosen, toDbf, m_contactFile);
  switch (check) {
    case CopyNameCheck::NotDbf:
    case CopyNameCheck::ToItself:
      Dialogs().information(this, CopyNameMessage(check, chosen));
      SetName(QString());
      return;
    case CopyNameCheck::Exists:
      SetName(Dialogs().titledQuestion(this, QStringLiteral("Warning!"),
                                       CopyNameMessage(check, chosen), false)
                  ? chosen
                  : QString());
      return;
    case CopyNameCheck::Ok:
      SetName(chosen);
      return;
  }
}

void TCopyOut::DoitClick() {
  if (m_name.isEmpty() || m_copying) return;
  const Format f = format();
  const bool toDbf = f == Format::Dbf;
  SetupPanel->hide();
  HelpButton->hide();
  Doit->setEnabled(false);
  ProgressPanel->show();
  WhatAmIDoing->setText(QStringLiteral("Copying to ") + m_name);
  Gauge->setValue(0);
  m_copying = true;
  m_cancel = false;
  LetEventsRun();

  DbfCopyWriter dbf;
  AsciiCopyWriter ascii;
  CsvWriter csv;
  VcardWriter vcard;
  RecordWriter* writer = nullptr;
  xb::Status s = xb::Status::OK();
  switch (f) {
    case Format::Dbf: writer = &dbf, s = dbf.open(m_name, *m_contacts); break;
    case Format::Ascii: writer = &ascii, s = ascii.open(m_name); break;
    case Format::Csv: writer = &csv, s = csv.open(m_name); break;
    case Format::Vcard: writer = &vcard, s = vcard.open(m_name); break;
  }
  m_copied = 0;
  if (s.ok()) {
    const TransferProgress progress = [this](int percent, std::int64_t) {
      Gauge->setValue(percent);
      if (OnCopyProgress) OnCopyProgress(percent);
      LetEventsRun();
      return !m_cancel;
    };
    s = CopyRecordsOut(*m_contacts, m_filter, m_tag, *writer, progress, &m_copied);
  }
  m_copying = false;
  if (!s.ok()) {
    const QString why = m_contacts->failed()
                            ? m_contacts->failureMessage()
                            : QString::fromStdString(s.message().empty() ? s.ToString() : s.message());
    Dialogs().information(this, (toDbf ? CopyErrorMessage() + QStringLiteral("\r\n") : QString()) +
                                    why);
  }
  accept();
}

void TCopyOut::CancelbuttonClick() {
  if (m_copying) {
    if (Dialogs().titledQuestion(this, QStringLiteral("Cancel"), QStringLiteral("Cancel copy?"),
                                 false)) {
      m_cancel = true;  // the walk stops after the current record
    }
    return;
  }
  QDialog::reject();
}

void TCopyOut::reject() {
  // Esc asks like Cancel while copying.
  CancelbuttonClick();
}

}  // namespace qv
