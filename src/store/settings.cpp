#include "store/settings.h"

#include <cmath>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace qv {

namespace {
const QString kDate = QStringLiteral("Date");
const QString kAdding = QStringLiteral("Adding");
const QString kMru = QStringLiteral("MRU");
const QString kReport = QStringLiteral("UserDefinedReport");
const QString kDialing = QStringLiteral("Dialing");
}  // namespace

namespace {
QString ProgramDirectoryPath() {
  QString dir = qEnvironmentVariable("QUORVANE_HOME");
  if (dir.isEmpty()) {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.local/share");
    dir = data + QStringLiteral("/quorvane");
  }
  if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
  return dir;
}
}  // namespace

QString ProgramDirectory() {
  const QString dir = ProgramDirectoryPath();
  // Checked once, at the start, by MakeProgramDirectory.
  (void)QDir().mkpath(dir);
  return dir;
}

bool MakeProgramDirectory(QString* message) {
  const QString dir = ProgramDirectoryPath();
  const bool made = QDir().mkpath(dir);
  if (made && QFileInfo(dir).isWritable()) return true;
  *message = QStringLiteral("Unable to %1 the program folder %2.\r\nSettings, label and envelope "
                            "setups and letters cannot be saved.")
                 .arg(made ? QStringLiteral("write to") : QStringLiteral("create"),
                      QDir::toNativeSeparators(dir));
  return false;
}

bool ProgramDirectoryReady(QString* message) {
  return MakeProgramDirectory(message) && SettingsFile().readable(message);
}

IniFile SettingsFile() { return IniFile(ProgramDirectory() + QStringLiteral("QUORVA.INI")); }

DateSettings ReadDateSettings(const IniFile& ini) {
  DateSettings d;
  d.separator = ini.readString(kDate, QStringLiteral("DateSeparator"), QStringLiteral("/"));
  d.shortDateFmt = ini.readString(kDate, QStringLiteral("ShortDateFmt"), QStringLiteral("mm/dd/yyyy"));
  d.editMask = ini.readString(kDate, QStringLiteral("DateEditMask"), QStringLiteral("!99/99/9999;1;_"));
  return d;
}

bool WriteDateSettings(IniFile& ini, const DateSettings& date) {
  return ini.writeString(kDate, QStringLiteral("DateSeparator"), date.separator) &&
         ini.writeString(kDate, QStringLiteral("ShortDateFmt"), date.shortDateFmt) &&
         ini.writeString(kDate, QStringLiteral("DateEditMask"), date.editMask);
}

AddingSettings ReadAddingSettings(const IniFile& ini) {
  AddingSettings a;
  a.plugDate = ini.readBool(kAdding, QStringLiteral("PlugDate"), false);
  a.plugCityState = ini.readBool(kAdding, QStringLiteral("PlugCityState"), false);
  a.autoDupCheck = ini.readBool(kAdding, QStringLiteral("AutoDupCheck"), false);
  a.defaultCountry = ini.readString(kAdding, QStringLiteral("DefaultCountry"), QString());
  a.carryOrg = ini.readBool(kAdding, QStringLiteral("CarryOrg"), false);
  a.carryStreet = ini.readBool(kAdding, QStringLiteral("CarrySA1"), false);
  a.carryCity = ini.readBool(kAdding, QStringLiteral("CarryCity"), false);
  a.carryState = ini.readBool(kAdding, QStringLiteral("CarryState"), false);
  a.carryZip = ini.readBool(kAdding, QStringLiteral("CarryZip"), false);
  a.carryCountry = ini.readBool(kAdding, QStringLiteral("CarryCountry"), false);
  return a;
}

