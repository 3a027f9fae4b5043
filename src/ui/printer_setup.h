// "Printer Setup": the printer a job prints on, its paper and which way
// the paper turns, as every report's Printer Setup button offers them. The
// page dialog alone offered paper and margins but no printer. Works on a
// QPrinter the caller made for the current printer; OK writes the choice
// back into it.
#pragma once

#include <QDialog>
#include <QList>
#include <QPageSize>

class QComboBox;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace qv {

class PrinterSetupDialog : public QDialog {
  Q_OBJECT

 public:
  explicit PrinterSetupDialog(QPrinter* printer, QWidget* parent = nullptr);

  QComboBox* PrinterList;
  QComboBox* PaperList;
  QRadioButton* PortraitButton;
  QRadioButton* LandscapeButton;
  QPushButton* OkButton;
  QPushButton* CancelButton;

  void PrinterListChange();
  void OkButtonClick();

 private:
  // Fills the paper list with what `printerName` takes, keeping `keep`
  // selected when the printer has it.
  void FillPapers(const QString& printerName, const QPageSize& keep);

  QPrinter* m_printer;
  QList<QPageSize> m_papers;  // of each PaperList entry
};

// The paper sizes `printerName` takes: the printer's own list, or for the
// PDF printer (and a printer that names none) the common sizes.
QList<QPageSize> PapersOf(const QString& printerName);

}  // namespace qv
