#include "cli/letters_cmd.h"
#include "cli/cli_common.h"

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <iostream>

#include "labels/job_host.h"
#include "letters/letter_print.h"
#include "letters/letter_store.h"
#include "richtext/rtf.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/output_file.h"
#include "store/settings.h"
#include "store/table_object.h"

namespace qv::cli {

namespace {

constexpr int kMaxCopies = 999;
// Far beyond any letter template; keeps a wrong file name from filling memory.
constexpr qint64 kMaxTemplateBytes = 256LL * 1024 * 1024;

int BadUsage(const QString& message) {
  std::cerr << "quorvane-cli: " << message.toStdString() << "\n";
  return kExitUsage;
}

QString Arg(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }

// Reads an RTF template file; its warnings go to the standard error.
bool ReadTemplate(const QString& path, RichDocument* doc, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return false;
  }
  if (file.size() > kMaxTemplateBytes) {
    *error = QStringLiteral("%1 is larger than any letter template (%2 MB)")
                 .arg(path)
                 .arg(file.size() / (1024 * 1024));
    return false;
  }
  const RtfReadResult r = ReadRtf(file.readAll(), doc);
  if (!r.ok) {
    *error = path + QStringLiteral(": ") + r.error;
    return false;
  }
  for (const QString& w : r.warnings) std::cerr << path.toStdString() << ": " << w.toStdString() << "\n";
  return true;
}

struct Letters {
  TApolloEnv env;
  TableObject table{&env};
  TApollo apollo;
};

bool OpenLetters(Letters& l, QString* error) {
  l.env.SetDeleted(true);  // deleted letters are neither listed nor found
  QString home;
  if (!ProgramHome(&home, error)) return false;
  if (!OpenLettersTable(home, l.table, l.apollo)) {
    *error = LettersOpenFailedMessage();
    return false;
  }
  return true;
}

bool LoadLetter(const QString& description, RichDocument* doc, QString* error) {
  Letters l;
  if (!OpenLetters(l, error)) return false;
  if (!FindLetter(l.table, description)) {
    const QStringList names = LetterDescriptions(l.table);
    *error = QStringLiteral("there is no letter called \"%1\"; the letters are: %2")
                 .arg(description.trimmed(), names.isEmpty() ? QStringLiteral("(none)")
                                                             : names.join(QStringLiteral(", ")));
    return false;
  }
  const RtfReadResult r = LoadRichText(l.table, doc);
  if (!r.ok) {
    *error = QStringLiteral("the letter \"%1\" is damaged: %2").arg(description.trimmed(), r.error);
    return false;
  }
  return true;
}

}  // namespace

int CmdLetters(const Args& a) {
  if (a.Has("--letter") == a.Has("--rtf")) {
    return BadUsage("letters needs one of --letter DESCRIPTION or --rtf TEMPLATE.rtf");
  }
  if (int(a.Has("--current")) + int(a.Has("--filter")) + int(a.Has("--all")) != 1) {
    return BadUsage("letters needs one of --current RECNO, --filter EXPR or --all");
  }
  if (int(a.Has("--pdf")) + int(a.Has("--rtf-dir")) + int(a.Has("--printer")) != 1) {
    return BadUsage("letters needs one of --pdf OUT.pdf, --rtf-dir DIR or --printer NAME");
  }
  LetterRunOptions options;
  if (a.Has("--copies") && !ParseNumber(a.Value("--copies"), 1, kMaxCopies, &options.copies)) {
    return BadUsage("--copies takes a number from 1 to 999, not " + Arg(a.Value("--copies")));
  }
  RichDocument letter;
  QString error;
  const bool read = a.Has("--letter") ? LoadLetter(Arg(a.Value("--letter")), &letter, &error)
                                      : ReadTemplate(Arg(a.Value("--rtf")), &letter, &error);
  if (!read) return Fail(error);

  ContactSession c;
  if (!c.open(a, &error) || !c.setOrder(a, &error)) return Fail(error);
  if (!c.apollo.GoTop()) return Fail(c.table.failureMessage());
  options.selection = a.Has("--all")      ? RecordSelection::All
                      : a.Has("--filter") ? RecordSelection::Filter
                                          : RecordSelection::Current;
  if (a.Has("--current") && a.Has("--start") && a.Value("--current") != a.Value("--start")) {
    return BadUsage("--current and --start name different records");
  }
  int current = 0;
  if (!c.goToNamedRecord(a, &current, &error)) return Fail(error);
  options.startFromCurrent = a.Has("--start");
  QString out;
  if (a.Has("--pdf")) {
    out = QFileInfo(Arg(a.Value("--pdf"))).absoluteFilePath();
    options.pdfFile = out;
  } else if (a.Has("--printer")) {
    out = Arg(a.Value("--printer"));
    options.printerName = out;
  } else {
    out = QFileInfo(Arg(a.Value("--rtf-dir"))).absoluteFilePath();
    options.rtfDirectory = out;
  }
  CliHost host;
  c.beginProgress(a, QStringLiteral("letters"));
  const auto start = std::chrono::steady_clock::now();
  const LetterRunResult r = PrintLetters(c.table, c.apollo, letter, options, host);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  if (r.outcome != LetterRunOutcome::Completed) {
    return FailOnce(host, r.errorText.isEmpty() ? QStringLiteral("the letter run was cancelled")
                                                : r.errorText);
  }
  std::cout << "letters " << r.letters << " on " << r.pages << " pages to " << out.toStdString()
            << " in " << ms << " ms\n";
  return 0;
}

int CmdLetterSave(const Args& a) {
  const QString description = Arg(a.positional[0]).trimmed();
  if (description.isEmpty()) return BadUsage("the letter needs a description");
  if (description.size() > 50) {
    return Fail("a letter description holds at most 50 characters");
  }
  RichDocument doc;
  QString error;
  // The template is read before the table is touched, so a bad file
  // changes nothing.
  if (!ReadTemplate(Arg(a.positional[1]), &doc, &error)) return Fail(error);
  Letters l;
  if (!OpenLetters(l, &error)) return Fail(error);
  const bool replacing = FindLetter(l.table, description);
  if (!StoreLetter(l.table, description, doc, &error)) return Fail(error);
  std::cout << (replacing ? "replaced " : "saved ") << description.toStdString() << "\n";
  return 0;
}

int CmdLetterExport(const Args& a) {
  RichDocument doc;
  QString error;
  if (!LoadLetter(Arg(a.positional[0]), &doc, &error)) return Fail(error);
  OutputFile file(Arg(a.positional[1]));
  if (!file.open() || !file.put(WriteRtf(doc)) || !file.commit()) return Fail(file.message());
  std::cout << "exported " << Arg(a.positional[0]).trimmed().toStdString() << " to "
            << file.target().toStdString() << "\n";
  return 0;
}

int CmdLetterList(const Args&) {
  Letters l;
  QString error;
  if (!OpenLetters(l, &error)) return Fail(error);
  for (const QString& name : LetterDescriptions(l.table)) std::cout << name.toStdString() << "\n";
  return 0;
}

}  // namespace qv::cli
