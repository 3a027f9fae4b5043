// One envelope run from start to end, as Print Envelope's Print Now and
// Preview start it and as the command line runs it: selects the records,
// chooses the paper, runs the envelope printer and shows the preview, then
// puts the contact table's query, order and record back as they were.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "envelopes/envelope_setup.h"
#include "labels/imb.h"
#include "labels/label_run.h"

class QIODevice;

namespace qv {

class JobHost;
class TableObject;
class TApollo;
class TEnvelopePrint;

// The paper the envelopes are printed on.
enum class EnvelopePaper {
  Printer,   // the selected printer's own paper
  Envelope,  // each page exactly the envelope, in the setup's orientation
  Letter,
  A4,
};

struct EnvelopeRunOptions : PrintTarget {
  // With its stored POSITION (10 to 12 for clockwise rotation).
  TEnvelopeSetup setup = DefaultEnvelopeSetup();
  RecordSelection selection = RecordSelection::Current;
  EnvelopePaper paper = EnvelopePaper::Printer;
  bool decorate = true;  // a preview shows the envelope outline and stamp
  // Where QUORVA.INI is; empty: the program directory.
  QString programDirectory;
  // The Intelligent Mail settings of the run when imbGiven (the command
  // line's), else those of QUORVA.INI.
  bool imbGiven = false;
  ImbSettings imb;
};

struct EnvelopeRunHooks {
  // Runs the envelope printer. Default: FormActivate.
  std::function<void(TEnvelopePrint&)> printEnvelopes;
  // Shows a finished preview's page stream ("Preview Envelope").
  std::function<void(QIODevice&)> preview;
};

enum class EnvelopeRunOutcome {
  Completed,  // printed, or previewed and shown
  Stopped,    // a preview stopped early; its pages were shown
  Cancelled,  // the report was aborted
  NoRecords,  // the selection holds no record; nothing printed
  Failed,     // the output could not be written (errorText)
};

struct EnvelopeRunResult {
  EnvelopeRunOutcome outcome = EnvelopeRunOutcome::Failed;
  QString errorText;
  int pages = 0;
  long long envelopes = 0;
  QString statusText;  // the status window's last line
  QStringList barCodeWarnings;  // envelopes printed without their bar code
};

// REQUIRES: `table` open on a contact file, `apollo` bound to it; for
// RecordSelection::Filter the table's query already is the filter.
EnvelopeRunResult DoPrintEnvelopes(TableObject& table, TApollo& apollo,
                                   const EnvelopeRunOptions& options, JobHost& host,
                                   const EnvelopeRunHooks& hooks = {});

}  // namespace qv
