// Keeps a second copy of the program from running: the first copy listens
// on a per-user local socket named after the executable; a later copy
// connects, asks the first to bring its main window forward, and ends.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QLocalServer;
class QWidget;

namespace qv {

class TJustOne : public QObject {
  Q_OBJECT

 public:
  // `name`: the executable's file name without its folder.
  explicit TJustOne(const QString& name, QObject* parent = nullptr);
  ~TJustOne() override;

  // True when this is the only copy: it now listens for later ones. False
  // when another copy runs; that copy has been asked to come forward.
  bool claim();

  // The window brought forward when a later copy starts.
  void setWindow(QWidget* window) { m_window = window; }

  // The socket name for `name`, different for every user.
  static QString ServerName(const QString& name);
  // Restores `window` if minimised, raises and activates it.
  static void BringForward(QWidget* window);

 signals:
  void secondCopyStarted();

 private:
  void acceptConnections();

  QString m_serverName;
  QLocalServer* m_server = nullptr;
  QPointer<QWidget> m_window;
};

}  // namespace qv
