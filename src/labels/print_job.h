// What every printing job behind a "Print Status" / "Preview Status" window
// shares: a page printer report and a file report (the preview's page
// stream), the print flag that picks one, the one run of FormActivate, and
// the window's Cancel or Stop button. A job adds its report's events and
// the words of its final status line.
#pragma once

#include <QString>
#include <memory>

namespace qv {

class JobHost;
class ReportCanvas;

class PrintJob {
 public:
  virtual ~PrintJob();
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  // True: the page printer report; false: the file report (preview).
  void setPrintMode(bool printing) { m_printMode = printing; }
  bool printMode() const { return m_printMode; }

  // The two report objects; Report() is the one the print flag picks.
  ReportCanvas& PrintReport() { return *m_printReport; }
  ReportCanvas& FileReport() { return *m_fileReport; }
  ReportCanvas& Report() { return m_printMode ? *m_printReport : *m_fileReport; }
  const ReportCanvas& Report() const { return m_printMode ? *m_printReport : *m_fileReport; }

  QString Caption() const;        // "Print Status" or "Preview Status"
  QString ButtonCaption() const;  // "Cancel" or "Stop"

  // Runs the report the print flag picks, once, and puts the outcome line
  // into its status text.
  void FormActivate();
  bool running() const { return m_running; }
  bool finished() const { return m_finished; }

  // Printing: aborts the report, after the job's question when it has one.
  // Previewing: stops after the current piece, without asking.
  void CancelButtonClick();
  void Stop() { m_stop = true; }
  bool Stopped() const { return m_stop; }
  bool Aborted() const;
  // The final status line ("\rLabel Print Completed!", ...).
  virtual QString OutcomeText() const = 0;

 protected:
  // `cancelQuestion` is asked before a print is aborted; empty: no question.
  PrintJob(JobHost& host, const QString& cancelQuestion);

  // The report's error, Canceled, `stopped` or Completed / Ready line, the
  // words after `noun` ("Label ", or empty).
  QString OutcomeLine(const QString& noun, const QString& stopped) const;
  // Two empty status lines under "Printing Page %p", as a run starts.
  static void StartStatusLines(ReportCanvas& report);

  JobHost& m_host;
  bool m_printMode = true;
  bool m_stop = false;
  std::unique_ptr<ReportCanvas> m_printReport;
  std::unique_ptr<ReportCanvas> m_fileReport;

 private:
  QString m_cancelQuestion;
  bool m_running = false;
  bool m_finished = false;
};

}  // namespace qv
