// What every quorvane-cli command shares: the exit codes, the error line and
// the job host that answers a job's notices and questions on the terminal.
#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

class QIODevice;

#include "cli/args.h"
#include "labels/job_host.h"
#include "labels/label_run.h"
#include "render/run_output.h"
#include "store/apollo.h"
#include "store/table_object.h"

namespace qv::cli {

inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;

// "quorvane-cli: MESSAGE" on the standard error stream; returns kExitError.
// An empty message stands for a failure already told: nothing is printed.
int Fail(const QString& message);

// The records a command works on: those not marked deleted, narrowed by
// --filter (in parentheses, so an .or. in it cannot escape the marker test).
QString SelectionQuery(const Args& a);

// A whole number from `low` to `high`; false for anything else.
bool ParseNumber(const std::string& text, int low, int high, int* out);

// The contact file a command works on, seen as the main window sees it:
// records carrying the deletion flag are hidden, and the view is the records
// not marked deleted, narrowed by --filter.
struct ContactSession {
  TApolloEnv env;
  TableObject table{&env};
  TApollo apollo;
  QString path;  // absolute
  // The records in the view, counted for the progress line only when it is
  // shown (0: not counted).
  int selected = 0;

  ContactSession();
  // Opens the first positional argument and sets the view. *error is left
  // empty when the opener has told the user why the file did not open.
  bool open(const Args& a, QString* error);
  // The order --order names, LNAME without it.
  bool setOrder(const Args& a, QString* error);
  // Goes to the record --current or --start names (one record when both are
  // given): false when it is out of range or not in the view. *recno is 0
  // when neither is given.
  bool goToNamedRecord(const Args& a, int* recno, QString* error);
  // The records a label run or a report prints: the one --current names,
  // else those --filter passes, else all; and whether it starts at the
  // record --start names. Stands on the record named (goToNamedRecord).
  bool chooseRecords(const Args& a, RecordSelection* selection, bool* startFromCurrent,
                     QString* error);
  // Starts the progress line of a job over the records --current (one) or
  // the view chooses.
  void beginProgress(const Args& a, const QString& what) const;
};

// Copies a finished run's page stream to `path` a piece at a time, so a
// stream of any size passes through little memory. On failure the file is
// removed and `*error` says why.
bool CopyToFile(QIODevice& from, const QString& path, QString* error);

// A message box's CR LF line breaks as terminal lines.
QString OneLine(QString text);

// The program directory, for a command that keeps files or reads settings
// there. False, with what the window tells at its start in *error, when
// the directory cannot be made or written to or its settings file cannot
// be read: such a command stops rather than work on defaults.
bool ProgramHome(QString* dir, QString* error);

// Notices go to the standard error stream; a question is answered Yes only
// when the command was given --yes (`offersYes`: the command takes it), and
// the answer is shown beside it.
class CliHost : public JobHost {
 public:
  explicit CliHost(bool yes = false, bool offersYes = false)
      : m_yes(yes), m_offersYes(offersYes) {}
  void information(const QString& text) override;
  bool question(const QString& text, bool) override;
  // The job's status text and its once-per-record call feed the progress
  // line.
  void progress(const QString& text) override;
  void processPendingEvents() override;
  // Whether `text` was already put on the error stream as a notice.
  bool told(const QString& text) const { return m_told.contains(text); }

 private:
  bool m_yes;
  bool m_offersYes;
  QStringList m_told;
};

// A job's failure, exit 1; not repeated when the job already told it.
int FailOnce(const CliHost& host, const QString& message);

// Where a printing command's pages go: --pdf OUT.pdf, --stream OUT or
// --printer NAME (a CUPS printer, as the Print dialogs choose it).
struct PageOutput {
  bool pdf = false;
  bool printer = false;
  QString path;  // the file, or the printer's name
  bool written = false;  // the preview stream reached `path` whole
  QString error;

  // Takes the one of the three that `command` was given; false, with the
  // usage in `error`, for none or more.
  bool read(const Args& a, const char* command);
  // A PDF run prints to the PDF printer writing `path`, a printer run to
  // that printer; a stream run previews.
  void aim(PrintTarget* target) const;
  // The run's preview hook: copies the page stream to `path`.
  std::function<void(QIODevice&)> previewHook();
  // A stream run whose pages did not reach the file (`error` says why).
  bool streamLost() const { return !pdf && !printer && !written; }
};

long long MillisecondsSince(std::chrono::steady_clock::time_point start);

// "warning: LINE" on the standard error stream for each line.
void Warn(const QStringList& lines);

}  // namespace qv::cli
