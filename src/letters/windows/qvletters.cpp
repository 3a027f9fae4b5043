#include "letters/windows/qvletters.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "letters/letter_store.h"
#include "letters/windows/letter_windows.h"
#include "render/printers.h"
#include "store/messages.h"
#include "store/table_grid_model.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

TqVLetters::TqVLetters(TableObject* contacts, TApollo* contactApollo, QWidget* parent)
    : ContactPrintDialog(contacts, contactApollo, parent) {
  setWindowTitle(QStringLiteral("Print Letters"));
  // A deleted letter is gone for the user, though its record stays until packed.
  LettersEnv.SetDeleted(true);
  LetterGrid = new QTableView;
  LetterGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  LetterGrid->setSelectionMode(QAbstractItemView::SingleSelection);
  LetterGrid->verticalHeader()->hide();
  LetterGrid->horizontalHeader()->setStretchLastSection(true);
  ModifyLetter = new QPushButton(QStringLiteral("&Modify"));
  NewLetter = new QPushButton(QStringLiteral("&New"));
  DeleteLetter = new QPushButton(QStringLiteral("&Delete"));
  auto* letterButtons = new QHBoxLayout;
  letterButtons->addWidget(ModifyLetter);
  letterButtons->addWidget(NewLetter);
  letterButtons->addWidget(DeleteLetter);

  auto* what = new QGroupBox(QStringLiteral("What to print"));
  rbQAll = new QRadioButton(QStringLiteral("&All records"));
  rbQFilter = new QRadioButton(QStringLiteral("Records matching &filter"));
  rbOnlyThis = new QRadioButton(QStringLiteral("Only c&urrent record"));
  rbOnlyThis->setChecked(true);
  StartCurrentCheck = new QCheckBox(QStringLiteral("S&tart from current record"));
  auto* wl = new QVBoxLayout(what);
  for (QWidget* w : std::initializer_list<QWidget*>{rbQAll, rbQFilter, rbOnlyThis, StartCurrentCheck}) {
    wl->addWidget(w);
  }
  auto* printer = new QGroupBox(QStringLiteral("Printer"));
  PrinterLabel = new QLabel(CurrentPrinterName());
  PrinterSetup = new QPushButton(QStringLiteral("Printer &Setup"));
  auto* pl = new QVBoxLayout(printer);
  pl->addWidget(PrinterLabel);
  pl->addWidget(PrinterSetup, 0, Qt::AlignLeft);
  auto* other = new QGroupBox(QStringLiteral("Other"));
  NumberofEachLabel = new QSpinBox;
  NumberofEachLabel->setRange(1, 999);
  NumberofEachLabel->setValue(1);
  auto* ol = new QHBoxLayout(other);
  ol->addWidget(NumberofEachLabel);
  auto* copiesLabel = new QLabel(QStringLiteral("# &copies of each letter"));
  copiesLabel->setBuddy(NumberofEachLabel);
  ol->addWidget(copiesLabel);

  PrintNow = new QPushButton(QStringLiteral("&Print Now"));
  PrintNow->setDefault(true);
  PreviewButton = new QPushButton(QStringLiteral("Pre&view"));
  HelpButton = new QPushButton(QStringLiteral("&Help"));
  CancelButton = new QPushButton(QStringLiteral("Cancel"));
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {PrintNow, PreviewButton, HelpButton, CancelButton}) buttons->addWidget(b);
  buttons->addStretch();

  auto* left = new QVBoxLayout;
  left->addWidget(LetterGrid, 1);
  left->addLayout(letterButtons);
  auto* middle = new QVBoxLayout;
  middle->addWidget(what);
  middle->addWidget(printer);
  middle->addWidget(other);
  middle->addStretch();
  auto* h = new QHBoxLayout(this);
  h->addLayout(left, 2);
  h->addLayout(middle, 1);
  h->addLayout(buttons);
  resize(700, 380);

  connect(ModifyLetter, &QPushButton::clicked, this, [this] { ModifyLetterClick(false); });
  connect(NewLetter, &QPushButton::clicked, this, [this] { ModifyLetterClick(true); });
  connect(DeleteLetter, &QPushButton::clicked, this, &TqVLetters::DeleteLetterClick);
  connect(PrintNow, &QPushButton::clicked, this, &TqVLetters::PrintNowClick);
  connect(PreviewButton, &QPushButton::clicked, this, &TqVLetters::PreviewButtonClick);
  connect(PrinterSetup, &QPushButton::clicked, this, &TqVLetters::PrinterSetupClick);
  connect(HelpButton, &QPushButton::clicked, this,
          [this] { Dialogs().showHelp(this, kHelpPrintLetters); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  // The list has the keyboard first: arrows choose a letter and Enter
  // prints, where a focused Modify button would take Enter for itself.
  LetterGrid->setFocus();
}

bool TqVLetters::OpenLettersTable(const QString& directory) {
  if (!qv::OpenLettersTable(directory, *TableLetters, ApolloLetters)) {
    Dialogs().information(parentWidget(), LettersOpenFailedMessage());
    return false;
  }
  auto* model = new TableGridModel(
      TableLetters, {{QStringLiteral("DESCRIPT"), QStringLiteral("Letter Description")}}, this);
  LetterGrid->setModel(model);
  delete m_model;
  m_model = model;
  connect(LetterGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &TqVLetters::GridRowChanged);
  if (!TableLetters->first()) Messages().information(TableLetters->failureMessage());
  if (m_model->rowCount() > 0) LetterGrid->selectRow(0);
  return true;
}

void TqVLetters::GridRowChanged() {
  const int row = LetterGrid->currentIndex().row();
  if (row >= 0) m_model->moveToRow(row);
}

void TqVLetters::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_firstActivation) {
    m_firstActivation = false;
    SetLetterButtons();
  }
}

