// The windows around an envelope run: the status window the envelope
// printer runs in ("Print Status" / "Preview Status") and the hooks that
// show it and the finished preview ("Preview Envelope") around
// DoPrintEnvelopes. Help topics of the envelope windows.
#pragma once

#include "envelopes/envelope_run.h"
#include "preview/status_form.h"

namespace qv {

class TEnvelopePrint;
class WindowJobHost;

constexpr int kPrintEnvelopeHelpTopic = 1060;
constexpr int kEnvelopeSizeHelpTopic = 1061;
constexpr int kEnvelopeDesignerHelpTopic = 1062;

// Cancel (printing) aborts the report; Stop (previewing) ends the run
// after the current envelope and keeps its pages.
class TEnvelopeForm : public TPrintStatusForm {
  Q_OBJECT

 public:
  explicit TEnvelopeForm(TEnvelopePrint& job, QWidget* parent = nullptr);
  TEnvelopePrint& job() const { return m_job; }

 protected:
  void runJob() override;
  bool confirmCancel() override;
  void stopJob() override;
  QString outcomeText() const override;

 private:
  TEnvelopePrint& m_job;
};

// Hooks that run the printer in TEnvelopeForm and show a finished preview
// in TPreviewForm, each modal over `parent`.
EnvelopeRunHooks EnvelopeWindowHooks(QWidget* parent = nullptr);

}  // namespace qv
