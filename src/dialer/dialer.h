// The phone dialer: the Hayes commands that dial a number and hang up, the
// ports offered (COM 1 to COM 4 as /dev/ttyS0 to /dev/ttyS3 and whatever
// serial devices the system reports), the QUORVA.INI settings of the
// "Dial Phone Number" window, and TDialer, which writes the commands to the
// port. No widgets: the window and the command line both call TDialer.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

#include "store/ini_file.h"

namespace qv {

// Stored in QUORVA.INI as Method: part of the file format, never renumber.
enum class DialMethod : int { Tone = 0, Pulse = 1 };

// "ATDT" (or "ATDP") + number + CR LF. The number goes as it is: a modem
// skips what it cannot dial.
QByteArray DialCommand(const QString& number, DialMethod method);
// Hangs the modem up; the call stays on the handset.
QByteArray HangUpCommand();
// "AT" + CR, which any Hayes modem answers with "OK".
QByteArray ProbeCommand();

// Why `number` cannot be sent, or empty. A CR or LF would end the dial
// command early and send the rest as a command of its own.
QString DialNumberProblem(const QString& number);

// One port of the Port choice.
struct DialPort {
  QString caption;  // "COM 1" or the device's own name ("ttyACM0")
  QString device;   // "/dev/ttyS0"
};

constexpr int kComPortCount = 4;
// COM 1 to COM 4, then every other serial device the system reports, and
// `remembered` when it is none of those (a modem unplugged for now).
QList<DialPort> DialPorts(const QString& remembered = QString());
// "/dev/ttyS0" for COM 1 (index 0) ... "/dev/ttyS3"; index outside 0-3
// counts as COM 1, as the settings file's default does.
QString ComPortDevice(int index);

// The Dialing section of QUORVA.INI. Port is the index of COM 1 to COM 4;
// a device beyond those is remembered by its path under Device.
struct DialerSettings {
  QString prefix;
  int port = 0;
  DialMethod method = DialMethod::Tone;
  QString device;  // empty: the COM port of `port`
  QString Device() const { return device.isEmpty() ? ComPortDevice(port) : device; }
};
DialerSettings LoadDialerSettings(const IniFile& ini);
// Stores the device as Port when it is COM 1 to COM 4, else under Device.
bool SaveDialerSettings(IniFile& ini, const DialerSettings& settings);

// Makes sure a modem answers "AT", writes the dial command to a serial
// device and, once the user has picked up the phone, the hang-up. The port is opened for this one dial
// and closed again; its speed, framing and handshake stay as they are.
class TDialer {
 public:
  enum class Outcome { Dialed, Declined, BadNumber, OpenFailed, NoModem, WriteFailed };

  QString ComPort;       // the device path
  QString PortName;      // as the messages name it; the device path when empty
  QString NumberToDial;
  bool Confirm = false;  // ask before dialing
  DialMethod Method = DialMethod::Tone;

  // How the dialer talks to its user. `tell` shows a notice and returns
  // when it is closed ("Pick up phone" waits there); `ask` is the Yes/No
  // question of Confirm.
  std::function<void(const QString&)> tell;
  std::function<bool(const QString&)> ask;
  // How a failure is shown (with the error icon); `tell` when unset.
  std::function<void(const QString&)> fail;
  // How long a write may take before the port counts as refusing it.
  int writeTimeoutMs = 3000;
  // How long the modem has to answer "AT" with "OK" before anything is
  // dialed: a port with nothing on it takes the bytes just as well.
  int probeTimeoutMs = 2000;

  // Dials; every failure has been told through `tell` already.
  Outcome Execute();
  // The message of the last failure, empty after a dial.
  const QString& lastMessage() const { return m_message; }

 private:
  Outcome Fail(Outcome outcome, const QString& message);
  QString m_message;
};

}  // namespace qv
