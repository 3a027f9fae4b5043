#include "cli/cli_common.h"

#include <iostream>

#include "store/filter_text.h"

namespace qv::cli {

int Fail(const QString& message) {
  std::cerr << "quorvane-cli: " << message.toStdString() << "\n";
  return kExitError;
}

QString SelectionQuery(const Args& a) {
  if (!a.Has("--filter")) return FilterQuery(QString());
  return FilterQuery(QLatin1Char('(') + QString::fromLocal8Bit(a.Value("--filter").c_str()) +
                     QLatin1Char(')'));
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
