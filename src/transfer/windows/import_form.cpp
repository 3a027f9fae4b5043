#include "transfer/windows/import_form.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "cleanup/windows/cleanup_widgets.h"
#include "transfer/windows/transfer_widgets.h"
#include "ui/dialogs.h"

namespace qv {

ImportForm::ImportForm(TApolloEnv* env, const QString& title, const QString& nameCaption,
                       const QString& selectCaption, const QString& explanation, int helpTopic,
                       QWidget* parent)
    : QDialog(parent), Destination(new TableObject(env, this)) {
  setWindowTitle(title);
  DestinationApollo.SetDataSource(Destination);
  auto* layout = new QVBoxLayout(this);
  auto* explain = new QLabel(explanation, this);
  explain->setWordWrap(true);
  layout->addWidget(explain);
  auto* name = new QHBoxLayout;
  name->addWidget(new QLabel(nameCaption, this));
  FileNameLabel = new QLabel(QStringLiteral("(none)"), this);
  FileNameLabel->setFrameShape(QFrame::Panel);
  FileNameLabel->setFrameShadow(QFrame::Sunken);
  name->addWidget(FileNameLabel, 1);
  layout->addLayout(name);

  ButtonPanel = new QWidget(this);
  auto* buttons = new QHBoxLayout(ButtonPanel);
  buttons->setContentsMargins(0, 0, 0, 0);
  SelectButton = AddButton(selectCaption, ButtonPanel, buttons);
  MatchButton = AddButton(QStringLiteral("Match Fields"), ButtonPanel, buttons);
  ImportButton = AddButton(QStringLiteral("Import"), ButtonPanel, buttons);
  layout->addWidget(ButtonPanel);

  StatusLabel = new QLabel(this);
  layout->addWidget(StatusLabel);
  Gauge1 = new QProgressBar(this);
  Gauge1->setRange(0, 100);
  Gauge1->hide();
  layout->addWidget(Gauge1);

  auto* row = new QHBoxLayout;
  row->addStretch();
  CancelButton = AddButton(QStringLiteral("Cancel"), this, row);
  HelpButton = MakeHelpButton(this, helpTopic);
  row->addWidget(HelpButton);
  layout->addLayout(row);

  MatchButton->setEnabled(false);
  ImportButton->setEnabled(false);
  DefaultToFurthestStep({SelectButton, MatchButton, ImportButton});
  connect(CancelButton, &QPushButton::clicked, this, &ImportForm::CancelButtonClick);
  resize(520, 220);
}

void ImportForm::RunImport(RowSource& source, const std::function<bool(QString* error)>& open) {
  m_importing = true;
  m_cancel = false;
  m_result = ImportResult();
  Gauge1->setValue(0);
  Gauge1->show();
  ButtonPanel->hide();
  HelpButton->hide();
  StatusLabel->clear();
  LetEventsRun();

  QString error;
  xb::Status s = xb::Status::OK();
  if (!open(&error)) {
    s = xb::Status::IOError(error.toStdString());
  } else {
    StatusLabel->setText(QStringLiteral("Importing records"));
    const TransferProgress progress = [this](int percent, std::int64_t) {
      Gauge1->setValue(percent);
      if (OnImportProgress) OnImportProgress(percent);
      LetEventsRun();
      return !m_cancel;
    };
    // The rebuild's first notice marks the end of the loop: from there on
    // Cancel is hidden and ignored.
    const xb::ProgressFn rebuild = [this](int percent) {
      if (!m_rebuilding) {
        m_rebuilding = true;
        StatusLabel->setText(QStringLiteral("Rebuilding Indexes "));
        CancelButton->hide();
      }
      Gauge1->setValue(percent);
      if (OnRebuildProgress) OnRebuildProgress(percent);
      LetEventsRun();
    };
    s = ImportRows(*Destination, source, progress, &m_result, rebuild);
  }
  m_rebuilding = false;
  CancelButton->show();
  StatusLabel->clear();
  Gauge1->setValue(0);
  Gauge1->hide();

  if (!s.ok()) {
    const QString why = QString::fromStdString(s.message().empty() ? s.ToString() : s.message());
    Dialogs().information(
        this, why + QStringLiteral("\r\nThe import stopped after importing %1 records.")
                        .arg(m_result.posted));
  } else if (m_result.cancelled) {
    Dialogs().information(this, ImportCancelledMessage(m_result.posted));
  } else {
    Dialogs().information(this, ImportCompleteMessage(m_result.posted));
  }
  // What was passed over, repaired or cut, in one box.
  if (const QStringList notices = ImportNotices(m_result, source); !notices.isEmpty()) {
    Dialogs().information(this, notices.join(QStringLiteral("\r\n")));
  }

  ButtonPanel->show();
  HelpButton->show();
  m_importing = false;
  m_cancel = false;
  // An input that could not be read leaves the window open for another try.
  if (s.ok() || m_result.posted > 0) accept();
}

void ImportForm::CancelButtonClick() {
  if (m_rebuilding) return;
  if (m_importing) {
    m_cancel = true;  // the loop stops after the current record
    return;
  }
  QDialog::reject();
}

void ImportForm::reject() {
  // Esc behaves as Cancel: it cannot close the window in the middle of a run.
  CancelButtonClick();
}

void ImportForm::closeEvent(QCloseEvent* event) {
  if (m_importing) {
    event->ignore();
    CancelButtonClick();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace qv
