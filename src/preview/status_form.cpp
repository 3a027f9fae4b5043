#include "preview/status_form.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "render/report_canvas.h"

namespace qv {

TPrintStatusForm::TPrintStatusForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Print Status"));
  setModal(true);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setMinimumSize(260, 70);
  // A failure's reason (a printer refusing the job, a file that cannot be
  // written) is longer than the window is wide.
  Label1->setWordWrap(true);
  CancelButton = new QPushButton(tr("Cancel"), this);
  CancelButton->setObjectName("CancelButton");
  CancelButton->setDefault(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1, 1);
  layout->addWidget(CancelButton, 0, Qt::AlignHCenter);
  connect(CancelButton, &QPushButton::clicked, this, &TPrintStatusForm::CancelButtonClick);
}

void TPrintStatusForm::setCanvas(ReportCanvas* canvas) {
  if (m_canvas) m_canvas->setStatusDisplay(nullptr);
  m_canvas = canvas;
  if (m_canvas) {
    m_canvas->setStatusDisplay([this](const QString& text) { showStatus(text); });
  }
}

void TPrintStatusForm::setButtonCaption(const QString& caption) {
  if (!m_finished) CancelButton->setText(caption);
}

QString TPrintStatusForm::DisplayText(const QString& statusText) {
  QString text = statusText;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

void TPrintStatusForm::showStatus(const QString& statusText) {
  Label1->setText(DisplayText(statusText));
}

void TPrintStatusForm::processPendingEvents() { QCoreApplication::processEvents(); }

bool TPrintStatusForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && m_firstActivation) {
    QTimer::singleShot(0, this, &TPrintStatusForm::FormActivate);
  }
  return QDialog::event(event);
}

// Offscreen and some window managers never activate the window; showing it
// counts as its first activation too.
void TPrintStatusForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_firstActivation) QTimer::singleShot(0, this, &TPrintStatusForm::FormActivate);
}

void TPrintStatusForm::FormActivate() {
  if (!m_firstActivation) return;
  m_firstActivation = false;
  m_running = true;
  ++m_runCount;
  runJob();
  m_running = false;
  m_finished = true;
  CancelButton->setText(tr("OK"));
  if (m_canvas) {
    m_canvas->setStatusFormat(outcomeText());
  } else {
    showStatus(outcomeText());
  }
}

void TPrintStatusForm::runJob() {
  if (m_canvas) m_canvas->execute();
}

QString TPrintStatusForm::outcomeText() const {
  if (m_canvas && !m_canvas->errorText().isEmpty()) {
    return QStringLiteral("\r") + m_canvas->errorText();
  }
  if (m_canvas && m_canvas->aborted()) {
    return m_printMode ? QStringLiteral("\rPrint Canceled!")
                       : QStringLiteral("\rPreview Canceled!");
  }
  if (m_stopped) return QStringLiteral("\rPreview Stopped at page %p!");
  return m_printMode ? QStringLiteral("\rPrint Completed!") : QStringLiteral("\rPreview Ready!");
}

void TPrintStatusForm::CancelButtonClick() {
  if (m_finished) {
    accept();
    return;
  }
  if (!m_running) return;
  if (!m_printMode) {
    m_stopped = true;
    stopJob();
    return;
  }
  if (confirmCancel() && m_canvas) m_canvas->abort();
}

// Escape and the close box act as the button: they never walk away from a
// running job.
void TPrintStatusForm::reject() {
  if (m_finished || (!m_running && !m_firstActivation)) {
    QDialog::reject();
    return;
  }
  if (m_running) CancelButtonClick();
}

}  // namespace qv
