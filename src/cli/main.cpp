// quorvane-cli: scripting and checking contact files from the shell. The
// commands, their usage and the options they take are in command_table.cpp.
#include <unistd.h>

#include <QGuiApplication>
#include <QLoggingCategory>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ext/stdio_sync_filebuf.h>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/cli_common.h"
#include "cli/command_table.h"
#include "cli/progress.h"

namespace qv::cli {
namespace {

// Qt's own messages on a command-line run. Kept: every critical and fatal
// message (a font or plugin that cannot load, a failed allocation) and any
// warning not about the desktop session. Dropped: debug and info messages,
// the platform plugins' notes (qt.qpa.*: no screen, no window manager, font
// aliases) and QStandardPaths' note that no runtime directory is set; a
// shell without a desktop session is an ordinary place to run us.
void QtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg) return;
  if (type == QtWarningMsg) {
    const QLatin1String category(context.category ? context.category : "");
    if (category.startsWith(QLatin1String("qt.qpa"))) return;
    if (message.startsWith(QLatin1String("QStandardPaths: "))) return;
  }
  Progress().clear();
  std::cerr << "quorvane-cli: Qt: " << message.toStdString() << "\n";
}

// Why a write to standard output failed, kept from the moment it did: stdio
// drops a buffer it could not write, and with it the reason, long before
// the run ends and the stream is checked.
int g_outputError = 0;

ssize_t WriteOutput(void*, const char* data, size_t size) {
  // A result line must not land behind the progress line on a terminal.
  Progress().clear();
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(STDOUT_FILENO, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      g_outputError = n < 0 ? errno : EIO;
      return -1;
    }
    done += size_t(n);
  }
  return ssize_t(size);
}

// Standard output, for stdio and iostreams alike, through WriteOutput. If
// the stream cannot be made, the plain one stays; its error flag is still
// checked at the end.
void WatchOutput() {
  FILE* out =
      fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, WriteOutput, nullptr, nullptr});
  if (out == nullptr) return;
  std::setvbuf(out, nullptr, ::isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, BUFSIZ);
  stdout = out;
  // Never freed: std::cout may be flushed at exit after every static is gone.
  std::cout.rdbuf(new __gnu_cxx::stdio_sync_filebuf<char>(out));
}

int UsageError(const CommandEntry* command) {
  std::cerr << (command ? CommandHelp(*command) : UsageText());
  return kExitUsage;
}

// A run whose lines did not all reach standard output (a full disk, a
// closed pipe) is no success, whatever the command found.
int CheckedOutput(int status) {
  const bool flushed = std::fflush(stdout) == 0;
  if (flushed && !std::ferror(stdout) && std::cout.good() && g_outputError == 0) return status;
  std::cerr << "quorvane-cli: cannot write the output: "
            << (g_outputError != 0 ? std::strerror(g_outputError) : "the standard output failed")
            << "\n";
  return status == 0 ? kExitError : status;
}

int Run(int argc, char** argv) {
  if (argc < 2) return UsageError(nullptr);
  const std::string name = argv[1];
  if (name == "--version") {
    std::cout << "quorvane-cli " << QV_VERSION << "\n";
    return 0;
  }
  if (name == "--help") {
    std::cout << UsageText();
    return 0;
  }
  const CommandEntry* command = FindCommand(name);
  if (!command) return UsageError(nullptr);
  Args args;
  std::string error;
  if (!ParseArgs(name, std::vector<std::string>(argv + 2, argv + argc), CommandOptions(*command),
                 &args, &error)) {
    std::cerr << "quorvane-cli: " << error << "\n";
    return UsageError(command);
  }
  if (args.Has("--help")) {
    std::cout << CommandHelp(*command);
    return 0;
  }
  size_t least = 0, most = 0;
  ArgumentRange(*command, &least, &most);
  if (args.positional.size() < least || args.positional.size() > most) {
    return UsageError(command);
  }
  Progress().setEnabled(StderrIsTerminal() && !args.Has("--quiet"));
  // Label runs measure text with real fonts; no screen is needed for that.
  std::unique_ptr<QGuiApplication> gui;
  if (command->gui) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    gui = std::make_unique<QGuiApplication>(argc, argv);
  }
  const int status = command->run(args);
  Progress().clear();
  return status;
}

}  // namespace

int Main(int argc, char** argv) {
  qInstallMessageHandler(QtMessage);
  WatchOutput();
  return CheckedOutput(Run(argc, argv));
}

}  // namespace qv::cli

int main(int argc, char** argv) { return qv::cli::Main(argc, argv); }
