#include "app/single_instance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>
#include <cerrno>
#include <cstring>

namespace qv {

namespace {
// What a later copy sends; anything else on the socket is ignored.
const QByteArray kRaise = QByteArrayLiteral("raise\n");
constexpr int kWaitMs = 1000;

std::optional<uid_t> SocketPeerUid(qintptr descriptor) {
  ucred cred{};
  socklen_t size = sizeof cred;
  if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0) {
    return std::nullopt;
  }
  return cred.uid;
}
}  // namespace

TJustOne::TJustOne(const QString& name, QObject* parent)
    : QObject(parent), m_peerUid(SocketPeerUid) {
  // A folder in the shared temporary folder only when the session has no
  // runtime folder; checked like it, so a folder someone else made first is
  // refused.
  const QString fallback = QDir::tempPath() + QStringLiteral("/quorvane-runtime-%1").arg(::getuid());
  QString why;
  const QString folder =
      SocketFolder(qEnvironmentVariable("XDG_RUNTIME_DIR"), fallback, ::getuid(), &why);
  if (folder.isEmpty()) {
    m_note = QStringLiteral("Quorvane did not look for a running copy of itself: %1").arg(why);
  } else {
    m_serverName = folder + QLatin1Char('/') + name;
  }
}

TJustOne::~TJustOne() {
  if (m_server != nullptr) m_server->close();
}

bool TJustOne::IsPrivateFolder(const QString& path, uid_t uid, QString* why) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
    *why = QStringLiteral("%1 cannot be read: %2")
               .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *why = QStringLiteral("%1 is not a folder").arg(path);
    return false;
  }
  if (st.st_uid != uid) {
    *why = QStringLiteral("%1 belongs to another user").arg(path);
    return false;
  }
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    *why = QStringLiteral("%1 is open to other users (mode %2)")
               .arg(path)
               .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return false;
  }
  return true;
}

QString TJustOne::SocketFolder(const QString& runtimeDir, const QString& fallback, uid_t uid,
                               QString* why) {
  if (!runtimeDir.isEmpty() && IsPrivateFolder(runtimeDir, uid, why)) return runtimeDir;
  // A folder that is already there is never changed, only checked.
  if (::mkdir(QFile::encodeName(fallback).constData(), 0700) != 0 && errno != EEXIST) {
    *why = QStringLiteral("%1 cannot be made: %2")
               .arg(fallback, QString::fromLocal8Bit(std::strerror(errno)));
    return {};
  }
  return IsPrivateFolder(fallback, uid, why) ? fallback : QString();
}

bool TJustOne::peerIsUs(qintptr descriptor) const {
  const std::optional<uid_t> uid = m_peerUid(descriptor);
  return uid.has_value() && *uid == ::getuid();
}

bool TJustOne::claim() {
  if (m_serverName.isEmpty()) return true;
  {
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (probe.waitForConnected(kWaitMs)) {
      if (!peerIsUs(probe.socketDescriptor())) {
        probe.abort();
        m_note = QStringLiteral(
                     "Quorvane did not use the socket %1: the program answering there is not "
                     "yours.")
                     .arg(m_serverName);
        return true;
      }
      probe.write(kRaise);
      probe.waitForBytesWritten(kWaitMs);
      probe.disconnectFromServer();
      m_note = QString::fromLatin1(kAlreadyRunningNote);
      return false;
    }
  }
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(m_serverName)) {
    // Nobody answered, so the socket is left over from a copy that did not
    // end cleanly; in the user's own folder it can only be the user's.
    QLocalServer::removeServer(m_serverName);
    if (!m_server->listen(m_serverName)) {
      m_note = QStringLiteral("Quorvane cannot listen on %1 for later copies: %2")
                   .arg(m_serverName, m_server->errorString());
      return true;
    }
  }
  connect(m_server, &QLocalServer::newConnection, this, &TJustOne::acceptConnections);
  return true;
}

void TJustOne::acceptConnections() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!peerIsUs(socket->socketDescriptor())) {
      socket->abort();
      continue;
    }
    auto check = [this, socket] {
      if (!socket->readAll().contains(kRaise.trimmed())) return;
      BringForward(m_window);
      emit secondCopyStarted();
    };
    connect(socket, &QLocalSocket::readyRead, this, check);
    if (socket->bytesAvailable() > 0) check();
  }
}

void TJustOne::BringForward(QWidget* window) {
  if (window == nullptr) return;
  if (window->isMinimized()) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->showNormal();
  } else {
    window->show();
  }
  window->raise();
  window->activateWindow();
}

}  // namespace qv
