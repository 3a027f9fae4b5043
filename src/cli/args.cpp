#include "cli/args.h"

namespace qv::cli {

bool ParseArgs(const std::string& command, const std::vector<std::string>& words,
               const std::set<std::string>& known, Args* out, std::string* error) {
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
    if (known.count(word) == 0) {
      *error = command + " does not take " + word;
      if (word.rfind("--", 0) != 0) *error += " (give a value that begins with - after --)";
      return false;
    }
    const bool has_next = i + 1 < words.size();
    if (word == "--barcode") {
      // The bar code's kind may follow; a bare --barcode is POSTNET.
      if (has_next && (words[i + 1] == "imb" || words[i + 1] == "postnet")) {
        out->values[word] = words[++i];
      } else {
        out->flags[word] = true;
      }
    } else if (OptionTakesValue(command, word)) {
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
