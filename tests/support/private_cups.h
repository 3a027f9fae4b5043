// A CUPS server of the test's own: cupsd on a free loopback port with its
// configuration, spool, cache and logs in a scratch folder, and CUPS-PDF
// queues that write into that folder. CUPS-PDF reads its settings only from
// /etc/cups, so each queue's instance file (cups-pdf-INSTANCE.conf) goes
// there for the life of the server and is removed with it.
//
// Needs root (cupsd runs the CUPS-PDF backend as root only when it runs as
// root itself), cupsd, lpadmin and CUPS-PDF; start() says what is missing.
// Every wait is bounded.
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

namespace qvtest {

class PrivateCups {
 public:
  static constexpr const char* kPdfBackend = "/usr/lib/cups/backend/cups-pdf";
  static constexpr const char* kPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd";

  PrivateCups() = default;
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;
  ~PrivateCups() { stop(); }

  // Why this machine cannot run the server, or empty.
  static QString missing() {
    if (geteuid() != 0) return QStringLiteral("not root (cupsd runs CUPS-PDF only as root)");
    for (const char* tool : {"cupsd", "lpadmin", "cupsreject", "cupsdisable"}) {
      if (Tool(tool).isEmpty()) return QStringLiteral("%1 (cups) is not installed").arg(tool);
    }
    if (!QFile::exists(kPdfBackend) || !QFile::exists(kPdfPpd)) {
      return QStringLiteral("CUPS-PDF (printer-driver-cups-pdf) is not installed");
    }
    if (!QFileInfo(QStringLiteral("/etc/cups")).isWritable()) {
      return QStringLiteral("/etc/cups is not writable (CUPS-PDF's settings live there)");
    }
    return {};
  }

  // Starts cupsd; false with the reason in `*why`.
  bool start(QString* why) {
    if (!m_dir.isValid()) return fail(why, QStringLiteral("no scratch folder"));
    RemoveOrphanedInstanceFiles();
    // The filters run as the lp user and must reach the spool.
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::ExeOther);
    for (const char* sub : {"conf/ppd", "spool/tmp", "cache", "state", "log", "out", "pdfspool"}) {
      QDir().mkpath(path(sub));
    }
    // A port taken between here and cupsd's start is met by trying again.
    for (int attempt = 0; attempt < 3 && !m_cupsd; ++attempt) {
      m_port = FreePort();
      if (m_port == 0) return fail(why, QStringLiteral("no free loopback port"));
      writeConfig();
      auto cupsd = std::make_unique<QProcess>();
      cupsd->setProcessChannelMode(QProcess::MergedChannels);
      // A test that crashes or is killed takes its server with it.
      cupsd->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
      cupsd->start(Tool("cupsd"),
                   {QStringLiteral("-f"), QStringLiteral("-c"), path("conf/cupsd.conf"),
                    QStringLiteral("-s"), path("conf/cups-files.conf")});
      if (!cupsd->waitForStarted(5000)) return fail(why, QStringLiteral("cupsd did not start"));
      if (waitForPort(*cupsd)) {
        m_cupsd = std::move(cupsd);
      } else {
        cupsd->kill();
        cupsd->waitForFinished(5000);
      }
    }
    if (!m_cupsd) return fail(why, QStringLiteral("cupsd did not listen: ") + log());
    return true;
  }

  // Stops cupsd and removes the CUPS-PDF instance files.
  void stop() {
    if (m_cupsd) {
      m_cupsd->terminate();
      if (!m_cupsd->waitForFinished(10000)) {
        m_cupsd->kill();
        m_cupsd->waitForFinished(5000);
      }
      m_cupsd.reset();
    }
    for (const QString& file : m_instanceFiles) QFile::remove(file);
    m_instanceFiles.clear();
  }

  // "127.0.0.1:PORT", for CUPS_SERVER.
  QString server() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
  QString outputFolder() const { return path("out"); }

