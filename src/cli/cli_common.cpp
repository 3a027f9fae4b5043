#include "cli/cli_common.h"

#include <QFile>
#include <QFileInfo>
#include <iostream>

#include "cli/progress.h"
#include "render/printers.h"
#include "store/contact_file.h"
#include "store/filter_text.h"
#include "store/output_file.h"
#include "store/settings.h"
#include "xbase/workarea.h"

namespace qv::cli {

int Fail(const QString& message) {
  if (message.isEmpty()) return kExitError;
  Progress().clear();
  std::cerr << "quorvane-cli: " << message.toStdString() << "\n";
  return kExitError;
}

QString SelectionQuery(const Args& a) {
  if (!a.Has("--filter")) return FilterQuery(QString());
  return FilterQuery(QLatin1Char('(') + QString::fromLocal8Bit(a.Value("--filter").c_str()) +
                     QLatin1Char(')'));
}

bool ParseNumber(const std::string& text, int low, int high, int* out) {
  bool ok = false;
  const int n = QString::fromStdString(text).toInt(&ok);
  if (!ok || n < low || n > high) return false;
  *out = n;
  return true;
}

ContactSession::ContactSession() {
  env.SetDeleted(true);
  apollo.SetDataSource(&table);
}

bool ContactSession::open(const Args& a, QString* error) {
  path = QFileInfo(QString::fromLocal8Bit(a.positional[0].c_str())).absoluteFilePath();
  if (!OpenContactFile(path, table)) {
    error->clear();  // the opener said why, in the program's words
    return false;
  }
  if (!apollo.Query(SelectionQuery(a))) {
    *error = QStringLiteral("the filter cannot be used: ") + apollo.LastError();
    return false;
  }
  // A count that fails leaves the total unknown; the job meets the same
  // failure on its walk and tells it.
  if (Progress().enabled() && !apollo.QueryRecCount(&selected)) selected = 0;
  return true;
}

void ContactSession::beginProgress(const Args& a, const QString& what) const {
  Progress().begin(what, a.Has("--current") ? 1 : selected);
}

bool ContactSession::setOrder(const Args& a, QString* error) {
  const QString tag =
      a.Has("--order") ? QString::fromLocal8Bit(a.Value("--order").c_str()) : QStringLiteral("LNAME");
  const int order = apollo.TagArea(tag);
  if (order == 0) {
    *error = QStringLiteral("there is no tag ") + tag + QStringLiteral(" in the contact file");
    return false;
  }
  apollo.SetOrder(order);
  return true;
}

bool ContactSession::goToNamedRecord(const Args& a, int* recno, QString* error) {
  *recno = 0;
  for (const char* option : {"--current", "--start"}) {
    if (!a.Has(option)) continue;
    int n = 0;
    if (!ParseNumber(a.Value(option), 1, apollo.RecCount(), &n)) {
      *error = QStringLiteral("%1 takes a record number from 1 to %2, not %3")
                   .arg(QLatin1String(option))
                   .arg(apollo.RecCount())
                   .arg(QString::fromLocal8Bit(a.Value(option).c_str()));
      return false;
    }
    if (*recno != 0 && *recno != n) {
      *error = QStringLiteral("--current and --start name different records");
      return false;
    }
    *recno = n;
  }
  if (*recno == 0) return true;
  if (!apollo.Go(*recno)) {
    *error = QStringLiteral("record %1 cannot be read: %2").arg(*recno).arg(apollo.LastError());
    return false;
  }
  if (apollo.RecNo() != *recno || !table.isVisible()) {
    *error = QStringLiteral("record %1 is not in the view: it is deleted or outside the filter")
                 .arg(*recno);
    return false;
  }
  return true;
}

bool ContactSession::chooseRecords(const Args& a, RecordSelection* selection,
                                   bool* startFromCurrent, QString* error) {
  int current = 0;
  if (!goToNamedRecord(a, &current, error)) return false;
  *selection = a.Has("--current")  ? RecordSelection::Current
               : a.Has("--filter") ? RecordSelection::Filter
                                   : RecordSelection::All;
  *startFromCurrent = a.Has("--start");
  return true;
}

bool CopyToFile(QIODevice& from, const QString& path, QString* error) {
  OutputFile file(path);
  bool copied = file.open();
  while (copied && !from.atEnd()) {
    const QByteArray piece = from.read(1 << 20);
    if (piece.isEmpty() && !from.atEnd()) {
      *error = QStringLiteral("cannot read the pages for ") + path + ": " + from.errorString();
      return false;
    }
    copied = file.put(piece);
  }
  if (copied && file.commit()) return true;
  *error = file.message();
  return false;
}

QString OneLine(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

void CliHost::information(const QString& text) {
  m_told << text;
  Progress().clear();
  std::cerr << OneLine(text).toStdString() << "\n";
}

bool ProgramHome(QString* dir, QString* error) {
  QString problem;
  if (!ProgramDirectoryReady(&problem)) {
    // Its first line only: the window goes on after it with the standard
    // settings, the command stops.
    *error = problem.section(QStringLiteral("\r\n"), 0, 0);
    return false;
  }
  *dir = ProgramDirectory();
  return true;
}

int FailOnce(const CliHost& host, const QString& message) {
  return host.told(message) ? kExitError : Fail(message);
}

bool CliHost::question(const QString& text, bool) {
  Progress().clear();
  std::cerr << OneLine(text).toStdString() << "\n  -> " << (m_yes ? "Yes" : "No")
            << (m_yes || !m_offersYes ? "" : " (give --yes to answer Yes)") << "\n";
  return m_yes;
}

void CliHost::progress(const QString& text) { Progress().setActivity(OneLine(text)); }

void CliHost::processPendingEvents() { Progress().step(); }

bool PageOutput::read(const Args& a, const char* command) {
  pdf = a.Has("--pdf");
  printer = a.Has("--printer");
  if (int(pdf) + int(a.Has("--stream")) + int(printer) != 1) {
    error = QStringLiteral("%1 needs one of --pdf OUT.pdf, --stream OUT or --printer NAME")
                .arg(QString::fromLatin1(command));
    return false;
  }
  const char* option = pdf ? "--pdf" : printer ? "--printer" : "--stream";
  path = QString::fromLocal8Bit(a.Value(option).c_str());
  return true;
}

void PageOutput::aim(PrintTarget* target) const {
  target->print = pdf || printer;
  if (printer) {
    target->printerName = path;
    return;
  }
  if (!pdf) return;
  target->pdfFile = QFileInfo(path).absoluteFilePath();
  target->printerName = PdfPrinterName();
}

std::function<void(QIODevice&)> PageOutput::previewHook() {
  return [this](QIODevice& pages) { written = CopyToFile(pages, path, &error); };
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

void Warn(const QStringList& lines) {
  if (!lines.isEmpty()) Progress().clear();
  for (const QString& line : lines) std::cerr << "warning: " << line.toStdString() << "\n";
}

}  // namespace qv::cli
