// The one table of quorvane-cli's commands. Everything the user reads about
// a command comes from its entry: the whole usage, `help COMMAND`, the usage
// shown after a usage error, the manual page and the bash completion; and
// the options a command takes and how many arguments it wants are read from
// its usage forms, so what is shown is what is taken.
//
// A new command is one entry in Commands() (command_table.cpp).
#pragma once

#include <string>
#include <vector>

#include "cli/args.h"

namespace qv::cli {

struct CommandEntry {
  const char* name;
  // How it is called, after "quorvane-cli NAME"; "\n" continues a form on
  // the next line. Arguments come first in capitals ("[TAG]": optional) or
  // as a literal word ("imb"); then the options, "--x VALUE" when one takes
  // a value, "--x [a|b]" when it may.
  std::vector<const char*> forms;
  const char* description;  // one line
  int (*run)(const Args&);
  // Measures text with real fonts: runs with a (screenless) Qt GUI.
  bool gui = false;
  // Flags still taken though no longer shown.
  std::vector<const char*> hidden = {};
};

// An argument or option value as a form shows it: "FILE", "OUT.pdf",
// "1|2|3|4", "imb".
struct Placeholder {
  std::string text;
  bool optional = false;
};

// Every command, in the order the usage lists them.
const std::vector<CommandEntry>& Commands();
const CommandEntry* FindCommand(const std::string& name);

// Read from the forms. The options include --help and --quiet, which every
// command takes.
OptionRules CommandOptions(const CommandEntry& command);
// The arguments of each form, in order.
std::vector<std::vector<Placeholder>> CommandArguments(const CommandEntry& command);
// The fewest and most arguments over its forms.
void ArgumentRange(const CommandEntry& command, size_t* least, size_t* most);
// What each option that takes a value shows as its value, per option
// ("--by": name, initial, street, similar).
std::vector<std::pair<std::string, std::string>> OptionValues(const CommandEntry& command);

// The whole usage: every command with its description, then the options
// every command takes.
std::string UsageText();
// One command's usage lines and its description.
std::string CommandHelp(const CommandEntry& command);

// Runs `help` itself: the whole usage, or with an argument that command's.
int CmdHelp(const Args& a);

}  // namespace qv::cli
