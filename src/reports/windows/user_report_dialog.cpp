#include "reports/windows/user_report_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "labels/windows/label_windows.h"
#include "render/printers.h"
#include "reports/report_settings.h"
#include "store/settings.h"
#include "ui/dialogs.h"

namespace qv {

UserReportHooks UserReportWindowHooks(QWidget* parent) {
  UserReportHooks hooks;
  hooks.printReport = StatusWindowHook<TUserReportPrint>(parent);
  hooks.preview = PreviewWindowHook(parent, QStringLiteral("Preview Report"));
  return hooks;
}

// ---- TUserDesignedReport

TUserDesignedReport::TUserDesignedReport(TableObject* contacts, TApollo* contactApollo,
                                         const QString& contactFilePath, QWidget* parent)
    : ContactPrintDialog(contacts, contactApollo, parent), m_contactFilePath(contactFilePath) {
  setWindowTitle(QStringLiteral("Print Report"));
  setModal(true);

  auto* contents = new QGroupBox(QStringLiteral("Report Contents"), this);
  auto* listLabel = new QLabel(QStringLiteral("Select &Report:"), contents);
  ReportList = new QListWidget(contents);
  ReportList->setObjectName(QStringLiteral("ReportList"));
  ReportList->addItems(ReportLayoutNames());
  ReportList->setMinimumWidth(ReportList->fontMetrics().averageCharWidth() * 40);
  ReportList->setMaximumHeight(ReportList->sizeHintForRow(0) * 4 + 8);
  listLabel->setBuddy(ReportList);
  auto* titleLabel = new QLabel(QStringLiteral("Report T&itle"), contents);
  TitleField = new QLineEdit(contents);
  TitleField->setObjectName(QStringLiteral("TitleField"));
  titleLabel->setBuddy(TitleField);
  PrintCodesBox = new QCheckBox(QStringLiteral("Print &Codes"), contents);
  PrintMemoBox = new QCheckBox(QStringLiteral("Print &Memo"), contents);
  auto* contentsLayout = new QVBoxLayout(contents);
  contentsLayout->addWidget(listLabel);
  contentsLayout->addWidget(ReportList);
  contentsLayout->addWidget(titleLabel);
  contentsLayout->addWidget(TitleField);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(PrintCodesBox);
  boxes->addWidget(PrintMemoBox);
  boxes->addStretch(1);
  contentsLayout->addLayout(boxes);

  auto* what = new QGroupBox(QStringLiteral("What to print"), this);
  rbQAll = new QRadioButton(QStringLiteral("&All records"), what);
  rbQFilter = new QRadioButton(QStringLiteral("Records matching &filter"), what);
  rbOnlyThis = new QRadioButton(QStringLiteral("Only c&urrent record"), what);
  StartCurrentCheck = new QCheckBox(QStringLiteral("S&tart from current record"), what);
  rbQFilter->setChecked(true);
  auto* whatLayout = new QVBoxLayout(what);
  for (QWidget* w : std::initializer_list<QWidget*>{rbQAll, rbQFilter, rbOnlyThis,
                                                    StartCurrentCheck}) {
    whatLayout->addWidget(w);
  }
  whatLayout->addStretch(1);

  PrintNowButton = new QPushButton(QStringLiteral("&Print Now"), this);
  PreviewButton = new QPushButton(QStringLiteral("Pre&view"), this);
  PrintSetupButton = new QPushButton(QStringLiteral("Printer &Setup"), this);
  HelpButton = new QPushButton(QStringLiteral("&Help"), this);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  PrintNowButton->setDefault(true);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {PrintNowButton, PreviewButton, PrintSetupButton, HelpButton, CancelButton}) {
    buttons->addWidget(b);
  }
  buttons->addStretch(1);

  auto* panels = new QHBoxLayout;
  panels->addWidget(contents, 3);
  panels->addWidget(what, 2);
  auto* top = new QHBoxLayout(this);
  top->addLayout(panels, 1);
  top->addLayout(buttons);

  connect(ReportList, &QListWidget::currentRowChanged, this, &TUserDesignedReport::ReportListChange);
  connect(PrintNowButton, &QPushButton::clicked, this, &TUserDesignedReport::PrintNowClick);
  connect(PreviewButton, &QPushButton::clicked, this, &TUserDesignedReport::PreviewButtonClick);
  connect(PrintSetupButton, &QPushButton::clicked, this, &TUserDesignedReport::PrintSetupClick);
  connect(HelpButton, &QPushButton::clicked, this, &TUserDesignedReport::HelpButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  LoadPreferences();
}

void TUserDesignedReport::LoadPreferences() {
  const ReportChoices c = ReadReportChoices(SettingsFile(), m_contactFilePath);
  TitleField->setText(c.title);
  ReportList->setCurrentRow(c.layout - 1);
  PrintCodesBox->setChecked(c.printCodes);
  PrintMemoBox->setChecked(c.printMemo);
  ReportListChange();
}

void TUserDesignedReport::SavePreferences() {
  ReportChoices c;
  c.title = TitleField->text();
  c.layout = Layout();
  c.printCodes = PrintCodesBox->isChecked();
  c.printMemo = PrintMemoBox->isChecked();
  IniFile ini = SettingsFile();
  if (!WriteReportChoices(ini, c)) {
    Dialogs().information(this, QStringLiteral("Unable to save the report settings in %1")
                                    .arg(ini.path()));
  }
}

// However the dialog closes, the next report offers the same title.
void TUserDesignedReport::done(int result) {
  if (!m_saved) {
    m_saved = true;
    SavePreferences();
  }
  QDialog::done(result);
}

int TUserDesignedReport::Layout() const {
  const int row = ReportList->currentRow();
  return row < 0 ? 1 : row + 1;
}

void TUserDesignedReport::ReportListChange() {
  const bool chosen = ReportList->currentRow() >= 0;
  PrintNowButton->setEnabled(chosen);
  PreviewButton->setEnabled(chosen);
}

void TUserDesignedReport::PrintNowClick() {
  PrintMode = true;
  if (AskPrintDialog(this, &m_pdfFile, &NotedOrientation) != PrintDialogAnswer::Chosen) return;
  DoPrint();
  m_pdfFile.clear();
}

void TUserDesignedReport::PreviewButtonClick() {
  PrintMode = false;
  DoPrint();
}

void TUserDesignedReport::PrintSetupClick() {
  AskPrinterSetup(this, &m_pdfFile, &NotedOrientation);
}

void TUserDesignedReport::HelpButtonClick() { Dialogs().showHelp(this, kHelpTopic); }

void TUserDesignedReport::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    HelpButtonClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

UserReportOptions TUserDesignedReport::Options() const {
  UserReportOptions o;
  o.layout = Layout();
  o.title = TitleField->text();
  o.printCodes = PrintCodesBox->isChecked();
  o.printMemo = PrintMemoBox->isChecked();
  o.selection = rbQAll->isChecked()       ? RecordSelection::All
                : rbOnlyThis->isChecked() ? RecordSelection::Current
                                          : RecordSelection::Filter;
  o.startFromCurrent = StartCurrentCheck->isChecked();
  o.orientation = NotedOrientation;
  SetRunTarget(&o, PrintMode);
  o.paper = CurrentPaper();
  return o;
}

void TUserDesignedReport::DoPrint() {
  WindowJobHost host(this);
  const UserReportHooks hooks = RunHooks ? RunHooks() : UserReportWindowHooks(this);
  // Output failures end up in the status window's last line; the run
  // itself tells the user about the file.
  LastRun = RunUserReport(*m_contacts, *m_contactApollo, Options(), host, hooks);
}

}  // namespace qv
