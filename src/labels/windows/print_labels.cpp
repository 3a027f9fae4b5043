#include "labels/windows/print_labels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "labels/windows/label_designer.h"
#include "labels/windows/label_windows.h"
#include "labels/windows/record_list.h"
#include "render/printers.h"
#include "store/table_grid_model.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

constexpr int kMaxCopies = 999;

}  // namespace

bool DesignLabelSetup(QWidget* parent, TableObject* contacts, LabelSetup* record) {
  return EditInDesigner<TDesignLabel>(parent, contacts, record);
}

TQVLabels::TQVLabels(TableObject* contacts, TApollo* contactApollo, QWidget* parent)
    : SetupPrintDialog(contacts, contactApollo, parent) {
  setWindowTitle(QStringLiteral("Print Labels"));

  auto* setupButtons = buildSetupGrid(
      this,
      new TableGridModel(LabelSetupTable,
                         {{QStringLiteral("DESCRIPT"), QStringLiteral("Description")},
                          {QStringLiteral("USERLABELN"), QStringLiteral("Label Type")}},
                         this),
      38, 75, 150);

  auto* whatBox = new QGroupBox(QStringLiteral("What to print"), this);
  rbQAll = new QRadioButton(QStringLiteral("&All records"), whatBox);
  rbQFilter = new QRadioButton(QStringLiteral("Records matching &filter"), whatBox);
  rbQCurrent = new QRadioButton(QStringLiteral("Only c&urrent record"), whatBox);
  StartCurrentCheck = new QCheckBox(QStringLiteral("S&tart from current record"), whatBox);
  PresortCheck = new QCheckBox(QStringLiteral("Presort for &Bulk Mail"), whatBox);
  rbQFilter->setChecked(true);
  auto* whatLayout = new QVBoxLayout(whatBox);
  for (QWidget* w : std::initializer_list<QWidget*>{rbQAll, rbQFilter, rbQCurrent,
                                                    StartCurrentCheck, PresortCheck}) {
    whatLayout->addWidget(w);
  }

  auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
  PrinterList = new QComboBox(printerBox);
  PrinterList->setObjectName(QStringLiteral("PrinterList"));
  PrinterSetupButton = new QPushButton(QStringLiteral("Printer &Setup"), printerBox);
  auto* copiesLabel = new QLabel(QStringLiteral("# &copies of each label"), printerBox);
  CopiesSpin = new QSpinBox(printerBox);
  CopiesSpin->setRange(1, kMaxCopies);
  CopiesSpin->setValue(1);
  copiesLabel->setBuddy(CopiesSpin);
  auto* startLabel = new QLabel(QStringLiteral("Start at &label"), printerBox);
  StartLabelSpin = new QSpinBox(printerBox);
  StartLabelSpin->setRange(1, 1);
  StartLabelSpin->setToolTip(
      QStringLiteral("On a partly used sheet: the position of the first label, counted across "
                     "the rows from the top left"));
  startLabel->setBuddy(StartLabelSpin);
  auto* printerLayout = new QGridLayout(printerBox);
  printerLayout->addWidget(PrinterList, 0, 0, 1, 2);
  printerLayout->addWidget(PrinterSetupButton, 1, 0, 1, 2, Qt::AlignLeft);
  printerLayout->addWidget(copiesLabel, 2, 0);
  printerLayout->addWidget(CopiesSpin, 2, 1);
  printerLayout->addWidget(startLabel, 3, 0);
  printerLayout->addWidget(StartLabelSpin, 3, 1);
  printerLayout->setRowStretch(4, 1);

  PrintNowButton = new QPushButton(QStringLiteral("&Print Now"), this);
  PreviewButton = new QPushButton(QStringLiteral("Pre&view"), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  AlignmentButton = new QPushButton(QStringLiteral("Ali&gnment Page"), this);
  HelpButton = new QPushButton(QStringLiteral("&Help"), this);
  HelpButton->setAutoDefault(false);
  AlignmentButton->setToolTip(
      QStringLiteral("Prints the outline of every label on one sheet, to hold against the stock"));
  PrintNowButton->setDefault(true);
  auto* runButtons = new QHBoxLayout;
  runButtons->addWidget(AlignmentButton);
  runButtons->addStretch(1);
  runButtons->addWidget(PrintNowButton);
  runButtons->addWidget(PreviewButton);
  runButtons->addWidget(CancelButton);
  runButtons->addWidget(HelpButton);

  auto* panels = new QHBoxLayout;
  panels->addWidget(whatBox, 1);
  panels->addWidget(printerBox, 1);
  auto* top = new QVBoxLayout(this);
  top->addWidget(SetupGrid, 1);
  top->addLayout(setupButtons);
  top->addLayout(panels);
  top->addLayout(runButtons);

  connectSetupGrid(&TQVLabels::ModifyButtonClick, &TQVLabels::NewButtonClick,
                   &TQVLabels::DeleteButtonClick, &TQVLabels::PrintNowButtonClick,
                   &TQVLabels::PreviewButtonClick, &TQVLabels::PrinterSetupButtonClick,
                   &TQVLabels::SetupGridRowChange);
  connect(rbQAll, &QRadioButton::clicked, this, &TQVLabels::rbQAllClick);
  connect(rbQFilter, &QRadioButton::clicked, this, &TQVLabels::rbQFilterClick);
  connect(rbQCurrent, &QRadioButton::clicked, this, &TQVLabels::rbQCurrentClick);
  connect(StartCurrentCheck, &QCheckBox::clicked, this, &TQVLabels::StartCurrentCheckClick);
  connect(PrinterList, &QComboBox::activated, this, &TQVLabels::PrinterListChange);
  connect(AlignmentButton, &QPushButton::clicked, this, &TQVLabels::AlignmentButtonClick);
  connect(HelpButton, &QPushButton::clicked, this, [this] { Dialogs().showHelp(this, kHelpTopic); });
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          [this] { Dialogs().showHelp(this, kHelpTopic); });
}

