#include "envelopes/windows/print_envelope.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "envelopes/windows/envelope_designer.h"
#include "envelopes/windows/envelope_windows.h"
#include "labels/windows/label_windows.h"
#include "labels/windows/record_list.h"
#include "render/printers.h"
#include "store/table_grid_model.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

bool DesignEnvelopeSetup(QWidget* parent, TableObject* contacts, TEnvelopeSetup* setup) {
  return EditInDesigner<TEnvelopeDesigner>(parent, contacts, setup);
}

TQVEnvelopes::TQVEnvelopes(TableObject* contacts, TApollo* contactApollo, QWidget* parent)
    : SetupPrintDialog(contacts, contactApollo, parent) {
  setWindowTitle(QStringLiteral("Print Envelope"));

  auto* setupBox = new QGroupBox(QStringLiteral("Select Envelope Setup"), this);
  auto* setupButtons = buildSetupGrid(
      setupBox,
      new TableGridModel(EnvelopeSetupTable,
                         {{QStringLiteral("DESCRIPT"), QStringLiteral("Description")},
                          {QStringLiteral("ENVNAME"), QStringLiteral("Envelope")}},
                         this),
      50, 76, 140);
  auto* setupLayout = new QVBoxLayout(setupBox);
  setupLayout->addWidget(SetupGrid, 1);
  setupLayout->addLayout(setupButtons);

  auto* whatBox = new QGroupBox(QStringLiteral("Envelopes for"), this);
  rbQCurrent = new QRadioButton(QStringLiteral("Only c&urrent record"), whatBox);
  rbQFilter = new QRadioButton(QStringLiteral("Records matching &filter"), whatBox);
  rbQAll = new QRadioButton(QStringLiteral("&All records"), whatBox);
  rbQCurrent->setChecked(true);
  auto* whatLayout = new QVBoxLayout(whatBox);
  whatLayout->addWidget(rbQCurrent);
  whatLayout->addWidget(rbQFilter);
  whatLayout->addWidget(rbQAll);

  auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
  PrinterLabel = new QLabel(printerBox);
  PrinterLabel->setObjectName(QStringLiteral("PrinterLabel"));
  PaperList = new QComboBox(printerBox);
  PaperList->addItems({QStringLiteral("The printer's paper"), QStringLiteral("Envelope-sized paper"),
                       QStringLiteral("Letter"), QStringLiteral("A4")});
  auto* paperLabel = new QLabel(QStringLiteral("Pap&er:"), printerBox);
  paperLabel->setBuddy(PaperList);
  PrinterSetupButton = new QPushButton(QStringLiteral("Printer &Setup"), printerBox);
  auto* printerLayout = new QVBoxLayout(printerBox);
  printerLayout->addWidget(PrinterLabel);
  auto* paperRow = new QHBoxLayout;
  paperRow->addWidget(paperLabel);
  paperRow->addWidget(PaperList, 1);
  printerLayout->addLayout(paperRow);
  printerLayout->addWidget(PrinterSetupButton, 0, Qt::AlignLeft);
  printerLayout->addStretch(1);

  auto* runButtons = NewButtonRow(this, {},
                                  {{&PrintNowButton, "&Print Now"},
                                   {&PreviewButton, "Pre&view"},
                                   {&HelpButton, "&Help"},
                                   {&CancelButton, "Cancel"}});
  PrintNowButton->setDefault(true);
  auto* panels = new QHBoxLayout;
  panels->addWidget(whatBox, 1);
  panels->addWidget(printerBox, 1);
  auto* top = new QVBoxLayout(this);
  top->addWidget(setupBox, 1);
  top->addLayout(panels);
  top->addLayout(runButtons);

  connectSetupGrid(&TQVEnvelopes::ModifyButtonClick, &TQVEnvelopes::NewButtonClick,
                   &TQVEnvelopes::DeleteButtonClick, &TQVEnvelopes::PrintNowButtonClick,
                   &TQVEnvelopes::PreviewButtonClick, &TQVEnvelopes::PrinterSetupButtonClick,
                   &TQVEnvelopes::SetupGridRowChange);
  connect(HelpButton, &QPushButton::clicked, this, &TQVEnvelopes::HelpButtonClick);
  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          &TQVEnvelopes::HelpButtonClick);
}