bool WriteAddingSettings(IniFile& ini, const AddingSettings& a) {
  return ini.writeBool(kAdding, QStringLiteral("PlugDate"), a.plugDate) &&
         ini.writeBool(kAdding, QStringLiteral("PlugCityState"), a.plugCityState) &&
         ini.writeBool(kAdding, QStringLiteral("AutoDupCheck"), a.autoDupCheck) &&
         ini.writeString(kAdding, QStringLiteral("DefaultCountry"), a.defaultCountry) &&
         ini.writeBool(kAdding, QStringLiteral("CarryOrg"), a.carryOrg) &&
         ini.writeBool(kAdding, QStringLiteral("CarrySA1"), a.carryStreet) &&
         ini.writeBool(kAdding, QStringLiteral("CarryCity"), a.carryCity) &&
         ini.writeBool(kAdding, QStringLiteral("CarryState"), a.carryState) &&
         ini.writeBool(kAdding, QStringLiteral("CarryZip"), a.carryZip) &&
         ini.writeBool(kAdding, QStringLiteral("CarryCountry"), a.carryCountry);
}

QStringList ReadRecentFiles(const IniFile& ini) {
  QStringList files;
  for (int i = 1; i <= kRecentFileCount; ++i) {
    QString item = ini.readString(kMru, QStringLiteral("Item%1").arg(i), QString());
    if (!item.isEmpty()) files.append(item);
  }
  return files;
}

bool WriteRecentFiles(IniFile& ini, const QStringList& files) {
  bool ok = true;
  for (int i = 1; i <= kRecentFileCount; ++i) {
    ok = ini.writeString(kMru, QStringLiteral("Item%1").arg(i),
                         i <= files.size() ? files[i - 1] : QString()) && ok;
  }
  return ok;
}

QString ReadUserReportTitle(const IniFile& ini, const QString& contactFilePath) {
  return ini.readString(kReport, QStringLiteral("UserReportTitle"),
                        QStringLiteral("Report for: ") + contactFilePath);
}

bool WriteUserReportTitle(IniFile& ini, const QString& title) {
  return ini.writeString(kReport, QStringLiteral("UserReportTitle"), title);
}

DialingSettings ReadDialingSettings(const IniFile& ini) {
  DialingSettings d;
  d.prefix = ini.readString(kDialing, QStringLiteral("Prefix"), QString());
  d.port = ini.readInteger(kDialing, QStringLiteral("Port"), 0);
  d.method = ini.readInteger(kDialing, QStringLiteral("Method"), 0);
  return d;
}

bool WriteDialingSettings(IniFile& ini, const DialingSettings& d) {
  return ini.writeString(kDialing, QStringLiteral("Prefix"), d.prefix) &&
         ini.writeInteger(kDialing, QStringLiteral("Port"), d.port) &&
         ini.writeInteger(kDialing, QStringLiteral("Method"), d.method);
}

namespace {
const QString kPrinterOffsets = QStringLiteral("PrinterOffsets");
}  // namespace

PrinterOffset ReadPrinterOffset(const IniFile& ini, const QString& printerName) {
  const QString name = printerName.trimmed();
  if (name.isEmpty()) return {};
  const QStringList parts = ini.readString(kPrinterOffsets, name, QString()).split(QLatin1Char(','));
  if (parts.size() != 2) return {};
  bool okX = false, okY = false;
  const PrinterOffset offset{parts[0].trimmed().toDouble(&okX), parts[1].trimmed().toDouble(&okY)};
  if (!okX || !okY || std::abs(offset.x) > kMaxPrinterOffset ||
      std::abs(offset.y) > kMaxPrinterOffset) {
    return {};
  }
  return offset;
}

bool WritePrinterOffset(IniFile& ini, const QString& printerName, PrinterOffset offset) {
  const QString name = printerName.trimmed();
  // A key line ends its key at the first '='.
  if (name.isEmpty() || name.contains(QLatin1Char('='))) return false;
  return ini.writeString(kPrinterOffsets, name,
                         QString::number(offset.x, 'f', 3) + QLatin1Char(',') +
                             QString::number(offset.y, 'f', 3));
}

}  // namespace qv
