#include "app/app_setup.h"

#include <QApplication>
#include <QFont>

#include "app/background.h"
#include "app/shared.h"
#include "store/messages.h"

namespace qv {

std::unique_ptr<TBackground> SetUpApplication(QApplication& app) {
  app.setApplicationName(QStringLiteral("quorvane"));
  // No display name: window systems would append it to every caption.
  app.setApplicationVersion(QStringLiteral(QV_VERSION));
  // The windows were laid out in Arial; Liberation Sans has its metrics.
  QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
  QFont font(QStringLiteral("Arial"), 9);
  font.setStyleHint(QFont::SansSerif);
  QApplication::setFont(font);
  auto background = std::make_unique<TBackground>();
  background->applyToApplication();
  InstallMessageService(&DialogMessageService());
  return background;
}

}  // namespace qv
