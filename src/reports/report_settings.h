// What the Print Report dialog remembers in QUORVA.INI, section
// UserDefinedReport: the title (UserReportTitle) and, next to it, the last
// layout and the codes and memo choices.
#pragma once

#include <QString>

#include "store/ini_file.h"

namespace qv {

struct ReportChoices {
  QString title;
  int layout = 1;  // 1 to 4
  bool printCodes = false;
  bool printMemo = false;
};

// The title defaults to "Report for: " + the open contact file's path.
ReportChoices ReadReportChoices(const IniFile& ini, const QString& contactFilePath);
bool WriteReportChoices(IniFile& ini, const ReportChoices& choices);

}  // namespace qv
