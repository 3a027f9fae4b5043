// The printers a job can use: the installed CUPS printers and the built-in
// "PDF file" printer, which is always there, so every job can run on a
// machine without CUPS. Also the program's selected printer.
#pragma once

#include <QPageSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QPrinter;

namespace qv {

// The built-in printer that writes a PDF file.
QString PdfPrinterName();
bool IsPdfPrinterName(const QString& name);

// The installed printers, then "PDF file".
QStringList InstalledPrinterNames();
bool HasInstalledPrinters();
// The system's default printer; the first installed one when none is set;
// "PDF file" when nothing is installed.
QString DefaultPrinterName();

// The printer the program prints on; starts as the default printer.
QString CurrentPrinterName();
void SetCurrentPrinterName(const QString& name);
// The paper chosen in Printer Setup or the Print dialog, which the reports
// print on; invalid until the user chooses one (each report's own paper).
QPageSize CurrentPaper();
void SetCurrentPaper(const QPageSize& paper);

// The device part of a printer name: the text before the first " ON "
// (found in capitals, as in "HP LaserJet on LPT1:"), or the whole name.
QString PrinterDeviceName(const QString& printerName);

// A printer object for `deviceName`, or null when no printer has that
// name. The "PDF file" printer is a printer in PDF mode without a file name
// yet; it is asked for when a job starts (AskPdfFileName).
std::unique_ptr<QPrinter> CreatePrinter(const QString& deviceName);
bool IsPdfPrinter(const QPrinter& printer);

// A CUPS queue as the print server reports it now.
struct PrinterQueueState {
  bool found = false;      // the server knows the queue
  bool accepting = false;  // it takes new jobs (cupsaccept / cupsreject)
  bool paused = false;     // it holds its jobs (cupsdisable / cupsenable)
};
PrinterQueueState QueueState(const QString& deviceName);

// Why a job cannot go to the queue `deviceName` (gone, not accepting
// jobs), in the program's words; empty when it can.
QString QueueProblem(const QString& deviceName);

// Right after a CUPS printer's painter ended, which hands the job to CUPS:
// why CUPS did not take it, or empty when it did. Qt drops the answer of
// that hand-over, so it is read from the CUPS library's last status, which
// belongs to the calling thread.
QString JobRefusal(const QString& deviceName);

// The notice for a job queued on a paused printer, or empty.
QString PausedQueueNotice(const QString& deviceName);

// How the "PDF file" printer asks for a file name: given a suggested path,
// returns the chosen path or an empty string when the user cancels. The
// windows install one that asks through the dialog service.
using PdfFileQuestion = std::function<QString(const QString& suggestedPath)>;
void SetPdfFileQuestion(PdfFileQuestion question);

// Asks for the PDF file of a job named `title`, starting in the folder of
// the last answer (remembered while the program runs). Empty: cancelled,
// also when no question is installed.
QString AskPdfFileName(const QString& title);

}  // namespace qv
