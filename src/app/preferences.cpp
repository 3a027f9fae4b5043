#include "app/preferences.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs.h"

namespace qv {

namespace {

const DateFormatChoice kChoices[] = {
    {"mm/dd/yy", "/", "!99/99/99;1;"},       {"mm/dd/yyyy", "/", "!99/99/9999;1;_"},
    {"dd/mm/yy", "/", "!99/99/99;1;_"},      {"dd/mm/yyyy", "/", "!99/99/9999;1;_"},
    {"dd.mm.yy", ".", "!99.99.99;1;_"},      {"dd.mm.yyyy", ".", "!99.99.9999;1;_"},
    {"yy.mm.dd", ".", "!99.99.99;1;_"},      {"yyyy.mm.dd", ".", "!9999.99.99;1;_"},
    {"yy/mm/dd", "/", "!99/99/99;1;_"},      {"yyyy/mm/dd", "/", "!9999/99/99;1;_"},
    {"mm-dd-yy", "-", "!99-99-99;1;_"},      {"mm-dd-yyyy", "-", "!99-99-9999;1;_"},
};

// The help page of this dialog.
constexpr int kHelpTopic = 1040;

}  // namespace

const DateFormatChoice* DateFormatChoices(int* count) {
  *count = static_cast<int>(sizeof kChoices / sizeof kChoices[0]);
  return kChoices;
}

TPreferences::TPreferences(const IniFile& ini, QWidget* parent) : QDialog(parent), m_ini(ini) {
  setWindowTitle(QStringLiteral("Preferences"));

  DateFormat = new QComboBox(this);
  int count = 0;
  const DateFormatChoice* choices = DateFormatChoices(&count);
  for (int i = 0; i < count; ++i) DateFormat->addItem(QString::fromLatin1(choices[i].shortDateFmt));
  auto* dateLabel = new QLabel(QStringLiteral("Date Format"), this);
  dateLabel->setBuddy(DateFormat);

  auto* adding = new QGroupBox(QStringLiteral(" When adding new records"), this);
  PlugDate = new QCheckBox(QStringLiteral("Enter today's date in the date field"), adding);
  PlugCityState = new QCheckBox(QStringLiteral("Automatically insert city and state/province"), adding);
  AutoDupCheck = new QCheckBox(QStringLiteral("Automatically check for duplicate names"), adding);
  auto* carryLabel = new QLabel(QStringLiteral("Carry forward the following fields:"), adding);
  CarryOrg = new QCheckBox(QStringLiteral("Organization"), adding);
  CarryStreet = new QCheckBox(QStringLiteral("Street Address "), adding);
  CarryCity = new QCheckBox(QStringLiteral("City"), adding);
  CarryState = new QCheckBox(QStringLiteral("State/Province"), adding);
  CarryZip = new QCheckBox(QStringLiteral("Zip/Postal Code"), adding);
  CarryCountry = new QCheckBox(QStringLiteral("Country"), adding);
  DefaultCountry = new QLineEdit(adding);
  DefaultCountry->setMaxLength(30);
  auto* countryLabel = new QLabel(QStringLiteral("Default Country Name"), adding);
  countryLabel->setBuddy(DefaultCountry);

  auto* addingLayout = new QGridLayout(adding);
  addingLayout->addWidget(PlugDate, 0, 0, 1, 2);
  addingLayout->addWidget(PlugCityState, 1, 0, 1, 2);
  addingLayout->addWidget(AutoDupCheck, 2, 0, 1, 2);
  addingLayout->addWidget(carryLabel, 3, 0, 1, 2);
  addingLayout->addWidget(CarryOrg, 4, 0);
  addingLayout->addWidget(CarryStreet, 4, 1);
  addingLayout->addWidget(CarryCity, 5, 0);
  addingLayout->addWidget(CarryState, 5, 1);
  addingLayout->addWidget(CarryZip, 6, 0);
  addingLayout->addWidget(CarryCountry, 6, 1);
  addingLayout->addWidget(countryLabel, 7, 0);
  addingLayout->addWidget(DefaultCountry, 7, 1);

  OKButton = new QPushButton(QStringLiteral("Save"), this);
  OKButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  HelpButton = new QPushButton(QStringLiteral("Help"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  buttons->addWidget(HelpButton);

  auto* top = new QHBoxLayout;
  top->addWidget(dateLabel);
  top->addWidget(DateFormat, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(adding);
  layout->addWidget(MakeImbGroup());
  layout->addWidget(MakeOffsetGroup());
  layout->addLayout(buttons);

  connect(DateFormat, &QComboBox::activated, this, &TPreferences::DateFormatClick);
  connect(OKButton, &QPushButton::clicked, this, &TPreferences::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpButton, &QPushButton::clicked, this, [this] { Dialogs().showHelp(this, kHelpTopic); });

  FormCreate();
}

void TPreferences::FormCreate() {
  LoadPreferences();
  int count = 0;
  const DateFormatChoice* choices = DateFormatChoices(&count);
  DateFormat->setCurrentIndex(-1);
  for (int i = 0; i < count; ++i) {
    if (m_date.shortDateFmt == QLatin1String(choices[i].shortDateFmt)) DateFormat->setCurrentIndex(i);
  }
}

void TPreferences::LoadPreferences() {
  m_date = ReadDateSettings(m_ini);
  const AddingSettings a = ReadAddingSettings(m_ini);
  PlugDate->setChecked(a.plugDate);
  PlugCityState->setChecked(a.plugCityState);
  AutoDupCheck->setChecked(a.autoDupCheck);
  DefaultCountry->setText(a.defaultCountry);
  CarryOrg->setChecked(a.carryOrg);
  CarryStreet->setChecked(a.carryStreet);
  CarryCity->setChecked(a.carryCity);
  CarryState->setChecked(a.carryState);
  CarryZip->setChecked(a.carryZip);
  CarryCountry->setChecked(a.carryCountry);
  LoadImbPreferences();
  LoadOffsetPreferences();
}

void TPreferences::SavePreferences() {
  AddingSettings a;
  a.plugDate = PlugDate->isChecked();
  a.plugCityState = PlugCityState->isChecked();
  a.autoDupCheck = AutoDupCheck->isChecked();
  a.defaultCountry = DefaultCountry->text();
  a.carryOrg = CarryOrg->isChecked();
  a.carryStreet = CarryStreet->isChecked();
  a.carryCity = CarryCity->isChecked();
  a.carryState = CarryState->isChecked();
  a.carryZip = CarryZip->isChecked();
  a.carryCountry = CarryCountry->isChecked();
  bool ok = WriteDateSettings(m_ini, m_date) && WriteAddingSettings(m_ini, a) &&
            SaveImbPreferences() && SaveOffsetPreferences();
  if (!ok) {
    Dialogs().information(this, QStringLiteral("The settings could not be saved in ") + m_ini.path());
  }
}

void TPreferences::DateFormatClick(int index) {
  int count = 0;
  const DateFormatChoice* choices = DateFormatChoices(&count);
  if (index < 0 || index >= count) return;
  m_date.shortDateFmt = QString::fromLatin1(choices[index].shortDateFmt);
  m_date.separator = QString::fromLatin1(choices[index].separator);
  m_date.editMask = QString::fromLatin1(choices[index].editMask);
}

void TPreferences::OKButtonClick() {
  if (!ImbPreferencesValid() || !TakeOffsetFields()) return;
  SavePreferences();
  accept();
}

}  // namespace qv
