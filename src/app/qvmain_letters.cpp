// The Letters command of the main window: the Print Letters dialog over
// the contact file, with its views frozen and its query, record and
// printer put back afterwards.
#include <QRadioButton>

#include "app/qvmain.h"
#include "app/shared.h"
#include "letters/windows/qvletters.h"
#include "render/printers.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv {

void TQVPMain::mnuLettersClick() {
  if (!HasInstalledPrinters()) {
    ShowInformation(QStringLiteral("There are no installed printers.\r\nPrinting letters is not feasible"));
    return;
  }
  const QString savedPrinter = CurrentPrinterName();
  if (TableQVW->active() && Apollo1.QueryRecCount() > 0) {
    TableQVW->disableControls();
    TrackTableEvents = false;
    const int savedRecno = Apollo1.RecNo();
    const QString savedFilter = Apollo1.DBFilter();
    {
      TqVLetters letters(TableQVW, &Apollo1, this);
      CenterOnMainWindow(&letters);
      if (letters.OpenLettersTable(ProgramDirectory())) {
        if (CurrentFilter.isEmpty()) letters.rbQFilter->setEnabled(false);
        if (RunLettersWindow) {
          RunLettersWindow(letters);
        } else {
          letters.exec();
        }
      }
    }
    Apollo1.Query(savedFilter);
    if (savedRecno > 0) Apollo1.Go(savedRecno);
    TableQVW->enableControls();
    TrackTableEvents = true;
  }
  SetCurrentPrinterName(savedPrinter);
  SetButtons();
}

}  // namespace qv
