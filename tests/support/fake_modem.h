// A pseudo-terminal standing in for the modem: the tests read what the
// dialer writes to the device. Like a Hayes modem it answers "AT" with
// "OK" (from a thread of its own, while the dialer waits), unless it is
// told to stay silent, as a port with nothing attached does.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

namespace qv::testing {

class FakeModem {
 public:
  FakeModem() {
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    ok = openpty(&m_master, &m_slave, name, &raw, nullptr) == 0;
    device = QString::fromLocal8Bit(name);
    if (!ok) return;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_answerer = std::thread([this] { Answer(); });
  }
  ~FakeModem() {
    m_stop = true;
    if (m_answerer.joinable()) m_answerer.join();
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
  }
  // Everything written to the device since the last call.
  QByteArray Received() {
    std::lock_guard<std::mutex> lock(m_mutex);
    Drain();
    QByteArray out;
    out.swap(m_log);
    return out;
  }
  // Stops the line's output, as a modem holding off the computer does:
  // the next write cannot go out.
  void Jam() { ::tcflow(m_slave, TCOOFF); }
  // No answer to "AT" from now on.
  void Silence() { m_silent = true; }

  bool ok = false;
  QString device;

 private:
  // REQUIRES: m_mutex held.
  void Drain() {
    char buf[4096];
    for (ssize_t n; (n = ::read(m_master, buf, sizeof buf)) > 0;) {
      m_log.append(buf, n);
      m_unanswered.append(buf, n);
    }
    if (m_unanswered.contains("AT\r")) {
      m_unanswered.clear();
      if (!m_silent) (void)!::write(m_master, "\r\nOK\r\n", 6);
    }
  }
  void Answer() {
    while (!m_stop) {
      pollfd p{m_master, POLLIN, 0};
      if (::poll(&p, 1, 10) > 0) {
        std::lock_guard<std::mutex> lock(m_mutex);
        Drain();
      }
    }
  }

  int m_master = -1;
  int m_slave = -1;
  std::mutex m_mutex;
  QByteArray m_log, m_unanswered;
  std::atomic<bool> m_stop{false}, m_silent{false};
  std::thread m_answerer;
};

}  // namespace qv::testing
