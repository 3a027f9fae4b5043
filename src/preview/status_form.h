// The status window every print or preview job runs in: a small modal
// window that starts its job once, when it is first activated, shows the
// report's status text ("Printing Page %p" and the job's status lines),
// serves its Cancel or Stop button between records, then turns that button
// into OK and shows the outcome line.
//
// Jobs derive from it: they wire the canvas's events, override runJob()
// when they need more than executing the report, ask their own Yes/No in
// confirmCancel() and give their outcome texts in outcomeText(). The window
// itself asks nothing.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace qv {

class ReportCanvas;

class TPrintStatusForm : public QDialog {
  Q_OBJECT

 public:
  explicit TPrintStatusForm(QWidget* parent = nullptr);

  // The report this window runs and whose status it shows (not owned).
  void setCanvas(ReportCanvas* canvas);
  ReportCanvas* canvas() const { return m_canvas; }
  // Printing (Cancel aborts the report) or previewing (Stop ends it early,
  // keeping the pages so far).
  void setPrintMode(bool printing) { m_printMode = printing; }
  bool printMode() const { return m_printMode; }
  // "Cancel" or "Stop" while running.
  void setButtonCaption(const QString& caption);

  bool running() const { return m_running; }
  bool finished() const { return m_finished; }
  // The user stopped a preview.
  bool stopped() const { return m_stopped; }
  // How many times the job has run (at most once per window).
  int runCount() const { return m_runCount; }

  // Lets pending window events run; jobs call it once per record so the
  // button is served during the run.
  void processPendingEvents();

  // The status text as shown, "\r" turned into line breaks.
  static QString DisplayText(const QString& statusText);

  QLabel* Label1;
  QPushButton* CancelButton;

  void FormActivate();
  void CancelButtonClick();

 protected:
  // The job: executes the report by default.
  virtual void runJob();
  // Asked before a running print job is abandoned; true to abandon.
  virtual bool confirmCancel() { return true; }
  // Told when Stop ends a running preview; the job ends after its current
  // record.
  virtual void stopJob() {}
  // The line shown after the run; %p is the page reached.
  virtual QString outcomeText() const;

  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  void showStatus(const QString& statusText);

  ReportCanvas* m_canvas = nullptr;
  bool m_printMode = true;
  bool m_firstActivation = true;
  bool m_running = false;
  bool m_finished = false;
  bool m_stopped = false;
  int m_runCount = 0;
};

}  // namespace qv