bool TQVEnvelopes::OpenEnvelopeSetupTable(const QString& directory) {
  return OpenSetupTable(directory, EnvelopeSetupFileName(), EnvelopeSetupOpenFailure());
}

void TQVEnvelopes::FormActivate() {
  if (!FirstActivation) return;
  FirstActivation = false;
  CurrentSetup = ReadEnvelopeSetup(*EnvelopeSetupTable);
  SetEnvelopeButtons();
  ShowSetup();
}

void TQVEnvelopes::ShowSetup() { PrinterLabel->setText(CurrentPrinterName()); }

void TQVEnvelopes::SetEnvelopeButtons() {
  const bool onRow = EnvelopeSetupTable->active() && !EnvelopeSetupTable->eof() &&
                     !EnvelopeSetupTable->isEmpty();
  for (QWidget* w : std::initializer_list<QWidget*>{ModifyButton, PrintNowButton, PreviewButton,
                                                    DeleteButton, SetupGrid}) {
    w->setEnabled(onRow);
  }
}

void TQVEnvelopes::SetupGridRowChange() { FollowGridRow(); }

void TQVEnvelopes::ModifyButtonClick() {
  CurrentSetup = ReadEnvelopeSetup(*EnvelopeSetupTable);
  TEnvelopeSetup copy = CurrentSetup;
  if (NewSetup) copy.description = QStringLiteral("{Untitled Envelope Setup Record}");
  const bool ok = EditSetup ? EditSetup(&copy) : DesignEnvelopeSetup(this, m_contacts, &copy);
  if (ok) {
    StoreEditedSetup(&copy, EnvelopeSetupFileName(), &WriteEnvelopeSetup);
    CurrentSetup = copy;
  }
  ShowSetup();
  NewSetup = false;
  CurrentSetup = ReadEnvelopeSetup(*EnvelopeSetupTable);
  SetEnvelopeButtons();
}

void TQVEnvelopes::NewButtonClick() {
  NewSetup = true;
  ModifyButtonClick();
}

void TQVEnvelopes::DeleteButtonClick() {
  if (DeleteSetupRow()) SetEnvelopeButtons();
}

void TQVEnvelopes::PrinterSetupButtonClick() {
  AskPrinterSetup(this, &m_pdfFile);
  ShowSetup();
}

void TQVEnvelopes::PrintNowButtonClick() {
  CurrentSetup = ReadEnvelopeSetup(*EnvelopeSetupTable);
  PrintFlag = true;
  if (AskPrintDialog(this, &m_pdfFile) != PrintDialogAnswer::Chosen) return;
  ShowSetup();
  DoPrint();
  m_pdfFile.clear();
}

void TQVEnvelopes::PreviewButtonClick() {
  CurrentSetup = ReadEnvelopeSetup(*EnvelopeSetupTable);
  PrintFlag = false;
  DoPrint();
}

void TQVEnvelopes::HelpButtonClick() { Dialogs().showHelp(this, kPrintEnvelopeHelpTopic); }

RecordSelection TQVEnvelopes::Selection() const {
  if (rbQAll->isChecked()) return RecordSelection::All;
  if (rbQFilter->isChecked() && rbQFilter->isEnabled()) return RecordSelection::Filter;
  return RecordSelection::Current;
}

EnvelopePaper TQVEnvelopes::Paper() const {
  switch (PaperList->currentIndex()) {
    case 1:
      return EnvelopePaper::Envelope;
    case 2:
      return EnvelopePaper::Letter;
    case 3:
      return EnvelopePaper::A4;
    default:
      return EnvelopePaper::Printer;
  }
}

void TQVEnvelopes::DoPrint() {
  EnvelopeRunOptions options;
  options.setup = CurrentSetup;
  options.selection = Selection();
  options.paper = Paper();
  SetRunTarget(&options, PrintFlag);
  WindowJobHost host(this);
  const EnvelopeRunHooks hooks = RunHooks ? RunHooks() : EnvelopeWindowHooks(this);
  LastRun = DoPrintEnvelopes(*m_contacts, *m_contactApollo, options, host, hooks);
}

}  // namespace qv
