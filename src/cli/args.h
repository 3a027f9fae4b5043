// The command line of quorvane-cli split into positional arguments, flags
// ("--exact") and options with a value ("--setup NAME").
#pragma once

#include <map>
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

// How a command takes one of its options: a flag ("--exact"), with a value
// ("--setup NAME"), or with a value only when the next word is one of
// `optionalValues` ("--barcode [imb|postnet]": a bare --barcode is POSTNET).
struct OptionRule {
  bool takesValue = false;
  std::vector<std::string> optionalValues;
};
using OptionRules = std::map<std::string, OptionRule>;

// Splits the words after the command name. Only the options in `known` are
// taken: a misspelt option must stop the run, not be ignored (a `--copy 3`
// would otherwise print one copy and report success). Every word after "--"
// is positional, so an expression may begin with "-". On a bad word, returns
// false with the reason in `error`.
bool ParseArgs(const std::string& command, const std::vector<std::string>& words,
               const OptionRules& known, Args* out, std::string* error);

}  // namespace qv::cli
