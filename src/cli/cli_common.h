// What every quorvane-cli command shares: the exit codes, the error line and
// the job host that answers a job's notices and questions on the terminal.
#pragma once

#include <QString>

class QIODevice;

#include "cli/args.h"
#include "labels/job_host.h"

namespace qv::cli {

inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

// "quorvane-cli: MESSAGE" on the standard error stream; returns kExitError.
int Fail(const QString& message);

// The records a command works on: those not marked deleted, narrowed by
// --filter (in parentheses, so an .or. in it cannot escape the marker test).
QString SelectionQuery(const Args& a);

// Copies a finished run's page stream to `path` a piece at a time, so a
// stream of any size passes through little memory. On failure the file is
// removed and `*error` says why.
bool CopyToFile(QIODevice& from, const QString& path, QString* error);

// A message box's CR LF line breaks as terminal lines.
QString OneLine(QString text);

// Notices go to the standard error stream; a question is answered Yes only
// when the command was given --yes (`offersYes`: the command takes it), and
// the answer is shown beside it.
class CliHost : public JobHost {
 public:
  explicit CliHost(bool yes = false, bool offersYes = false)
      : m_yes(yes), m_offersYes(offersYes) {}
  void information(const QString& text) override;
  bool question(const QString& text, bool) override;

 private:
  bool m_yes;
  bool m_offersYes;
};

}  // namespace qv::cli
