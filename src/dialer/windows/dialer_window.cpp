#include "dialer/windows/dialer_window.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/dialogs.h"

namespace qv {

namespace {
constexpr int kHelpTopic = 1090;
// Beyond the two modem methods; stored as Method 2.
constexpr int kPhoneAppId = 2;

// A desktop that can place calls names a default program for tel: links.
bool DesktopHasTelHandler() {
  QProcess query;
  query.start(QStringLiteral("xdg-mime"),
              {QStringLiteral("query"), QStringLiteral("default"),
               QStringLiteral("x-scheme-handler/tel")});
  if (!query.waitForFinished(2000)) {
    query.kill();
    query.waitForFinished(500);
    return false;
  }
  return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
}
}  // namespace

std::function<bool()> TQVDialer::HasPhoneApp = DesktopHasTelHandler;

TQVDialer::TQVDialer(const IniFile& ini, QWidget* parent) : QDialog(parent), m_ini(ini) {
  setWindowTitle(QStringLiteral("Dial Phone Number"));

  PortGroup = new QGroupBox(QStringLiteral("Port"), this);
  Port = new QButtonGroup(this);
  MethodGroup = new QGroupBox(QStringLiteral("Method"), this);
  Method = new QButtonGroup(this);
  rbTone = new QRadioButton(QStringLiteral("&Tone"), MethodGroup);
  rbPulse = new QRadioButton(QStringLiteral("&Pulse"), MethodGroup);
  rbPhoneApp = new QRadioButton(QStringLiteral("Call with phone &app"), MethodGroup);
  rbPhoneApp->setToolTip(
      QStringLiteral("Hands the number to the desktop's phone program instead of a modem"));
  rbPhoneApp->hide();
  Method->addButton(rbTone, static_cast<int>(DialMethod::Tone));
  Method->addButton(rbPulse, static_cast<int>(DialMethod::Pulse));
  Method->addButton(rbPhoneApp, kPhoneAppId);
  rbTone->setChecked(true);
  auto* methodLayout = new QVBoxLayout(MethodGroup);
  methodLayout->addWidget(rbTone);
  methodLayout->addWidget(rbPulse);
  methodLayout->addWidget(rbPhoneApp);

  Device = new QLineEdit(this);
  Device->setToolTip(QStringLiteral("The device of the chosen port; any device path can be typed"));
  Prefix = new QLineEdit(this);
  NumberToDial = new QLineEdit(this);
  NumberToDial->setMinimumWidth(200);
  auto* edits = new QFormLayout;
  edits->addRow(QStringLiteral("De&vice"), Device);
  edits->addRow(QStringLiteral("P&refix"), Prefix);
  edits->addRow(QStringLiteral("&Number to Dial"), NumberToDial);

  DialButton = new QPushButton(QStringLiteral("&Dial"), this);
  DialButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  HelpButton = new QPushButton(QStringLiteral("&Help"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* b : {DialButton, CancelButton, HelpButton}) buttons->addWidget(b);

  auto* groups = new QHBoxLayout;
  groups->addWidget(PortGroup, 2);
  groups->addWidget(MethodGroup, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addLayout(edits);
  layout->addLayout(buttons);

  connect(Port, &QButtonGroup::idClicked, this, &TQVDialer::PortClick);
  connect(DialButton, &QPushButton::clicked, this, &TQVDialer::DialButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(HelpButton, &QPushButton::clicked, this, &TQVDialer::HelpButtonClick);
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, &TQVDialer::HelpButtonClick);
}

bool TQVDialer::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate || e->type() == QEvent::Show) FormActivate();
  return QDialog::event(e);
}

void TQVDialer::FormActivate() {
  if (!m_firstActivate) return;
  m_firstActivate = false;
  LoadPreferences();
}

void TQVDialer::AddPortButtons(const QString& remembered) {
  m_ports = DialPorts(remembered);
  auto* grid = new QGridLayout(PortGroup);
  // COM 1 to COM 4 in two columns, as the modem ports have always been
  // shown; the system's other devices below them.
  for (int i = 0; i < m_ports.size(); ++i) {
    auto* button = new QRadioButton(m_ports[i].caption, PortGroup);
    button->setToolTip(m_ports[i].device);
    Port->addButton(button, i);
    PortButtons << button;
    if (i < kComPortCount) {
      grid->addWidget(button, i % 2, i / 2);
    } else {
      grid->addWidget(button, 2 + (i - kComPortCount) / 2, (i - kComPortCount) % 2);
    }
  }
}

void TQVDialer::LoadPreferences() {
  const DialerSettings s = LoadDialerSettings(m_ini);
  AddPortButtons(s.device);
  const QString device = s.Device();
  bool found = false;
  for (int i = 0; i < m_ports.size(); ++i) {
    if (m_ports[i].device == device) PortButtons[i]->setChecked(found = true);
  }
  // A COM port set to another device keeps its button.
  if (!found && !PortButtons.isEmpty()) PortButtons[s.port]->setChecked(true);
  Device->setText(device);
  const bool phoneApp = HasPhoneApp && HasPhoneApp();
  rbPhoneApp->setVisible(phoneApp);
  const int method = m_ini.readInteger(QStringLiteral("Dialing"), QStringLiteral("Method"), 0);
  if (method == kPhoneAppId && phoneApp) {
    rbPhoneApp->setChecked(true);
  } else {
    (s.method == DialMethod::Pulse ? rbPulse : rbTone)->setChecked(true);
  }
  Prefix->setText(s.prefix);
}

void TQVDialer::SavePreferences() {
  DialerSettings s;
  s.prefix = Prefix->text();
  const int port = Port->checkedId();
  s.port = port >= 0 && port < kComPortCount ? port : 0;
  s.device = Device->text().trimmed();
  if (s.device.isEmpty()) s.device = port >= 0 ? m_ports[port].device : ComPortDevice(0);
  s.method = Method->checkedId() == static_cast<int>(DialMethod::Pulse) ? DialMethod::Pulse
                                                                         : DialMethod::Tone;
  bool saved = SaveDialerSettings(m_ini, s);
  if (saved && Method->checkedId() == kPhoneAppId) {
    saved = m_ini.writeInteger(QStringLiteral("Dialing"), QStringLiteral("Method"), kPhoneAppId);
  }
  if (!saved) {
    Dialogs().information(this, QStringLiteral("The dialing settings could not be saved in ") +
                                    m_ini.path());
  }
}

void TQVDialer::CallWithPhoneApp(const QString& number) {
  const QString problem = DialNumberProblem(number);
  if (!problem.isEmpty()) {
    Dialogs().information(this, problem);
    return;
  }
  QUrl url;
  url.setScheme(QStringLiteral("tel"));
  url.setPath(number.trimmed());
  if (!QDesktopServices::openUrl(url)) {
    Dialogs().information(this, QStringLiteral("Unable to dial number"));
  }
}

void TQVDialer::DialButtonClick() {
  SavePreferences();
  const QString number = Prefix->text() + NumberToDial->text();
  if (Method->checkedId() == kPhoneAppId) {
    CallWithPhoneApp(number);
    return;
  }
  const int port = std::max(0, Port->checkedId());
  const QString typed = Device->text().trimmed();
  m_dialer.ComPort = typed.isEmpty() ? m_ports.value(port).device : typed;
  m_dialer.PortName =
      port < kComPortCount ? QStringLiteral("COM%1").arg(port + 1) : m_dialer.ComPort;
  m_dialer.NumberToDial = number;
  m_dialer.Method = Method->checkedId() == static_cast<int>(DialMethod::Pulse) ? DialMethod::Pulse
                                                                               : DialMethod::Tone;
  m_dialer.Confirm = false;
  m_dialer.tell = [this](const QString& text) { Dialogs().information(this, text); };
  m_dialer.fail = [this](const QString& text) { Dialogs().error(this, text); };
  m_dialer.Execute();
}

void TQVDialer::PortClick(int id) { Device->setText(m_ports.value(id).device); }

void TQVDialer::HelpButtonClick() { Dialogs().showHelp(this, kHelpTopic); }

}  // namespace qv
