// The Envelopes command of the main window's menu bar.
#include <QRadioButton>

#include "app/qvmain.h"
#include "app/shared.h"
#include "envelopes/windows/print_envelope.h"
#include "render/printers.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv {

void TQVPMain::mnuEnvelopesClick() {
  if (!HasInstalledPrinters()) {
    ShowInformation(
        QStringLiteral("There are no installed printers.\r\nPrinting envelopes is not feasible"));
    return;
  }
  const QString savedPrinter = CurrentPrinterName();
  if (TableQVW->active() && Apollo1.QueryRecCount() > 0) {
    TableQVW->disableControls();
    TrackTableEvents = false;
    // A run for many records moves the table; the shown record comes back.
    const int savedRecno = Apollo1.RecNo();
    {
      TQVEnvelopes envelopes(TableQVW, &Apollo1, this);
      CenterOnMainWindow(&envelopes);
      if (CurrentFilter.isEmpty()) envelopes.rbQFilter->setEnabled(false);
      if (envelopes.OpenEnvelopeSetupTable(ProgramDirectory())) {
        if (RunEnvelopesWindow) {
          RunEnvelopesWindow(envelopes);
        } else {
          envelopes.exec();
        }
      }
    }
    if (savedRecno > 0) Apollo1.Go(savedRecno);
    TableQVW->enableControls();
    TrackTableEvents = true;
  }
  // The printer chosen for envelopes is for envelopes only.
  SetCurrentPrinterName(savedPrinter);
  SetButtons();
}

}  // namespace qv
