#include "reports/report_settings.h"

#include "store/settings.h"

namespace qv {

namespace {

const QString kSection = QStringLiteral("UserDefinedReport");

}  // namespace

ReportChoices ReadReportChoices(const IniFile& ini, const QString& contactFilePath) {
  ReportChoices c;
  c.title = ReadUserReportTitle(ini, contactFilePath);
  c.layout = ini.readInteger(kSection, QStringLiteral("UserReportLayout"), 1);
  if (c.layout < 1 || c.layout > 4) c.layout = 1;
  c.printCodes = ini.readBool(kSection, QStringLiteral("UserReportCodes"), false);
  c.printMemo = ini.readBool(kSection, QStringLiteral("UserReportMemo"), false);
  return c;
}

bool WriteReportChoices(IniFile& ini, const ReportChoices& c) {
  return WriteUserReportTitle(ini, c.title) &&
         ini.writeInteger(kSection, QStringLiteral("UserReportLayout"), c.layout) &&
         ini.writeBool(kSection, QStringLiteral("UserReportCodes"), c.printCodes) &&
         ini.writeBool(kSection, QStringLiteral("UserReportMemo"), c.printMemo);
}

}  // namespace qv
