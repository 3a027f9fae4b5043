#include "cli/envelope_cmd.h"
#include "cli/cli_common.h"
#include "cli/imb_options.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <iostream>

#include "envelopes/envelope_print.h"
#include "envelopes/envelope_run.h"
#include "envelopes/envelope_setup.h"
#include "labels/job_host.h"
#include "render/printers.h"
#include "store/apollo_env.h"
#include "store/contact_file.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv::cli {

int CmdEnvelope(const Args& a) {
  PageOutput output;
  if (!output.read(a, "envelope")) return Fail(output.error);
  const int choices = int(a.Has("--current")) + int(a.Has("--filter")) + int(a.Has("--all"));
  if (choices != 1) return Fail("envelope needs one of --current RECNO, --filter EXPR or --all");

  EnvelopeRunOptions options;
  if (a.Has("--setup")) {
    QString home, error;
    if (!ProgramHome(&home, &error) ||
        !FindEnvelopeSetup(home, QString::fromStdString(a.Value("--setup")), &options.setup,
                           &error)) {
      return Fail(error);
    }
  }
  if (a.Has("--barcode")) {
    const std::string kind = a.Value("--barcode");
    options.setup.address.barCode = true;
    if (kind == "imb") options.setup.intelligentMail = true;
    if (kind == "postnet") options.setup.intelligentMail = false;
  }
  if (options.setup.address.barCode && options.setup.intelligentMail) {
    QString error;
    if (!ImbOptions(a, &options.imb, &error)) return Fail(error);
    options.imbGiven = true;
  }
  const QString paper =
      a.Has("--paper") ? QString::fromStdString(a.Value("--paper")) : QStringLiteral("envelope");
  if (paper == QLatin1String("envelope")) {
    options.paper = EnvelopePaper::Envelope;
  } else if (paper == QLatin1String("letter")) {
    options.paper = EnvelopePaper::Letter;
  } else if (paper == QLatin1String("a4")) {
    options.paper = EnvelopePaper::A4;
  } else {
    return Fail("--paper takes envelope, letter or a4, not " + paper);
  }

  ContactSession c;
  QString error;
  if (!c.open(a, &error) || !c.setOrder(a, &error)) return Fail(error);

  options.selection = a.Has("--current") ? RecordSelection::Current
                      : a.Has("--all")   ? RecordSelection::All
                                         : RecordSelection::Filter;
  int current = 0;
  if (!c.goToNamedRecord(a, &current, &error)) return Fail(error);

  // Like a print run: no outline or stamp, whichever output.
  options.decorate = false;
  output.aim(&options);
  EnvelopeRunHooks hooks;
  hooks.preview = output.previewHook();

  CliHost host;
  c.beginProgress(a, QStringLiteral("envelopes"));
  const auto start = std::chrono::steady_clock::now();
  const EnvelopeRunResult result = DoPrintEnvelopes(c.table, c.apollo, options, host, hooks);
  const long long ms = MillisecondsSince(start);
  Warn(result.barCodeWarnings);
  switch (result.outcome) {
    case EnvelopeRunOutcome::Completed:
    case EnvelopeRunOutcome::Stopped:
      if (output.streamLost()) return Fail(output.error);
      std::cout << "envelopes " << result.envelopes << " to " << output.path.toStdString() << " in "
                << ms << " ms\n";
      return 0;
    case EnvelopeRunOutcome::NoRecords:
      return Fail("no record is selected; nothing written");
    case EnvelopeRunOutcome::Cancelled:
      return Fail("the envelope run was cancelled");
    case EnvelopeRunOutcome::Failed:
      return FailOnce(host, result.errorText.isEmpty() ? QStringLiteral("the envelope run failed")
                                                       : result.errorText);
  }
  return kExitError;
}

}  // namespace qv::cli
