// The command line around the commands: the usage and per-command help read
// from the one command table, usage errors, a standard output that cannot
// be written, the progress line (on a terminal only), Qt's session notes
// kept off the error stream, and the bash completion written from the table.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cli/command_table.h"
#include "cli/progress.h"
#include "test_support.h"

namespace qv::cli {
namespace {

using qvtest::RunResult;
using qvtest::ShellQuote;

// Standard output and standard error apart.
struct Streams {
  int status;
  std::string out, err;
};

Streams RunApart(const std::string& env, const std::vector<std::string>& args,
                 const std::string& redirect = "") {
  qvtest::ScratchDir scratch;
  std::string cmd = env + ShellQuote(QV_CLI);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  const std::string errFile = scratch / "err";
  const RunResult r = qvtest::RunShell(cmd + " 2>" + ShellQuote(errFile) +
                                       (redirect.empty() ? "" : " " + redirect));
  return {r.status, r.out, qvtest::ReadAll(errFile)};
}

TEST(CommandTable, OptionsAndArgumentsAreReadFromTheUsageForms) {
  const struct {
    const char* command;
    const char* option;
    bool takesValue;
    std::vector<std::string> optionalValues;
  } options[] = {
      {"labels", "--lines", true, {}},     // a list of lines
      {"zipcount", "--lines", false, {}},  // a flag beside --csv OUT.csv
      {"labels", "--barcode", false, {"imb", "postnet"}},
      {"labels", "--presort", false, {}},
      {"dups", "--chars", true, {}},
      {"replace", "--delete", false, {}},
      {"count", "--deleted", false, {}},  // hidden, still taken
      {"info", "--quiet", false, {}},
  };
  for (const auto& o : options) {
    SCOPED_TRACE(std::string(o.command) + " " + o.option);
    const OptionRules rules = CommandOptions(*FindCommand(o.command));
    ASSERT_EQ(rules.count(o.option), 1u);
    EXPECT_EQ(rules.at(o.option).takesValue, o.takesValue);
    EXPECT_EQ(rules.at(o.option).optionalValues, o.optionalValues);
  }
  const struct {
    const char* command;
    size_t least, most;
  } ranges[] = {{"init", 0, 0}, {"dump", 1, 2}, {"seek", 3, 3}, {"barcode", 2, 3}, {"help", 0, 1}};
  for (const auto& r : ranges) {
    size_t least = 9, most = 9;
    ArgumentRange(*FindCommand(r.command), &least, &most);
    EXPECT_EQ(least, r.least) << r.command;
    EXPECT_EQ(most, r.most) << r.command;
  }
}

// The usage lists every command's forms and description, and help for one
// command prints exactly its part, however it is asked for.
TEST(CommandTable, UsageAndHelpComeFromTheTable) {
  const std::string usage = UsageText();
  EXPECT_EQ(RunApart("", {"help"}).out, usage);
  EXPECT_EQ(RunApart("", {"--help"}).out, usage);
  for (const CommandEntry& c : Commands()) {
    SCOPED_TRACE(c.name);
    for (const char* form : c.forms) {
      std::string line = std::string("  ") + c.name + (*form ? " " : "") + form;
      line = line.substr(0, line.find('\n'));
      EXPECT_NE(usage.find(line), std::string::npos) << line;
    }
    EXPECT_NE(usage.find(c.description), std::string::npos);
    const std::string help = CommandHelp(c);
    EXPECT_EQ(help.rfind(std::string("usage: quorvane-cli ") + c.name, 0), 0u) << help;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"help", c.name}, {c.name, "--help"}}) {
      const Streams r = RunApart("", args);
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.out, help);
      EXPECT_EQ(r.err, "");
    }
  }
}

TEST(CommandTable, UsageErrorsShowTheCommandsOwnUsage) {
  const std::string count = CommandHelp(*FindCommand("count"));
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"count"}, count},
      {{"count", "F.DBF", "X", "Y"}, count},
      {{"count", "F.DBF", "X", "--exactly"},
       "quorvane-cli: count does not take --exactly\n" + count},
      {{"bogus"}, UsageText()},
      {{}, UsageText()},
      {{"help", "bogus"}, "quorvane-cli: there is no command bogus\n" + UsageText()},
  };
  for (const auto& c : cases) {
    const Streams r = RunApart("", c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_EQ(RunApart("", {"--version"}).out, "quorvane-cli " QV_VERSION "\n");
}

// ---- standard output and standard error ------------------------------------------

TEST(CommandLine, AnOutputThatCannotBeWrittenIsAFailure) {
  qvtest::ScratchDir dir;
  const std::string env = "QUORVANE_HOME=" + ShellQuote(dir / "home") + " ";
  const std::string file = dir / "c.dbf";
  ASSERT_EQ(RunApart(env, {"init"}).status, 0);
  ASSERT_EQ(RunApart(env, {"make", file, std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv"})
                .status,
            0);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"dump", file}, {"zipcount", file, "--lines"}, {"help"}, {"count", file, ".T."}}) {
    SCOPED_TRACE(args[0]);
    const Streams r = RunApart(env, args, ">/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("quorvane-cli: cannot write the output: No space left on device\n"),
              std::string::npos)
        << r.err;
  }
  // Without a desktop session the error stream stays the program's own.
  const Streams quiet =
      RunApart("env -u XDG_RUNTIME_DIR " + env, {"report", file, "--stream", dir / "r.qvs"});
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.err, "");
}

