// Writes quorvane-cli's manual page and its bash completion from the same
// command table the program's usage comes from, at build time:
//   quorvane-cli-docs VERSION MAN_PAGE COMPLETION_SCRIPT
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_table.h"
#include "store/contact_schema.h"

namespace qv::cli {
namespace {

// ---- the manual page

// A text as roff prints it literally.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  // A line that begins with a dot or quote would be taken as a request.
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string ManPage(const std::string& version) {
  std::ostringstream m;
  m << ".TH QUORVANE\\-CLI 1 \"\" \"Quorvane " << version << "\" \"User Commands\"\n"
    << ".SH NAME\n"
       "quorvane\\-cli \\- work on Quorvane contact files from the shell\n"
       ".SH SYNOPSIS\n"
       ".B quorvane\\-cli\n.I COMMAND\n.RI [ ARGS ]\n.br\n"
       ".B quorvane\\-cli help\n.RI [ COMMAND ]\n.br\n"
       ".B quorvane\\-cli \\-\\-version\n"
       ".SH DESCRIPTION\n"
       ".B quorvane\\-cli\n"
       "runs every job of Quorvane, the mailing\\-list manager, on contact files (DBF tables with\n"
       "a CDX index and an FPT memo): label runs, envelopes, letters and reports to PDF files or\n"
       "page streams, imports and exports, the data\\-quality checks, and the reading and\n"
       "checking of the files themselves. It runs the same code as the windows of\n"
       ".BR quorvane (1).\n"
       ".PP\n"
       "On a terminal, a long job shows one progress line on standard error, redrawn in place\n"
       "and cleared at the end. Results go to standard output, messages to standard error.\n"
       ".SH COMMANDS\n";
  for (const CommandEntry& c : Commands()) {
    m << ".SS " << Roff(c.name) << "\n.nf\n";
    for (const char* form : c.forms) {
      std::istringstream lines(form);
      std::string line;
      bool first = true;
      const std::string head = std::string("quorvane-cli ") + c.name + " ";
      while (std::getline(lines, line) || first) {
        m << Roff(first ? head + line : std::string(head.size(), ' ') + line) << "\n";
        first = false;
      }
    }
    m << ".fi\n" << Roff(c.description) << ".\n";
  }
  m << ".SH OPTIONS\n"
       "Every command takes these:\n"
       ".TP\n.B \\-\\-help\nprints the command's usage and description and exits 0.\n"
       ".TP\n.B \\-\\-quiet\nshows no progress line, even on a terminal.\n"
       ".TP\n.B \\-\\-\nends the options: every word after it is an argument, so an expression "
       "may begin with \\-.\n"
       ".PP\n"
       ".B \\-\\-exact\ncompares strings as SET EXACT ON does (for seek: the whole key must "
       "match);\n"
       ".B \\-\\-soft\nmakes a failed seek stand on the next greater key;\n"
       ".B \\-\\-all\ncounts the records carrying the deletion flag too.\n"
       "A command refuses an option it does not take.\n"
       ".SH EXIT STATUS\n"
       ".TP\n.B 0\nthe command did its work.\n"
       ".TP\n.B 1\nbad input or a failure: a damaged or missing file, a condition that does not\n"
       "compile, an output that cannot be written (standard output included); the reason is on\n"
       "standard error.\n"
       ".TP\n.B 2\nbad usage: an unknown command or option, or too few or too many arguments; the\n"
       "command's usage is on standard error.\n"
       ".SH ENVIRONMENT\n"
       ".TP\n.B QUORVANE_HOME\nthe program directory, when set.\n"
       ".TP\n.B XDG_DATA_HOME\nwithout QUORVANE_HOME, the program directory is\n"
       ".I $XDG_DATA_HOME/quorvane\n(by default\n.IR ~/.local/share/quorvane ).\n"
       ".SH FILES\n"
       "In the program directory:\n"
       ".TP\n.B QUORVA.INI\nthe settings file.\n"
       ".TP\n.B QUORVA1.DBF\nthe default contact file, created by\n.BR init .\n"
       ".TP\n.B QVPLBLS.DBF, QVPLSU.DBF, QVPENVS.DBF, QVPESU.DBF, QVPLTRS.DBF, QVPSZCK.DBF\n"
       "the label stocks and setups, envelope sizes and setups, letters, and state and ZIP\n"
       "ranges, built on first use.\n"
       ".TP\n.B PRESORT.PSL\nthe last bulk\\-mail presort.\n"
       ".SH SEE ALSO\n.BR quorvane (1)\n";
  return m.str();
}

// ---- the bash completion

// What an argument or option value completes to, as a bash snippet that
// fills COMPREPLY from "$cur".
std::string Completion(const std::vector<std::string>& placeholders) {
  auto words = [](const std::string& list) {
    return "COMPREPLY=($(compgen -W '" + list + "' -- \"$cur\"))";
  };
  bool literals = !placeholders.empty();
  std::string all;
  for (const std::string& p : placeholders) {
    literals = literals && !p.empty() && std::islower(static_cast<unsigned char>(p[0])) &&
               p.find_first_of(",=.") == std::string::npos;
    all += (all.empty() ? "" : " ") + p;
  }
  if (placeholders.empty()) return "";
  const std::string& p = placeholders[0];
  if (literals) {
    for (char& c : all) c = c == '|' ? ' ' : c;
    return words(all);
  }
  if (p.find('|') != std::string::npos) {
    std::string list = p;
    for (char& c : list) c = c == '|' ? ' ' : c;
    return words(list);
  }
  if (p == "TAG") {
    std::string tags;
    for (const TagDef& t : ContactTags()) tags += (tags.empty() ? "" : " ") + std::string(t.name);
    return words(tags);
  }
  if (p == "COMMAND") {
    std::string names;
    for (const CommandEntry& c : Commands())
      names += (names.empty() ? "" : " ") + std::string(c.name);
    return words(names);
  }
  if (p == "DIR") return "_quorvane_cli_files -d";
  std::string upper;
  for (char c : p) upper += char(std::toupper(static_cast<unsigned char>(c)));
  // A whole name, or the end of one ("OUT.pdf").
  static const std::pair<const char*, const char*> kExtensions[] = {
      {"FILE", "dbf"}, {"CSVFILE", "csv"}, {"VCF", "vcf"},  {".DBF", "dbf"}, {".CSV", "csv"},
      {".VCF", "vcf"}, {".RTF", "rtf"},    {".PDF", "pdf"}, {".TSV", "tsv"},
  };
  for (const auto& [ending, extension] : kExtensions) {
    const std::string e = ending;
    const bool whole = e[0] != '.';
    if (whole
            ? upper == e
            : upper.size() > e.size() && upper.compare(upper.size() - e.size(), e.size(), e) == 0) {
      // Any letter case: QUORVA1.DBF as well as list.dbf.
      std::string pattern;
      for (const char* x = extension; *x; ++x) {
        pattern += std::string("[") + *x + char(std::toupper(static_cast<unsigned char>(*x))) + "]";
      }
      return "_quorvane_cli_files '" + pattern + "'";
    }
  }
  if (upper == "OUT" || upper == "STREAM" || upper == "TEXTFILE" || upper == "DEVICE") {
    return "_quorvane_cli_files";
  }
  return "";  // a name, an expression, a number: nothing to offer
}

std::string Quote(const std::set<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

std::string CompletionScript() {
  std::ostringstream s;
  std::set<std::string> names;
  for (const CommandEntry& c : Commands()) names.insert(c.name);
  s << "# bash completion for quorvane-cli, written from its command table.\n"
       "\n"
       "# Folders with -d; else files matching *.$1 and folders; every file without $1.\n"
       "_quorvane_cli_files() {\n"
       "  local IFS=$'\\n'\n"
       "  compopt -o filenames 2>/dev/null\n"
       "  case $1 in\n"
       "    -d) COMPREPLY=($(compgen -d -- \"$cur\")) ;;\n"
       "    '') COMPREPLY=($(compgen -f -- \"$cur\")) ;;\n"
       "    *) COMPREPLY=($(compgen -d -- \"$cur\") $(compgen -f -X \"!*.$1\" -- \"$cur\")) ;;\n"
       "  esac\n"
       "}\n"
       "\n"
       "_quorvane_cli() {\n"
       "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
       "  COMPREPLY=()\n"
       "  if ((COMP_CWORD == 1)); then\n"
       "    COMPREPLY=($(compgen -W '"
    << Quote(names)
    << " --help --version' -- \"$cur\"))\n"
       "    return\n"
       "  fi\n"
       "  local options='' valued='' n=0 i\n"
       "  case ${COMP_WORDS[1]} in\n";
  for (const CommandEntry& c : Commands()) {
    std::set<std::string> options, valued;
    std::string optionalLines;
    for (const auto& [name, rule] : CommandOptions(c)) {
      if (!rule.optionalValues.empty()) {
        std::string choices;
        for (const std::string& v : rule.optionalValues)
          choices += (choices.empty() ? "" : "|") + v;
        optionalLines +=
            "          " + choices + ") [[ ${COMP_WORDS[i-1]} == " + name + " ]] || ((n++)) ;;\n";
      }
      if (std::find(c.hidden.begin(), c.hidden.end(), name) == c.hidden.end()) {
        options.insert(name);
      }
      if (rule.takesValue) valued.insert(name);
    }
    s << "    " << c.name << ")\n"
      << "      options='" << Quote(options) << "'\n"
      << "      valued=' " << Quote(valued) << " '\n"
      << "      case $prev in\n";
    std::vector<std::pair<std::string, std::vector<std::string>>> values;
    for (const auto& [option, value] : OptionValues(c)) {
      auto it = std::find_if(values.begin(), values.end(),
                             [&](const auto& v) { return v.first == option; });
      if (it == values.end()) {
        values.emplace_back(option, std::vector<std::string>());
        it = values.end() - 1;
      }
      it->second.push_back(value);
    }
    for (const auto& [option, placeholders] : values) {
      const std::string complete = Completion(placeholders);
      s << "        " << option << ") " << (complete.empty() ? ":" : complete) << "; return ;;\n";
    }
    s << "      esac\n";
    // The argument under the cursor: words after the command that are not
    // options or their values.
    s << "      for ((i = 2; i < COMP_CWORD; i++)); do\n"
         "        case ${COMP_WORDS[i]} in\n"
         "          --*) [[ $valued == *\" ${COMP_WORDS[i]} \"* ]] && ((i++)) ;;\n"
      << optionalLines
      << "          *) ((n++)) ;;\n"
         "        esac\n"
         "      done\n"
         "      [[ $cur == -* ]] && { COMPREPLY=($(compgen -W \"$options\" -- \"$cur\")); return; "
         "}\n"
         "      case $n in\n";
    const std::vector<std::vector<Placeholder>> forms = CommandArguments(c);
    for (size_t i = 0;; ++i) {
      std::vector<std::string> at;
      for (const auto& form : forms) {
        if (i < form.size()) at.push_back(form[i].text);
      }
      if (at.empty()) break;
      const std::string complete = Completion(at);
      if (!complete.empty()) s << "        " << i << ") " << complete << " ;;\n";
    }
    s << "      esac\n"
         "      ;;\n";
  }
  s << "  esac\n"
       "}\n"
       "complete -F _quorvane_cli quorvane-cli\n";
  return s.str();
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (out) return true;
  std::cerr << "quorvane-cli-docs: cannot write " << path << "\n";
  return false;
}

}  // namespace
}  // namespace qv::cli

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: quorvane-cli-docs VERSION MAN_PAGE COMPLETION_SCRIPT\n";
    return 2;
  }
  const bool ok = qv::cli::WriteFile(argv[2], qv::cli::ManPage(argv[1])) &&
                  qv::cli::WriteFile(argv[3], qv::cli::CompletionScript());
  return ok ? 0 : 1;
}
