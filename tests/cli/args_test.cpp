// The command line split: unknown options refused, "--" ending the options,
// options with and without values, and with a value only from a list.
#include <gtest/gtest.h>

#include "cli/args.h"

namespace qv::cli {
namespace {

struct Case {
  const char* name;
  std::string command;
  std::vector<std::string> words;
  bool ok;
  std::string expected;  // positional|flags|values, or the error
};

std::string Summary(const Args& a) {
  std::string s;
  for (const auto& p : a.positional) s += p + " ";
  s += "|";
  for (const auto& [f, on] : a.flags) s += f + " ";
  s += "|";
  for (const auto& [k, v] : a.values) s += k + "=" + v + " ";
  return s;
}

TEST(ParseArgs, TakesOnlyTheCommandsOptions) {
  const OptionRules known = {{"--copies", {true, {}}},
                             {"--yes", {}},
                             {"--barcode", {false, {"imb", "postnet"}}},
                             {"--lines", {true, {}}},
                             {"--filter", {true, {}}}};
  const Case cases[] = {
      {"flags and values", "labels", {"F.DBF", "--copies", "3", "--yes"}, true,
       "F.DBF |--yes |--copies=3 "},
      {"a misspelt option stops the run", "labels", {"F.DBF", "--copy", "3"}, false,
       "labels does not take --copy"},
      {"an option of another command", "labels", {"F.DBF", "--match", "1=Last"}, false,
       "labels does not take --match"},
      {"a single-dash word is an option", "count", {"F.DBF", "-SEQNO > 0"}, false,
       "count does not take -SEQNO > 0 (give a value that begins with - after --)"},
      {"after -- every word is positional", "count", {"F.DBF", "--", "-SEQNO > 0", "--yes"}, true,
       "F.DBF -SEQNO > 0 --yes ||"},
      {"a lone dash is positional", "labels", {"-"}, true, "- ||"},
      {"a value that begins with a dash", "labels", {"F", "--filter", "-SEQNO < 0"}, true,
       "F ||--filter=-SEQNO < 0 "},
      {"a value is missing", "labels", {"F", "--copies"}, false, "--copies needs a value"},
      {"--barcode with its kind", "labels", {"F", "--barcode", "imb"}, true,
       "F ||--barcode=imb "},
      {"a bare --barcode", "labels", {"F", "--barcode", "G"}, true, "F G |--barcode |"},
      {"a value may be a list", "labels", {"F", "--lines", "name,zip"}, true,
       "F ||--lines=name,zip "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Args args;
    std::string error;
    const bool ok = ParseArgs(c.command, c.words, known, &args, &error);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(ok ? Summary(args) : error, c.expected);
  }
}

}  // namespace
}  // namespace qv::cli
