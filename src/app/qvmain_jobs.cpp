// The print jobs started from the main window's menu bar.
#include <QRadioButton>

#include "app/qvmain.h"
#include "app/shared.h"
#include "labels/windows/print_labels.h"
#include "render/printers.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv {

void TQVPMain::mnuLabelsClick() {
  if (!HasInstalledPrinters()) {
    ShowInformation(QStringLiteral("There are no installed printers.\r\nPrinting labels is not feasible"));
    return;
  }
  const QString savedPrinter = CurrentPrinterName();
  if (TableQVW->active() && Apollo1.QueryRecCount() > 0) {
    TableQVW->disableControls();
    TrackTableEvents = false;
    const int savedRecno = Apollo1.RecNo();
    const QString savedFilter = Apollo1.DBFilter();
    {
      TQVLabels labels(TableQVW, &Apollo1, this);
      CenterOnMainWindow(&labels);
      if (CurrentFilter.isEmpty()) {
        labels.rbQFilter->setEnabled(false);
        labels.rbQAll->setChecked(true);
      }
      if (labels.OpenLabelSetupTable(ProgramDirectory())) {
        if (RunLabelsWindow) {
          RunLabelsWindow(labels);
        } else {
          labels.exec();
        }
      }
    }
    Apollo1.Query(savedFilter);
    Apollo1.SetScope(QString(), QString());
    if (savedRecno > 0) Apollo1.Go(savedRecno);
    TableQVW->enableControls();
    TrackTableEvents = true;
  }
  // The printer chosen for labels is for labels only.
  SetCurrentPrinterName(savedPrinter);
  SetButtons();
}

}  // namespace qv
