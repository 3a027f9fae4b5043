// The Preferences dialog: the date format and the rules for adding records,
// read from and written to the settings file.
#pragma once

#include <QDialog>

#include "store/settings.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qv {

// One entry of the "Date Format" list and what choosing it stores.
struct DateFormatChoice {
  const char* shortDateFmt;
  const char* separator;
  const char* editMask;
};
// The twelve entries, in list order.
const DateFormatChoice* DateFormatChoices(int* count);

class TPreferences : public QDialog {
  Q_OBJECT

 public:
  // Reads the settings file (`ini`, usually SettingsFile()) on creation.
  explicit TPreferences(const IniFile& ini, QWidget* parent = nullptr);

  // Handlers.
  void FormCreate();
  void LoadPreferences();
  void SavePreferences();
  void DateFormatClick(int index);
  void OKButtonClick();

  // For callers and tests: the controls.
  QComboBox* DateFormat;
  QCheckBox* PlugDate;
  QCheckBox* PlugCityState;
  QCheckBox* AutoDupCheck;
  QCheckBox* CarryOrg;
  QCheckBox* CarryStreet;
  QCheckBox* CarryCity;
  QCheckBox* CarryState;
  QCheckBox* CarryZip;
  QCheckBox* CarryCountry;
  QLineEdit* DefaultCountry;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;
  // Intelligent Mail barcode (preferences_imb.cpp).
  QLineEdit* ImbMailerId;
  QLineEdit* ImbServiceType;
  QLineEdit* ImbBarcodeId;
  QLineEdit* ImbNextSerial;

 private:
  QWidget* MakeImbGroup();
  void LoadImbPreferences();
  // False, after saying why, when a value cannot make a bar code.
  bool ImbPreferencesValid();
  bool SaveImbPreferences();

  IniFile m_ini;
  DateSettings m_date;
};

}  // namespace qv
