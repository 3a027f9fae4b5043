#include "cli/cli_common.h"

#include <iostream>

namespace qv::cli {

int Fail(const QString& message) {
  std::cerr << "quorvane-cli: " << message.toStdString() << "\n";
  return kExitError;
}

QString OneLine(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

void CliHost::information(const QString& text) {
  std::cerr << OneLine(text).toStdString() << "\n";
}

bool CliHost::question(const QString& text, bool) {
  std::cerr << OneLine(text).toStdString() << "\n  -> " << (m_yes ? "Yes" : "No")
            << (m_yes || !m_offersYes ? "" : " (give --yes to answer Yes)") << "\n";
  return m_yes;
}

}  // namespace qv::cli
