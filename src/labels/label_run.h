// One label run from start to end, as the Print Labels dialog's Print Now
// and Preview start it and as the command line runs it: selects the
// records, finds the start record, presorts, sets up the printer's paper,
// runs the label printer and shows the preview, then puts the contact
// table's query, order and record back as they were.
//
// The windows run it with hooks that show the presort window, the status
// window and the preview window; without hooks each step runs directly
// (the command line, tests). Questions and notices go to the JobHost.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "labels/imb.h"
#include "labels/label_setup.h"
#include "render/run_output.h"

namespace qv {

class JobHost;
class TableObject;
class TApollo;
class TLabelPrint;
class TSortBulkMail;

// "All records", "Records matching filter", "Only current record".
enum class RecordSelection { All, Filter, Current };

// Narrows the contact file to `selection` (Current: record `recno`), as
// every print run does first. On failure *why says why in the program's
// words, the file's damage first.
bool SelectRecords(TableObject& table, TApollo& apollo, RecordSelection selection, int recno,
                   QString* why);

// What a label or envelope run reads beside its own options.
struct MailRunSettings {
  // Where QUORVA.INI (the printer's offset) and a label run's PRESORT.PSL
  // live; empty means the program directory.
  QString programDirectory;
  // Intelligent Mail: the settings the run numbers its pieces from; unless
  // imbGiven (the command line's), they are read from the settings file.
  // The next serial is saved there after the run.
  bool imbGiven = false;
  ImbSettings imb;
};

struct LabelRunOptions : PrintTarget, MailRunSettings {
  LabelSetup setup = DefaultLabelSetup();
  RecordSelection selection = RecordSelection::Filter;
  bool startFromCurrent = false;
  int copies = 1;  // "# copies of each label"
  bool presort = false;
  // The first label of the run goes on this position of the first sheet
  // (1 to labels per sheet, counted across the rows).
  int startLabel = 1;
  // One sheet of label outlines instead of the records (no selection, no
  // presort): how the printer meets the stock.
  bool alignmentPage = false;
};

struct LabelRunHooks : PreviewHook {
  // Runs the presort; true when it finished. Default: DoTheSort.
  std::function<bool(TSortBulkMail&)> presort;
  // Runs the label printer. Default: FormActivate.
  std::function<void(TLabelPrint&)> printLabels;
};

enum class LabelRunOutcome {
  Completed,         // printed, or previewed and shown
  Stopped,           // a preview stopped early; its pages were shown
  Cancelled,         // the report was aborted
  PresortCancelled,  // the presort did not finish; nothing printed
  PaperDeclined,     // the paper size question was answered No
  Failed,            // the output could not be written, or the contact file
                     // failed under the run (errorText)
};

struct LabelRunResult : RunReport {
  LabelRunOutcome outcome = LabelRunOutcome::Failed;
  long long labels = 0;
  QStringList barCodeWarnings;  // labels printed without their bar code
  bool hostTold = false;  // errorText was already given to the host
};

// The message shown before a presorted run.
QString PresortOrderMessage();
// The paper-size question for a sheet of `width` x `height` inches.
QString PaperSizeQuestion(double width, double height);
// Why `label` cannot start a run on the setup's sheet, or empty.
QString StartLabelProblem(const LabelSetup& setup, int label);

// REQUIRES: `table` open on a contact file, `apollo` bound to it.
// `presortDone` is the dialog's flag: a run presorts only while it is
// clear, and sets it when the presort finished.
LabelRunResult DoPrint(TableObject& table, TApollo& apollo, const LabelRunOptions& options,
                       bool* presortDone, JobHost& host, const LabelRunHooks& hooks = {});

}  // namespace qv
