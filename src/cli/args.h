// The command line of quorvane-cli split into positional arguments, flags
// ("--exact") and options with a value ("--setup NAME").
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace qv::cli {

struct Args {
  std::vector<std::string> positional;
  std::map<std::string, bool> flags;
  std::map<std::string, std::string> values;

  bool Has(const std::string& flag) const {
    return flags.count(flag) > 0 || values.count(flag) > 0;
  }
  std::string Value(const std::string& option) const {
    auto it = values.find(option);
    return it == values.end() ? std::string() : it->second;
  }
};

// Options followed by a value; every other "--x" is a flag. "--lines" takes
// a value only in a label run (zipcount's --lines is a flag), see
// OptionTakesValue.
inline const std::set<std::string>& ValueOptions() {
  static const std::set<std::string> options = {"--setup", "--order",  "--filter", "--current",
                                                "--start", "--copies", "--pdf",    "--stream",
                                                "--layout", "--title",  "--csv",
                                                "--paper",
                                                // label stocks and lines
                                                "--stock", "--font", "--size",
                                                "--start-label", "--find", "--same-as",
                                                "--letter", "--rtf",    "--rtf-dir",
                                                // data-quality utilities
                                                "--by", "--chars", "--fields", "--field",
                                                "--equals", "--contains", "--with", "--not-filter",
                                                // the dialer
                                                "--port", "--prefix",
                                                // the Intelligent Mail barcode
                                                "--mailer-id", "--stid", "--serial-start",
                                                // import and export
                                                "--match"};
  return options;
}

inline bool OptionTakesValue(const std::string& command, const std::string& option) {
  return ValueOptions().count(option) > 0 || (command == "labels" && option == "--lines");
}

// Splits the words after the command name. Only the options in `known` are
// taken: a misspelt option must stop the run, not be ignored (a `--copy 3`
// would otherwise print one copy and report success). Every word after "--"
// is positional, so an expression may begin with "-". On a bad word, returns
// false with the reason in `error`.
bool ParseArgs(const std::string& command, const std::vector<std::string>& words,
               const std::set<std::string>& known, Args* out, std::string* error);

}  // namespace qv::cli
