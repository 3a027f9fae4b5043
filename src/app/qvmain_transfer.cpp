// The import and copy-out commands. An import needs the contact file to
// itself: the main table closes, the import window reopens the file
// exclusively, and afterwards the main table reopens it whatever happened.
// Copy out reads the main table as it stands and puts its record back.
#include "app/qvmain.h"
#include "app/shared.h"
#include "cleanup/cleanup_open.h"
#include "store/table_object.h"
#include "transfer/copy_out.h"
#include "transfer/windows/ascii_import_window.h"
#include "transfer/windows/copy_out_window.h"
#include "transfer/windows/csv_import_window.h"
#include "transfer/windows/dbf_import_window.h"
#include "transfer/windows/vcard_import_window.h"

namespace qv {

namespace {

QString NoOpenFileMessage() {
  return QStringLiteral("You need to have a Quorvane file open first");
}

}  // namespace

template <typename Window>
void TQVPMain::RunImportWindow() {
  const QString fileName = CurrentFileName();
  if (!TableQVW->active() || fileName.isEmpty()) {
    ShowInformation(NoOpenFileMessage());
    return;
  }
  const QString query = Apollo1.DBFilter();
  TableQVW->disableControls();
  TrackTableEvents = false;
  if (!TableQVW->close()) ShowInformation(TableQVW->failureMessage());
  {
    Window window(&ApolloEnv1, this);
    CenterOnMainWindow(&window);
    if (OpenContactsExclusively(fileName, *window.Destination)) {
      if (RunTransferWindow) {
        RunTransferWindow(window);
      } else {
        window.exec();
      }
    }
    if (!window.Destination->close()) ShowInformation(window.Destination->failureMessage());
  }
  // Reopened in every case, also when the exclusive open failed.
  if (OpenQVWDBF(fileName)) {
    // The query ran before on this file; a failed move is told.
    SetQuery(query);
    if (!TableQVW->first()) ShowInformation(TableQVW->failureMessage());
  }
  TableQVW->enableControls();
  TrackTableEvents = true;
  SetButtons();
}

void TQVPMain::mnuImportAsciiClick() { RunImportWindow<TAsciiImport>(); }

void TQVPMain::mnuImportDbfClick() { RunImportWindow<TDBFImport>(); }

void TQVPMain::mnuImportCsvClick() { RunImportWindow<TCsvImport>(); }

void TQVPMain::mnuImportVcardClick() { RunImportWindow<TVcardImport>(); }

void TQVPMain::mnuCopyOutClick() {
  if (!TableQVW->active()) {
    ShowInformation(NoOpenFileMessage());
    return;
  }
  int count = 0;
  if (!CountQueryRecords(&count)) return;
  if (count == 0) {
    ShowInformation(NothingToCopyMessage());
    return;
  }
  TableQVW->disableControls();
  const int savedRecno = Apollo1.RecNo();
  {
    TCopyOut window(TableQVW, CurrentFilter, CurrentOrder, CurrentFileName(), ProgramDirectory(),
                    this);
    CenterOnMainWindow(&window);
    if (RunTransferWindow) {
      RunTransferWindow(window);
    } else {
      window.exec();
    }
  }
  ReturnToRecord(savedRecno);
  TableQVW->enableControls();
  SetButtons();
}

}  // namespace qv
