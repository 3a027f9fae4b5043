// The print jobs and the ZIP code count started from the main window's menu
// bar.
#include <memory>

#include <QRadioButton>

#include "app/qvmain.h"
#include "app/shared.h"
#include "envelopes/windows/print_envelope.h"
#include "labels/windows/print_labels.h"
#include "letters/windows/qvletters.h"
#include "render/printers.h"
#include "reports/windows/user_report_dialog.h"
#include "store/settings.h"
#include "store/table_object.h"
#include "store/table_restorer.h"
#include "zipcount/windows/count_zip_codes.h"

namespace qv {

// Every print job hands over alike: without an installed printer there is
// no job; on a file with records the views freeze while the dialog runs, and
// the table's order, query, scope and record come back however it ends. The
// printer chosen for a job is for that job only.
template <typename Window>
void TQVPMain::RunPrintJob(const QString& what, const std::function<Window*()>& make,
                           const std::function<bool(Window&)>& open,
                           const std::function<void(Window&)>& run) {
  if (!HasInstalledPrinters()) {
    ShowInformation(QStringLiteral("There are no installed printers.\r\nPrinting %1 is not feasible")
                        .arg(what));
    return;
  }
  const QString savedPrinter = CurrentPrinterName();
  int count = 0;
  if (TableQVW->active() && CountQueryRecords(&count) && count > 0) {
    TableQVW->disableControls();
    TrackTableEvents = false;
    {
      TableRestorer restore(Apollo1, {.clearScope = true});
      std::unique_ptr<Window> window(make());
      CenterOnMainWindow(window.get());
      // Without a filter there is nothing to match; All stands in for it.
      if (CurrentFilter.isEmpty()) {
        if (window->rbQFilter->isChecked()) window->rbQAll->setChecked(true);
        window->rbQFilter->setEnabled(false);
      }
      if (!open || open(*window)) {
        if (run) {
          run(*window);
        } else {
          window->exec();
        }
      }
    }
    TableQVW->enableControls();
    TrackTableEvents = true;
  }
  SetCurrentPrinterName(savedPrinter);
  SetButtons();
}

void TQVPMain::mnuLabelsClick() {
  RunPrintJob<TQVLabels>(
      QStringLiteral("labels"), [this] { return new TQVLabels(TableQVW, &Apollo1, this); },
      [](TQVLabels& w) { return w.OpenLabelSetupTable(ProgramDirectory()); }, RunLabelsWindow);
}

void TQVPMain::mnuEnvelopesClick() {
  RunPrintJob<TQVEnvelopes>(
      QStringLiteral("envelopes"), [this] { return new TQVEnvelopes(TableQVW, &Apollo1, this); },
      [](TQVEnvelopes& w) { return w.OpenEnvelopeSetupTable(ProgramDirectory()); },
      RunEnvelopesWindow);
}

void TQVPMain::mnuLettersClick() {
  RunPrintJob<TqVLetters>(
      QStringLiteral("letters"), [this] { return new TqVLetters(TableQVW, &Apollo1, this); },
      [](TqVLetters& w) { return w.OpenLettersTable(ProgramDirectory()); }, RunLettersWindow);
}

void TQVPMain::mnuReportsClick() {
  RunPrintJob<TUserDesignedReport>(
      QStringLiteral("reports"),
      [this] { return new TUserDesignedReport(TableQVW, &Apollo1, CurrentFileName(), this); },
      {}, RunReportWindow);
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
