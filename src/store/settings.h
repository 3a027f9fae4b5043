// The program's settings in "QUORVA.INI" in the program directory: every key
// with its default. Each function reads or writes through IniFile, which
// opens and closes the file every time.
#pragma once

#include <QString>
#include <QStringList>

#include "store/ini_file.h"

namespace qv {

// The program directory: $QUORVANE_HOME when set, else
// $XDG_DATA_HOME/quorvane (default ~/.local/share/quorvane), created on first
// use. Returned with a trailing '/'.
QString ProgramDirectory();
// Makes the program directory; false, with the message to show, when it
// cannot be made or written to.
bool MakeProgramDirectory(QString* message);
// What a start checks: the program directory made and writable, then its
// settings file readable. False with the message to show for the first
// that fails; the window shows it and goes on, a command that keeps files
// or reads settings there stops.
bool ProgramDirectoryReady(QString* message);

// The settings file of the program directory.
IniFile SettingsFile();

struct DateSettings {
  QString separator;     // DateSeparator (first character used)
  QString shortDateFmt;  // ShortDateFmt
  QString editMask;      // DateEditMask
};

// Without stored values: mm/dd/yyyy with its mask, for the main window and
// Preferences alike, so saving Preferences unchanged changes no date.
DateSettings ReadDateSettings(const IniFile& ini);
bool WriteDateSettings(IniFile& ini, const DateSettings& date);

struct AddingSettings {
  bool plugDate = false;
  bool plugCityState = false;
  bool autoDupCheck = false;
  QString defaultCountry;
  bool carryOrg = false;
  bool carryStreet = false;  // stored as CarrySA1
  bool carryCity = false;
  bool carryState = false;
  bool carryZip = false;
  bool carryCountry = false;
};

AddingSettings ReadAddingSettings(const IniFile& ini);
bool WriteAddingSettings(IniFile& ini, const AddingSettings& adding);

// At most four full paths, most recent first; empty values are skipped.
constexpr int kRecentFileCount = 4;
QStringList ReadRecentFiles(const IniFile& ini);
bool WriteRecentFiles(IniFile& ini, const QStringList& files);

// "Report for: " followed by the open contact file's path when missing.
QString ReadUserReportTitle(const IniFile& ini, const QString& contactFilePath);
bool WriteUserReportTitle(IniFile& ini, const QString& title);

struct DialingSettings {
  QString prefix;
  int port = 0;
  int method = 0;
};

DialingSettings ReadDialingSettings(const IniFile& ini);
bool WriteDialingSettings(IniFile& ini, const DialingSettings& dialing);

// How far a printer puts its output from where it was asked to (inches,
// right and down): label and envelope runs shift every page by it. Kept in
// section [PrinterOffsets], one key per printer name, value "X,Y".
struct PrinterOffset {
  double x = 0;
  double y = 0;
  bool operator==(const PrinterOffset&) const = default;
};
// Offsets beyond this are a typing slip, not a printer's feed.
constexpr double kMaxPrinterOffset = 1.0;

// The printer's offset; none for an unknown printer or a damaged value.
PrinterOffset ReadPrinterOffset(const IniFile& ini, const QString& printerName);
// Stores the offset with 3 decimals; a zero offset removes nothing but is
// stored as "0.000,0.000". False when the name is empty or holds '=', or
// the file cannot be written.
bool WritePrinterOffset(IniFile& ini, const QString& printerName, PrinterOffset offset);

}  // namespace qv