bool TQVLabels::OpenLabelSetupTable(const QString& directory) {
  return OpenSetupTable(directory, LabelSetupFileName(), LabelSetupOpenFailure());
}

void TQVLabels::FormActivate() {
  if (!FirstActivation) return;
  FirstActivation = false;
  WorkingRecord = ReadLabelSetup(*LabelSetupTable);
  FillPrinterList();
  SetButtons();
}

void TQVLabels::FillPrinterList() {
  PrinterList->clear();
  PrinterList->addItems(InstalledPrinterNames());
  const int current = PrinterList->findText(CurrentPrinterName());
  PrinterList->setCurrentIndex(current >= 0 ? current : 0);
}

void TQVLabels::SetButtons() {
  const bool onRow = LabelSetupTable->active() && !LabelSetupTable->eof();
  for (QWidget* w : std::initializer_list<QWidget*>{ModifyButton, PrintNowButton, PreviewButton,
                                                    AlignmentButton, DeleteButton, SetupGrid}) {
    w->setEnabled(onRow);
  }
  SetStartLabelRange();
}

void TQVLabels::SetStartLabelRange() {
  const LabelSetup setup = ReadLabelSetup(*LabelSetupTable);
  StartLabelSpin->setRange(1, std::max(1, setup.across) * std::max(1, setup.down));
}

void TQVLabels::SetupGridRowChange() {
  if (FollowGridRow()) SetStartLabelRange();
}

void TQVLabels::ModifyButtonClick() {
  WorkingRecord = ReadLabelSetup(*LabelSetupTable);
  LabelSetup copy = WorkingRecord;
  if (NewSetup) copy.description = QStringLiteral("{Untitled Label Setup Record}");
  const bool ok = EditSetup ? EditSetup(&copy) : DesignLabelSetup(this, m_contacts, &copy);
  if (ok) {
    StoreEditedSetup(&copy, LabelSetupFileName(), &WriteLabelSetup);
    WorkingRecord = copy;
  }
  const int current = PrinterList->findText(CurrentPrinterName());
  if (current >= 0) PrinterList->setCurrentIndex(current);
  NewSetup = false;
  SetButtons();
}

void TQVLabels::NewButtonClick() {
  NewSetup = true;
  ModifyButtonClick();
}

void TQVLabels::DeleteButtonClick() {
  if (DeleteSetupRow()) SetButtons();
}

// Another choice of records needs a presort of its own.
void TQVLabels::rbQAllClick() {
  PresortCheck->setEnabled(true);
  PresortDone = false;
}

void TQVLabels::rbQFilterClick() {
  PresortCheck->setEnabled(true);
  PresortDone = false;
}

void TQVLabels::rbQCurrentClick() {
  PresortCheck->setChecked(false);
  PresortCheck->setEnabled(false);
  PresortDone = false;
}

void TQVLabels::StartCurrentCheckClick() { PresortDone = false; }

void TQVLabels::PrinterListChange(int index) {
  if (index < 0) return;
  SetCurrentPrinterName(PrinterList->itemText(index));
}

void TQVLabels::PrinterSetupButtonClick() {
  AskPrinterSetup(this, &m_pdfFile);
  FillPrinterList();
}

void TQVLabels::PrintNowButtonClick() {
  WorkingRecord = ReadLabelSetup(*LabelSetupTable);
  PrintFlag = true;
  const PrintDialogAnswer answer = AskPrintDialog(this, &m_pdfFile);
  if (answer == PrintDialogAnswer::Cancelled) return;
  FillPrinterList();
  if (answer == PrintDialogAnswer::PrinterGone) return;
  DoPrint();
  m_pdfFile.clear();
}

void TQVLabels::AlignmentButtonClick() {
  m_alignment = true;
  PrintNowButtonClick();
  m_alignment = false;
}

void TQVLabels::PreviewButtonClick() {
  WorkingRecord = ReadLabelSetup(*LabelSetupTable);
  PrintFlag = false;
  DoPrint();
}

RecordSelection TQVLabels::Selection() const {
  if (rbQAll->isChecked()) return RecordSelection::All;
  if (rbQCurrent->isChecked()) return RecordSelection::Current;
  return RecordSelection::Filter;
}

void TQVLabels::DoPrint() {
  LabelRunOptions options;
  options.setup = WorkingRecord;
  options.selection = Selection();
  options.startFromCurrent = StartCurrentCheck->isChecked();
  options.copies = CopiesSpin->value();
  options.startLabel = StartLabelSpin->value();
  options.alignmentPage = m_alignment;
  options.presort = PresortCheck->isChecked() && PresortCheck->isEnabled();
  SetRunTarget(&options, PrintFlag);
  WindowJobHost host(this);
  const LabelRunHooks hooks = RunHooks ? RunHooks(host) : LabelWindowHooks(host, this);
  LastRun = qv::DoPrint(*m_contacts, *m_contactApollo, options, &PresortDone, host, hooks);
}

}  // namespace qv
