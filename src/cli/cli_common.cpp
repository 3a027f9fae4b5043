#include "cli/cli_common.h"

#include <QFile>
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

bool CopyToFile(QIODevice& from, const QString& path, QString* error) {
  QFile file(path);
  bool copied = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  QString why = file.errorString();
  while (copied && !from.atEnd()) {
    const QByteArray piece = from.read(1 << 20);
    if (piece.isEmpty() && !from.atEnd()) {
      copied = false;
      why = from.errorString();
    } else if (file.write(piece) != piece.size()) {
      copied = false;
      why = file.errorString();
    }
  }
  if (copied && !file.flush()) {
    copied = false;
    why = file.errorString();
  }
  if (copied) return true;
  *error = QStringLiteral("cannot write ") + path + ": " + why;
  file.close();
  file.remove();
  return false;
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
