// "Dial Phone Number": the port, the dialing method, the prefix and the
// number, and the Dial button that saves the settings and hands the number
// to TDialer (or, beyond a modem, to the desktop's phone app).
#pragma once

#include <QDialog>
#include <QList>
#include <functional>

#include "dialer/dialer.h"
#include "store/ini_file.h"

#include "ui/qt_classes.h"

namespace qv {

class TQVDialer : public QDialog {
  Q_OBJECT

 public:
  // `ini` is the settings file the window loads from and saves to.
  explicit TQVDialer(const IniFile& ini, QWidget* parent = nullptr);

  // Whether the desktop has a program for tel: links; tests replace it.
  static std::function<bool()> HasPhoneApp;

  // ---- Controls
  QGroupBox* PortGroup;
  QButtonGroup* Port;
  QList<QRadioButton*> PortButtons;
  QGroupBox* MethodGroup;
  QButtonGroup* Method;
  QRadioButton* rbTone;
  QRadioButton* rbPulse;
  QRadioButton* rbPhoneApp;  // hidden without a phone app
  QLineEdit* Device;  // the chosen port's device, or any device path typed
  QLineEdit* Prefix;
  QLineEdit* NumberToDial;
  QPushButton* DialButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

  // The ports offered, in the order of PortButtons.
  const QList<DialPort>& Ports() const { return m_ports; }
  // The dialer as the last Dial set it up (tests shorten its timeout).
  TDialer& Dialer() { return m_dialer; }

  // ---- Handlers
  void FormActivate();
  void DialButtonClick();
  void HelpButtonClick();
  void PortClick(int id);

 protected:
  bool event(QEvent* e) override;

 private:
  void LoadPreferences();
  void SavePreferences();
  void AddPortButtons(const QString& remembered);
  void CallWithPhoneApp(const QString& number);

  IniFile m_ini;
  QList<DialPort> m_ports;
  TDialer m_dialer;
  bool m_firstActivate = true;
};

}  // namespace qv
