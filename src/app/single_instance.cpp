#include "app/single_instance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QWidget>

namespace qv {

namespace {
// What a later copy sends; anything else on the socket is ignored.
const QByteArray kRaise = QByteArrayLiteral("raise\n");
constexpr int kWaitMs = 1000;
}  // namespace

TJustOne::TJustOne(const QString& name, QObject* parent)
    : QObject(parent), m_serverName(ServerName(name)) {}

TJustOne::~TJustOne() {
  if (m_server != nullptr) m_server->close();
}

QString TJustOne::ServerName(const QString& name) {
  return name + QStringLiteral("-") + QString::number(::getuid());
}

bool TJustOne::claim() {
  {
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (probe.waitForConnected(kWaitMs)) {
      probe.write(kRaise);
      probe.waitForBytesWritten(kWaitMs);
      probe.disconnectFromServer();
      return false;
    }
  }
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(m_serverName)) {
    // Nobody answered, so the socket is left over from a copy that did not
    // end cleanly.
    QLocalServer::removeServer(m_serverName);
    m_server->listen(m_serverName);
  }
  connect(m_server, &QLocalServer::newConnection, this, &TJustOne::acceptConnections);
  return true;
}

void TJustOne::acceptConnections() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
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
