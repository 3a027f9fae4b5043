#include "envelopes/windows/envelope_windows.h"

#include "envelopes/envelope_print.h"
#include "preview/preview_form.h"

namespace qv {

TEnvelopeForm::TEnvelopeForm(TEnvelopePrint& job, QWidget* parent)
    : TPrintStatusForm(parent), m_job(job) {
  setWindowTitle(job.Caption());
  setPrintMode(job.printMode());
  setButtonCaption(job.ButtonCaption());
  setCanvas(&job.Report());
}

void TEnvelopeForm::runJob() { m_job.FormActivate(); }

bool TEnvelopeForm::confirmCancel() {
  m_job.CancelButtonClick();
  return m_job.Aborted();
}

void TEnvelopeForm::stopJob() { m_job.Stop(); }

QString TEnvelopeForm::outcomeText() const { return m_job.OutcomeText(); }

EnvelopeRunHooks EnvelopeWindowHooks(QWidget* parent) {
  EnvelopeRunHooks hooks;
  hooks.printEnvelopes = [parent](TEnvelopePrint& job) {
    TEnvelopeForm form(job, parent);
    form.exec();
  };
  hooks.preview = [parent](QIODevice& stream) {
    TPreviewForm form(parent);
    form.setWindowTitle(QStringLiteral("Preview Envelope"));
    form.setStream(&stream);
    form.exec();
  };
  return hooks;
}

}  // namespace qv