void TqVLetters::SetLetterButtons() {
  const bool current = TableLetters->active() && !TableLetters->eof();
  for (QWidget* w : std::initializer_list<QWidget*>{ModifyLetter, PrintNow, PreviewButton,
                                                    DeleteLetter, LetterGrid}) {
    w->setEnabled(current);
  }
}

bool TqVLetters::LoadRichText() {
  const RtfReadResult r = qv::LoadRichText(*TableLetters, &WPRichText1);
  if (!r.ok) {
    Dialogs().information(this, QStringLiteral("This letter cannot be read: ") + r.error);
    return false;
  }
  return true;
}

void TqVLetters::ModifyLetterClick(bool isNew) {
  TLetterDesign designer(m_contacts, m_contactApollo, this);
  if (isNew) {
    designer.Description->setText(QStringLiteral("{untitled}"));
  } else {
    if (TableLetters->eof() || !LoadRichText()) return;
    designer.Description->setText(TableLetters->fieldText(QStringLiteral("DESCRIPT")));
    designer.setDocument(WPRichText1);
  }
  const bool saved = RunDesigner ? RunDesigner(designer) : designer.exec() == QDialog::Accepted;
  if (saved) {
    if (isNew) {
      TableLetters->insert();
    } else {
      TableLetters->edit();
    }
    WPRichText1 = designer.document();
    if (!TableLetters->setFieldText(QStringLiteral("DESCRIPT"), designer.Description->text()) ||
        !SaveRichText(*TableLetters, WPRichText1) || !TableLetters->post()) {
      TableLetters->cancel();
    }
  }
  SetLetterButtons();
}

void TqVLetters::DeleteLetterClick() {
  if (TableLetters->eof()) return;
  if (!Dialogs().question(this, QStringLiteral("Delete this record?"), true)) return;
  const bool deleted = TableLetters->deleteRecord();  // says why when it fails
  m_model->reload();
  if (deleted && !TableLetters->first()) Messages().information(TableLetters->failureMessage());
  if (m_model->rowCount() > 0) LetterGrid->selectRow(0);
  SetLetterButtons();
}

LetterRunOptions TqVLetters::ReadOptions() const {
  LetterRunOptions o;
  o.selection = rbQAll->isChecked()      ? RecordSelection::All
                : rbQFilter->isChecked() ? RecordSelection::Filter
                                         : RecordSelection::Current;
  o.startFromCurrent = StartCurrentCheck->isChecked();
  o.copies = NumberofEachLabel->value();
  o.printerName = CurrentPrinterName();
  if (IsPdfPrinterName(o.printerName)) o.pdfFile = m_pdfFile;
  return o;
}

void TqVLetters::PrintNowClick() {
  // The printer chosen in the dialog is the one the letters go to.
  if (AskPrintDialog(this, &m_pdfFile) != PrintDialogAnswer::Chosen) return;
  PrinterLabel->setText(CurrentPrinterName());
  if (!LoadRichText()) return;
  const LetterRunOptions options = ReadOptions();
  TLetterPrintStatus status(this);
  status.run = [&](JobHost& host, std::function<void(TLetterPrint&)> runJob) {
    LetterRunHooks hooks;
    hooks.printLetters = runJob;
    LastRun = PrintLetters(*m_contacts, *m_contactApollo, WPRichText1, options, host, hooks);
  };
  if (RunStatus) {
    RunStatus(status);
  } else {
    status.exec();
  }
}

void TqVLetters::PreviewButtonClick() {
  if (!LoadRichText()) return;
  TRTFPreviewForm preview(m_contacts, m_contactApollo, this);
  preview.RTFTemplate = WPRichText1;
  if (RunPreview) {
    RunPreview(preview);
  } else {
    preview.exec();
  }
}

void TqVLetters::PrinterSetupClick() {
  AskPrinterSetup(this, &m_pdfFile);
  PrinterLabel->setText(CurrentPrinterName());
}

void TqVLetters::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    Dialogs().showHelp(this, kHelpPrintLetters);
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace qv
