#include "labels/windows/label_edit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "render/paper_sizes.h"
#include "ui/dialogs.h"

namespace qv {

void CheckLabel(const LabelGeometry& g) {
  const std::string_view message = ValidLabelGeometry(g);
  if (!message.empty()) throw EValid(std::string(message));
}

LengthEdit::LengthEdit(QWidget* parent) : QLineEdit(parent) {
  setMask(kInchDecimals, kInchDigits);
  connect(this, &QLineEdit::textEdited, this,
          [this](const QString& text) { m_value = text.trimmed().toDouble(); });
}

void LengthEdit::setValue(double value) {
  m_value = value;
  setText(QString::number(value, 'f', m_decimals));
}

void LengthEdit::setMask(int decimals, int digits) {
  m_decimals = decimals;
  // Digits count the point of "##.##" as the mask does; the integer part
  // gets what the decimals leave.
  const int whole = decimals > 0 ? digits - decimals - 2 : digits;
  // "###.#" takes up to 999.9.
  auto* validator = new QDoubleValidator(0, std::pow(10.0, whole) - std::pow(10.0, -decimals),
                                         decimals, this);
  validator->setNotation(QDoubleValidator::StandardNotation);
  validator->setLocale(QLocale::c());
  const QValidator* old = QLineEdit::validator();
  setValidator(validator);
  delete old;
}

TLabelEdit::TLabelEdit(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Add Label Definition");
  setModal(true);

  m_description = new QLineEdit(this);
  m_description->setMaxLength(60);
  m_across = new QSpinBox(this);
  m_across->setRange(1, 10);
  m_down = new QSpinBox(this);
  m_down->setRange(1, 30);
  for (auto& field : m_lengths) field = new LengthEdit(this);
  m_tractor = new QCheckBox("Tractor Fed (Dot Matrix)", this);
  m_paper = new QComboBox(this);
  for (const PaperSize& size : kPaperSizes) m_paper->addItem(size.text);
  m_inchButton = new QRadioButton("In 1000's of an inch", this);
  m_mmButton = new QRadioButton("In Millimeters", this);
  m_inchButton->setChecked(true);
  auto* units = new QButtonGroup(this);
  units->addButton(m_inchButton);
  units->addButton(m_mmButton);

  auto* form = new QFormLayout;
  form->addRow("Description", m_description);
  form->addRow("Label Height", m_lengths[Height]);
  form->addRow("Label Width", m_lengths[Width]);
  form->addRow("Number Across", m_across);
  form->addRow("Number Down", m_down);
  form->addRow("Horizontal Pitch", m_lengths[HorizPitch]);
  form->addRow("Vertical Pitch", m_lengths[VertPitch]);
  form->addRow("Left Margin", m_lengths[LeftMargin]);
  form->addRow("Top Margin", m_lengths[TopMargin]);
  form->addRow("Paper Size", m_paper);
  form->addRow("Paper Width", m_lengths[PaperWidth]);
  form->addRow("Paper Height", m_lengths[PaperHeight]);
  form->addRow(m_tractor);
  auto* unitRow = new QHBoxLayout;
  unitRow->addWidget(m_inchButton);
  unitRow->addWidget(m_mmButton);

  auto* saveButton = new QPushButton("Save", this);
  saveButton->setDefault(true);
  auto* cancelButton = new QPushButton("Cancel", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(saveButton);
  buttons->addWidget(cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(unitRow);
  layout->addLayout(buttons);

  connect(saveButton, &QPushButton::clicked, this, &TLabelEdit::save);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_mmButton, &QRadioButton::toggled, this, [this](bool on) {
    if (on) toMillimetres();
  });
  connect(m_inchButton, &QRadioButton::toggled, this, [this](bool on) {
    if (on) toInches();
  });
  connect(m_paper, &QComboBox::activated, this, &TLabelEdit::paperChosen);
  connect(m_lengths[Width], &QLineEdit::editingFinished, this, &TLabelEdit::leaveWidth);
  connect(m_lengths[Height], &QLineEdit::editingFinished, this, &TLabelEdit::leaveHeight);
}

float* TLabelEdit::recordLength(Length which) {
  LabelGeometry& g = record.geometry;
  switch (which) {
    case Height: return &g.height;
    case Width: return &g.width;
    case HorizPitch: return &g.horizontal_pitch;
    case VertPitch: return &g.vertical_pitch;
    case LeftMargin: return &g.left_margin;
    case TopMargin: return &g.top_margin;
    case PaperWidth: return &g.sheet_width;
    case PaperHeight: return &g.sheet_height;
    case kLengthCount: break;
  }
  return nullptr;
}

void TLabelEdit::showEvent(QShowEvent* event) {
  activate();
  QDialog::showEvent(event);
}

void TLabelEdit::activate() {
  if (!m_firstActivation) return;
  m_firstActivation = false;
  m_inchButton->setChecked(true);
  m_description->setText(QString::fromStdString(record.geometry.description));
  m_across->setValue(record.geometry.across);
  m_down->setValue(record.geometry.down);
  for (int i = 0; i < kLengthCount; ++i) {
    m_lengths[i]->setMask(kInchDecimals, kInchDigits);
    m_lengths[i]->setValue(*recordLength(Length(i)));
  }
  m_tractor->setChecked(record.printer != "LJ");
  m_paper->setCurrentIndex(PaperSizeIndex(record.paper_size));
}

bool TLabelEdit::millimetres() const { return m_inMillimetres; }

void TLabelEdit::setMillimetres(bool on) { (on ? m_mmButton : m_inchButton)->setChecked(true); }

void TLabelEdit::toMillimetres() {
  if (m_inMillimetres) return;
  m_inMillimetres = true;
  for (int i = 0; i < kLengthCount; ++i) {
    float* inches = recordLength(Length(i));
    *inches = static_cast<float>(m_lengths[i]->value());
    m_lengths[i]->setMask(kMillimetreDecimals, kMillimetreDigits);
    m_lengths[i]->setValue(*inches * kMillimetresPerInch);
  }
}

void TLabelEdit::toInches() {
  if (!m_inMillimetres) return;
  m_inMillimetres = false;
  for (int i = 0; i < kLengthCount; ++i) {
    float* inches = recordLength(Length(i));
    *inches = static_cast<float>(m_lengths[i]->value() * kInchesPerMillimetre);
    m_lengths[i]->setMask(kInchDecimals, kInchDigits);
    m_lengths[i]->setValue(*inches);
  }
}

void TLabelEdit::paperChosen(int index) {
  if (index < 0 || index >= kPaperSizeCount - 1) return;
  const double scale = m_inMillimetres ? kMillimetresPerInch : 1.0;
  m_lengths[PaperWidth]->setValue(kPaperSizes[index].width * scale);
  m_lengths[PaperHeight]->setValue(kPaperSizes[index].height * scale);
}

void TLabelEdit::leaveWidth() {
  if (m_lengths[HorizPitch]->value() < m_lengths[Width]->value()) {
    m_lengths[HorizPitch]->setValue(m_lengths[Width]->value());
  }
}

void TLabelEdit::leaveHeight() {
  if (m_lengths[VertPitch]->value() < m_lengths[Height]->value()) {
    m_lengths[VertPitch]->setValue(m_lengths[Height]->value());
  }
}

void TLabelEdit::save() {
  LabelGeometry& g = record.geometry;
  g.description = m_description->text().toStdString();
  g.down = m_down->value();
  g.across = m_across->value();
  for (int i = 0; i < kLengthCount; ++i) {
    const double shown = m_lengths[i]->value();
    if (m_inMillimetres) {
      // Rounded to the 3 decimals the table keeps, through text as the
      // fixed format with 7 significant digits does.
      const QString text = QString::number(shown * kInchesPerMillimetre, 'f', 3);
      *recordLength(Length(i)) = text.toFloat();
    } else {
      *recordLength(Length(i)) = static_cast<float>(shown);
    }
  }
  record.printer = m_tractor->isChecked() ? "DM" : "LJ";
  const int paper = m_paper->currentIndex();
  record.paper_size = kPaperSizes[paper < 0 ? kPaperSizeCount - 1 : paper].code;
  if (!ValidLabel()) return;
  const std::string overhang = SheetOverhangWarning(record.geometry);
  if (!overhang.empty()) Dialogs().information(this, QString::fromStdString(overhang));
  accept();
}

bool TLabelEdit::ValidLabel() {
  try {
    CheckLabel(record.geometry);
    return true;
  } catch (const EValid& e) {
    Dialogs().information(this, QString::fromStdString(e.what()));
    return false;
  }
}

}  // namespace qv
