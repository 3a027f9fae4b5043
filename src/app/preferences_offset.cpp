// The printer offset part of the Preferences dialog: for each installed
// printer, how far its output lands from where it should (right and down),
// in inches or millimetres. Label and envelope runs move every page by it.
#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleValidator>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <cmath>

#include "app/preferences.h"
#include "render/printers.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

constexpr double kMmPerInch = 25.4;

}  // namespace

QWidget* TPreferences::MakeOffsetGroup() {
  auto* group = new QGroupBox(QStringLiteral(" Printer offset for labels and envelopes"), this);
  OffsetPrinter = new QComboBox(group);
  OffsetPrinter->addItems(InstalledPrinterNames());
  auto number = [group] {
    auto* box = new QLineEdit(group);
    auto* validator = new QDoubleValidator(-kMmPerInch, kMmPerInch, 3, box);
    validator->setNotation(QDoubleValidator::StandardNotation);
    validator->setLocale(QLocale::c());
    box->setValidator(validator);
    return box;
  };
  OffsetX = number();
  OffsetX->setToolTip(QStringLiteral("Positive moves the print right"));
  OffsetY = number();
  OffsetY->setToolTip(QStringLiteral("Positive moves the print down"));
  OffsetInches = new QRadioButton(QStringLiteral("Inches"), group);
  OffsetMillimetres = new QRadioButton(QStringLiteral("Millimeters"), group);
  OffsetInches->setChecked(true);
  auto* units = new QButtonGroup(group);
  units->addButton(OffsetInches);
  units->addButton(OffsetMillimetres);
  auto* unitRow = new QHBoxLayout;
  unitRow->addWidget(OffsetInches);
  unitRow->addWidget(OffsetMillimetres);
  unitRow->addStretch();
  auto* form = new QFormLayout(group);
  form->addRow(QStringLiteral("Printer"), OffsetPrinter);
  form->addRow(QStringLiteral("Move right"), OffsetX);
  form->addRow(QStringLiteral("Move down"), OffsetY);
  form->addRow(unitRow);
  connect(OffsetPrinter, &QComboBox::activated, this, &TPreferences::OffsetPrinterChange);
  connect(OffsetInches, &QRadioButton::clicked, this, &TPreferences::OffsetUnitClick);
  connect(OffsetMillimetres, &QRadioButton::clicked, this, &TPreferences::OffsetUnitClick);
  return group;
}

void TPreferences::LoadOffsetPreferences() {
  m_offsets.clear();
  const int current = OffsetPrinter->findText(DefaultPrinterName());
  if (current >= 0) OffsetPrinter->setCurrentIndex(current);
  m_offsetPrinter = OffsetPrinter->currentText();
  ShowOffsetFields();
}

void TPreferences::ShowOffsetFields() {
  if (!m_offsets.contains(m_offsetPrinter)) {
    m_offsets.insert(m_offsetPrinter, ReadPrinterOffset(m_ini, m_offsetPrinter));
  }
  const PrinterOffset o = m_offsets.value(m_offsetPrinter);
  const double scale = m_offsetMillimetres ? kMmPerInch : 1.0;
  const int decimals = m_offsetMillimetres ? 2 : 3;
  OffsetX->setText(QString::number(o.x * scale, 'f', decimals));
  OffsetY->setText(QString::number(o.y * scale, 'f', decimals));
}

bool TPreferences::TakeOffsetFields() {
  if (m_offsetPrinter.isEmpty()) return true;
  const double scale = m_offsetMillimetres ? 1.0 / kMmPerInch : 1.0;
  bool okX = false, okY = false;
  const PrinterOffset o{OffsetX->text().trimmed().toDouble(&okX) * scale,
                        OffsetY->text().trimmed().toDouble(&okY) * scale};
  if (!okX || !okY || std::abs(o.x) > kMaxPrinterOffset + 1e-9 ||
      std::abs(o.y) > kMaxPrinterOffset + 1e-9) {
    Dialogs().information(this, QStringLiteral("The offset of %1 must be a number of at most "
                                               "1 inch (25.4 mm) either way.")
                                    .arg(m_offsetPrinter));
    return false;
  }
  m_offsets.insert(m_offsetPrinter, o);
  return true;
}

void TPreferences::OffsetPrinterChange(int index) {
  if (!TakeOffsetFields()) {
    OffsetPrinter->setCurrentIndex(OffsetPrinter->findText(m_offsetPrinter));
    return;
  }
  m_offsetPrinter = OffsetPrinter->itemText(index);
  ShowOffsetFields();
}

void TPreferences::OffsetUnitClick() {
  const bool millimetres = OffsetMillimetres->isChecked();
  if (millimetres == m_offsetMillimetres) return;
  if (!TakeOffsetFields()) {
    (m_offsetMillimetres ? OffsetMillimetres : OffsetInches)->setChecked(true);
    return;
  }
  m_offsetMillimetres = millimetres;
  ShowOffsetFields();
}

bool TPreferences::SaveOffsetPreferences() {
  for (auto it = m_offsets.constBegin(); it != m_offsets.constEnd(); ++it) {
    // Printers whose offset was only looked at keep their line as it was.
    if (it.value() == ReadPrinterOffset(m_ini, it.key())) continue;
    if (!WritePrinterOffset(m_ini, it.key(), it.value())) return false;
  }
  return true;
}

}  // namespace qv
