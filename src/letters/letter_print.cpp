#include "letters/letter_print.h"

#include <QDir>
#include <QPrinter>

#include "labels/job_host.h"
#include "store/output_file.h"
#include "labels/label_run.h"
#include "letters/merge.h"
#include "render/printers.h"
#include "render/report_output.h"
#include "richtext/rtf.h"
#include "store/apollo.h"
#include "store/filter_text.h"
#include "store/table_restorer.h"
#include "store/table_object.h"

namespace qv {

namespace {


PageSetup SetupOf(const PageLayout& l) {
  PageSetup s;
  s.width = l.width / double(kTwipsPerInch);
  s.height = l.height / double(kTwipsPerInch);
  const bool landscape = s.width > s.height;
  s.orientation = landscape ? Orientation::Landscape : Orientation::Portrait;
  const QSizeF portrait = landscape ? QSizeF(s.height, s.width) : QSizeF(s.width, s.height);
  s.paper = QPageSize(portrait, QPageSize::Inch, QString(), QPageSize::FuzzyMatch);
  return s;
}

}  // namespace

TLetterPrint::TLetterPrint(TableObject& table, JobHost& host) : m_table(table), m_host(host) {}

void TLetterPrint::setStatus(const QString& text) {
  m_status = text;
  m_host.progress(text);
}

bool TLetterPrint::startPage() {
  if (!m_output) return true;
  QString error;
  if (!m_output->beginPage(SetupOf(m_letter.layout()), &error)) {
    m_error = error;
    return false;
  }
  return true;
}

bool TLetterPrint::paintPage(int index, int* next) {
  const Page page = RichPage(m_letter, index, next, &m_pictures);
  if (m_output) {
    for (const PageOp& op : page.ops) m_output->draw(op);
    m_output->endPage();
  }
  ++m_pages;
  return true;
}

bool TLetterPrint::PrintThisRecord(int copies) {
  m_letter = m_template;
  ReplaceTokens(m_letter, m_table);
  ++m_letters;
  if (!m_rtfDirectory.isEmpty()) {
    OutputFile file(QDir(m_rtfDirectory).filePath(QStringLiteral("%1.rtf").arg(m_letters, 4, 10,
                                                                               QLatin1Char('0'))));
    if (!file.open() || !file.put(WriteRtf(m_letter)) || !file.commit()) {
      m_error = QStringLiteral("Unable to write %1: %2").arg(file.target(), file.reason());
      return false;
    }
    m_pages += m_letter.pageCount();
    return true;
  }
  for (int copy = 1; copy <= copies; ++copy) {
    int next = 0;
    paintPage(0, &next);
    while (next > 0) {
      if (!startPage()) return false;
      paintPage(next, &next);
    }
    if (copy < copies && !startPage()) return false;
  }
  return true;
}

void TLetterPrint::FormActivate() {
  m_host.processPendingEvents();
  m_letter = m_template;
  if (m_output) {
    QString error;
    if (!m_output->begin(m_title, &error)) {
      m_error = error;
      if (error.isEmpty()) m_aborted = true;  // the PDF file question was cancelled
      setStatus(m_aborted ? QStringLiteral("Letter Print Canceled!") : error);
      return;
    }
    if (!startPage()) {
      m_output->abort();
      setStatus(m_error);
      return;
    }
  }
  while (!m_table.eof() && !m_aborted) {
    if (!PrintThisRecord(m_copies)) break;
    if (m_onlyCurrent) break;
    if (!m_table.next()) {
      m_error = m_table.failureMessage();
      break;
    }
    if (!m_table.eof() && !startPage()) break;
    setStatus(QStringLiteral("Printing page ") + QString::number(m_pages));
    m_host.processPendingEvents();
    if (m_cancelRequested) {
      if (m_host.question(QStringLiteral("Cancel print job?"), true)) {
        m_aborted = true;
        if (m_output) m_output->abort();
      } else {
        m_cancelRequested = false;
      }
    }
  }
  if (!m_error.isEmpty()) {
    if (m_output) m_output->abort();
    setStatus(m_error);
    return;
  }
  if (m_output && !m_aborted) {
    QString error;
    if (!m_output->end(&error)) {
      m_error = error;
      setStatus(error);
      return;
    }
    if (!m_output->notice().isEmpty()) m_host.information(m_output->notice());
  }
  setStatus(m_aborted ? QStringLiteral("Letter Print Canceled!")
                      : QStringLiteral("Letter Print Completed!"));
}

LetterRunResult PrintLetters(TableObject& table, TApollo& apollo, const RichDocument& letter,
                             const LetterRunOptions& options, JobHost& host,
                             const LetterRunHooks& hooks) {
  LetterRunResult result;
  TableRestorer restore(apollo);
  const int saved = restore.recno();
  table.clearFailure();
  if (options.selection == RecordSelection::All &&
      !SelectRecords(table, apollo, RecordSelection::All, saved, &result.errorText)) {
    host.information(result.errorText);
    return result;
  }
  // A failed move is kept by the table and told before anything prints.
  auto damaged = [&]() -> LetterRunResult& {
    result.errorText = table.failureMessage();
    host.information(result.errorText);
    return result;
  };
  if (options.startFromCurrent) {
    if (!apollo.Go(saved)) return damaged();
    // Go reaches any record; only one inside the selection may start the run.
    const bool visible = table.isVisible();
    if (apollo.RecNo() != saved || !visible) {
      host.information(
          QStringLiteral("Current record is out of range. Starting with first record"));
      if (!apollo.GoTop()) return damaged();
    }
  } else if (options.selection != RecordSelection::Current) {
    if (!apollo.GoTop()) return damaged();
  }

  TLetterPrint job(table, host);
  job.setCopies(options.copies);
  job.setOnlyCurrent(options.selection == RecordSelection::Current);
  job.Template() = letter;
  std::unique_ptr<ReportOutput> output;
  std::unique_ptr<QPrinter> printer;
  StreamOutput* stream = nullptr;
  if (!options.rtfDirectory.isEmpty()) {
    if (!QDir().mkpath(options.rtfDirectory)) {
      result.errorText = QStringLiteral("Unable to create the folder %1").arg(options.rtfDirectory);
      return result;
    }
    job.setRtfDirectory(options.rtfDirectory);
  } else if (!options.print) {
    auto s = std::make_unique<StreamOutput>(nullptr);
    stream = s.get();
    output = std::move(s);
  } else if (!options.pdfFile.isEmpty()) {
    output = std::make_unique<PrinterOutput>(nullptr, options.pdfFile);
  } else {
    const QString name = options.printerName.isEmpty() ? CurrentPrinterName() : options.printerName;
    printer = CreatePrinter(PrinterDeviceName(name));
    // Printing to a printer that is gone must not go to another one.
    if (!printer) {
      result.errorText = QStringLiteral("The printer %1 is not available.").arg(name);
      return result;
    }
    output = std::make_unique<PrinterOutput>(printer.get());
  }
  job.setOutput(output.get());
  if (hooks.printLetters) {
    hooks.printLetters(job);
  } else {
    job.FormActivate();
  }
  result.letters = job.LettersPrinted();
  result.pages = job.PagesPrinted();
  result.statusText = job.StatusText();
  result.errorText = job.ErrorText();
  if (stream) result.stream = stream->takePages();
  // A walk the contact file stopped is told as every job tells it, not only
  // on the status screen's last line.
  if (table.failed() &&
      (result.errorText.isEmpty() || result.errorText == table.failureMessage())) {
    result.errorText = table.failureMessage();
    host.information(result.errorText);
  }
  if (!result.errorText.isEmpty()) {
    result.outcome = LetterRunOutcome::Failed;
  } else {
    result.outcome = job.Aborted() ? LetterRunOutcome::Cancelled : LetterRunOutcome::Completed;
  }
  return result;
}

}  // namespace qv
