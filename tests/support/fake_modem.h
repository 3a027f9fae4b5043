// A pseudo-terminal standing in for the modem: the tests read what the
// dialer writes to the device.
#pragma once

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>

namespace qv::testing {

class FakeModem {
 public:
  FakeModem() {
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    ok = openpty(&m_master, &m_slave, name, &raw, nullptr) == 0;
    device = QString::fromLocal8Bit(name);
    if (ok) ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
  }
  ~FakeModem() {
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
  }
  // Everything written to the device since the last call.
  QByteArray Received() {
    QByteArray out;
    char buf[4096];
    for (ssize_t n; (n = ::read(m_master, buf, sizeof buf)) > 0;) out.append(buf, n);
    return out;
  }
  // Stops the line's output, as a modem holding off the computer does:
  // the next write cannot go out.
  void Jam() { ::tcflow(m_slave, TCOOFF); }

  bool ok = false;
  QString device;

 private:
  int m_master = -1;
  int m_slave = -1;
};

}  // namespace qv::testing
