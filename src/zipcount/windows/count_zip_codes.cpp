#include "zipcount/windows/count_zip_codes.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "labels/windows/record_list.h"
#include "render/printers.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

ZipReportHooks ZipReportWindowHooks(QWidget* parent) {
  ZipReportHooks hooks;
  hooks.printReport = StatusWindowHook<TZipReport>(parent);
  hooks.preview = PreviewWindowHook(parent, QStringLiteral("Preview Zipcode Count"));
  return hooks;
}

// ---- TCountZipCodes

TCountZipCodes::TCountZipCodes(TableObject* contacts, TApollo* contactApollo, QWidget* parent)
    : QDialog(parent),
      m_host(std::make_unique<WindowJobHost>(this)),
      m_count(*contacts, *contactApollo, *m_host) {
  setWindowTitle(QStringLiteral("Count Zip Codes"));
  setModal(true);
  HeadingLabel = new QLabel(QStringLiteral("Counting the records of each Zip Code"), this);
  HeadingLabel->setObjectName(QStringLiteral("HeadingLabel"));
  HeadingLabel->setAlignment(Qt::AlignCenter);
  HeadingLabel->setWordWrap(true);
  StatusLabel = new QLabel(this);
  StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
  StatusLabel->setAlignment(Qt::AlignCenter);
  StatusLabel->setMinimumSize(300, 30);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);

  ButtonPanel = new QWidget(this);
  PrintButton = new QPushButton(QStringLiteral("&Print"), ButtonPanel);
  PrintButton->setDefault(true);
  PreviewButton = new QPushButton(QStringLiteral("Pre&view"), ButtonPanel);
  PrintSetupButton = new QPushButton(QStringLiteral("Print &Setup"), ButtonPanel);
  SaveCsvButton = new QPushButton(QStringLiteral("Save as &CSV..."), ButtonPanel);
  CloseButton = new QPushButton(QStringLiteral("Close"), ButtonPanel);
  HelpButton = new QPushButton(QStringLiteral("&Help"), ButtonPanel);
  auto* panelLayout = new QHBoxLayout(ButtonPanel);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  for (QPushButton* b :
       {PrintButton, PreviewButton, PrintSetupButton, SaveCsvButton, CloseButton, HelpButton}) {
    panelLayout->addWidget(b);
  }
  ButtonPanel->setVisible(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(HeadingLabel);
  layout->addWidget(StatusLabel, 1);
  layout->addWidget(CancelButton, 0, Qt::AlignHCenter);
  layout->addWidget(ButtonPanel);

  m_host->setProgressDisplay([this](const QString& text) { StatusLabel->setText(text); });
  connect(CancelButton, &QPushButton::clicked, this, &TCountZipCodes::CancelButtonClick);
  connect(PrintButton, &QPushButton::clicked, this, &TCountZipCodes::PrintButtonClick);
  connect(PreviewButton, &QPushButton::clicked, this, &TCountZipCodes::PreviewButtonClick);
  connect(PrintSetupButton, &QPushButton::clicked, this, &TCountZipCodes::PrintSetupButtonClick);
  connect(SaveCsvButton, &QPushButton::clicked, this, &TCountZipCodes::SaveCsvButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(HelpButton, &QPushButton::clicked, this, &TCountZipCodes::HelpButtonClick);
}

TCountZipCodes::~TCountZipCodes() { m_host->setProgressDisplay({}); }

// Offscreen and some window managers never activate a window; the first
// showing stands for the first activation.
void TCountZipCodes::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (FirstActivation) QTimer::singleShot(0, this, &TCountZipCodes::FormActivate);
}

void TCountZipCodes::FormActivate() {
  if (!FirstActivation) return;
  FirstActivation = false;
  DoTheSort();
}

void TCountZipCodes::SetStatusLabel(const QString& text) {
  StatusLabel->setText(text);
  QCoreApplication::processEvents();
}

void TCountZipCodes::DoTheSort() {
  ButtonPanel->setVisible(false);
  CancelButton->setVisible(true);
  StatusLabel->setVisible(true);
  const bool done = m_count.DoTheSort();
  ButtonPanel->setVisible(true);
  CancelButton->setVisible(false);
  StatusLabel->setVisible(false);
  // The button row makes the window wider: it grows about the main
  // window's centre (its own was placed before its layout had sized it). A
  // window manager answers the resize later, and a move made before then
  // is lost, so the window is placed again once the new size is in.
  const QPoint centre =
      parentWidget() ? parentWidget()->frameGeometry().center() : frameGeometry().center();
  adjustSize();
  auto recentre = [this, centre] {
    QRect placed = frameGeometry();
    placed.moveCenter(centre);
    if (isVisible()) move(placed.topLeft());
  };
  recentre();
  QTimer::singleShot(50, this, recentre);
  if (done) {
    Dialogs().beep();
    HeadingLabel->setText(QStringLiteral("Finished counting. Press Print or Preview for the report"));
  } else {
    // Cancelled, or the file could not be read (the user was told): nothing to print.
    QDialog::reject();
  }
}

void TCountZipCodes::CancelButtonClick() { m_count.CancelButtonClick(); }

void TCountZipCodes::PrintButtonClick() {
  PreviewFlag = false;
  if (!Done()) DoTheSort();
  if (!Done()) return;
  // The printer, or the PDF file, is chosen as for every other report.
  if (AskPrintDialog(this, &m_pdfFile) != PrintDialogAnswer::Chosen) return;
  DoThePrintJob();
}

void TCountZipCodes::PreviewButtonClick() {
  PreviewFlag = true;
  if (!Done()) DoTheSort();
  if (Done()) DoThePrintJob();
}

void TCountZipCodes::PrintSetupButtonClick() {
  if (!HasInstalledPrinters()) {
    Dialogs().information(this, QStringLiteral("There are no printers installed"));
    return;
  }
  AskPrinterSetup(this, &m_pdfFile);
}

void TCountZipCodes::SaveCsvButtonClick() {
  if (!Done()) DoTheSort();
  if (!Done()) return;
  const QString path = Dialogs().saveFileName(this, QStringLiteral("Save Zip Code Counts"),
                                              QDir::homePath() + QStringLiteral("/zipcounts.csv"),
                                              QStringLiteral("CSV files (*.csv)"));
  if (path.isEmpty()) return;
  QString error;
  if (!WriteZipCountCsv(m_count.Tallies(), path, &error)) {
    Dialogs().information(this, error);
    return;
  }
  Dialogs().information(this, QStringLiteral("The Zip Code counts are saved in ") +
                                  QDir::toNativeSeparators(path));
}

void TCountZipCodes::HelpButtonClick() { Dialogs().showHelp(this, kHelpTopic); }

void TCountZipCodes::DoThePrintJob() {
  ZipReportOptions options;
  options.print = !PreviewFlag;
  options.printerName = CurrentPrinterName();
  options.paper = CurrentPaper();
  if (options.print) options.pdfFile = m_pdfFile;
  const ZipReportHooks hooks = RunHooks ? RunHooks() : ZipReportWindowHooks(this);
  // An output failure is the status window's last line.
  LastRun = qv::DoThePrintJob(m_count.ReportLines(), options, *m_host, hooks);
}

void TCountZipCodes::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    HelpButtonClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

// Escape and the close box ask as Cancel does while counting.
void TCountZipCodes::reject() {
  if (Counting()) {
    CancelButtonClick();
    return;
  }
  QDialog::reject();
}

}  // namespace qv
