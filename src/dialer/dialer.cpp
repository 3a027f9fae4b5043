#include "dialer/dialer.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSerialPortInfo>

namespace qv {

namespace {
const QString kDialing = QStringLiteral("Dialing");

// The line settings the port has before we open it: QSerialPort puts its own
// speed and framing on the line, and a modem set up by the user (or by
// setserial/stty) must keep its own.
struct LineSettings {
  bool known = false;
  termios saved{};
};

LineSettings ReadLineSettings(const QString& device) {
  LineSettings line;
  const int fd = ::open(device.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return line;
  line.known = ::tcgetattr(fd, &line.saved) == 0;
  ::close(fd);
  return line;
}

// Keeps QSerialPort's raw byte handling (so CR LF reach the modem as they
// are) but puts the port's own speed, framing and handshake back.
void RestoreLineSettings(const QSerialPort& port, const LineSettings& line) {
  termios now{};
  if (!line.known || ::tcgetattr(port.handle(), &now) != 0) return;
  now.c_cflag = line.saved.c_cflag;
  ::cfsetispeed(&now, ::cfgetispeed(&line.saved));
  ::cfsetospeed(&now, ::cfgetospeed(&line.saved));
  ::tcsetattr(port.handle(), TCSANOW, &now);
}

bool WriteAll(QSerialPort& port, const QByteArray& bytes, int timeoutMs) {
  if (port.write(bytes) != bytes.size()) return false;
  while (port.bytesToWrite() > 0) {
    if (!port.waitForBytesWritten(timeoutMs)) return false;
  }
  return true;
}

// Whether "OK" comes back within `timeoutMs`; what the modem echoes or
// says before it does not matter.
bool ModemAnswers(QSerialPort& port, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  QByteArray heard;
  for (qint64 left = timeoutMs; left > 0; left = timeoutMs - clock.elapsed()) {
    if (port.bytesAvailable() == 0 && !port.waitForReadyRead(static_cast<int>(left))) break;
    heard += port.readAll();
    if (heard.contains("OK")) return true;
  }
  return false;
}
}  // namespace

QByteArray DialCommand(const QString& number, DialMethod method) {
  QByteArray command = QByteArrayLiteral("ATDT") + number.toLatin1() + QByteArrayLiteral("\r\n");
  if (method == DialMethod::Pulse) command[3] = 'P';
  return command;
}

QByteArray HangUpCommand() { return QByteArrayLiteral("ATH\r\n"); }

QByteArray ProbeCommand() { return QByteArrayLiteral("AT\r"); }

QString DialNumberProblem(const QString& number) {
  if (number.contains(QLatin1Char('\r')) || number.contains(QLatin1Char('\n'))) {
    return QStringLiteral("The number to dial holds a line break; please type it on one line");
  }
  return QString();
}

QString ComPortDevice(int index) {
  if (index < 0 || index >= kComPortCount) index = 0;
  return QStringLiteral("/dev/ttyS%1").arg(index);
}

QList<DialPort> DialPorts(const QString& remembered) {
  QList<DialPort> ports;
  QStringList devices;
  for (int i = 0; i < kComPortCount; ++i) {
    ports.append({QStringLiteral("COM %1").arg(i + 1), ComPortDevice(i)});
    devices << ComPortDevice(i);
  }
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    if (devices.contains(info.systemLocation())) continue;
    ports.append({info.portName(), info.systemLocation()});
    devices << info.systemLocation();
  }
  if (!remembered.isEmpty() && !devices.contains(remembered)) {
    ports.append({remembered.section(QLatin1Char('/'), -1), remembered});
  }
  return ports;
}

DialerSettings LoadDialerSettings(const IniFile& ini) {
  DialerSettings s;
  s.prefix = ini.readString(kDialing, QStringLiteral("Prefix"), QString());
  s.port = ini.readInteger(kDialing, QStringLiteral("Port"), 0);
  if (s.port < 0 || s.port >= kComPortCount) s.port = 0;
  s.method = ini.readInteger(kDialing, QStringLiteral("Method"), 0) == 1 ? DialMethod::Pulse
                                                                           : DialMethod::Tone;
  s.device = ini.readString(kDialing, QStringLiteral("Device"), QString());
  return s;
}

bool SaveDialerSettings(IniFile& ini, const DialerSettings& settings) {
  DialerSettings s = settings;
  for (int i = 0; i < kComPortCount; ++i) {
    if (s.device == ComPortDevice(i)) {
      s.port = i;
      s.device.clear();
    }
  }
  return ini.writeString(kDialing, QStringLiteral("Prefix"), s.prefix) &&
         ini.writeInteger(kDialing, QStringLiteral("Port"), s.port) &&
         ini.writeInteger(kDialing, QStringLiteral("Method"), static_cast<int>(s.method)) &&
         ini.writeString(kDialing, QStringLiteral("Device"), s.device);
}

TDialer::Outcome TDialer::Fail(Outcome outcome, const QString& message) {
  m_message = message;
  if (fail) {
    fail(message);
  } else if (tell) {
    tell(message);
  }
  return outcome;
}

TDialer::Outcome TDialer::Execute() {
  m_message.clear();
  if (Confirm && ask &&
      !ask(QStringLiteral("About to dial the number ") + NumberToDial +
           QStringLiteral(". Are you sure?"))) {
    return Outcome::Declined;
  }
  const QString problem = DialNumberProblem(NumberToDial);
  if (!problem.isEmpty()) return Fail(Outcome::BadNumber, problem);
  const QString name = PortName.isEmpty() ? ComPort : PortName;

  const LineSettings line = ReadLineSettings(ComPort);
  QSerialPort port;
  port.setPortName(ComPort);
  if (ComPort.isEmpty() || !port.open(QIODevice::ReadWrite)) {
    const QString where = name == ComPort || ComPort.isEmpty()
                              ? QString()
                              : QStringLiteral(" (") + ComPort + QLatin1Char(')');
    return Fail(Outcome::OpenFailed, QStringLiteral("Unable to open ") + name + where);
  }
  RestoreLineSettings(port, line);
  // An old answer left on the line must not pass for the modem's.
  port.clear(QSerialPort::Input);
  if (!WriteAll(port, ProbeCommand(), writeTimeoutMs)) {
    port.close();
    return Fail(Outcome::WriteFailed, QStringLiteral("Unable to dial number"));
  }
  if (!ModemAnswers(port, probeTimeoutMs)) {
    port.close();
    return Fail(Outcome::NoModem, QStringLiteral("No modem answers on ") + ComPort);
  }
  if (!WriteAll(port, DialCommand(NumberToDial, Method), writeTimeoutMs)) {
    port.close();
    return Fail(Outcome::WriteFailed, QStringLiteral("Unable to dial number"));
  }
  if (tell) tell(QStringLiteral("Pick up phone"));
  const bool hungUp = WriteAll(port, HangUpCommand(), writeTimeoutMs);
  port.close();
  // A modem left off hook would keep the line busy: say so.
  if (!hungUp) return Fail(Outcome::WriteFailed, QStringLiteral("Unable to hang up the modem"));
  return Outcome::Dialed;
}

}  // namespace qv
