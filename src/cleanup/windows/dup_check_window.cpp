#include "cleanup/windows/dup_check_window.h"

#include <QButtonGroup>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include "cleanup/merge.h"
#include "cleanup/windows/cleanup_widgets.h"
#include "store/table_grid_model.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

std::vector<TableGridColumn> DupColumns(bool streetFirst) {
  std::vector<TableGridColumn> c = {
      {QStringLiteral("LNAME"), QStringLiteral("Last")},
      {QStringLiteral("FNAME"), QStringLiteral("First")},
      {QStringLiteral("MIDDLE"), QStringLiteral("Mi.")},
      {QStringLiteral("PREFIX"), QStringLiteral("Prefix")},
      {QStringLiteral("TITLE"), QStringLiteral("Title")},
      {QStringLiteral("ORG"), QStringLiteral("Organization")},
      {QStringLiteral("STREET"), QStringLiteral("Street")},
      {QStringLiteral("CITY"), QStringLiteral("City")},
      {QStringLiteral("STATE"), QStringLiteral("State/Prov")},
      {QStringLiteral("ZIP"), QStringLiteral("Zip/Postal")},
      {QStringLiteral("COUNTRY"), QStringLiteral("Country")},
      {QStringLiteral("PHONE"), QStringLiteral("PHONE")},
      {QStringLiteral("EMAIL"), QStringLiteral("EMAIL")},
      {QStringLiteral("FAX"), QStringLiteral("FAX")},
      {QStringLiteral("NOTES"), QStringLiteral("NOTES")},
  };
  if (streetFirst) std::rotate(c.begin(), c.begin() + 6, c.begin() + 7);
  return c;
}

}  // namespace

TDupCheck::TDupCheck(TApolloEnv* env, const QString& programDir, QWidget* parent)
    : TCheckWindow(parent), TableChkDup(new TableObject(env, this)), m_programDir(programDir) {
  setWindowTitle(QStringLiteral("Check and Repair Duplicates"));
  ApolloChkDup.SetDataSource(TableChkDup);
  auto* layout = new QVBoxLayout(this);

  SetupPanel = new QGroupBox(QStringLiteral("Duplicate Record Check Setup"), this);
  auto* setup = new QVBoxLayout(SetupPanel);
  KindofCheck = new QGroupBox(QStringLiteral("What to check:"), SetupPanel);
  auto* kinds = new QGridLayout(KindofCheck);
  KindGroup = new QButtonGroup(this);
  const QStringList captions = {QStringLiteral("Last + First"),
                                QStringLiteral("Last + First Initial"),
                                QStringLiteral("Street Address"),
                                QStringLiteral("Similar name and address")};
  for (int i = 0; i < captions.size(); ++i) {
    auto* b = new QRadioButton(captions[i], KindofCheck);
    KindGroup->addButton(b, i);
    kinds->addWidget(b, i / 2, i % 2);
  }
  KindGroup->button(0)->setChecked(true);
  setup->addWidget(KindofCheck);
  auto* chars = new QHBoxLayout;
  StreetCharsLabel =
      new QLabel(QStringLiteral("Check how many characters of street address (max 30)"), SetupPanel);
  StreetChars = new QSpinBox(SetupPanel);
  StreetChars->setRange(1, kMaxStreetChars);
  StreetChars->setValue(kMaxStreetChars);
  chars->addWidget(StreetCharsLabel);
  chars->addWidget(StreetChars);
  chars->addStretch();
  setup->addLayout(chars);
  CheckitButton = new QPushButton(QStringLiteral("Perform Duplicate Check Now"), SetupPanel);
  CheckitButton->setDefault(true);
  setup->addWidget(CheckitButton);
  layout->addWidget(SetupPanel);

  ResultPanel = new QWidget(this);
  auto* result = new QVBoxLayout(ResultPanel);
  result->setContentsMargins(0, 0, 0, 0);
  result->addWidget(new QLabel(QStringLiteral("Click on field to begin editing"), ResultPanel));
  ChkDupsGrid = new QTableView(ResultPanel);
  ChkDupsGrid->verticalHeader()->setDefaultSectionSize(20);
  result->addWidget(ChkDupsGrid, 1);
  auto* gridButtons = new QHBoxLayout;
  const Navigator nav = MakeNavigator(ChkDupsGrid, ResultPanel);
  gridButtons->addWidget(nav.panel);
  DeleteButton = new QPushButton(QStringLiteral("Delete"), ResultPanel);
  MergeButton = new QPushButton(QStringLiteral("Merge"), ResultPanel);
  SaveButton = new QPushButton(QStringLiteral("Save"), ResultPanel);
  UndoButton = new QPushButton(QStringLiteral("Undo"), ResultPanel);
  for (QPushButton* b : {DeleteButton, MergeButton, SaveButton, UndoButton}) {
    b->setAutoDefault(false);
    gridButtons->addWidget(b);
  }
  result->addLayout(gridButtons);
  layout->addWidget(ResultPanel, 1);
  ResultPanel->hide();

  addFooter(layout, kTopicDupCheck);
  resize(760, 480);

  connect(KindGroup, &QButtonGroup::idClicked, this, &TDupCheck::KindofCheckClick);
  connect(CheckitButton, &QPushButton::clicked, this, &TDupCheck::CheckitButtonClick);
  connect(DeleteButton, &QPushButton::clicked, this, &TDupCheck::DeleteButtonClick);
  connect(MergeButton, &QPushButton::clicked, this, &TDupCheck::MergeButtonClick);
  connect(SaveButton, &QPushButton::clicked, this, &TDupCheck::SaveButtonClick);
  connect(UndoButton, &QPushButton::clicked, this, &TDupCheck::UndoButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &TDupCheck::CloseButtonClick);
  KindofCheckClick();
}

