#include "cleanup/windows/zip_check_window.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "cleanup/windows/cleanup_widgets.h"
#include "store/table_grid_model.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

QPushButton* Button(const QString& text, QWidget* parent, QHBoxLayout* row) {
  auto* b = new QPushButton(text, parent);
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}

}  // namespace

TStateZipCheck::TStateZipCheck(TApolloEnv* env, const QString& programDir, QWidget* parent)
    : TCheckWindow(parent),
      TableCreate(new TableObject(env, this)),
      StateTable(new TableObject(env, this)),
      m_programDir(programDir) {
  setWindowTitle(QStringLiteral("Check State and Zip  Codes"));
  ApolloCreate.SetDataSource(TableCreate);
  StateApollo.SetDataSource(StateTable);
  auto* layout = new QVBoxLayout(this);

  SetupPanel = new QGroupBox(
      QStringLiteral("Check For State/Province  && Zipcode/Postal Code Anomalies"), this);
  auto* setup = new QVBoxLayout(SetupPanel);
  auto* explain = new QLabel(
      QStringLiteral("Every record's state or province code and its ZIP or postal code are "
                     "checked against the State/Province file. Records whose code is not in "
                     "the file, or whose ZIP lies in none of its ranges, are listed for you to "
                     "correct."),
      SetupPanel);
  explain->setWordWrap(true);
  setup->addWidget(explain);
  CheckBlanks = new QCheckBox(
      QStringLiteral("Include records with blank State/Province or Zip/Postcode entries?"),
      SetupPanel);
  setup->addWidget(CheckBlanks);
  CheckitButton = new QPushButton(QStringLiteral("Perform Check Now"), SetupPanel);
  CheckitButton->setDefault(true);
  setup->addWidget(CheckitButton);
  layout->addWidget(SetupPanel);

  StatePanel = new QWidget(this);
  auto* states = new QVBoxLayout(StatePanel);
  states->setContentsMargins(0, 0, 0, 0);
  states->addWidget(new QLabel(
      QStringLiteral("Make changes to the State/Province file to best reflect your country"),
      StatePanel));
  StateGrid = new QTableView(StatePanel);
  StateGrid->verticalHeader()->setDefaultSectionSize(20);
  states->addWidget(StateGrid, 1);
  auto* stateButtons = new QHBoxLayout;
  stateButtons->addWidget(MakeNavigator(StateGrid, StatePanel).panel);
  StateAddButton = Button(QStringLiteral("Add"), StatePanel, stateButtons);
  StateDeleteButton = Button(QStringLiteral("Delete"), StatePanel, stateButtons);
  StateSaveButton = Button(QStringLiteral("Save"), StatePanel, stateButtons);
  StateUndoButton = Button(QStringLiteral("Undo"), StatePanel, stateButtons);
  states->addLayout(stateButtons);
  layout->addWidget(StatePanel, 1);
  StatePanel->hide();

  ResultPanel = new QWidget(this);
  auto* result = new QVBoxLayout(ResultPanel);
  result->setContentsMargins(0, 0, 0, 0);
  auto* resultText = new QLabel(
      QStringLiteral("These records have questionable state/zip or province/postcode "
                     "combinations. You may edit the contents to make changes. When you are "
                     "done, press the Close button."),
      ResultPanel);
  resultText->setWordWrap(true);
  result->addWidget(resultText);
  ResultGrid = new QTableView(ResultPanel);
  ResultGrid->verticalHeader()->setDefaultSectionSize(20);
  result->addWidget(ResultGrid, 1);
  auto* resultButtons = new QHBoxLayout;
  resultButtons->addWidget(MakeNavigator(ResultGrid, ResultPanel).panel);
  ResultEditButton = Button(QStringLiteral("Edit"), ResultPanel, resultButtons);
  ResultSaveButton = Button(QStringLiteral("Save"), ResultPanel, resultButtons);
  ResultCancelButton = Button(QStringLiteral("Cancel"), ResultPanel, resultButtons);
  result->addLayout(resultButtons);
  layout->addWidget(ResultPanel, 1);
  ResultPanel->hide();

  EditStateButton = new QPushButton(QStringLiteral("Edit State/Province File"), this);
  addFooter(layout, kTopicStateZip, EditStateButton);
  for (QPushButton* b : {EditStateButton, CloseButton, CancelButton}) b->setAutoDefault(false);
  resize(760, 480);

  connect(CheckitButton, &QPushButton::clicked, this, &TStateZipCheck::CheckitButtonClick);
  connect(EditStateButton, &QPushButton::clicked, this, &TStateZipCheck::EditStateButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &TStateZipCheck::CloseButtonClick);
  connect(StateAddButton, &QPushButton::clicked, this, [this] {
    // A blank row to fill in; it sorts first under the STATE tag.
    if (StateTable->state() != TableObject::State::Browse && !StateTable->post()) return;
    StateTable->insert();
    if (!StateTable->post() || m_stateModel == nullptr) return;
    const int row = m_stateModel->rowOfRecord(StateTable->recordCount());
    if (row >= 0) StateGrid->setCurrentIndex(m_stateModel->index(row, 0));
  });
  connect(StateDeleteButton, &QPushButton::clicked, this, [this] {
    if (!StateTable->eof()) (void)StateTable->deleteRecord();  // says why itself
  });
  connect(StateSaveButton, &QPushButton::clicked, this, [this] {
    // post says why itself when it fails and keeps the edit.
    if (StateTable->state() != TableObject::State::Browse) (void)StateTable->post();
  });
  connect(StateUndoButton, &QPushButton::clicked, this, [this] {
    if (StateTable->state() != TableObject::State::Browse) StateTable->cancel();
    if (m_stateModel != nullptr) m_stateModel->reload();
  });
  connect(ResultEditButton, &QPushButton::clicked, this, [this] {
    if (ResultGrid->currentIndex().isValid()) ResultGrid->edit(ResultGrid->currentIndex());
  });
  connect(ResultSaveButton, &QPushButton::clicked, this, [this] {
    // post says why itself when it fails and keeps the edit.
    if (TableCreate->state() != TableObject::State::Browse) (void)TableCreate->post();
  });
  connect(ResultCancelButton, &QPushButton::clicked, this, [this] {
    if (TableCreate->state() != TableObject::State::Browse) TableCreate->cancel();
    if (m_resultModel != nullptr) m_resultModel->reload();
  });
}

