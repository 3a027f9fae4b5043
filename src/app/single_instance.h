// Keeps a second copy of the program from running: the first copy listens
// on a local socket in the user's own runtime folder; a later copy connects,
// asks the first to bring its main window forward, and ends. The folder is
// private to the user and the copy that answers must run as the same user,
// so another account on the machine cannot stop the program from starting.
#pragma once

#include <sys/types.h>

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QLocalServer;
class QWidget;

namespace qv {

// What a later copy says on standard error before it ends.
inline constexpr char kAlreadyRunningNote[] =
    "Quorvane is already running; its window was brought forward.";

class TJustOne : public QObject {
  Q_OBJECT

 public:
  // The user id of the process at the other end of a connected local socket
  // descriptor; none when it cannot be told.
  using PeerUid = std::function<std::optional<uid_t>(qintptr descriptor)>;

  // `name`: the executable's file name without its folder. The socket's
  // folder is chosen now, from $XDG_RUNTIME_DIR.
  explicit TJustOne(const QString& name, QObject* parent = nullptr);
  ~TJustOne() override;

  // True when this copy is to run: it is the only one and now listens for
  // later ones, or the guard could not be used (note() says why). False when
  // a copy of the same user runs; that copy has been asked to come forward.
  bool claim();

  // One line for standard error after claim(), empty when there is nothing
  // to say.
  const QString& note() const { return m_note; }

  // The window brought forward when a later copy starts.
  void setWindow(QWidget* window) { m_window = window; }
  // Replaces the peer credential look-up (SO_PEERCRED).
  void setPeerUid(PeerUid peerUid) { m_peerUid = std::move(peerUid); }

  // The socket's path, empty when no private folder could be had.
  const QString& serverName() const { return m_serverName; }

  // The folder for the socket: `runtimeDir` when it is a private folder of
  // `uid`, otherwise `fallback`, created 0700 when missing. Empty with the
  // reason when neither is private.
  static QString SocketFolder(const QString& runtimeDir, const QString& fallback, uid_t uid,
                              QString* why);
  // Whether `path` is a real folder (not a link) owned by `uid` that no
  // one else may enter: mode 0700 or narrower.
  static bool IsPrivateFolder(const QString& path, uid_t uid, QString* why);
  // Restores `window` if minimised, raises and activates it.
  static void BringForward(QWidget* window);

 signals:
  void secondCopyStarted();

 private:
  void acceptConnections();
  bool peerIsUs(qintptr descriptor) const;

  QString m_serverName;
  QString m_note;
  PeerUid m_peerUid;
  QLocalServer* m_server = nullptr;
  QPointer<QWidget> m_window;
};

}  // namespace qv
