#include "labels/windows/label_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "labels/label_print.h"
#include "labels/sort_bulk_mail.h"
#include "preview/preview_form.h"
#include "ui/dialogs.h"

namespace qv {

// ---- WindowJobHost

void WindowJobHost::information(const QString& text) { Dialogs().information(m_parent, text); }

bool WindowJobHost::question(const QString& text, bool defaultYes) {
  return Dialogs().question(m_parent, text, defaultYes);
}

void WindowJobHost::progress(const QString& text) {
  if (m_display) m_display(text);
}

void WindowJobHost::processPendingEvents() { QCoreApplication::processEvents(); }

// ---- TPrintJobStatus

TPrintJobStatus::TPrintJobStatus(PrintJob& job, QWidget* parent)
    : TPrintStatusForm(parent), m_job(job) {
  setWindowTitle(job.Caption());
  setPrintMode(job.printMode());
  setButtonCaption(job.ButtonCaption());
  setCanvas(&job.Report());
}

void TPrintJobStatus::runJob() { m_job.FormActivate(); }

// The job asks its own question and aborts its report on Yes.
bool TPrintJobStatus::confirmCancel() {
  m_job.CancelButtonClick();
  return m_job.Aborted();
}

void TPrintJobStatus::stopJob() { m_job.Stop(); }

QString TPrintJobStatus::outcomeText() const { return m_job.OutcomeText(); }

TLabelPrintStatus::TLabelPrintStatus(TLabelPrint& job, QWidget* parent)
    : TPrintJobStatus(job, parent), m_labelJob(job) {}

// ---- TSortBulkMailForm

TSortBulkMailForm::TSortBulkMailForm(TSortBulkMail& sorter, WindowJobHost& host, QWidget* parent)
    : QDialog(parent), m_sorter(sorter), m_host(host) {
  setWindowTitle(TSortBulkMail::Caption());
  setModal(true);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setMinimumSize(260, 50);
  CancelButton = new QPushButton(tr("Cancel"), this);
  CancelButton->setObjectName("CancelButton");
  DoneCheck = new QCheckBox(this);
  DoneCheck->setObjectName("DoneCheck");
  DoneCheck->setVisible(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1, 1);
  layout->addWidget(CancelButton, 0, Qt::AlignHCenter);
  connect(CancelButton, &QPushButton::clicked, this, &TSortBulkMailForm::CancelButtonClick);
}

TSortBulkMailForm::~TSortBulkMailForm() {
  if (m_running) m_host.setProgressDisplay({});
}

// Offscreen and some window managers never activate a window; the first
// showing starts the presort.
void TSortBulkMailForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (m_firstActivation) QTimer::singleShot(0, this, &TSortBulkMailForm::FormActivate);
}

void TSortBulkMailForm::FormActivate() {
  if (!m_firstActivation) return;
  m_firstActivation = false;
  m_host.setProgressDisplay([this](const QString& text) { Label1->setText(text); });
  m_running = true;
  const bool done = m_sorter.DoTheSort();
  m_running = false;
  m_host.setProgressDisplay({});
  DoneCheck->setChecked(done);
  if (done) {
    accept();
  } else {
    QDialog::reject();
  }
}

void TSortBulkMailForm::CancelButtonClick() {
  if (m_running) m_sorter.CancelButtonClick();
}

// Escape and the close box ask as Cancel does while the presort runs.
void TSortBulkMailForm::reject() {
  if (m_running) {
    CancelButtonClick();
    return;
  }
  QDialog::reject();
}

// ---- Hooks

std::function<void(QIODevice&)> PreviewWindowHook(QWidget* parent, const QString& caption) {
  return [parent, caption](QIODevice& stream) {
    TPreviewForm form(parent);
    form.setWindowTitle(caption);
    form.setStream(&stream);
    form.exec();
  };
}

LabelRunHooks LabelWindowHooks(WindowJobHost& host, QWidget* parent) {
  LabelRunHooks hooks;
  hooks.presort = [&host, parent](TSortBulkMail& sorter) {
    TSortBulkMailForm form(sorter, host, parent);
    form.exec();
    return form.DoneCheck->isChecked();
  };
  hooks.printLabels = [parent](TLabelPrint& job) {
    TLabelPrintStatus form(job, parent);
    form.exec();
  };
  hooks.preview = PreviewWindowHook(parent, QStringLiteral("Preview Labels"));
  return hooks;
}

}  // namespace qv
