#include "labels/print_job.h"

#include "labels/job_host.h"
#include "render/report_canvas.h"

namespace qv {

PrintJob::PrintJob(JobHost& host, const QString& cancelQuestion)
    : m_host(host),
      m_printReport(std::make_unique<ReportCanvas>()),
      m_fileReport(std::make_unique<ReportCanvas>()),
      m_cancelQuestion(cancelQuestion) {
  m_fileReport->setOutputToStream(nullptr);
}

PrintJob::~PrintJob() = default;

QString PrintJob::Caption() const {
  return m_printMode ? QStringLiteral("Print Status") : QStringLiteral("Preview Status");
}

QString PrintJob::ButtonCaption() const {
  return m_printMode ? QStringLiteral("Cancel") : QStringLiteral("Stop");
}

void PrintJob::FormActivate() {
  if (m_running || m_finished) return;
  m_running = true;
  m_stop = false;
  Report().execute();
  m_running = false;
  m_finished = true;
  Report().setStatusFormat(OutcomeText());
}

void PrintJob::CancelButtonClick() {
  if (!m_running) return;
  if (!m_printMode) {
    m_stop = true;
    return;
  }
  if (m_cancelQuestion.isEmpty() || m_host.question(m_cancelQuestion, true)) {
    m_printReport->abort();
  }
}

bool PrintJob::Aborted() const { return Report().aborted(); }

QString PrintJob::OutcomeLine(const QString& noun, const QString& stopped) const {
  const ReportCanvas& r = Report();
  if (!r.errorText().isEmpty()) return QStringLiteral("\r") + r.errorText();
  const QString mode = m_printMode ? QStringLiteral("Print ") : QStringLiteral("Preview ");
  if (r.aborted()) return QStringLiteral("\r") + noun + mode + QStringLiteral("Canceled!");
  if (m_stop) return stopped;
  return QStringLiteral("\r") + noun +
         (m_printMode ? QStringLiteral("Print Completed!") : QStringLiteral("Preview Ready!"));
}

void PrintJob::StartStatusLines(ReportCanvas& report) {
  report.setStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
  report.clearStatusLines();
  report.addStatusLine(QString());
  report.addStatusLine(QString());
}

}  // namespace qv
