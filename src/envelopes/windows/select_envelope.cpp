#include "envelopes/windows/select_envelope.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "envelopes/envelope_setup.h"
#include "envelopes/windows/envelope_windows.h"
#include "labels/windows/record_list.h"
#include "store/settings.h"
#include "store/table_grid_model.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

bool Logical(const TableObject& t, const char* field) {
  const QString v = t.fieldText(QString::fromLatin1(field)).trimmed().toUpper();
  return v == QLatin1String("T") || v == QLatin1String("Y");
}

QString Inches(double v) { return QString::number(v, 'f', 3); }

// Whether `box` still shows `inches` as it would be shown in its unit: the
// box rounds, so a size taken back from it would drift.
bool ShowsAsIs(const QDoubleSpinBox* box, double inches, bool millimetres) {
  const double shown = millimetres ? inches * kEnvelopeMmPerInch : inches;
  return QString::number(box->value(), 'f', box->decimals()) ==
         QString::number(shown, 'f', box->decimals());
}

}  // namespace

// ---- TEnvelopeEdit

TEnvelopeEdit::TEnvelopeEdit(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Add New Envelope Size"));
  setModal(true);
  NameEdit = new QLineEdit(QStringLiteral("[enter new name]"), this);
  NameEdit->setMaxLength(20);
  DescEdit = new QLineEdit(QStringLiteral("[enter description]"), this);
  DescEdit->setMaxLength(20);
  WidthEdit = new QDoubleSpinBox(this);
  HeightEdit = new QDoubleSpinBox(this);
  for (QDoubleSpinBox* box : {WidthEdit, HeightEdit}) {
    box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    box->setAlignment(Qt::AlignRight);
  }
  Inchesbutton = new QRadioButton(QStringLiteral("In inches"), this);
  MMButton = new QRadioButton(QStringLiteral("In Millimeters"), this);
  Inchesbutton->setChecked(true);
  SetFormat(false);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Name"), NameEdit);
  form->addRow(QStringLiteral("Description"), DescEdit);
  form->addRow(QStringLiteral("Width"), WidthEdit);
  form->addRow(QStringLiteral("Height"), HeightEdit);
  auto* units = new QHBoxLayout;
  units->addWidget(Inchesbutton);
  units->addWidget(MMButton);
  units->addStretch();
  OKButton = new QPushButton(QStringLiteral("Save"), this);
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(units);
  layout->addLayout(buttons);

  connect(MMButton, &QRadioButton::clicked, this, &TEnvelopeEdit::MMButtonClick);
  connect(Inchesbutton, &QRadioButton::clicked, this, &TEnvelopeEdit::InchesbuttonClick);
  connect(OKButton, &QPushButton::clicked, this, &TEnvelopeEdit::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TEnvelopeEdit::showEvent(QShowEvent* event) {
  FormActivate();
  QDialog::showEvent(event);
}

void TEnvelopeEdit::FormActivate() {
  if (!m_firstActivation) return;
  m_firstActivation = false;
  m_storedWidth = OrigWidth;
  m_storedHeight = OrigHeight;
  WidthEdit->setValue(OrigWidth);
  HeightEdit->setValue(OrigHeight);
}

void TEnvelopeEdit::SetFormat(bool millimetres) {
  m_millimetres = millimetres;
  for (QDoubleSpinBox* box : {WidthEdit, HeightEdit}) {
    // "##.###" with 2 decimals, or "###" whole millimetres.
    box->setDecimals(millimetres ? 0 : 2);
    box->setRange(0, millimetres ? 999 : 99.99);
  }
}

void TEnvelopeEdit::MMButtonClick() {
  if (m_millimetres) return;
  OrigHeight = HeightEdit->value();
  OrigWidth = WidthEdit->value();
  WidthEdit->setValue(0);
  HeightEdit->setValue(0);
  SetFormat(true);
  WidthEdit->setValue(OrigWidth * kEnvelopeMmPerInch);
  HeightEdit->setValue(OrigHeight * kEnvelopeMmPerInch);
}

void TEnvelopeEdit::InchesbuttonClick() {
  if (!m_millimetres) return;
  OrigHeight = HeightEdit->value() * kEnvelopeInchesPerMm;
  OrigWidth = WidthEdit->value() * kEnvelopeInchesPerMm;
  WidthEdit->setValue(0);
  HeightEdit->setValue(0);
  SetFormat(false);
  WidthEdit->setValue(OrigWidth);
  HeightEdit->setValue(OrigHeight);
}

void TEnvelopeEdit::OKButtonClick() {
  const double factor = m_millimetres ? kEnvelopeInchesPerMm : 1.0;
  OrigHeight = ShowsAsIs(HeightEdit, m_storedHeight, m_millimetres) ? m_storedHeight
                                                                    : HeightEdit->value() * factor;
  OrigWidth = ShowsAsIs(WidthEdit, m_storedWidth, m_millimetres) ? m_storedWidth
                                                                 : WidthEdit->value() * factor;
  const QString problem =
      EnvelopeSizeProblem(OrigWidth, OrigHeight, NameEdit->text(), DescEdit->text());
  if (!problem.isEmpty()) {
    Dialogs().information(this, problem);
    return;
  }
  accept();
}

// ---- TSelectEnvelope

TSelectEnvelope::TSelectEnvelope(QWidget* parent) : RecordListDialog(parent) {
  setWindowTitle(QStringLiteral("Select Envelope Size"));
  setModal(true);
  EnvelopeEnv.SetDeleted(true);
  auto* buttons = buildList(new TableGridModel(EnvelopeTable,
                                               {{QStringLiteral("NAME"), QStringLiteral("Name")},
                                                {QStringLiteral("DESC"), QStringLiteral("Size")},
                                                {QStringLiteral("WIDTH"), QStringLiteral("WIDTH")},
                                                {QStringLiteral("HEIGHT"), QStringLiteral("HEIGHT")}},
                                               this),
                            EnvelopeTable);
  const int em = Grid->fontMetrics().horizontalAdvance(QLatin1Char('M'));
  Grid->setColumnWidth(0, 16 * em);
  Grid->setColumnWidth(1, 14 * em);
  Grid->setColumnWidth(2, 6 * em);
  Grid->setColumnWidth(3, 6 * em);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Grid, 1);
  layout->addLayout(buttons);
  resize(48 * em, 420);

  connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
          [this] { Dialogs().showHelp(this, kEnvelopeSizeHelpTopic); });
  connectList(&TSelectEnvelope::NewEnvelopeClick, &TSelectEnvelope::EditEnvelopeClick,
              &TSelectEnvelope::DeleteEnvelopeClick, &TSelectEnvelope::OkButtonClick);
}

