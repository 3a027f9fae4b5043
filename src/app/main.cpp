// The program's entry: one copy per user, the splash window while the main
// window is made, then the main window until it closes. `quorvane FILE.DBF`
// opens that contact file instead of the most recent one.
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "app/app_setup.h"
#include "app/background.h"
#include "app/qvmain.h"
#include "app/shared.h"
#include "app/single_instance.h"
#include "app/splash.h"
#include "store/apollo_env.h"
#include "store/settings.h"
#include "store/support_install.h"

namespace {

constexpr char kUsage[] = "usage: quorvane [FILE.DBF]\n       quorvane --version\n";

// The contact file named on the command line, or empty; Qt's own options
// ("-platform offscreen") are Qt's. False on a word that is neither.
bool ReadCommandLine(const QStringList& arguments, QString* file) {
  for (int i = 1; i < arguments.size(); ++i) {
    if (arguments[i].startsWith(QLatin1Char('-')) || !file->isEmpty()) return false;
    *file = QFileInfo(arguments[i]).absoluteFilePath();
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before the application starts: they need no screen.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("quorvane %s\n", QV_VERSION);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QString file;
  if (!ReadCommandLine(app.arguments(), &file)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  qv::TJustOne justOne(QFileInfo(QString::fromLocal8Bit(argv[0])).fileName());
  const bool alone = justOne.claim();
  if (!justOne.note().isEmpty()) std::fprintf(stderr, "%s\n", qPrintable(justOne.note()));
  if (!alone) return 0;

  std::unique_ptr<qv::TBackground> background = qv::SetUpApplication(app);
  // Before the first table opens: an engine too old to trust stops here.
  if (!qv::TApolloEnv::StartEngine()) return 1;

  auto* splash = new qv::TSplash(qv::TSplash::Mode::Splash);
  splash->setAttribute(Qt::WA_DeleteOnClose);
  splash->show();
  app.processEvents();

  qv::HoldInformation(true);
  QString problem;
  if (!qv::ProgramDirectoryReady(&problem)) {
    qv::ShowInformation(problem);
  }
  // A first start fills the program directory with the support tables.
  QStringList installed;
  const QStringList missing = qv::InstallSupportTables(qv::ProgramDirectory(), &installed);
  if (!missing.isEmpty() || !installed.isEmpty()) {
    qv::ShowInformation((installed + missing).join(QLatin1Char('\n')));
  }

  qv::TQVPMain::StartOptions options;
  options.splash = splash;
  options.file = file;
  qv::TQVPMain main(options);
  justOne.setWindow(&main);
  main.show();
  QTimer::singleShot(0, &main, [] { qv::HoldInformation(false); });
  return app.exec();
}
