// quorvane-cli: scripting and checking contact files from the shell. The
// output of dump, count and eval matches the independent xBase checker's
// commands of the same name byte for byte, so the two can be diffed.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <QFileInfo>
#include <QGuiApplication>
#include <QString>

#include "cli/args.h"
#include "cli/envelope_cmd.h"
#include "cli/index_cmd.h"
#include "cli/cleanup_cmd.h"
#include "cli/barcode_cmd.h"
#include "cli/dial_cmd.h"
#include "cli/dump.h"
#include "cli/labels_cmd.h"
#include "cli/reports_cmd.h"
#include "cli/letters_cmd.h"
#include "cli/transfer_cmd.h"
#include "cli/transfer_csv_cmd.h"
#include "cli/tsv.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/contact_schema.h"
#include "store/messages.h"
#include "store/settings.h"
#include "store/support_install.h"
#include "store/table_object.h"
#include "xbase/expr.h"
#include "xbase/table.h"
#include "xbase/workarea.h"

namespace qv::cli {
namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;


int Fail(const std::string& message) {
  std::cerr << "quorvane-cli: " << message << "\n";
  return kExitError;
}

int Fail(const xb::Status& status) { return Fail(status.ToString()); }

// "The contact file is damaged: <reason>. Rebuild Indexes may repair it."
std::string DamagedText(const xb::Status& status) {
  return DamagedFileMessage(QString::fromStdString(status.message())).toStdString();
}

int Usage() {
  std::cerr << "usage: quorvane-cli COMMAND ARGS\n"
               "  info FILE                          structure and record count\n"
               "  dump FILE [TAG]                    records as tab-separated lines\n"
               "  count FILE EXPR [--exact] [--all]\n"
               "                                     records for which EXPR is true; those carrying\n"
               "                                     the deletion flag only with --all\n"
               "  eval FILE RECNO EXPR [--exact]     type letter and value of EXPR\n"
               "  keys FILE TAG                      record number and key of every entry\n"
               "  seek FILE TAG KEY [--soft] [--exact]\n"
               "                                     found or not, the record it stands on\n"
               "  make FILE ROWS.TSV                 a contact file from tab-separated rows\n"
               "  reindex FILE                       the contact tags built anew, timed\n"
               "  check FILE                         every index tag verified against the records\n"
               "  create FILE                        a new, empty contact file\n"
               "  init                               installs the program directory, prints its path\n"
               "  labels FILE [--setup NAME] [--order TAG] [--filter EXPR | --current RECNO]\n"
               "         [--start RECNO] [--copies N] [--presort] [--barcode [imb|postnet]] [--yes]\n"
               "         [--stock STOCK] [--lines name,title,org,street,city,zip,phone,country]\n"
               "         [--font NAME] [--size POINTS] [--start-label N] [--alignment-page]\n"
               "         [--mailer-id ID] [--stid NNN] [--serial-start N]\n"
               "         (--pdf OUT.pdf | --stream OUT)\n"
               "                                     a label run to a PDF file or a page stream\n"
               "  presort FILE [--filter EXPR]       writes PRESORT.PSL and prints it\n"
               "  stocks [--find TEXT]               the label stocks, best match first\n"
               "  stream-dump STREAM                 a page stream as readable text\n"
               "  report FILE [--layout 1|2|3|4] [--title TEXT] [--codes] [--memo]\n"
               "         [--filter EXPR | --current RECNO] [--start RECNO] [--landscape]\n"
               "         (--pdf OUT.pdf | --stream OUT)\n"
               "                                     a list report to a PDF file or a page stream\n"
               "  zipcount FILE [--filter EXPR] (--pdf OUT.pdf | --stream OUT | --lines | --csv OUT.csv)\n"
               "                                     records counted per ZIP code\n"
               "  envelope FILE [--setup DESCRIPTION] (--current RECNO | --filter EXPR | --all)\n"
               "         [--order TAG] [--paper envelope|letter|a4] [--barcode [imb|postnet]]\n"
               "         [--mailer-id ID] [--stid NNN] [--serial-start N]\n"
               "         (--pdf OUT.pdf | --stream OUT)\n"
               "                                     envelopes to a PDF file or a page stream\n"
               "  letters FILE (--letter DESCRIPTION | --rtf TEMPLATE.rtf)\n"
               "         (--current RECNO | --filter EXPR | --all) [--start RECNO] [--order TAG]\n"
               "         [--copies N] (--pdf OUT.pdf | --rtf-dir DIR)\n"
               "                                     merged letters to a PDF file or RTF files\n"
               "  letter-save DESCRIPTION TEMPLATE.rtf  stores a letter template\n"
               "  letter-export DESCRIPTION OUT.rtf  writes a stored letter template\n"
               "  letter-list                        the stored letters' descriptions\n"
               "  dups FILE (--by name | --by initial | --by street [--chars N] | --by similar)\n"
               "                                     possible duplicates in the grid's order\n"
               "  check-zip FILE [--blanks]          records with questionable state or ZIP\n"
               "  upper FILE [--fields LNAME,FNAME,...] (--current RECNO | --filter EXPR | --all)\n"
               "                                     fields converted to capitals\n"
               "  replace FILE --field FIELD (--equals VALUE | --contains VALUE) [--ignore-case]\n"
               "         (--with VALUE | --delete) [--matching-text] [--filter EXPR]\n"
               "                                     search and replace in one field\n"
               "  delete FILE (--all | --filter EXPR | --not-filter EXPR)\n"
               "                                     records deleted (marker and flag)\n"
               "  barcode imb TRACKING20 [ROUTING]   the 65 bar states (F, A, D, T)\n"
               "  barcode postnet ZIP [STREET]       the POSTNET bars (F full, H half)\n"
               "  import-ascii FILE TEXTFILE --match N=TARGET[,N=TARGET...]\n"
               "                                     lines of a text file appended as contacts\n"
               "  import-dbf FILE SOURCE.DBF [--match FIELD=TARGET[,...]]\n"
               "                                     records of another table appended as contacts\n"
               "  copy-out FILE OUT (--dbf | --ascii) [--filter EXPR] [--order TAG]\n"
               "                                     the selected records to a table or a text file\n"
               "  import-csv FILE CSVFILE [--match HEADER=TARGET,...]\n"
               "                                     a CSV file with a header line appended as contacts\n"
               "  import-vcard FILE VCF              the cards of a vCard file appended as contacts\n"
               "  export-csv FILE OUT.csv [--filter EXPR]\n"
               "                                     the selected records to a CSV file\n"
               "  export-vcard FILE OUT.vcf [--filter EXPR]\n"
               "                                     the selected records as vCard 3.0 cards\n"
               "  dial FILE RECNO [--port DEVICE] [--pulse] [--prefix DIGITS] [--no-wait]\n"
               "                                     dials the record's phone through a modem\n"
               "After --, every word is an argument: an expression may begin with -.\n";
  return kExitUsage;
}

std::string Hex2(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
  return buf;
}

char TypeLetter(const xb::Value& v) {
  return v.type == xb::ValueType::kMemo ? 'C' : static_cast<char>(v.type);
}

std::string Show(const xb::Value& v) {
  std::string text = xb::ShowValue(v);
  if (v.type == xb::ValueType::kCharacter || v.type == xb::ValueType::kMemo) return Escape(text);
  return text;
}

xb::Status OpenForReading(const std::string& path, const xb::Settings* settings,
                          std::unique_ptr<xb::WorkArea>* area) {
  xb::OpenOptions options;
  options.exclusive = false;
  options.read_only = true;
  return xb::WorkArea::Open(path, options, settings, area);
}

xb::Status SelectOrder(xb::WorkArea& area, const std::string& tag) {
  if (!area.index_status().ok()) return area.index_status();
  int order = area.TagArea(tag);
  if (order == 0) return xb::Status::NotFound("there is no tag " + tag);
  XB_RETURN_IF_ERROR(area.SetOrder(order));
  return area.GoTop();
}

// A stored key as the checker shows an order's key value.
std::string ShowKey(const xb::TagInfo& tag, const std::string& key) {
  switch (tag.key_type) {
    case xb::KeyType::kCharacter:
      return Escape(key);
    case xb::KeyType::kLogical:
      return key;
    case xb::KeyType::kDate:
      return xb::DtosFromJulian(static_cast<xb::JulianDay>(xb::DecodeNumericKey(key)));
    case xb::KeyType::kInteger: {
      // Big-endian with the sign bit flipped.
      uint32_t bits = 0;
      for (char c : key) bits = bits << 8 | static_cast<unsigned char>(c);
      return std::to_string(static_cast<int32_t>(bits ^ 0x80000000u));
    }
    case xb::KeyType::kNumeric: {
      // A number read back from a key carries xBase's default two decimals.
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.2f", xb::DecodeNumericKey(key));
      return buf;
    }
  }
  return key;
}

int CmdInfo(const Args& a) {
  std::unique_ptr<xb::Table> table;
  xb::OpenOptions options;
  options.exclusive = false;
  options.read_only = true;
  xb::Status s = xb::Table::Open(a.positional[0], options, &table);
  if (!s.ok()) return Fail(s);
  std::cout << "signature\t" << Hex2(table->signature()) << "\n";
  std::cout << "codepage\t" << Hex2(table->language_driver()) << "\n";
  std::cout << "records\t" << table->record_count() << "\n";
  for (const xb::FieldInfo& f : table->fields()) {
    std::cout << "field\t" << f.name << "\t" << f.type << "\t" << f.width << "\t"
              << static_cast<int>(f.decimals);
    // Its bytes are still dumped as they are.
    if (!xb::KnownFieldType(f.type)) std::cout << "\tunknown type";
    std::cout << "\n";
  }
  table.reset();
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  s = OpenForReading(a.positional[0], &settings, &area);
  if (!s.ok()) return Fail(s);
  if (!area->index_status().ok()) {
    std::cout << "index\tinvalid\t" << area->index_status().message() << "\n";
  }
  for (int i = 1; i <= area->order_count(); ++i) {
    const xb::TagInfo& t = area->OrderInfo(i);
    std::cout << "tag\t" << t.name << "\t" << Escape(t.key_expr) << "\t" << Escape(t.for_expr)
              << "\t" << (t.unique ? "unique" : "-") << "\t"
              << (t.descending ? "descend" : "ascend") << "\n";
  }
  return 0;
}

int CmdKeys(const Args& a) {
  xb::Settings settings;
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (s.ok()) s = SelectOrder(*area, a.positional[1]);
  if (!s.ok()) return Fail(s);
  const xb::TagInfo& tag = area->OrderInfo(area->IndexOrd());
  std::string key, line;
  for (; s.ok() && !area->eof(); s = area->Skip(1)) {
    s = area->CurrentKey(&key);
    if (!s.ok()) break;
    line = std::to_string(area->recno()) + "\t" + ShowKey(tag, key) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  if (!s.ok()) return Fail(DamagedText(s));
  return 0;
}

int CmdSeek(const Args& a) {
  xb::Settings settings;
  settings.soft_seek = a.Has("--soft");
  settings.exact = a.Has("--exact");
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (s.ok()) s = SelectOrder(*area, a.positional[1]);
  bool found = false;
  if (s.ok()) s = area->Seek(a.positional[2], &found);
  if (!s.ok()) return Fail(s);
  std::cout << (found ? "found" : "notfound") << "\t" << area->recno() << "\t"
            << (area->eof() ? "eof" : "-") << "\n";
  return 0;
}

int CmdCreate(const Args& a) {
  const QString path = QFileInfo(QString::fromLocal8Bit(a.positional[0].c_str())).absoluteFilePath();
  if (QFileInfo::exists(path)) return Fail(a.positional[0] + " already exists");
  TApolloEnv env;
  TableObject table(&env);
  TApollo apollo;
  apollo.SetDataSource(&table);
  // The messages themselves went to the standard error stream.
  if (!CreateContactFile(path, table, apollo)) return kExitError;
  std::cout << "created " << path.toStdString() << ", " << table.tagCount() << " tags\n";
  return 0;
}

int CmdInit(const Args&) {
  const QString dir = ProgramDirectory();
  const QStringList problems = InstallSupportTables(dir);
  for (const QString& p : problems) std::cerr << "quorvane-cli: " << p.toStdString() << "\n";
  IniFile ini = SettingsFile();
  const QString contacts = DefaultContactFile(dir);
  if (ReadRecentFiles(ini).isEmpty() && !QFileInfo::exists(contacts)) {
    TApolloEnv env;
    TableObject table(&env);
    TApollo apollo;
    apollo.SetDataSource(&table);
    if (!CreateContactFile(contacts, table, apollo)) return kExitError;
  }
  std::cout << dir.toStdString() << "\n";
  return problems.isEmpty() ? 0 : kExitError;
}

int CmdDump(const Args& a) {
  TApolloEnv env;  // records carrying the deletion flag are listed, marked
  TableObject table(&env);
  AimForReading(table, a.positional[0]);
  if (a.positional.size() > 1) table.setIndexName(QString::fromLocal8Bit(a.positional[1].c_str()));
  QString error;
  if (!table.open(&error)) return Fail(error.toStdString());
  const bool whole = DumpRecords(table, [](const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
  });
  if (!whole) return Fail(table.failureMessage().toStdString());
  // Values read as empty because of a damaged pointer: told once, and the
  // dump still stands.
  const std::string notice = table.area()->table().memo_notice();
  if (!notice.empty()) std::cerr << "quorvane-cli: " << notice << "\n";
  return 0;
}

int CmdCount(const Args& a) {
  xb::Settings settings;
  settings.exact = a.Has("--exact");
  // Hidden as the main window hides them; --deleted, which asked for that
  // before it was the default, is still taken.
  settings.deleted = !a.Has("--all");
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (!s.ok()) return Fail(s);
  s = area->Query(a.positional[1]);
  // A condition that does not compile, or fails on a record ("the
  // condition fails on record N: ..."), is bad input; anything else is the
  // file.
  if (!s.ok()) return Fail(s.IsInvalidArgument() ? s.message() : DamagedText(s));
  uint32_t n = 0;
  s = area->QueryRecCount(&n);
  if (!s.ok()) return Fail(s.IsInvalidArgument() ? s.message() : DamagedText(s));
  std::cout << n << "\n";
  return 0;
}

int CmdEval(const Args& a) {
  xb::Settings settings;
  settings.exact = a.Has("--exact");
  std::unique_ptr<xb::WorkArea> area;
  xb::Status s = OpenForReading(a.positional[0], &settings, &area);
  if (!s.ok()) return Fail(s);
  char* end = nullptr;
  long recno = std::strtol(a.positional[1].c_str(), &end, 10);
  if (end == a.positional[1].c_str() || *end != '\0' || recno < 0) {
    return Fail("not a record number: " + a.positional[1]);
  }
  s = area->Go(static_cast<uint32_t>(recno));
  if (!s.ok()) return Fail(s);
  xb::Value v;
  s = area->Eval(a.positional[2], &v);
  if (!s.ok()) return Fail(s);
  std::cout << TypeLetter(v) << "\t" << Show(v) << "\n";
  return 0;
}

struct Command {
  size_t min_args;
  size_t max_args;
  std::function<int(const Args&)> run;
  std::set<std::string> options;
};

}  // namespace

int Main(int argc, char** argv) {
  if (argc < 2) return Usage();
  // The options each command reads; any other is refused.
  const std::set<std::string> kSelection = {"--filter", "--current", "--start", "--order"};
  const std::set<std::string> kImb = {"--mailer-id", "--stid", "--serial-start"};
  auto with = [](std::set<std::string> a, const std::set<std::string>& b) {
    a.insert(b.begin(), b.end());
    return a;
  };
  const std::map<std::string, Command> commands = {
      {"info", {1, 1, CmdInfo, {}}},
      {"dump", {1, 2, CmdDump, {}}},
      {"count", {2, 2, CmdCount, {"--exact", "--all", "--deleted"}}},
      {"eval", {3, 3, CmdEval, {"--exact"}}},
      {"make", {2, 2, CmdMake, {}}},
      {"keys", {2, 2, CmdKeys, {}}},
      {"seek", {3, 3, CmdSeek, {"--soft", "--exact"}}},
      {"reindex", {1, 1, CmdReindex, {}}},
      {"check", {1, 1, CmdCheck, {}}},
      {"create", {1, 1, CmdCreate, {}}},
      {"init", {0, 0, CmdInit, {}}},
      {"labels",
       {1, 1, CmdLabels,
        with(with(kSelection, kImb),
             {"--setup", "--copies", "--presort", "--barcode", "--yes", "--stock", "--lines",
              "--font", "--size", "--start-label", "--alignment-page", "--pdf", "--stream"})}},
      {"presort", {1, 1, CmdPresort, {"--filter"}}},
      {"stocks", {0, 0, CmdStocks, {"--find"}}},
      {"stream-dump", {1, 1, CmdStreamDump, {}}},
      {"report",
       {1, 1, CmdReport,
        {"--layout", "--title", "--codes", "--memo", "--filter", "--current", "--start",
         "--landscape", "--pdf", "--stream"}}},
      {"zipcount", {1, 1, CmdZipCount, {"--filter", "--pdf", "--stream", "--lines", "--csv"}}},
      {"envelope",
       {1, 1, CmdEnvelope,
        with(with(kSelection, kImb), {"--setup", "--paper", "--pdf", "--stream", "--barcode", "--all"})}},
      // Letters
      {"letters",
       {1, 1, CmdLetters,
        with(kSelection, {"--letter", "--rtf", "--all", "--pdf", "--rtf-dir", "--copies"})}},
      {"letter-save", {2, 2, CmdLetterSave, {}}},
      {"letter-export", {2, 2, CmdLetterExport, {}}},
      {"letter-list", {0, 0, CmdLetterList, {}}},
      // data-quality utilities
      {"dups", {1, 1, CmdDups, {"--by", "--chars"}}},
      {"check-zip", {1, 1, CmdCheckZip, {"--blanks"}}},
      {"upper", {1, 1, CmdUpper, {"--all", "--current", "--fields", "--filter"}}},
      {"replace",
       {1, 1, CmdReplace,
        {"--field", "--equals", "--contains", "--matching-text", "--ignore-case", "--with",
         "--delete", "--filter"}}},
      {"delete", {1, 1, CmdDelete, {"--all", "--filter", "--not-filter"}}},
      {"dial", {2, 2, CmdDial, {"--port", "--prefix", "--pulse", "--no-wait"}}},
      // import and export
      {"import-ascii", {2, 2, CmdImportAscii, {"--match"}}},
      {"import-dbf", {2, 2, CmdImportDbf, {"--match"}}},
      {"copy-out", {2, 2, CmdCopyOut, {"--dbf", "--ascii", "--filter", "--order"}}},
      {"import-csv", {2, 2, CmdImportCsv, {"--match"}}},
      {"import-vcard", {2, 2, CmdImportVcard, {}}},
      {"export-csv", {2, 2, CmdExportCsv, {"--filter", "--order"}}},
      {"export-vcard", {2, 2, CmdExportVcard, {"--filter", "--order"}}},
      {"barcode", {2, 3, CmdBarcode, {}}},
  };
  auto it = commands.find(argv[1]);
  if (it == commands.end()) return Usage();
  Args args;
  std::string error;
  if (!ParseArgs(argv[1], std::vector<std::string>(argv + 2, argv + argc), it->second.options,
                 &args, &error)) {
    std::cerr << "quorvane-cli: " << error << "\n";
    return Usage();
  }
  if (args.positional.size() < it->second.min_args || args.positional.size() > it->second.max_args) {
    return Usage();
  }
  // Label runs measure text with real fonts; no screen is needed for that.
  std::unique_ptr<QGuiApplication> gui;
  const std::string command = argv[1];
  if (command == "labels" || command == "report" || command == "zipcount" ||
      command == "envelope" || command.rfind("letter", 0) == 0) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    gui = std::make_unique<QGuiApplication>(argc, argv);
  }
  return it->second.run(args);
}

}  // namespace qv::cli

int main(int argc, char** argv) { return qv::cli::Main(argc, argv); }
