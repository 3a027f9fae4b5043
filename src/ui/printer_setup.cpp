#include "ui/printer_setup.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "render/printers.h"

namespace qv {

QList<QPageSize> PapersOf(const QString& printerName) {
  if (!IsPdfPrinterName(printerName)) {
    const QList<QPageSize> own =
        QPrinterInfo::printerInfo(PrinterDeviceName(printerName)).supportedPageSizes();
    if (!own.isEmpty()) return own;
  }
  QList<QPageSize> common;
  for (QPageSize::PageSizeId id :
       {QPageSize::Letter, QPageSize::Legal, QPageSize::Executive, QPageSize::A4, QPageSize::A5,
        QPageSize::B5, QPageSize::Envelope10, QPageSize::EnvelopeDL, QPageSize::EnvelopeC5}) {
    common << QPageSize(id);
  }
  return common;
}

PrinterSetupDialog::PrinterSetupDialog(QPrinter* printer, QWidget* parent)
    : QDialog(parent), m_printer(printer) {
  setWindowTitle(QStringLiteral("Printer Setup"));
  PrinterList = new QComboBox(this);
  PrinterList->addItems(InstalledPrinterNames());
  PaperList = new QComboBox(this);
  PaperList->setMinimumContentsLength(24);
  auto* printerLabel = new QLabel(QStringLiteral("&Printer:"), this);
  printerLabel->setBuddy(PrinterList);
  auto* paperLabel = new QLabel(QStringLiteral("Paper &size:"), this);
  paperLabel->setBuddy(PaperList);

  auto* orientationBox = new QGroupBox(QStringLiteral("Orientation"), this);
  PortraitButton = new QRadioButton(QStringLiteral("P&ortrait"), orientationBox);
  LandscapeButton = new QRadioButton(QStringLiteral("&Landscape"), orientationBox);
  auto* orientationLayout = new QHBoxLayout(orientationBox);
  orientationLayout->addWidget(PortraitButton);
  orientationLayout->addWidget(LandscapeButton);

  OkButton = new QPushButton(QStringLiteral("OK"), this);
  OkButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);

  auto* form = new QFormLayout;
  form->addRow(printerLabel, PrinterList);
  form->addRow(paperLabel, PaperList);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(orientationBox);
  layout->addLayout(buttons);

  // The printer the caller made: the PDF printer has no printer name.
  const QString current =
      IsPdfPrinter(*printer) ? PdfPrinterName() : printer->printerName();
  const int at = PrinterList->findText(current);
  PrinterList->setCurrentIndex(at < 0 ? 0 : at);
  FillPapers(PrinterList->currentText(), printer->pageLayout().pageSize());
  const bool landscape = printer->pageLayout().orientation() == QPageLayout::Landscape;
  (landscape ? LandscapeButton : PortraitButton)->setChecked(true);

  connect(PrinterList, &QComboBox::currentIndexChanged, this,
          &PrinterSetupDialog::PrinterListChange);
  connect(OkButton, &QPushButton::clicked, this, &PrinterSetupDialog::OkButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void PrinterSetupDialog::FillPapers(const QString& printerName, const QPageSize& keep) {
  m_papers = PapersOf(printerName);
  PaperList->clear();
  int selected = -1;
  for (int i = 0; i < m_papers.size(); ++i) {
    PaperList->addItem(m_papers[i].name());
    if (selected < 0 && keep.isValid() && m_papers[i].isEquivalentTo(keep)) selected = i;
  }
  // A paper this printer lacks: its own first paper, rather than a size it
  // would print on something else.
  PaperList->setCurrentIndex(selected < 0 ? 0 : selected);
}

void PrinterSetupDialog::PrinterListChange() {
  const int paper = PaperList->currentIndex();
  FillPapers(PrinterList->currentText(),
             paper >= 0 && paper < m_papers.size() ? m_papers[paper] : QPageSize());
}

void PrinterSetupDialog::OkButtonClick() {
  const QString name = PrinterList->currentText();
  if (IsPdfPrinterName(name)) {
    m_printer->setOutputFormat(QPrinter::PdfFormat);
  } else {
    m_printer->setOutputFormat(QPrinter::NativeFormat);
    m_printer->setPrinterName(PrinterDeviceName(name));
  }
  const int paper = PaperList->currentIndex();
  if (paper >= 0 && paper < m_papers.size()) m_printer->setPageSize(m_papers[paper]);
  m_printer->setPageOrientation(LandscapeButton->isChecked() ? QPageLayout::Landscape
                                                             : QPageLayout::Portrait);
  accept();
}

}  // namespace qv
