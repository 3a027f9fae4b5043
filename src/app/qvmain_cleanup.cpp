// The Utilities menu's data-quality commands. The duplicate and state/ZIP
// checks need the file to themselves: the main table closes, the check's
// window reopens the file exclusively, and afterwards the main table
// reopens it and gets its order, query and record back. The bulk changes
// work on the main table itself, narrowed to the filter alone.
#include <QDir>
#include <QFileInfo>

#include "app/qvmain.h"
#include "app/shared.h"
#include "cleanup/cleanup_open.h"
#include "cleanup/windows/dup_check_window.h"
#include "cleanup/windows/rewrite_windows.h"
#include "cleanup/windows/zip_check_window.h"
#include "store/contact_file.h"
#include "store/filter_text.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv {

namespace {

// What the main table showed before a utility ran.
struct MainView {
  int recno = 0;
  QString query;
};

}  // namespace

template <typename Window>
void TQVPMain::RunExclusiveCheck(const QString& workIndex) {
  const QString fileName = CurrentFileName();
  if (fileName.isEmpty()) return;
  MainView saved{Apollo1.RecNo(), Apollo1.DBFilter()};
  TableQVW->disableControls();
  TrackTableEvents = false;
  if (!TableQVW->close()) ShowInformation(TableQVW->failureMessage());
  {
    Window window(&ApolloEnv1, ProgramDirectory(), this);
    CenterOnMainWindow(&window);
    if (OpenContactsExclusively(fileName, *window.tableObject())) {
      if (RunCleanupWindow) {
        RunCleanupWindow(window);
      } else {
        window.exec();
      }
    }
    if (!window.tableObject()->close()) ShowInformation(window.tableObject()->failureMessage());
  }
  RemoveWorkIndex(QDir(ProgramDirectory()).filePath(workIndex));
  // The main table comes back as it was: same file, order, query, record.
  if (OpenContactFile(fileName, *TableQVW)) {
    SetCurrentOrder(CurrentOrder);
    SetQuery(saved.query);
    ReturnToRecord(saved.recno);
    if (Apollo1.Eof() && !TableQVW->first()) ShowInformation(TableQVW->failureMessage());
  }
  TableQVW->enableControls();
  TrackTableEvents = true;
  SetButtons();
}

void TQVPMain::mnuDupCheckClick() {
  RunExclusiveCheck<TDupCheck>(QStringLiteral("_chkdup.idx"));
}

void TQVPMain::mnuStateZipCheckClick() {
  RunExclusiveCheck<TStateZipCheck>(QStringLiteral("_chksz.idx"));
}

void TQVPMain::mnuConvertUpperClick() {
  if (!TableQVW->active()) return;
  TableQVW->disableControls();
  const int savedRecno = Apollo1.RecNo();
  {
    TConvertToUpper window(TableQVW, !CurrentFilter.isEmpty(), this);
    CenterOnMainWindow(&window);
    if (RunCleanupWindow) {
      RunCleanupWindow(window);
    } else {
      window.exec();
    }
  }
  TableQVW->enableControls();
  ReturnToRecord(savedRecno);
  SetButtons();
}

// Search and replace and delete run on the filter alone, so that without a
// filter every record, deleted-marked ones included, is chosen.
template <typename Window>
void TQVPMain::RunOnFilterAlone(const std::function<Window*()>& make) {
  if (!TableQVW->active()) return;
  const int savedRecno = Apollo1.RecNo();
  const int savedOrder = Apollo1.IndexOrd();
  SetQuery(CurrentFilter);
  TableQVW->disableControls();
  TrackTableEvents = false;
  {
    std::unique_ptr<Window> window(make());
    CenterOnMainWindow(window.get());
    if (RunCleanupWindow) {
      RunCleanupWindow(*window);
    } else {
      window->exec();
    }
  }
  ApplyFilter();
  Apollo1.SetOrder(savedOrder);
  // Back to the record shown before, unless the run deleted it.
  ReturnToRecord(savedRecno);
  if (Apollo1.Eof() || Apollo1.Deleted() ||
      !Apollo1.EvalLogical(Apollo1.DBFilter().isEmpty() ? QStringLiteral(".T.")
                                                                  : Apollo1.DBFilter())) {
    if (!TableQVW->first()) ShowInformation(TableQVW->failureMessage());
  }
  TableQVW->enableControls();
  TrackTableEvents = true;
  SetButtons();
}

void TQVPMain::mnuSearchReplaceClick() {
  RunOnFilterAlone<TSearchAndReplace>([this] {
    return new TSearchAndReplace(TableQVW, !CurrentFilter.isEmpty(), this);
  });
}

void TQVPMain::mnuDeleteRecordsClick() {
  RunOnFilterAlone<TDeleteRecords>(
      [this] { return new TDeleteRecords(TableQVW, CurrentFilter, this); });
}

void TQVPMain::mnuRecallRecordsClick() {
  if (!TableQVW->active()) return;
  // A record saved with the prefix DELETED stays on screen until the user
  // moves on: that one can be given back alone.
  const bool shownIsDeleted =
      !Apollo1.Eof() && (Apollo1.Deleted() || TableQVW->fieldText(QStringLiteral("PREFIX"))
                                                      .trimmed()
                                                      .compare(QStringLiteral("DELETED"),
                                                               Qt::CaseInsensitive) == 0);
  const int current = shownIsDeleted ? Apollo1.RecNo() : 0;
  RunOnFilterAlone<TRecallRecords>(
      [this, current] { return new TRecallRecords(TableQVW, CurrentFilter, current, this); });
}

}  // namespace qv