TStateZipCheck::~TStateZipCheck() {
  // The edits were posted when the user left them; a destructor has no one
  // left to tell about a last write that failed.
  (void)StateTable->close();
  (void)TableCreate->close();
}

QString TStateZipCheck::indexPath() const {
  return QDir(m_programDir).filePath(ZipIndexFileName());
}

QString TStateZipCheck::stateTablePath() const {
  return QDir(m_programDir).filePath(StateZipTableName());
}

void TStateZipCheck::CheckitButtonClick() {
  if (m_checking || m_editing || !TableCreate->active()) return;
  SetupPanel->hide();
  EditStateButton->hide();
  beginCheck();
  auto finish = [this] {
    endCheck();
    EditStateButton->show();
  };
  StateZipRanges ranges;
  if (!ReadStateZipTable(stateTablePath().toStdString(), TableCreate->env()->settings(), &ranges)
           .ok()) {
    Dialogs().information(this, StateZipOpenFailedMessage());
    finish();
    SetupPanel->show();
    return;
  }
  ZipCheckOptions options;
  options.includeBlanks = CheckBlanks->isChecked();
  ZipCheckResult result;
  const xb::Status s = RunStateZipCheck(*TableCreate, ranges, options, indexPath().toStdString(),
                                        checkProgress(ZipCountText), &result);
  finish();
  if (!s.ok()) {
    Dialogs().information(this, QStringLiteral("The state and ZIP check failed: ") +
                                    QString::fromStdString(s.ToString()));
    SetupPanel->show();
    return;
  }
  m_resultModel = new TableGridModel(TableCreate,
                                     {{QStringLiteral("ZIP"), QStringLiteral("Zip/Postal Code")},
                                      {QStringLiteral("STATE"), QStringLiteral("State/Province")},
                                      {QStringLiteral("LNAME"), QStringLiteral("Last")},
                                      {QStringLiteral("FNAME"), QStringLiteral("First")},
                                      {QStringLiteral("ORG"), QStringLiteral("Organization")},
                                      {QStringLiteral("STREET"), QStringLiteral("Street Address")},
                                      {QStringLiteral("CITY"), QStringLiteral("City")},
                                      {QStringLiteral("COUNTRY"), QStringLiteral("Country")}},
                                     this);
  m_resultModel->setEditable(true);
  ResultGrid->setModel(m_resultModel);
  FollowGridRow(ResultGrid, m_resultModel, TableCreate);
  if (m_resultModel->rowCount() > 0) ResultGrid->setCurrentIndex(m_resultModel->index(0, 0));
  ResultPanel->show();
  LabelCount->setText(ZipCountText(result.found));
  m_done = true;
}