void TSelectEnvelope::FormActivate() {
  if (!m_locatePending) return;
  m_locatePending = false;
  if (!EnvelopeTable->active()) return;
  // The whole field text, letter case included; an unknown name leaves the
  // cursor at the end of the table.
  GoToFirstRow(this, EnvelopeTable, [this](const TableObject& t) {
    return t.fieldText(QStringLiteral("NAME")) == LocateName;
  });
  m_link.showCurrent();
}

bool TSelectEnvelope::IsUserDefined() const {
  return EnvelopeTable->active() && !EnvelopeTable->eof() && Logical(*EnvelopeTable, "USERDEF");
}

bool TSelectEnvelope::runEdit(TEnvelopeEdit& edit) {
  if (RunEnvelopeEdit) return RunEnvelopeEdit(edit);
  return edit.exec() == QDialog::Accepted;
}

bool TSelectEnvelope::WriteSize(const TEnvelopeEdit& edit) {
  TableObject& t = *EnvelopeTable;
  bool ok = t.setFieldText(QStringLiteral("WIDTH"), Inches(edit.OrigWidth));
  ok = t.setFieldText(QStringLiteral("HEIGHT"), Inches(edit.OrigHeight)) && ok;
  ok = t.setFieldText(QStringLiteral("NAME"), edit.NameEdit->text()) && ok;
  ok = t.setFieldText(QStringLiteral("DESC"), edit.DescEdit->text()) && ok;
  if (ok && t.post()) return true;
  // The table object has told the user why; nothing half-written stays.
  t.cancel();
  return false;
}

