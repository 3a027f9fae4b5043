#include "cleanup/windows/rewrite_windows.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "cleanup/windows/cleanup_widgets.h"
#include "store/filter_text.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

// Sets the query; a condition the engine refuses is said in the user's words.
bool SetQuery(QWidget* window, TableObject* table, const QString& condition) {
  const xb::Status s = table->setQuery(condition);
  if (!s.ok()) {
    Dialogs().information(window, QStringLiteral("The records cannot be chosen: ") +
                                      QString::fromStdString(s.ToString()));
  }
  return s.ok();
}

void ReportFailure(QWidget* window, const QString& what, const xb::Status& s) {
  Dialogs().information(window, what + QString::fromStdString(s.ToString()));
}

}  // namespace

// ---- shared by Search and Replace and Delete Records ----

void TBulkChange::addProgressAndButtons(QVBoxLayout* layout, const QString& doitText,
                                        int helpTopic) {
  ProgressPanel = new QWidget(this);
  auto* progress = new QVBoxLayout(ProgressPanel);
  WhatAmIDoing = new QLabel(ProgressPanel);
  Gauge = MakeGauge(ProgressPanel);
  progress->addWidget(WhatAmIDoing);
  progress->addWidget(Gauge);
  ProgressPanel->hide();
  layout->addWidget(ProgressPanel);
  Doit = new QPushButton(doitText, this);
  Doit->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  HelpButton = MakeHelpButton(this, helpTopic);
  AddButtonRow(layout, {Doit, CancelButton, HelpButton});
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool TBulkChange::runJob(QWidget* setupPanel, const QString& doing, const QString& stopped,
                         const std::function<xb::Status(const CleanupProgress&)>& job) {
  setupPanel->hide();
  ProgressPanel->show();
  Doit->setEnabled(false);
  CancelButton->hide();
  WhatAmIDoing->setText(doing);
  LetEventsRun();
  const xb::Status s = job([this](int percent, int) {
    Gauge->setValue(percent);
    LetEventsRun();
    return true;
  });
  if (!s.ok()) {
    ReportFailure(this, stopped, s);
    reject();
  }
  return s.ok();
}

// ---- Convert To Uppercase ----

TConvertToUpper::TConvertToUpper(TableObject* table, bool hasFilter, QWidget* parent)
    : QDialog(parent), m_table(table) {
  setWindowTitle(QStringLiteral("Convert To Uppercase"));
  auto* layout = new QVBoxLayout(this);
  OptionsPanel = new QWidget(this);
  auto* options = new QHBoxLayout(OptionsPanel);
  auto* fields = new QGroupBox(QStringLiteral("Fields to convert"), OptionsPanel);
  auto* grid = new QGridLayout(fields);
  int i = 0;
  for (const auto& [caption, field] : UpperFields()) {
    auto* box = new QCheckBox(caption, fields);
    box->setChecked(true);
    FieldChecks << box;
    grid->addWidget(box, i % 6, i / 6);
    ++i;
  }
  cAll = new QCheckBox(QStringLiteral("&All"), fields);
  cAll->setChecked(true);
  grid->addWidget(cAll, 5, 1);
  options->addWidget(fields);
  auto* scope = new QGroupBox(QStringLiteral("Records"), OptionsPanel);
  auto* scopeLayout = new QVBoxLayout(scope);
  rCurrentRecord = new QRadioButton(QStringLiteral("C&urrent Record Only"), scope);
  rFilterRecords = new QRadioButton(QStringLiteral("All Records Matching &Filter"), scope);
  rAllRecords = new QRadioButton(QStringLiteral("All &Records"), scope);
  rCurrentRecord->setChecked(true);
  rFilterRecords->setEnabled(hasFilter);
  for (QRadioButton* b : {rCurrentRecord, rFilterRecords, rAllRecords}) scopeLayout->addWidget(b);
  scopeLayout->addStretch();
  options->addWidget(scope);
  layout->addWidget(OptionsPanel);
  Gauge = MakeGauge(this);
  Gauge->hide();
  layout->addWidget(Gauge);
  ConvertButton = new QPushButton(QStringLiteral("&Convert"), this);
  ConvertButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  HelpButton = MakeHelpButton(this, kTopicUpper);
  AddButtonRow(layout, {ConvertButton, CancelButton, HelpButton});
  connect(cAll, &QCheckBox::clicked, this, &TConvertToUpper::cAllClick);
  connect(ConvertButton, &QPushButton::clicked, this, &TConvertToUpper::ConvertButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TConvertToUpper::CancelButtonClick);
}

QStringList TConvertToUpper::checkedFields() const {
  QStringList out;
  for (int i = 0; i < FieldChecks.size(); ++i) {
    if (FieldChecks[i]->isChecked()) out << UpperFields()[i].second;
  }
  return out;
}

void TConvertToUpper::cAllClick() {
  for (QCheckBox* box : FieldChecks) box->setChecked(cAll->isChecked());
}

void TConvertToUpper::ConvertButtonClick() {
  if (m_converting || !m_table->active()) return;
  const QStringList fields = checkedFields();
  if (fields.isEmpty()) {
    Dialogs().information(this, NoUpperFieldsMessage());
    return;
  }
  const QString savedFilter = m_table->query();
  const int savedRecno = m_table->recNo();
  const bool all = rAllRecords->isChecked();
  if (all && !SetQuery(this, m_table, kNotDeletedCondition)) return;
  if (!rCurrentRecord->isChecked()) {
    // More than the record on screen: counted and asked, No the default.
    int count = 0;
    const xb::Status counted = m_table->countVisible(&count);
    if (!counted.ok()) ReportFailure(this, QStringLiteral("The records cannot be counted: "), counted);
    if (!counted.ok() || !Dialogs().question(this, ConvertQuestion(count), false)) {
      if (all) {
        const xb::Status restored = m_table->setQuery(savedFilter);
        if (!restored.ok()) {
          ReportFailure(this, QStringLiteral("The filter is lost: "), restored);
        } else if (savedRecno > 0 && !m_table->goToRecord(savedRecno)) {
          Dialogs().information(this, m_table->failureMessage());
        }
        m_table->resync();
      }
      return;
    }
  }
  HelpButton->hide();
  if (all) Gauge->show();
  m_converting = true;
  m_cancel = false;
  OptionsPanel->hide();
  const xb::Status s = ConvertToUpper(*m_table, fields, rCurrentRecord->isChecked(),
                                      [this](int percent, int) {
                                        Gauge->setValue(percent);
                                        LetEventsRun();
                                        return !m_cancel;
                                      },
                                      &m_converted);
  Gauge->hide();
  m_converting = false;
  const xb::Status restored = m_table->setQuery(savedFilter);
  const bool back = savedRecno <= 0 || m_table->goToRecord(savedRecno);
  m_table->resync();
  if (!s.ok()) ReportFailure(this, QStringLiteral("The conversion stopped: "), s);
  if (s.ok() && !restored.ok()) ReportFailure(this, QStringLiteral("The filter is lost: "), restored);
  if (s.ok() && restored.ok() && !back) Dialogs().information(this, m_table->failureMessage());
  if (s.ok()) Dialogs().information(this, ConvertedText(m_converted));
  accept();
}

void TConvertToUpper::CancelButtonClick() {
  if (!m_converting) {
    QDialog::reject();
    return;
  }
  if (Dialogs().question(this, QStringLiteral("Cancel case conversion?"), true)) m_cancel = true;
}

void TConvertToUpper::reject() { CancelButtonClick(); }

// ---- Search and Replace ----

TSearchAndReplace::TSearchAndReplace(TableObject* table, bool hasFilter, QWidget* parent)
    : TBulkChange(table, parent), m_hasFilter(hasFilter) {
  setWindowTitle(QStringLiteral("Search and Replace"));
  auto* layout = new QVBoxLayout(this);
  ValuePanel = new QWidget(this);
  auto* values = new QGridLayout(ValuePanel);
  TargetField = new QComboBox(ValuePanel);
  for (const auto& [caption, field] : ReplaceTargets()) {
    TargetField->addItem(caption);
    FieldNames << field;
  }
  values->addWidget(new QLabel(QStringLiteral("Field"), ValuePanel), 0, 0);
  values->addWidget(TargetField, 0, 1);
  FindExact = new QRadioButton(QStringLiteral("Is exactly equal to  (leave empty for blank)"),
                               ValuePanel);
  FindPartial = new QRadioButton(QStringLiteral("Contains"), ValuePanel);
  FindExact->setChecked(true);
  auto* findGroup = new QButtonGroup(this);
  findGroup->addButton(FindExact);
  findGroup->addButton(FindPartial);
  values->addWidget(FindExact, 1, 0, 1, 2);
  values->addWidget(FindPartial, 2, 0, 1, 2);
  FindValue = new QLineEdit(ValuePanel);
  values->addWidget(FindValue, 3, 0, 1, 2);
  CaseSensitive = new QCheckBox(QStringLiteral("Case sensitive"), ValuePanel);
  CaseSensitive->setChecked(true);
  values->addWidget(CaseSensitive, 4, 0, 1, 2);
  ReplaceWhole = new QRadioButton(QStringLiteral("Replace the whole field with"), ValuePanel);
  ReplacePartial =
      new QRadioButton(QStringLiteral("Replace only the matching text with"), ValuePanel);
  ReplaceWhole->setChecked(true);
  auto* replaceGroup = new QButtonGroup(this);
  replaceGroup->addButton(ReplaceWhole);
  replaceGroup->addButton(ReplacePartial);
  values->addWidget(ReplaceWhole, 5, 0, 1, 2);
  values->addWidget(ReplacePartial, 6, 0, 1, 2);
  ReplaceValue = new QLineEdit(ValuePanel);
  values->addWidget(ReplaceValue, 7, 0, 1, 2);
  ReplaceAll = new QRadioButton(QStringLiteral("All Records"), ValuePanel);
  ReplaceFilter = new QRadioButton(QStringLiteral("Records matching current Filter"), ValuePanel);
  ReplaceAll->setChecked(true);
  ReplaceFilter->setEnabled(hasFilter);
  auto* scopeGroup = new QButtonGroup(this);
  scopeGroup->addButton(ReplaceAll);
  scopeGroup->addButton(ReplaceFilter);
  values->addWidget(ReplaceAll, 8, 0, 1, 2);
  values->addWidget(ReplaceFilter, 9, 0, 1, 2);
  layout->addWidget(ValuePanel);
  addProgressAndButtons(layout, QStringLiteral("&Replace Now"), kTopicReplace);
  connect(TargetField, &QComboBox::currentIndexChanged, this, &TSearchAndReplace::TargetFieldClick);
  connect(Doit, &QPushButton::clicked, this, &TSearchAndReplace::DoitClick);
  TargetFieldClick();
}

void TSearchAndReplace::TargetFieldClick() {
  const int field = m_table->fieldWidth(FieldNames.value(TargetField->currentIndex()));
  const int width = field > 0 ? field : 30;
  FindValue->setMaxLength(width);
  ReplaceValue->setMaxLength(width);
}

ReplaceOptions TSearchAndReplace::options() const {
  ReplaceOptions o;
  o.field = FieldNames.value(TargetField->currentIndex());
  o.findValue = FindValue->text();
  o.kind = FindExact->isChecked() ? FindKind::Exact : FindKind::Contains;
  o.caseSensitive = CaseSensitive->isChecked();
  o.replaceWhole = ReplaceWhole->isChecked();
  o.replaceValue = ReplaceValue->text();
  return o;
}

void TSearchAndReplace::DoitClick() {
  if (!m_table->active()) return;
  const ReplaceOptions o = options();
  if (!Dialogs().titledQuestion(this, QStringLiteral("Replace"),
                                ReplaceQuestion(o, TargetField->currentText()), true)) {
    return;
  }
  HelpButton->hide();
  if (m_hasFilter && ReplaceAll->isChecked() && !SetQuery(this, m_table, QString())) return;
  // "Replaced N records" says it all; a second box would only repeat it.
  if (!ReplaceNow()) return;
  accept();
}

bool TSearchAndReplace::ReplaceNow() {
  if (!runJob(ValuePanel, QStringLiteral("Replacing Records "),
              QStringLiteral("The replacement stopped: "), [this](const CleanupProgress& progress) {
                return SearchAndReplace(*m_table, options(), progress, &m_replaced);
              })) {
    return false;
  }
  Dialogs().information(this, ReplacedText(m_replaced));
  return true;
}

// ---- Delete Records ----

TDeleteRecords::TDeleteRecords(TableObject* table, const QString& filter, QWidget* parent)
    : TBulkChange(table, parent), m_filter(filter) {
  setWindowTitle(QStringLiteral("Delete Records"));
  auto* layout = new QVBoxLayout(this);
  SetupPanel = new QWidget(this);
  auto* setup = new QVBoxLayout(SetupPanel);
  DeleteAll = new QRadioButton(QStringLiteral("Delete &All Records"), SetupPanel);
  DeleteFilter =
      new QRadioButton(QStringLiteral("Delete Records &matching current Filter"), SetupPanel);
  DeleteNotFilter = new QRadioButton(
      QStringLiteral("Delete Records which do &NOT match current Filter"), SetupPanel);
  for (QRadioButton* b : {DeleteAll, DeleteFilter, DeleteNotFilter}) setup->addWidget(b);
  DeleteFilter->setEnabled(!filter.isEmpty());
  DeleteNotFilter->setEnabled(!filter.isEmpty());
  layout->addWidget(SetupPanel);
  addProgressAndButtons(layout, QStringLiteral("&Delete Now"), kTopicDeleteRecords);
  // Nothing is chosen at first, and nothing can be deleted until a choice is.
  Doit->setEnabled(false);
  for (QRadioButton* b : {DeleteAll, DeleteFilter, DeleteNotFilter}) {
    connect(b, &QRadioButton::toggled, Doit, [this] { Doit->setEnabled(true); });
  }
  connect(Doit, &QPushButton::clicked, this, &TDeleteRecords::DoitClick);
}

void TDeleteRecords::DoitClick() {
  if (!m_table->active()) return;
  QString query;
  if (DeleteFilter->isChecked()) {
    query = m_filter;
  } else if (DeleteNotFilter->isChecked()) {
    query = QStringLiteral(".not.(") + m_filter + QLatin1Char(')');
  } else if (!DeleteAll->isChecked()) {
    return;
  }
  if (!SetQuery(this, m_table, query)) return;
  int count = 0;
  const xb::Status counted = CountRecordsToDelete(*m_table, &count);
  if (!counted.ok()) {
    ReportFailure(this, QStringLiteral("The records cannot be counted: "), counted);
    return;
  }
  if (count == 0) {
    Dialogs().information(this, QStringLiteral("There are no records to delete"));
    return;
  }
  // No is the default: a slip of the Enter key must not delete the file's records.
  if (!Dialogs().question(this, DeleteQuestion(count), false)) return;
  HelpButton->hide();
  if (!DeleteNow()) return;
  Dialogs().information(this, RebuildAdviceMessage());
  accept();
}

bool TDeleteRecords::DeleteNow() {
  if (!runJob(SetupPanel, QStringLiteral("Deleting Records "),
              QStringLiteral("The deletion stopped: "), [this](const CleanupProgress& progress) {
                return DeleteRecords(*m_table, progress, &m_deleted);
              })) {
    return false;
  }
  Dialogs().information(this, DeletedText(m_deleted));
  return true;
}

// ---- Recall Deleted Records ----

TRecallRecords::TRecallRecords(TableObject* table, const QString& filter, int currentRecno,
                               QWidget* parent)
    : TBulkChange(table, parent), m_filter(filter), m_currentRecno(currentRecno) {
  setWindowTitle(QStringLiteral("Recall Deleted Records"));
  auto* layout = new QVBoxLayout(this);
  SetupPanel = new QWidget(this);
  auto* setup = new QVBoxLayout(SetupPanel);
  RecallAll = new QRadioButton(QStringLiteral("Recall &All Deleted Records"), SetupPanel);
  RecallFilter = new QRadioButton(
      QStringLiteral("Recall Deleted Records &matching current Filter"), SetupPanel);
  RecallCurrent = new QRadioButton(QStringLiteral("Recall the &Current Record"), SetupPanel);
  // The deleted record on screen is most likely the one wanted back.
  (currentRecno > 0 ? RecallCurrent : RecallAll)->setChecked(true);
  RecallFilter->setEnabled(!filter.isEmpty());
  RecallCurrent->setEnabled(currentRecno > 0);
  setup->addWidget(RecallAll);
  setup->addWidget(RecallFilter);
  setup->addWidget(RecallCurrent);
  layout->addWidget(SetupPanel);
  addProgressAndButtons(layout, QStringLiteral("&Recall Now"), kTopicRecallRecords);
  connect(Doit, &QPushButton::clicked, this, &TRecallRecords::DoitClick);
}

void TRecallRecords::DoitClick() {
  if (!m_table->active()) return;
  const QString query = RecallCurrent->isChecked() ? RecnoQuery(m_currentRecno)
                        : RecallFilter->isChecked() ? m_filter
                                                    : QString();
  if (!SetQuery(this, m_table, query)) return;
  HelpButton->hide();
  if (!runJob(SetupPanel, QStringLiteral("Recalling Records "),
              QStringLiteral("The recall stopped: "), [this](const CleanupProgress& progress) {
                return RecallRecords(*m_table, progress, &m_recalled);
              })) {
    return;
  }
  Dialogs().information(this, RecalledText(m_recalled));
  accept();
}

}  // namespace qv