// Edits were posted when the user left them; a destructor has no one left
// to tell about a last write that failed.
TDupCheck::~TDupCheck() { (void)TableChkDup->close(); }

QString TDupCheck::indexPath() const { return QDir(m_programDir).filePath(DupIndexFileName()); }

DupCheckOptions TDupCheck::options() const {
  DupCheckOptions o;
  o.kind = static_cast<DupKind>(std::max(0, KindGroup->checkedId()));
  o.streetChars = StreetChars->value();
  return o;
}

void TDupCheck::KindofCheckClick() {
  const bool street = KindGroup->checkedId() == static_cast<int>(DupKind::Street);
  StreetChars->setVisible(street);
  StreetCharsLabel->setVisible(street);
}

void TDupCheck::CheckitButtonClick() {
  if (m_checking || m_done || !TableChkDup->active()) return;
  SetupPanel->hide();
  beginCheck();
  const DupCheckOptions o = options();
  DupCheckResult result;
  const xb::Status s =
      RunDupCheck(*TableChkDup, o, indexPath().toStdString(), checkProgress(DupCountText), &result);
  endCheck();
  if (!s.ok()) {
    Dialogs().information(this, QStringLiteral("The duplicate check failed: ") +
                                    QString::fromStdString(s.ToString()));
    return;
  }
  m_model = new TableGridModel(TableChkDup, DupColumns(o.kind == DupKind::Street), this);
  m_model->setEditable(true);
  ChkDupsGrid->setModel(m_model);
  FollowGridRow(ChkDupsGrid, m_model, TableChkDup);
  MergeButton->setVisible(true);
  ShowResults(result.found);
}

void TDupCheck::ShowResults(int found) {
  ResultPanel->show();
  if (m_model->rowCount() > 0) ChkDupsGrid->setCurrentIndex(m_model->index(0, 0));
  LabelCount->setText(DupCountText(found));
  m_done = true;
}

void TDupCheck::DeleteButtonClick() {
  if (m_model == nullptr || TableChkDup->eof()) return;
  if (!Dialogs().question(this, QStringLiteral("Delete this record?"), true)) return;
  TApolloEnv& env = *TableChkDup->env();
  const bool hidden = env.Deleted();
  env.SetDeleted(false);
  LetEventsRun();
  if (TableChkDup->state() == TableObject::State::Browse) TableChkDup->edit();
  bool ok = TableChkDup->setFieldText(QStringLiteral("PREFIX"), QStringLiteral("DELETED")) &&
            TableChkDup->post();
  ok = ok && TableChkDup->deleteRecord();
  env.SetDeleted(hidden);
  TableChkDup->resync();
  if (!ok) Dialogs().information(this, QStringLiteral("The record could not be deleted."));
}

void TDupCheck::MergeButtonClick() {
  if (m_model == nullptr || TableChkDup->eof()) return;
  const int row = m_model->rowOfRecord(TableChkDup->recNo());
  // The other record of the pair: the grid's neighbour that forms the pair.
  const int other = PairPartnerRow(*TableChkDup, *m_model, row, options());
  if (other < 0) {
    Dialogs().information(this, QStringLiteral("This record has no duplicate beside it to merge."));
    return;
  }
  const int keep = TableChkDup->recNo();
  const int drop = m_model->recordOfRow(other);
  // The question names both records, as the grid shows them.
  auto describe = [this](int gridRow, int recno) {
    QStringList parts;
    for (const char* field : {"LNAME", "FNAME", "STREET"}) {
      const QString text = m_model->cell(gridRow, m_model->columnOfField(QLatin1String(field)));
      if (!text.trimmed().isEmpty()) parts << text.trimmed();
    }
    return QStringLiteral("record %1 (%2)").arg(recno).arg(parts.join(QStringLiteral(", ")));
  };
  if (!Dialogs().question(this,
                          QStringLiteral("Merge ") + describe(other, drop) +
                              QStringLiteral(" into ") + describe(row, keep) +
                              QStringLiteral(" and delete record %1?").arg(drop),
                          false)) {
    return;
  }
  if (TableChkDup->state() != TableObject::State::Browse && !TableChkDup->post()) return;
  const xb::Status s = MergeRecords(*TableChkDup, keep, drop);
  if (!s.ok()) {
    Dialogs().information(this, QStringLiteral("The records could not be merged: ") +
                                    QString::fromStdString(s.ToString()));
  }
}

void TDupCheck::SaveButtonClick() {
  // post says why itself when it fails and keeps the edit.
  if (TableChkDup->state() != TableObject::State::Browse) (void)TableChkDup->post();
}

void TDupCheck::UndoButtonClick() {
  if (TableChkDup->state() != TableObject::State::Browse) TableChkDup->cancel();
  if (m_model != nullptr) m_model->reload();
}

void TDupCheck::CloseButtonClick() {
  if (m_checking) return;
  // A refused edit keeps the window open (post said why).
  if (TableChkDup->state() != TableObject::State::Browse && !TableChkDup->post()) return;
  accept();
}

}  // namespace qv
