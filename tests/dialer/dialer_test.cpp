// The dialer against a pseudo-terminal standing in for the modem: the
// exact bytes of the dial command and the hang-up, and the failures.
#include "dialer/dialer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "fake_modem.h"

namespace qv {
namespace {

using testing::FakeModem;

struct DialCase {
  const char* number;
  DialMethod method;
  const char* command;
};

TEST(DialerTest, SendsTheDialCommandAndHangsUpOnceThePhoneIsPickedUp) {
  const DialCase cases[] = {
      {"9555-0100", DialMethod::Tone, "ATDT9555-0100\r\n"},
      {"9555-0100", DialMethod::Pulse, "ATDP9555-0100\r\n"},
      {"", DialMethod::Tone, "ATDT\r\n"},
      {"(212) 555-0100,,12#", DialMethod::Tone, "ATDT(212) 555-0100,,12#\r\n"},
  };
  for (const DialCase& c : cases) {
    SCOPED_TRACE(c.command);
    FakeModem modem;
    ASSERT_TRUE(modem.ok);
    TDialer dialer;
    dialer.ComPort = modem.device;
    dialer.NumberToDial = QString::fromLatin1(c.number);
    dialer.Method = c.method;
    QStringList told;
    QByteArray beforeHangUp;
    dialer.tell = [&](const QString& text) {
      told << text;
      beforeHangUp = modem.Received();
    };
    EXPECT_EQ(dialer.Execute(), TDialer::Outcome::Dialed);
    EXPECT_EQ(std::tuple(told, beforeHangUp, modem.Received()),
              std::tuple(QStringList{"Pick up phone"}, "AT\r" + QByteArray(c.command),
                         QByteArray("ATH\r\n")));
  }
}

TEST(DialerTest, FailuresAreToldAndNothingElseHappens) {
  QTemporaryDir dir;
  FakeModem jammed, silent;
  ASSERT_TRUE(jammed.ok && silent.ok);
  jammed.Jam();
  silent.Silence();
  struct Case {
    QString device, portName, number;
    TDialer::Outcome outcome;
    QString message;
  } cases[] = {
      {dir.filePath(QStringLiteral("ttyS2")), QStringLiteral("COM3"), QStringLiteral("5550100"),
       TDialer::Outcome::OpenFailed,
       QStringLiteral("Unable to open COM3 (") + dir.filePath(QStringLiteral("ttyS2")) + ")"},
      {silent.device, QStringLiteral("COM1"), QStringLiteral("5550100"), TDialer::Outcome::NoModem,
       QStringLiteral("No modem answers on ") + silent.device},
      {QString(), QString(), QStringLiteral("5550100"), TDialer::Outcome::OpenFailed,
       QStringLiteral("Unable to open ")},
      {jammed.device, QString(), QStringLiteral("5550100"), TDialer::Outcome::WriteFailed,
       QStringLiteral("Unable to dial number")},
      {jammed.device, QString(), QStringLiteral("555\r\nATZ"), TDialer::Outcome::BadNumber,
       DialNumberProblem(QStringLiteral("\n"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    TDialer dialer;
    dialer.ComPort = c.device;
    dialer.PortName = c.portName;
    dialer.NumberToDial = c.number;
    dialer.writeTimeoutMs = 200;
    dialer.probeTimeoutMs = 200;
    QStringList told, failed;
    dialer.tell = [&](const QString& text) { told << text; };
    dialer.fail = [&](const QString& text) { failed << text; };
    EXPECT_EQ(dialer.Execute(), c.outcome);
    EXPECT_EQ(std::tuple(told, failed, dialer.lastMessage()),
              std::tuple(QStringList(), QStringList{c.message}, c.message));
  }
  // Nothing but the probe reached the silent line.
  EXPECT_EQ(silent.Received(), QByteArray("AT\r"));
}

TEST(DialerTest, ConfirmAsksFirstAndNoDialsNothing) {
  FakeModem modem;
  ASSERT_TRUE(modem.ok);
  TDialer dialer;
  dialer.ComPort = modem.device;
  dialer.NumberToDial = QStringLiteral("5550100");
  dialer.Confirm = true;
  QString asked;
  dialer.ask = [&](const QString& text) {
    asked = text;
    return false;
  };
  EXPECT_EQ(dialer.Execute(), TDialer::Outcome::Declined);
  EXPECT_EQ(asked, QStringLiteral("About to dial the number 5550100. Are you sure?"));
  EXPECT_TRUE(modem.Received().isEmpty());
}

TEST(DialerTest, SettingsKeepComPortsAsAnIndexAndOtherDevicesByName) {
  QTemporaryDir dir;
  IniFile ini(dir.filePath(QStringLiteral("QUORVA.INI")));
  EXPECT_EQ(LoadDialerSettings(ini).Device(), QStringLiteral("/dev/ttyS0"));  // nothing stored yet

  DialerSettings s;
  s.prefix = QStringLiteral("9");
  s.device = QStringLiteral("/dev/ttyS2");
  s.method = DialMethod::Pulse;
  ASSERT_TRUE(SaveDialerSettings(ini, s));
  EXPECT_EQ(std::tuple(ini.readInteger("Dialing", "Port", -1),
                       ini.readInteger("Dialing", "Method", -1),
                       ini.readString("Dialing", "Prefix", {}), LoadDialerSettings(ini).Device()),
            std::tuple(2, 1, QStringLiteral("9"), QStringLiteral("/dev/ttyS2")));

  s.device = QStringLiteral("/dev/ttyACM0");
  ASSERT_TRUE(SaveDialerSettings(ini, s));
  EXPECT_EQ(LoadDialerSettings(ini).Device(), QStringLiteral("/dev/ttyACM0"));
  // A device the system no longer reports is still offered.
  bool offered = false;
  for (const DialPort& p : DialPorts(QStringLiteral("/dev/ttyACM0"))) {
    offered = offered || p.device == QStringLiteral("/dev/ttyACM0");
  }
  EXPECT_TRUE(offered);
}

}  // namespace
}  // namespace qv