void TSelectEnvelope::NewEnvelopeClick() {
  if (!EnvelopeTable->active()) return;
  TEnvelopeEdit edit(this);
  edit.OrigWidth = kNewEnvelopeWidth;
  edit.OrigHeight = kNewEnvelopeHeight;
  if (!runEdit(edit)) return;
  EnvelopeTable->insert();
  if (!EnvelopeTable->setFieldText(QStringLiteral("USERDEF"), QStringLiteral("T"))) {
    EnvelopeTable->cancel();
    return;
  }
  WriteSize(edit);
}

void TSelectEnvelope::EditEnvelopeClick() {
  if (!EnvelopeTable->active() || EnvelopeTable->eof()) return;
  if (!IsUserDefined()) {
    Dialogs().information(this, QStringLiteral("You may only edit User Defined envelopes"));
    return;
  }
  TEnvelopeEdit edit(this);
  edit.setWindowTitle(QStringLiteral("Edit Envelope Size"));
  edit.OrigWidth = EnvelopeTable->fieldText(QStringLiteral("WIDTH")).trimmed().toDouble();
  edit.OrigHeight = EnvelopeTable->fieldText(QStringLiteral("HEIGHT")).trimmed().toDouble();
  edit.NameEdit->setText(EnvelopeTable->fieldText(QStringLiteral("NAME")));
  edit.DescEdit->setText(EnvelopeTable->fieldText(QStringLiteral("DESC")));
  if (!runEdit(edit)) return;
  EnvelopeTable->edit();
  WriteSize(edit);
}

void TSelectEnvelope::DeleteEnvelopeClick() {
  if (!EnvelopeTable->active() || EnvelopeTable->eof()) return;
  if (!IsUserDefined()) {
    Dialogs().information(this, QStringLiteral("You may only delete User Defined envelopes"));
    return;
  }
  (void)DeleteCurrentRow(this, EnvelopeTable, QStringLiteral("Delete this envelope?"));
}

void TSelectEnvelope::OkButtonClick() {
  if (!EnvelopeTable->active() || EnvelopeTable->eof()) {
    Dialogs().information(this, QStringLiteral("Please choose an envelope size from the list first."));
    return;
  }
  accept();
}

bool ChooseEnvelopeSize(QWidget* parent, const QString& directory, const QString& name,
                        EnvelopeSizeChoice* chosen,
                        const std::function<bool(TSelectEnvelope&)>& run) {
  TSelectEnvelope dialog(parent);
  TableObject& table = *dialog.EnvelopeTable;
  table.setDatabaseName(directory.isEmpty() ? ProgramDirectory() : directory);
  table.setTableName(EnvelopeSizeFileName());
  if (!table.open()) {
    Dialogs().information(parent, EnvelopeSizeOpenFailure());
    return false;
  }
  dialog.LocateName = name;
  dialog.FormActivate();
  const bool ok = run ? run(dialog) : dialog.exec() == QDialog::Accepted;
  if (!ok || table.eof()) return false;
  chosen->name = table.fieldText(QStringLiteral("NAME")).trimmed();
  chosen->width = table.fieldText(QStringLiteral("WIDTH")).trimmed().toFloat();
  chosen->height = table.fieldText(QStringLiteral("HEIGHT")).trimmed().toFloat();
  return true;
}

}  // namespace qv
