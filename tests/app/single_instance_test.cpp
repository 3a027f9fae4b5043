// The single-instance guard: the socket in the user's private folder, the
// check of the copy that answers, and a socket left over from a crash.
#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <cstring>

namespace qv::testing {
namespace {

// Points $XDG_RUNTIME_DIR at a private folder of the test for its lifetime.
class RuntimeFolder {
 public:
  RuntimeFolder() : m_old(qgetenv("XDG_RUNTIME_DIR")) {
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
  }
  ~RuntimeFolder() { qputenv("XDG_RUNTIME_DIR", m_old); }
  QString path() const { return m_dir.path(); }

 private:
  QByteArray m_old;
  QTemporaryDir m_dir;
};

QString TestName() { return QStringLiteral("qv-test-%1").arg(QCoreApplication::applicationPid()); }

TEST(SingleInstanceTest, ASecondCopyAsksTheFirstToComeForwardAndSaysSo) {
  RuntimeFolder folder;
  TJustOne first(TestName());
  ASSERT_TRUE(first.claim());
  EXPECT_EQ(first.serverName(), folder.path() + QLatin1Char('/') + TestName());
  QWidget window;
  window.show();
  window.showMinimized();
  first.setWindow(&window);
  QSignalSpy spy(&first, &TJustOne::secondCopyStarted);
  TJustOne second(TestName());
  EXPECT_FALSE(second.claim());
  EXPECT_EQ(second.note(),
            QStringLiteral("Quorvane is already running; its window was brought forward."));
  ASSERT_TRUE(spy.wait(5000));
  EXPECT_TRUE(!window.isMinimized() && window.isVisible());
}

TEST(SingleInstanceTest, ACopyOfAnotherUserIsNotDeferredTo) {
  RuntimeFolder folder;
  TJustOne first(TestName());
  ASSERT_TRUE(first.claim());
  QSignalSpy spy(&first, &TJustOne::secondCopyStarted);
  TJustOne second(TestName());
  second.setPeerUid([](qintptr) { return std::optional<uid_t>(::getuid() + 1); });
  EXPECT_TRUE(second.claim()) << "the program starts";
  EXPECT_TRUE(second.note().contains(QStringLiteral("is not yours")))
      << second.note().toStdString();
  EXPECT_FALSE(spy.wait(300)) << "the first copy was never asked";
}

TEST(SingleInstanceTest, ASocketLeftOverFromACrashIsReplaced) {
  RuntimeFolder folder;
  const QString path = folder.path() + QLatin1Char('/') + TestName();
  // A bound socket closed without removing its file, as a killed copy leaves it.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  TJustOne first(TestName());
  EXPECT_TRUE(first.claim());
  EXPECT_TRUE(first.note().isEmpty()) << first.note().toStdString();
  TJustOne second(TestName());
  EXPECT_FALSE(second.claim()) << "the replaced socket answers";
}

TEST(SingleInstanceTest, OnlyAPrivateFolderOfTheUserHoldsTheSocket) {
  QTemporaryDir dir;
  const QByteArray path = QFile::encodeName(dir.path());
  const QString file = dir.path() + QStringLiteral("/file");
  QFile(file).open(QIODevice::WriteOnly);
  struct Case {
    mode_t mode;
    QString folder;
    uid_t uid;
    const char* why;  // empty: the folder is used
  };
  const uid_t me = ::getuid();
  const Case cases[] = {
      {0700, dir.path(), me, ""},
      {0755, dir.path(), me, "is open to other users (mode 0755)"},
      {0700, dir.path(), me + 1, "belongs to another user"},
      {0700, file, me, "is not a folder"},
      {0700, dir.path() + QStringLiteral("/none"), me, "cannot be read"},
  };
  for (const Case& c : cases) {
    ::chmod(path.constData(), c.mode);
    QString why;
    EXPECT_EQ(TJustOne::IsPrivateFolder(c.folder, c.uid, &why), *c.why == 0)
        << c.folder.toStdString();
    EXPECT_TRUE(why.contains(QLatin1String(c.why))) << why.toStdString();
  }
  // A runtime folder that fails falls back to the user's own, made 0700.
  ::chmod(path.constData(), 0755);
  const QString fallback = dir.path() + QStringLiteral("/own");
  QString why;
  EXPECT_EQ(TJustOne::SocketFolder(dir.path(), fallback, me, &why), fallback);
  EXPECT_TRUE(TJustOne::IsPrivateFolder(fallback, me, &why)) << why.toStdString();
  // A fallback someone else made first is refused, not used.
  EXPECT_EQ(TJustOne::SocketFolder(QString(), fallback, me + 1, &why), QString());
  EXPECT_TRUE(why.contains(QLatin1String("belongs to another user")));
  ::chmod(path.constData(), 0700);
}

}  // namespace
}  // namespace qv::testing