  // Adds an enabled CUPS-PDF queue `name`; false with the tool's words.
  bool addPdfQueue(const QString& name, QString* why) {
    const QString instance = QStringLiteral("quorvane-test-%1-%2").arg(getpid()).arg(name);
    const QString conf = QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(instance);
    QFile file(conf);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      return fail(why, QStringLiteral("cannot write ") + conf);
    }
    m_instanceFiles << conf;
    file.write(QStringLiteral("Out %1\nAnonDirName %1\nSpool %2\nLog %3\nGrp root\nLogType 3\n")
                   .arg(path("out"), path("pdfspool"), path("log"))
                   .toLocal8Bit());
    file.close();
    return admin({QStringLiteral("lpadmin"), QStringLiteral("-p"), name, QStringLiteral("-v"),
                  QStringLiteral("cups-pdf:/") + instance, QStringLiteral("-P"),
                  QString::fromLatin1(kPdfPpd), QStringLiteral("-E"),
                  // Ghostscript's PostScript turns the text into bitmap
                  // glyphs that read back as nothing; Cairo's keeps the fonts.
                  QStringLiteral("-o"), QStringLiteral("pdftops-renderer-default=pdftocairo")},
                 why);
  }

  // Runs a CUPS tool (lpadmin, cupsreject, cupsdisable, lpstat ...) on this
  // server; false with what it said.
  bool admin(const QStringList& command, QString* why = nullptr, QString* out = nullptr) const {
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), server());
    tool.setProcessEnvironment(env);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(Tool(command.first().toLocal8Bit().constData()), command.mid(1));
    const bool finished = tool.waitForFinished(20000);
    const QString said = QString::fromLocal8Bit(tool.readAll());
    if (out != nullptr) *out = said;
    if (!finished) tool.kill();
    if (finished && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0) return true;
    return fail(why, command.join(QLatin1Char(' ')) + QStringLiteral(": ") + said);
  }

  // Waits until `queue` has no unfinished job and returns the PDF files
  // CUPS-PDF wrote since the last call (they are then moved out of the
  // way); none after `seconds`.
  QStringList takePdfs(const QString& queue, int seconds = 60) {
    QDeadlineTimer deadline(seconds * 1000);
    while (!deadline.hasExpired()) {
      QString jobs;
      if (admin({QStringLiteral("lpstat"), QStringLiteral("-o"), queue}, nullptr, &jobs) &&
          jobs.trimmed().isEmpty()) {
        break;
      }
      QThread::msleep(200);
    }
    QStringList taken;
    const QDir out(path("out"));
    for (const QString& name : out.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time)) {
      const QString moved = path("taken/") + QString::number(++m_taken) + QStringLiteral(".pdf");
      QDir().mkpath(path("taken"));
      if (QFile::rename(out.filePath(name), moved)) taken << moved;
    }
    return taken;
  }

  // The server's error log, for failure messages.
  QString log() const {
    QFile file(path("log/error_log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll().right(4000))
                                          : QString();
  }

 private:
  static QString Tool(const char* name) {
    return QStandardPaths::findExecutable(QString::fromLatin1(name),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"),
                                           QStringLiteral("/sbin"), QStringLiteral("/bin")});
  }

  // Those of test runs that were killed before they could remove them.
  static void RemoveOrphanedInstanceFiles() {
    const QDir etc(QStringLiteral("/etc/cups"));
    for (const QString& name : etc.entryList({QStringLiteral("cups-pdf-quorvane-test-*.conf")})) {
      const QString pid = name.section(QLatin1Char('-'), 4, 4);
      if (!QFileInfo::exists(QStringLiteral("/proc/") + pid)) QFile::remove(etc.filePath(name));
    }
  }

  static quint16 FreePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    return probe.serverPort();
  }

  static bool fail(QString* why, const QString& text) {
    if (why != nullptr) *why = text;
    return false;
  }

  QString path(const char* sub) const { return m_dir.filePath(QString::fromLatin1(sub)); }

  void writeConfig() const {
    WriteText(path("conf/cups-files.conf"),
              QStringLiteral("ServerRoot %1\nRequestRoot %2\nTempDir %3\nCacheDir %4\n"
                             "StateDir %5\nErrorLog %6/error_log\nAccessLog %6/access_log\n"
                             "PageLog %6/page_log\nPrintcap %5/printcap\nSystemGroup root\n"
                             "LogFileGroup root\n")
                  .arg(path("conf"), path("spool"), path("spool/tmp"), path("cache"), path("state"),
                       path("log")));
    // Loopback only, no browsing or sharing; anyone on this machine may
    // administer it, as the tests do without passwords.
    WriteText(
        path("conf/cupsd.conf"),
        QStringLiteral("Listen 127.0.0.1:%1\nLogLevel info\nBrowsing Off\n"
                       "DefaultAuthType None\nWebInterface No\nMaxJobTime 120\n"
                       "<Location />\n  Order allow,deny\n  Allow from 127.0.0.1\n</Location>\n"
                       "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                       "</Policy>\n")
            .arg(m_port));
  }

  static void WriteText(const QString& file, const QString& text) {
    QFile f(file);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(text.toLocal8Bit());
  }

  bool waitForPort(QProcess& cupsd) const {
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired() && cupsd.state() == QProcess::Running) {
      QTcpSocket socket;
      socket.connectToHost(QHostAddress::LocalHost, m_port);
      if (socket.waitForConnected(300)) return true;
      QThread::msleep(100);
    }
    return false;
  }

  QTemporaryDir m_dir;
  quint16 m_port = 0;
  std::unique_ptr<QProcess> m_cupsd;
  QStringList m_instanceFiles;
  int m_taken = 0;
};

}  // namespace qvtest
