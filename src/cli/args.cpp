#include "cli/args.h"

#include <algorithm>

namespace qv::cli {

bool ParseArgs(const std::string& command, const std::vector<std::string>& words,
               const OptionRules& known, Args* out, std::string* error) {
  *out = Args();
  bool options_end = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (options_end || word.size() < 2 || word[0] != '-') {
      out->positional.push_back(word);
      continue;
    }
    if (word == "--") {
      options_end = true;
      continue;
    }
    const auto rule = known.find(word);
    if (rule == known.end()) {
      *error = command + " does not take " + word;
      if (word.rfind("--", 0) != 0) *error += " (give a value that begins with - after --)";
      return false;
    }
    const bool has_next = i + 1 < words.size();
    const std::vector<std::string>& optional = rule->second.optionalValues;
    if (!optional.empty()) {
      if (has_next && std::find(optional.begin(), optional.end(), words[i + 1]) != optional.end()) {
        out->values[word] = words[++i];
      } else {
        out->flags[word] = true;
      }
    } else if (rule->second.takesValue) {
      if (!has_next) {
        *error = word + " needs a value";
        return false;
      }
      out->values[word] = words[++i];
    } else {
      out->flags[word] = true;
    }
  }
  return true;
}

}  // namespace qv::cli
