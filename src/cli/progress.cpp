#include "cli/progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace qv::cli {

namespace {

// Often enough to look alive, seldom enough to cost nothing on a fast run.
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
// Wider lines would wrap on a small terminal and no longer redraw in place.
constexpr size_t kWidth = 79;

void WriteStderr(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

ProgressLine::ProgressLine(std::function<void(const std::string&)> write,
                           std::function<Clock::time_point()> now)
    : m_write(write ? std::move(write) : WriteStderr), m_now(std::move(now)), m_start(m_now()) {}

void ProgressLine::begin(const QString& what, std::int64_t total) {
  m_what = what;
  m_total = total;
  m_done = 0;
  m_percent = -1;
  m_start = m_now();
  draw(true);
}

void ProgressLine::setActivity(const QString& what) {
  if (what == m_what) return;
  m_what = what;
  draw(false);
}

void ProgressLine::records(std::int64_t done) {
  m_done = done;
  draw(false);
}

void ProgressLine::percent(int percent) {
  if (percent == m_percent) return;
  m_percent = percent;
  draw(false);
}

std::string ProgressLine::text() const {
  std::string line = m_what.simplified().toStdString();
  const char* separator = line.empty() ? "" : ": ";
  if (m_done > 0 || m_total > 0) {
    line += separator + std::to_string(m_done);
    if (m_total > 0) line += " of " + std::to_string(m_total);
    line += " records";
    if (m_total == 0 && m_percent >= 0) line += ", " + std::to_string(m_percent) + "%";
    const double seconds = std::chrono::duration<double>(m_now() - m_start).count();
    if (seconds >= 0.5) line += ", " + std::to_string(std::llround(m_done / seconds)) + "/s";
  } else if (m_percent >= 0) {
    line += separator + std::to_string(m_percent) + "%";
  }
  if (line.size() > kWidth) line.resize(kWidth);
  return line;
}

void ProgressLine::draw(bool force) {
  if (!m_enabled) return;
  const Clock::time_point now = m_now();
  if (!force && m_shown && now - m_drawn < kRedrawEvery) return;
  m_drawn = now;
  m_shown = true;
  // Back to the line's start, the new text, the rest of the old one erased.
  m_write("\r" + text() + "\x1b[K");
}

void ProgressLine::clear() {
  if (!m_shown) return;
  m_shown = false;
  m_write("\r\x1b[K");
}

ProgressLine& Progress() {
  static ProgressLine line;
  return line;
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace qv::cli
