#include "cli/command_table.h"

#include <algorithm>
#include <iostream>
#include <sstream>

#include "cli/barcode_cmd.h"
#include "cli/cleanup_cmd.h"
#include "cli/cli_common.h"
#include "cli/dial_cmd.h"
#include "cli/envelope_cmd.h"
#include "cli/file_cmd.h"
#include "cli/index_cmd.h"
#include "cli/labels_cmd.h"
#include "cli/letters_cmd.h"
#include "cli/reports_cmd.h"
#include "cli/transfer_cmd.h"
#include "cli/transfer_csv_cmd.h"

namespace qv::cli {

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> commands = {
      {"info", {"FILE"}, "structure and record count", CmdInfo},
      {"dump", {"FILE [TAG]"}, "records as tab-separated lines", CmdDump},
      {"count",
       {"FILE EXPR [--exact] [--all]"},
       "records for which EXPR is true; flagged ones too with --all",
       CmdCount,
       false,
       {"--deleted"}},  // asked for hiding them before that was the default
      {"eval", {"FILE RECNO EXPR [--exact]"}, "type letter and value of EXPR", CmdEval},
      {"keys", {"FILE TAG"}, "record number and key of every entry", CmdKeys},
      {"seek",
       {"FILE TAG KEY [--soft] [--exact]"},
       "found or not, the record it stands on",
       CmdSeek},
      {"make", {"FILE ROWS.TSV"}, "a contact file from tab-separated rows", CmdMake},
      {"reindex", {"FILE"}, "the contact tags built anew, timed", CmdReindex},
      {"check", {"FILE"}, "every index tag verified against the records", CmdCheck},
      {"create", {"FILE"}, "a new, empty contact file", CmdCreate},
      {"init", {""}, "installs the program directory, prints its path", CmdInit},
      {"labels",
       {"FILE [--setup NAME] [--order TAG] [--filter EXPR | --current RECNO]\n"
        "[--start RECNO] [--copies N] [--presort] [--barcode [imb|postnet]] [--yes]\n"
        "[--stock STOCK] [--lines name,title,org,street,city,zip,phone,country]\n"
        "[--font NAME] [--size POINTS] [--start-label N] [--alignment-page]\n"
        "[--mailer-id ID] [--stid NNN] [--serial-start N]\n"
        "(--pdf OUT.pdf | --stream OUT | --printer NAME)"},
       "a label run to a PDF file or a page stream",
       CmdLabels,
       true},
      {"presort", {"FILE [--filter EXPR]"}, "writes PRESORT.PSL and prints it", CmdPresort},
      {"stocks", {"[--find TEXT | --same-as DESCRIPTION] [--geometry]"},
       "the label stocks, best match first, or those of one stock's size", CmdStocks},
      {"stream-dump", {"STREAM"}, "a page stream as readable text", CmdStreamDump},
      {"report",
       {"FILE [--layout 1|2|3|4] [--title TEXT] [--codes] [--memo]\n"
        "[--filter EXPR | --current RECNO] [--start RECNO] [--landscape]\n"
        "(--pdf OUT.pdf | --stream OUT | --printer NAME)"},
       "a list report to a PDF file or a page stream",
       CmdReport,
       true},
      {"zipcount",
       {"FILE [--filter EXPR]\n"
        "(--pdf OUT.pdf | --stream OUT | --printer NAME | --lines | --csv OUT.csv)"},
       "records counted per ZIP code",
       CmdZipCount,
       true},
      {"envelope",
       {"FILE [--setup DESCRIPTION] (--current RECNO | --filter EXPR | --all)\n"
        "[--start RECNO] [--order TAG] [--paper envelope|letter|a4] [--barcode [imb|postnet]]\n"
        "[--mailer-id ID] [--stid NNN] [--serial-start N]\n"
        "(--pdf OUT.pdf | --stream OUT | --printer NAME)"},
       "envelopes to a PDF file or a page stream",
       CmdEnvelope,
       true},
      {"letters",
       {"FILE (--letter DESCRIPTION | --rtf TEMPLATE.rtf)\n"
        "(--current RECNO | --filter EXPR | --all) [--start RECNO] [--order TAG]\n"
        "[--copies N] (--pdf OUT.pdf | --rtf-dir DIR | --printer NAME)"},
       "merged letters to a PDF file or RTF files",
       CmdLetters,
       true},
      {"letter-save",
       {"DESCRIPTION TEMPLATE.rtf"},
       "stores a letter template",
       CmdLetterSave,
       true},
      {"letter-export",
       {"DESCRIPTION OUT.rtf"},
       "writes a stored letter template",
       CmdLetterExport,
       true},
      {"letter-list", {""}, "the stored letters' descriptions", CmdLetterList, true},
      {"dups",
       {"FILE (--by name | --by initial | --by street [--chars N] | --by similar)"},
       "possible duplicates in the grid's order",
       CmdDups},
      {"check-zip", {"FILE [--blanks]"}, "records with questionable state or ZIP", CmdCheckZip},
      {"upper",
       {"FILE [--fields LNAME,FNAME,...] (--current RECNO | --filter EXPR | --all)"},
       "fields converted to capitals",
       CmdUpper},
      {"replace",
       {"FILE --field FIELD (--equals VALUE | --contains VALUE) [--ignore-case]\n"
        "(--with VALUE | --delete) [--matching-text] [--filter EXPR]"},
       "search and replace in one field",
       CmdReplace},
      {"delete",
       {"FILE (--all | --filter EXPR | --not-filter EXPR)"},
       "records deleted (marker and flag)",
       CmdDelete},
      {"recall",
       {"FILE (--all | --filter EXPR | --record N)"},
       "deleted records given back",
       CmdRecall},
      {"barcode",
       {"imb TRACKING20 [ROUTING]", "postnet ZIP [STREET]"},
       "bars as letters: imb the 65 bar states (F, A, D, T), postnet F full and H half",
       CmdBarcode},
      {"import-ascii",
       {"FILE TEXTFILE --match N=TARGET[,N=TARGET...]"},
       "lines of a text file appended as contacts",
       CmdImportAscii},
      {"import-dbf",
       {"FILE SOURCE.DBF [--match FIELD=TARGET[,...]]"},
       "records of another table appended as contacts",
       CmdImportDbf},
      {"copy-out",
       {"FILE OUT (--dbf | --ascii) [--filter EXPR] [--order TAG]"},
       "the selected records to a table or a text file",
       CmdCopyOut},
      {"import-csv",
       {"FILE CSVFILE [--match HEADER=TARGET,...]"},
       "a CSV file with a header line appended as contacts",
       CmdImportCsv},
      {"import-vcard",
       {"FILE VCF"},
       "the cards of a vCard file appended as contacts",
       CmdImportVcard},
      {"export-csv",
       {"FILE OUT.csv [--filter EXPR] [--order TAG]"},
       "the selected records to a CSV file",
       CmdExportCsv},
      {"export-vcard",
       {"FILE OUT.vcf [--filter EXPR] [--order TAG]"},
       "the selected records as vCard 3.0 cards",
       CmdExportVcard},
      {"dial",
       {"FILE RECNO [--port DEVICE] [--pulse] [--prefix DIGITS] [--no-wait]"},
       "dials the record's phone through a modem",
       CmdDial},
      {"help", {"[COMMAND]"}, "the usage of every command, or of one", CmdHelp},
  };
  return commands;
}

