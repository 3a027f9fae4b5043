// The windows around a label run: DoPrint's job logic stays below the
// windows; these give it a host that asks through the dialog service and
// lets window events run between records, the "Print Status" / "Preview
// Status" window the label printer runs in, the "Bulk Mail Presorting"
// window the presort runs in, and the preview window for a finished
// preview.
#pragma once

#include <QDialog>
#include <functional>

#include "labels/job_host.h"
#include "labels/label_run.h"
#include "preview/status_form.h"

#include "ui/qt_classes.h"

namespace qv {

class PrintJob;
class TLabelPrint;
class TSortBulkMail;

// Notices and questions go to Dialogs() with `parent` as their owner;
// progress goes to whichever window shows it at the time.
class WindowJobHost : public JobHost {
 public:
  explicit WindowJobHost(QWidget* parent = nullptr) : m_parent(parent) {}

  void information(const QString& text) override;
  bool question(const QString& text, bool defaultYes) override;
  void progress(const QString& text) override;
  void processPendingEvents() override;

  // Where progress texts go; an empty function drops them.
  void setProgressDisplay(std::function<void(const QString&)> display) {
    m_display = std::move(display);
  }

 private:
  QWidget* m_parent;
  std::function<void(const QString&)> m_display;
};

// The status window a print job runs in. Cancel (printing) goes to the
// job, which asks its question, if it has one, and aborts its report; Stop
// (previewing) ends the run after the current piece and keeps its pages.
class TPrintJobStatus : public TPrintStatusForm {
  Q_OBJECT

 public:
  explicit TPrintJobStatus(PrintJob& job, QWidget* parent = nullptr);

 protected:
  void runJob() override;
  bool confirmCancel() override;
  void stopJob() override;
  QString outcomeText() const override;

 private:
  PrintJob& m_job;
};

// The label printer's status window; the job asks "Cancel Label Printing?".
class TLabelPrintStatus : public TPrintJobStatus {
  Q_OBJECT

 public:
  explicit TLabelPrintStatus(TLabelPrint& job, QWidget* parent = nullptr);
  TLabelPrint& job() const { return m_labelJob; }

 private:
  TLabelPrint& m_labelJob;
};

// A run hook that runs `Job` in TPrintJobStatus, modal over `parent`.
template <class Job>
std::function<void(Job&)> StatusWindowHook(QWidget* parent) {
  return [parent](Job& job) {
    TPrintJobStatus form(job, parent);
    form.exec();
  };
}

// A run hook that shows a finished preview's page stream in TPreviewForm
// captioned `caption`, modal over `parent`.
std::function<void(QIODevice&)> PreviewWindowHook(QWidget* parent, const QString& caption);

// The presort window: runs DoTheSort once when first shown, shows its
// progress, and closes with OK when the presort finished (the done box
// ticked) or with Cancel when it did not.
class TSortBulkMailForm : public QDialog {
  Q_OBJECT

 public:
  TSortBulkMailForm(TSortBulkMail& sorter, WindowJobHost& host, QWidget* parent = nullptr);
  ~TSortBulkMailForm() override;

  QLabel* Label1;
  QPushButton* CancelButton;
  // Never shown: tells the caller whether the presort finished.
  QCheckBox* DoneCheck;

  void FormActivate();
  void CancelButtonClick();
  bool running() const { return m_running; }

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;

 private:
  TSortBulkMail& m_sorter;
  WindowJobHost& m_host;
  bool m_firstActivation = true;
  bool m_running = false;
};

// Hooks that run the presort in TSortBulkMailForm, the label printer in
// TLabelPrintStatus and show a finished preview in TPreviewForm captioned
// "Preview Labels", each modal over `parent`. `host` must be the host
// DoPrint is given and outlive the run.
LabelRunHooks LabelWindowHooks(WindowJobHost& host, QWidget* parent = nullptr);

}  // namespace qv
