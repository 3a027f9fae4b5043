// The program's entry: one copy per user, the splash window while the main
// window is made, then the main window until it closes.
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

int main(int argc, char** argv) {
  QApplication app(argc, argv);
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
  // A first start fills the program directory with the support tables.
  QStringList installed;
  const QStringList missing = qv::InstallSupportTables(qv::ProgramDirectory(), &installed);
  if (!missing.isEmpty() || !installed.isEmpty()) {
    qv::ShowInformation((installed + missing).join(QLatin1Char('\n')));
  }

  qv::TQVPMain::StartOptions options;
  options.splash = splash;
  qv::TQVPMain main(options);
  justOne.setWindow(&main);
  main.show();
  QTimer::singleShot(0, &main, [] { qv::HoldInformation(false); });
  return app.exec();
}