// The line redrawn, throttled, with rate and total; nothing when off.
TEST(ProgressLine, DrawsInPlaceAtMostEveryTenthOfASecond) {
  std::string drawn;
  ProgressLine::Clock::time_point now{};
  ProgressLine line([&](const std::string& s) { drawn += s; }, [&] { return now; });
  line.begin(QStringLiteral("labels"), 200);  // off: nothing
  line.step();
  line.clear();
  EXPECT_EQ(drawn, "");
  line.setEnabled(true);
  line.begin(QStringLiteral("labels"), 200);
  now += std::chrono::milliseconds(50);
  line.records(10);  // too soon to redraw
  now += std::chrono::milliseconds(1950);
  line.records(100);
  line.clear();
  EXPECT_EQ(drawn,
            "\rlabels: 0 of 200 records\x1b[K\rlabels: 100 of 200 records, 50/s\x1b[K\r\x1b[K");
  drawn.clear();
  line.begin(QStringLiteral("building the contact tags"), 0);
  now += std::chrono::seconds(1);
  line.percent(40);
  EXPECT_EQ(drawn, "\rbuilding the contact tags\x1b[K\rbuilding the contact tags: 40%\x1b[K");
}

// What a run writes to its error stream when that is a terminal.
std::string ErrorStreamOnATerminal(const std::string& env, const std::vector<std::string>& args) {
  int master = -1, slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return "openpty failed";
  std::string cmd = env + "exec " + ShellQuote(QV_CLI);
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(slave, STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(master);
    execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(slave);
  std::string got;
  char buf[4096];
  // Read until the child's end closes the terminal (EIO on Linux).
  for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  return got;
}

TEST(CommandLine, ProgressShowsOnATerminalOnlyAndIsCleared) {
  qvtest::ScratchDir dir;
  const std::string env = "QUORVANE_HOME=" + ShellQuote(dir / "home") + " ";
  const std::string file = dir / "c.dbf", out = dir / "l.qvs";
  ASSERT_EQ(RunApart(env, {"init"}).status, 0);
  ASSERT_EQ(RunApart(env, {"make", file, std::string(QV_SOURCE_DIR) + "/data/sample-contacts.tsv"})
                .status,
            0);
  std::string shownRecords = RunApart(env, {"count", file, "UPPER(PREFIX)<>\"DELETED\""}).out;
  shownRecords.pop_back();
  const std::string shown = ErrorStreamOnATerminal(env, {"labels", file, "--stream", out});
  EXPECT_EQ(shown.rfind("\rlabels: 0 of " + shownRecords + " records\x1b[K", 0), 0u) << shown;
  EXPECT_EQ(shown.substr(shown.size() - 4), "\r\x1b[K") << shown;
  EXPECT_EQ(ErrorStreamOnATerminal(env, {"labels", file, "--stream", out, "--quiet"}), "");
  EXPECT_EQ(RunApart(env, {"labels", file, "--stream", out}).err, "");  // a file, not a terminal
}

// ---- the bash completion ------------------------------------------------------

TEST(Completion, CompletesCommandsOptionsTagsAndFilesByExtension) {
  qvtest::ScratchDir dir;
  for (const char* name : {"a.dbf", "B.DBF", "c.csv", "d.vcf", "e.txt"}) {
    qvtest::WriteAll(dir / name, "");
  }
  std::filesystem::create_directory(dir / "sub");
  const struct {
    std::string line;  // the words so far; the last is completed
    std::string expected;
  } cases[] = {
      {"quorvane-cli lab", "labels"},
      {"quorvane-cli labels a.dbf --pre", "--presort"},
      {"quorvane-cli labels a.dbf --order ZI", "ZIP"},
      {"quorvane-cli report a.dbf --layout ", "1 2 3 4"},
      {"quorvane-cli dups a.dbf --by s", "similar street"},
      {"quorvane-cli info ", "B.DBF a.dbf sub"},
      {"quorvane-cli import-vcard a.dbf ", "d.vcf sub"},
      {"quorvane-cli import-csv --match 1=LNAME a.dbf ", "c.csv sub"},
      {"quorvane-cli labels a.dbf --barcode imb --pdf ", "sub"},
      {"quorvane-cli help exp", "export-csv export-vcard"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string script =
        "source " + ShellQuote(QV_COMPLETION) + "; read -ra COMP_WORDS <<< " + ShellQuote(c.line) +
        "; [[ " + ShellQuote(c.line) +
        " == *' ' ]] && COMP_WORDS+=(''); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _quorvane_cli; "
        "printf '%s\\n' \"${COMPREPLY[@]}\" | LC_ALL=C sort | paste -sd' '";
    const RunResult r =
        qvtest::RunShell("cd " + ShellQuote(dir.path()) + " && bash -c " + ShellQuote(script));
    EXPECT_EQ(r.out, c.expected + "\n");
  }
}

}  // namespace
}  // namespace qv::cli
