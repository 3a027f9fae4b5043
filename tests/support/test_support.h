// What every test binary needs and none should write again: a scratch
// folder per test, whole-file reads and writes, little-endian and big-endian
// fields of raw files, running a program and capturing what it prints, the
// xBase checker's path, and the tab-separated text the checker and our
// command-line tool print (backslash, tab, CR and LF escaped).
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace qvtest {

class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qvtest.XXXXXX").string();
    const char* made = mkdtemp(tmpl.data());
    path_ = made != nullptr ? made : "";
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  std::string file(const std::string& name) const { return *this / name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline uint16_t Le16(const std::string& b, size_t at) {
  const auto* u = reinterpret_cast<const unsigned char*>(b.data() + at);
  return static_cast<uint16_t>(u[0] | (u[1] << 8));
}
inline uint32_t Le32(const std::string& b, size_t at) {
  const auto* u = reinterpret_cast<const unsigned char*>(b.data() + at);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<uint32_t>(u[3]) << 24);
}
inline uint32_t Be32(const std::string& b, size_t at) {
  const auto* u = reinterpret_cast<const unsigned char*>(b.data() + at);
  return (static_cast<uint32_t>(u[0]) << 24) | (u[1] << 16) | (u[2] << 8) | u[3];
}

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct RunResult {
  int status = -1;  // the exit code; -1 when it did not exit normally
  std::string out;
};

// Runs a /bin/sh command line and captures its standard output.
inline RunResult RunShell(const std::string& cmd) {
  RunResult r;
  FILE* p = popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

enum class Stderr { kDiscard, kMerge };

// Runs argv (each argument quoted); `env` is prefixed as "NAME=value ".
inline RunResult Run(const std::vector<std::string>& argv, Stderr err = Stderr::kDiscard,
                     const std::string& env = "") {
  std::string cmd = env;
  for (const auto& a : argv) cmd += ShellQuote(a) + " ";
  return RunShell(cmd + (err == Stderr::kMerge ? "2>&1" : "2>/dev/null"));
}

#ifdef QV_CLI
// quorvane-cli with `env` before it (e.g. "QUORVANE_HOME=... "): Cli{env}({"count", ...}).
struct Cli {
  std::string env;
  RunResult operator()(std::vector<std::string> args, Stderr err = Stderr::kDiscard) const {
    args.insert(args.begin(), QV_CLI);
    return Run(args, err, env);
  }
  // The program directory set to `home`.
  static Cli At(const std::string& home) { return Cli{"QUORVANE_HOME=" + ShellQuote(home) + " "}; }
};
#endif

// The independent xBase checker; tests that need it skip without it.
inline bool HaveOracle() { return access(QV_XBCHECK, X_OK) == 0; }
#define QV_SKIP_WITHOUT_ORACLE() \
  if (!::qvtest::HaveOracle()) GTEST_SKIP() << "xbcheck not found at " << QV_XBCHECK

// What the checker prints for `args` (standard error merged).
inline std::string Oracle(std::vector<std::string> args) {
  args.insert(args.begin(), QV_XBCHECK);
  return Run(args, Stderr::kMerge).out;
}

inline std::string EscapeTsv(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

inline std::string UnescapeTsv(const std::string& s) {
  std::string raw;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[++i];
      raw += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    } else {
      raw += s[i];
    }
  }
  return raw;
}

// The pieces between the `sep`s; an empty one at either end counts.
inline std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t at; (at = text.find(sep, start)) != std::string::npos; start = at + 1) {
    pieces.push_back(text.substr(start, at - start));
  }
  pieces.push_back(text.substr(start));
  return pieces;
}
inline std::vector<std::string> SplitTabs(const std::string& line) { return Split(line, '\t'); }

// Lines without their line feeds; a last line without one still counts.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines = Split(text, '\n');
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace qvtest
