// The Preferences dialog: the date format and the rules for adding records,
// read from and written to the settings file.
#pragma once

#include <QDialog>
#include <QMap>

#include "store/settings.h"

#include "ui/qt_classes.h"

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
  // Printer offset (preferences_offset.cpp): per printer, how far to move
  // every label and envelope page, in inches or millimetres.
  QComboBox* OffsetPrinter;
  QLineEdit* OffsetX;
  QLineEdit* OffsetY;
  QRadioButton* OffsetInches;
  QRadioButton* OffsetMillimetres;
  void OffsetPrinterChange(int index);
  void OffsetUnitClick();

 private:
  QWidget* MakeImbGroup();
  void LoadImbPreferences();
  // False, after saying why, when a value cannot make a bar code.
  bool ImbPreferencesValid();
  bool SaveImbPreferences();
  QWidget* MakeOffsetGroup();
  void LoadOffsetPreferences();
  // The fields into the offsets of the printer shown; false, after saying
  // why, when a value is not a number or more than an inch.
  bool TakeOffsetFields();
  void ShowOffsetFields();
  bool SaveOffsetPreferences();

  // Offsets in inches of the printers looked at, by name.
  QMap<QString, PrinterOffset> m_offsets;
  QString m_offsetPrinter;  // whose offset the fields show
  bool m_offsetMillimetres = false;

  IniFile m_ini;
  DateSettings m_date;
};

}  // namespace qv
