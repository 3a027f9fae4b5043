// The one progress line a long command shows on a terminal: records done of
// the total, the rate and what the job is doing ("building tag ZIP"),
// redrawn in place on the standard error stream and cleared at the end.
// Nothing is drawn unless it was switched on (the error stream is a
// terminal and --quiet was not given), so scripts and pipes see only the
// program's messages.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace qv::cli {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  // `write` receives what goes to the terminal; the clock is the test's.
  explicit ProgressLine(std::function<void(const std::string&)> write = nullptr,
                        std::function<Clock::time_point()> now = Clock::now);

  void setEnabled(bool on) { m_enabled = on; }
  bool enabled() const { return m_enabled; }

  // A new job: `what` it does, over `total` records (0: not known).
  void begin(const QString& what, std::int64_t total);
  void setActivity(const QString& what);
  // `done` records so far.
  void records(std::int64_t done);
  // One record more (a job's per-record call).
  void step() { records(m_done + 1); }
  // The job's own percentage, when it counts no records.
  void percent(int percent);
  // Takes the line off the terminal, before a message or at the end.
  void clear();

  // The line as it would be drawn now.
  std::string text() const;

 private:
  void draw(bool force);

  std::function<void(const std::string&)> m_write;
  std::function<Clock::time_point()> m_now;
  bool m_enabled = false;
  bool m_shown = false;
  QString m_what;
  std::int64_t m_total = 0;
  std::int64_t m_done = 0;
  int m_percent = -1;
  Clock::time_point m_start;
  Clock::time_point m_drawn;
};

// The program's one line on standard error.
ProgressLine& Progress();

// Whether the standard error stream is a terminal.
bool StderrIsTerminal();

// A job's (percent, count) callback feeding the line: `count` is records
// done when `counted`, else what the job found so far (not shown). It never
// asks the job to stop.
inline auto ProgressCallback(bool counted) {
  return [counted](int percent, auto count) {
    Progress().percent(percent);
    if (counted) Progress().records(count);
    return true;
  };
}

}  // namespace qv::cli
