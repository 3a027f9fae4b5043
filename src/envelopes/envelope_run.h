// One envelope run from start to end, as Print Envelope's Print Now and
// Preview start it and as the command line runs it: selects the records,
// chooses the paper, runs the envelope printer and shows the preview, then
// puts the contact table's query, order and record back as they were.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "envelopes/envelope_setup.h"
#include "labels/label_run.h"

namespace qv {

class TEnvelopePrint;

// The paper the envelopes are printed on.
enum class EnvelopePaper {
  Printer,   // the selected printer's own paper
  Envelope,  // each page exactly the envelope, in the setup's orientation
  Letter,
  A4,
};

struct EnvelopeRunOptions : PrintTarget, MailRunSettings {
  // With its stored POSITION (10 to 12 for clockwise rotation).
  TEnvelopeSetup setup = DefaultEnvelopeSetup();
  RecordSelection selection = RecordSelection::Current;
  EnvelopePaper paper = EnvelopePaper::Printer;
  bool decorate = true;  // a preview shows the envelope outline and stamp
};

struct EnvelopeRunHooks : PreviewHook {
  // Runs the envelope printer. Default: FormActivate.
  std::function<void(TEnvelopePrint&)> printEnvelopes;
};

enum class EnvelopeRunOutcome {
  Completed,  // printed, or previewed and shown
  Stopped,    // a preview stopped early; its pages were shown
  Cancelled,  // the report was aborted
  NoRecords,  // the selection holds no record; nothing printed
  Failed,     // the output could not be written (errorText)
};

struct EnvelopeRunResult : RunReport {
  EnvelopeRunOutcome outcome = EnvelopeRunOutcome::Failed;
  long long envelopes = 0;
  QStringList barCodeWarnings;  // envelopes printed without their bar code
};

// REQUIRES: `table` open on a contact file, `apollo` bound to it; for
// RecordSelection::Filter the table's query already is the filter.
EnvelopeRunResult DoPrintEnvelopes(TableObject& table, TApollo& apollo,
                                   const EnvelopeRunOptions& options, JobHost& host,
                                   const EnvelopeRunHooks& hooks = {});

}  // namespace qv
