#include "cli/dial_cmd.h"
#include "cli/cli_common.h"

#include <QFileInfo>
#include <iostream>
#include <string>

#include "dialer/dialer.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv::cli {

namespace {

}  // namespace

int CmdDial(const Args& a) {
  const QString path =
      QFileInfo(QString::fromLocal8Bit(a.positional[0].c_str())).absoluteFilePath();
  TApolloEnv env;
  TableObject table(&env);
  TApollo apollo;
  apollo.SetDataSource(&table);
  if (!OpenContactFile(path, table)) return kExitError;  // the opener said why
  bool ok = false;
  const int recno = QString::fromStdString(a.positional[1]).toInt(&ok);
  if (!ok || recno < 1 || recno > apollo.RecCount()) {
    return Fail(QStringLiteral("RECNO takes a record number from 1 to %1, not %2")
                    .arg(apollo.RecCount())
                    .arg(QString::fromStdString(a.positional[1])));
  }
  if (!apollo.Go(recno) || apollo.RecNo() != recno || apollo.Eof()) {
    return Fail(QStringLiteral("record %1 cannot be read: %2").arg(recno).arg(apollo.LastError()));
  }

  // The window's settings, unless the options say otherwise; the command
  // line leaves them as they are.
  QString home, error;
  if (!ProgramHome(&home, &error)) return Fail(error);
  const DialerSettings settings = LoadDialerSettings(SettingsFile());
  TDialer dialer;
  dialer.ComPort = a.Has("--port") ? QString::fromLocal8Bit(a.Value("--port").c_str())
                                   : settings.Device();
  if (!a.Has("--port") && settings.device.isEmpty()) {
    dialer.PortName = QStringLiteral("COM%1").arg(settings.port + 1);
  }
  const QString prefix =
      a.Has("--prefix") ? QString::fromLocal8Bit(a.Value("--prefix").c_str()) : settings.prefix;
  dialer.NumberToDial = prefix + table.fieldText(QStringLiteral("PHONE")).trimmed();
  dialer.Method = a.Has("--pulse") ? DialMethod::Pulse : settings.method;
  const bool wait = !a.Has("--no-wait");
  dialer.tell = [wait](const QString& text) {
    if (text == QLatin1String("Pick up phone")) {
      std::cout << (wait ? "Pick up phone, then press Enter to hang up the modem"
                         : "Pick up phone")
                << std::endl;
      if (wait) {
        std::string line;
        std::getline(std::cin, line);
      }
    }
  };
  if (dialer.Execute() != TDialer::Outcome::Dialed) return Fail(dialer.lastMessage());
  std::cout << "dialed " << dialer.NumberToDial.toStdString() << " on "
            << dialer.ComPort.toStdString() << "\n";
  return 0;
}

}  // namespace qv::cli
