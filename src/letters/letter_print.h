// Printing letters: the print status screen's job (TLetterPrint), which
// merges each contact record into a copy of the template and paints its
// pages on the report outputs, and the run around it as Print Now starts
// it and as the command line runs it (record selection, the start record,
// the contact table put back afterwards).
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "labels/label_run.h"
#include "render/page_stream.h"
#include "render/run_output.h"
#include "richtext/page_paint.h"
#include "richtext/rich_document.h"

namespace qv {

class JobHost;
class ReportOutput;
class TableObject;
class TApollo;

class TLetterPrint {
 public:
  TLetterPrint(TableObject& table, JobHost& host);

  void setCopies(int copies) { m_copies = copies; }
  void setOnlyCurrent(bool on) { m_onlyCurrent = on; }
  RichDocument& Template() { return m_template; }
  // Each merged letter goes to `output`, or, with a directory set, into
  // its own RTF file there ("0001.rtf", ...).
  void setOutput(ReportOutput* output) { m_output = output; }
  void setRtfDirectory(const QString& directory) { m_rtfDirectory = directory; }
  void setTitle(const QString& title) { m_title = title; }

  // Prints from the contact table's current record on.
  void FormActivate();
  // The status screen's Cancel: asks at the next record.
  void CancelButtonClick() { m_cancelRequested = true; }

  bool Aborted() const { return m_aborted; }
  int PagesPrinted() const { return m_pages; }
  int LettersPrinted() const { return m_letters; }
  QString StatusText() const { return m_status; }
  QString ErrorText() const { return m_error; }

 private:
  bool PrintThisRecord(int copies);
  bool startPage();
  bool paintPage(int index, int* next);
  void setStatus(const QString& text);

  TableObject& m_table;
  JobHost& m_host;
  RichDocument m_template;
  RichDocument m_letter;
  ReportOutput* m_output = nullptr;
  QString m_rtfDirectory;
  QString m_title = QStringLiteral("Quorvane Letters");
  PictureCache m_pictures;
  int m_copies = 1;
  bool m_onlyCurrent = false;
  bool m_cancelRequested = false;
  bool m_aborted = false;
  int m_pages = 0;
  int m_letters = 0;
  QString m_status;
  QString m_error;
};

// A preview (print = false) puts the pages into LetterRunResult::stream.
struct LetterRunOptions : PrintTarget {
  RecordSelection selection = RecordSelection::Current;
  bool startFromCurrent = false;
  int copies = 1;        // "# copies of each letter"
  QString rtfDirectory;  // one merged RTF file per record instead of pages
};

enum class LetterRunOutcome { Completed, Cancelled, Failed };

struct LetterRunResult : RunReport {
  LetterRunOutcome outcome = LetterRunOutcome::Failed;
  int letters = 0;
  PageStream stream;  // the pages of a run with print = false
};

struct LetterRunHooks {
  // Runs the status screen's job; default: FormActivate.
  std::function<void(TLetterPrint&)> printLetters;
};

// REQUIRES: `table` open on a contact file, `apollo` bound to it.
LetterRunResult PrintLetters(TableObject& table, TApollo& apollo, const RichDocument& letter,
                             const LetterRunOptions& options, JobHost& host,
                             const LetterRunHooks& hooks = {});

}  // namespace qv
