// The main window's Dial button: the current contact's phone number in the
// "Dial Phone Number" window.
#include "app/qvmain.h"
#include "app/shared.h"
#include "dialer/windows/dialer_window.h"
#include "store/settings.h"
#include "store/table_object.h"

#include <QLineEdit>

namespace qv {

void TQVPMain::DialButtonClick() {
  TQVDialer dialer(SettingsFile(), this);
  CenterOnMainWindow(&dialer);
  dialer.NumberToDial->setText(TableQVW->fieldText(QStringLiteral("PHONE")).trimmed());
  if (RunDialerWindow) {
    RunDialerWindow(dialer);
  } else {
    dialer.exec();
  }
}

}  // namespace qv