void TStateZipCheck::EditStateButtonClick() {
  if (m_editing) {
    EndEditStatePRov();
  } else {
    StartEditStatePRov();
  }
}

void TStateZipCheck::StartEditStatePRov() {
  const QFileInfo info(stateTablePath());
  StateTable->setDatabaseName(info.absolutePath());
  StateTable->setTableName(info.fileName());
  StateTable->setIndexName(QString());
  StateTable->setExclusive(true);
  const QString tag = QStringLiteral("STATE");
  bool ok = StateTable->open();
  // A reference table without its tag gets it once.
  if (ok && StateApollo.TagArea(tag) == 0) {
    ok = StateApollo.IndexTag(QString(), tag, QStringLiteral("UPPER(STATE)"), 0, false,
                              QString()) != 0;
  }
  if (ok) {
    (void)StateApollo.SetOrder(StateApollo.TagArea(tag));  // its failure is in LastError
    ok = StateApollo.LastError().isEmpty() && StateApollo.GoTop();
  }
  if (!ok) {
    (void)StateTable->close();  // nothing was edited yet
    Dialogs().information(this, StateZipOpenFailedMessage());
    return;
  }
  StateTable->resync();
  if (m_done) {
    ResultPanel->hide();
  } else {
    SetupPanel->hide();
  }
  CancelButton->setEnabled(false);
  m_editing = true;
  EditStateButton->setText(QStringLiteral("Stop Editing"));
  if (m_stateModel == nullptr) {
    m_stateModel = new TableGridModel(
        StateTable,
        {{QStringLiteral("NAME"), QStringLiteral("State or Province")},
         {QStringLiteral("STATE"), QStringLiteral("Abbreviation")},
         {QStringLiteral("LOW_ZIP"), QStringLiteral("Starting Zip/Post")},
         {QStringLiteral("HIGH_ZIP"), QStringLiteral("Ending Zip/Post")}},
        this);
    m_stateModel->setEditable(true);
    StateGrid->setModel(m_stateModel);
    StateGrid->resizeColumnsToContents();
    FollowGridRow(StateGrid, m_stateModel, StateTable);
  }
  StatePanel->show();
}

void TStateZipCheck::EndEditStatePRov() {
  // post says why itself when it fails; the edit is then dropped with the close.
  if (StateTable->state() != TableObject::State::Browse) (void)StateTable->post();
  if (!StateTable->close()) Dialogs().information(this, StateTable->failureMessage());
  StatePanel->hide();
  m_editing = false;
  EditStateButton->setText(QStringLiteral("Edit State/Province File"));
  CancelButton->setEnabled(true);
  if (m_done) {
    ResultPanel->show();
  } else {
    SetupPanel->show();
  }
}

void TStateZipCheck::CloseButtonClick() {
  if (m_checking) return;
  if (m_editing) EndEditStatePRov();
  // A refused edit keeps the window open (post said why).
  if (TableCreate->state() != TableObject::State::Browse && !TableCreate->post()) return;
  accept();
}

}  // namespace qv
