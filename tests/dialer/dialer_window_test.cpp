// The "Dial Phone Number" window: settings loaded on first activation and
// saved at every dial, the bytes on a pseudo-terminal, the phone app.
#include "dialer/windows/dialer_window.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QDesktopServices>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QUrl>

#include "fake_modem.h"
#include "scripted_dialogs.h"

namespace qv {

// Stands in for the desktop's phone program.
class TelCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

namespace {

class DialerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(modem_.ok);
    TQVDialer::HasPhoneApp = [] { return false; };
  }
  int PortIndexOf(const TQVDialer& w, const QString& device) {
    for (int i = 0; i < w.Ports().size(); ++i) {
      if (w.Ports()[i].device == device) return i;
    }
    return -1;
  }

  QTemporaryDir dir_;
  IniFile ini_{dir_.filePath(QStringLiteral("QUORVA.INI"))};
  testing::ScriptedDialogs dialogs_;
  testing::FakeModem modem_;
  const QString pty_ = modem_.device;
};

TEST_F(DialerWindowTest, FirstActivationShowsTheStoredSettings) {
  ini_.writeString(QStringLiteral("Dialing"), QStringLiteral("Prefix"), QStringLiteral("1"));
  ini_.writeInteger(QStringLiteral("Dialing"), QStringLiteral("Port"), 1);
  ini_.writeInteger(QStringLiteral("Dialing"), QStringLiteral("Method"), 1);
  TQVDialer w(ini_);
  w.FormActivate();
  ASSERT_GE(w.PortButtons.size(), 4);
  EXPECT_EQ(std::tuple(w.PortButtons[1]->isChecked(), w.rbPulse->isChecked(), w.Prefix->text(),
                       w.rbPhoneApp->isHidden()),
            std::tuple(true, true, QStringLiteral("1"), true));
  // A second activation does not load again over the user's changes.
  w.Prefix->setText(QStringLiteral("9"));
  w.FormActivate();
  EXPECT_EQ(w.Prefix->text(), QStringLiteral("9"));
}

// A dial probes, sends prefix and number and hangs up; a failed open is
// an error naming the device. A device typed in the Device box is used
// and kept. Either way the choices are saved.
TEST_F(DialerWindowTest, DialSendsPrefixAndNumberOrSaysWhyAndSavesTheChoices) {
  const QString missing = dir_.filePath(QStringLiteral("ttyUSB7"));
  const struct {
    QString stored, typed;  // typed: over COM 1's device ("" leaves the box)
    QByteArray sent;
    QString kind, told;
    QString saved;
  } cases[] = {{pty_, QString(), "AT\rATDP9555-0100\r\nATH\r\n", "information",
                QStringLiteral("Pick up phone"), pty_},
               {missing, QString(), "", "error", QStringLiteral("Unable to open ") + missing, missing},
               {QString(), pty_, "AT\rATDP9555-0100\r\nATH\r\n", "information",
                QStringLiteral("Pick up phone"), pty_}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.toStdString());
    dialogs_.calls.clear();
    ini_.writeString(QStringLiteral("Dialing"), QStringLiteral("Device"), c.stored);
    TQVDialer w(ini_);
    w.FormActivate();
    if (c.stored == pty_) {
      const int port = PortIndexOf(w, pty_);
      ASSERT_GE(port, 4);
      EXPECT_TRUE(w.PortButtons[port]->isChecked());
    }
    if (!c.typed.isEmpty()) {
      w.PortButtons[0]->click();
      EXPECT_EQ(w.Device->text(), ComPortDevice(0));
      w.Device->setText(c.typed);
    }
    w.Prefix->setText(QStringLiteral("9"));
    w.NumberToDial->setText(QStringLiteral("555-0100"));
    w.rbPulse->setChecked(true);
    w.DialButtonClick();
    EXPECT_EQ(std::tuple(modem_.Received(), dialogs_.kinds(), dialogs_.textsOf(c.kind)),
              std::tuple(c.sent, QStringList{c.kind}, QStringList{c.told}));
    const DialerSettings saved = LoadDialerSettings(ini_);
    EXPECT_EQ(std::tuple(saved.prefix, saved.method, saved.Device()),
              std::tuple(QStringLiteral("9"), DialMethod::Pulse, c.saved));
  }
}

TEST_F(DialerWindowTest, PhoneAppGetsATelLinkInsteadOfTheModem) {
  TQVDialer::HasPhoneApp = [] { return true; };
  TelCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("tel"), &catcher, "open");
  TQVDialer w(ini_);
  w.FormActivate();
  EXPECT_FALSE(w.rbPhoneApp->isHidden());
  w.rbPhoneApp->setChecked(true);
  w.Prefix->setText(QStringLiteral("1"));
  w.NumberToDial->setText(QStringLiteral("212-555-0100"));
  w.DialButtonClick();
  QDesktopServices::unsetUrlHandler(QStringLiteral("tel"));
  EXPECT_EQ(catcher.urls, QList<QUrl>{QUrl("tel:1212-555-0100")});
  EXPECT_TRUE(dialogs_.calls.empty());
  TQVDialer again(ini_);
  again.FormActivate();
  EXPECT_TRUE(again.rbPhoneApp->isChecked());
}

}  // namespace
}  // namespace qv

#include "dialer_window_test.moc"
