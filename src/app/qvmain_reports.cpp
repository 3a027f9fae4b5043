// The main window's Reports command and its Utilities > Count Zip Codes.
#include <QRadioButton>

#include "app/qvmain.h"
#include "app/shared.h"
#include "render/printers.h"
#include "reports/windows/user_report_dialog.h"
#include "store/table_object.h"
#include "zipcount/windows/count_zip_codes.h"

namespace qv {

void TQVPMain::mnuReportsClick() {
  if (!HasInstalledPrinters()) {
    ShowInformation(
        QStringLiteral("There are no installed printers.\r\nPrinting reports is not feasible"));
    return;
  }
  const QString savedPrinter = CurrentPrinterName();
  if (TableQVW->active() && Apollo1.QueryRecCount() > 0) {
    TableQVW->disableControls();
    TrackTableEvents = false;
    // The run puts order, query and record back itself; this guards the
    // window against anything the dialog leaves behind.
    const int savedRecno = Apollo1.RecNo();
    const int savedOrder = Apollo1.IndexOrd();
    const QString savedFilter = Apollo1.DBFilter();
    {
      TUserDesignedReport report(TableQVW, &Apollo1, CurrentFileName(), this);
      CenterOnMainWindow(&report);
      if (CurrentFilter.isEmpty()) {
        report.rbQFilter->setEnabled(false);
        report.rbQAll->setChecked(true);
      }
      if (RunReportWindow) {
        RunReportWindow(report);
      } else {
        report.exec();
      }
    }
    Apollo1.SetOrder(savedOrder);
    Apollo1.Query(savedFilter);
    Apollo1.SetScope(QString(), QString());
    if (savedRecno > 0) Apollo1.Go(savedRecno);
    TableQVW->enableControls();
    TrackTableEvents = true;
  }
  SetCurrentPrinterName(savedPrinter);
  SetButtons();
}

void TQVPMain::mnuCountZipCodesClick() {
  if (!TableQVW->active()) return;
  TableQVW->disableControls();
  TrackTableEvents = false;
  {
    TCountZipCodes count(TableQVW, &Apollo1, this);
    CenterOnMainWindow(&count);
    if (RunZipCountWindow) {
      RunZipCountWindow(count);
    } else {
      count.exec();
    }
  }
  TableQVW->enableControls();
  TrackTableEvents = true;
  SetButtons();
}

}  // namespace qv