const CommandEntry* FindCommand(const std::string& name) {
  for (const CommandEntry& c : Commands()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

namespace {

constexpr char kProgram[] = "quorvane-cli";
// Where the usage's descriptions begin.
constexpr size_t kDescriptionColumn = 37;
constexpr size_t kLineWidth = 80;

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// A form's word without the brackets and parentheses around it.
std::string Bare(const std::string& word) {
  const size_t from = word.find_first_not_of("[(");
  if (from == std::string::npos) return std::string();
  const size_t to = word.find_last_not_of("])");
  return word.substr(from, to + 1 - from);
}

bool IsOption(const std::string& word) { return Bare(word).rfind("--", 0) == 0; }

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

// Calls `each(option, value word or empty, value optional)` for every
// option the forms show.
template <typename Each>
void ForEachOption(const CommandEntry& command, Each each) {
  for (const char* form : command.forms) {
    const std::vector<std::string> words = Words(form);
    for (size_t i = 0; i < words.size(); ++i) {
      if (!IsOption(words[i])) continue;
      const std::string next = i + 1 < words.size() ? words[i + 1] : std::string();
      // The option's own closing bracket ends it: "[--presort]" takes nothing.
      const bool closed = words[i].back() == ']' || words[i].back() == ')';
      if (closed || next.empty() || next == "|" || IsOption(next)) {
        each(Bare(words[i]), std::string(), false);
      } else {
        each(Bare(words[i]), Bare(next), next[0] == '[');
      }
    }
  }
}

// A form's lines; an empty form ("init") is one empty line.
std::vector<std::string> Lines(const char* form) {
  std::vector<std::string> lines = SplitAt(form, '\n');
  if (lines.empty()) lines.emplace_back();
  return lines;
}

// The form's first line after `first`, the others indented by `indent`.
void PutForm(std::ostringstream& out, const std::string& first, const char* form, size_t indent) {
  const std::vector<std::string> lines = Lines(form);
  out << first << lines[0];
  for (size_t i = 1; i < lines.size(); ++i) out << "\n" << std::string(indent, ' ') << lines[i];
}

}  // namespace

OptionRules CommandOptions(const CommandEntry& command) {
  OptionRules options = {{"--help", {}}, {"--quiet", {}}};
  ForEachOption(command, [&](const std::string& name, const std::string& value, bool optional) {
    OptionRule& rule = options[name];
    if (optional) {
      rule.optionalValues = SplitAt(value, '|');
    } else if (!value.empty()) {
      rule.takesValue = true;
    }
  });
  for (const char* flag : command.hidden) options[flag];
  return options;
}

std::vector<std::vector<Placeholder>> CommandArguments(const CommandEntry& command) {
  std::vector<std::vector<Placeholder>> forms;
  for (const char* form : command.forms) {
    std::vector<Placeholder> arguments;
    for (const std::string& word : Words(form)) {
      if (IsOption(word)) break;
      arguments.push_back({Bare(word), word[0] == '['});
    }
    forms.push_back(arguments);
  }
  return forms;
}

void ArgumentRange(const CommandEntry& command, size_t* least, size_t* most) {
  *least = SIZE_MAX;
  *most = 0;
  for (const std::vector<Placeholder>& form : CommandArguments(command)) {
    const size_t required =
        std::count_if(form.begin(), form.end(), [](const Placeholder& p) { return !p.optional; });
    *least = std::min(*least, required);
    *most = std::max(*most, form.size());
  }
}

std::vector<std::pair<std::string, std::string>> OptionValues(const CommandEntry& command) {
  std::vector<std::pair<std::string, std::string>> values;
  ForEachOption(command, [&](const std::string& name, const std::string& value, bool) {
    if (!value.empty()) values.emplace_back(name, value);
  });
  return values;
}

std::string UsageText() {
  std::ostringstream out;
  out << "usage: " << kProgram << " COMMAND ARGS\n";
  for (const CommandEntry& c : Commands()) {
    for (const char* form : c.forms) {
      const std::string first = std::string("  ") + c.name + (*form ? " " : "");
      PutForm(out, first, form, first.size());
      if (form != c.forms.back()) out << "\n";
    }
    const std::string last = Lines(c.forms.back()).back();
    const size_t used = 2 + std::string(c.name).size() + (last.empty() ? 0 : 1 + last.size());
    const bool fits = used + 2 <= kDescriptionColumn &&
                      kDescriptionColumn + std::string(c.description).size() <= kLineWidth;
    if (fits && c.forms.size() == 1 && Lines(c.forms[0]).size() == 1) {
      out << std::string(kDescriptionColumn - used, ' ');
    } else {
      out << "\n" << std::string(kDescriptionColumn, ' ');
    }
    out << c.description << "\n";
  }
  out << "Every command takes --help (its usage here) and --quiet (no progress line on a\n"
         "terminal); quorvane-cli --version prints the version.\n"
         "After --, every word is an argument: an expression may begin with -.\n";
  return out.str();
}

std::string CommandHelp(const CommandEntry& command) {
  std::ostringstream out;
  for (const char* form : command.forms) {
    // Continued under the program's name: the command's own lines are long.
    PutForm(out,
            std::string(form == command.forms.front() ? "usage: " : "       ") + kProgram + " " +
                command.name + (*form ? " " : ""),
            form, 7);
    out << "\n";
  }
  out << command.description << "\n";
  return out.str();
}

int CmdHelp(const Args& a) {
  if (a.positional.empty()) {
    std::cout << UsageText();
    return 0;
  }
  const CommandEntry* command = FindCommand(a.positional[0]);
  if (!command) {
    std::cerr << kProgram << ": there is no command " << a.positional[0] << "\n" << UsageText();
    return kExitUsage;
  }
  std::cout << CommandHelp(*command);
  return 0;
}

}  // namespace qv::cli
