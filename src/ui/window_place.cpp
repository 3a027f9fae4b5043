#include "ui/window_place.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QWidget>
#include <QtPrintSupport/QAbstractPrintDialog>
#include <QtPrintSupport/QPageSetupDialog>

namespace qv {

namespace {

QPointer<QWidget> g_main;

// Qt's own dialogs place themselves over their parent, as users expect of them.
bool IsQtDialog(QObject* o) {
  return qobject_cast<QMessageBox*>(o) || qobject_cast<QFileDialog*>(o) ||
         qobject_cast<QFontDialog*>(o) || qobject_cast<QColorDialog*>(o) ||
         qobject_cast<QInputDialog*>(o) || qobject_cast<QProgressDialog*>(o) ||
         qobject_cast<QAbstractPrintDialog*>(o) || qobject_cast<QPageSetupDialog*>(o);
}

// Centres a dialog nobody moved on its first show. A window that placed
// itself (CenterOnMainWindow or any move) has Qt::WA_Moved and is left alone.
class CenterUnplacedDialogs : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
      auto* dialog = qobject_cast<QDialog*>(watched);
      if (dialog != nullptr && dialog->isWindow() && dialog != g_main.data() &&
          !dialog->testAttribute(Qt::WA_Moved) && !IsQtDialog(dialog)) {
        CenterOnMainWindow(dialog);
      }
    }
    return false;
  }
};

}  // namespace

void SetMainWindow(QWidget* main) {
  static CenterUnplacedDialogs* filter = nullptr;
  g_main = main;
  if (filter == nullptr && main != nullptr && qApp != nullptr) {
    filter = new CenterUnplacedDialogs(qApp);
    qApp->installEventFilter(filter);
  }
}

QWidget* MainWindow() { return g_main.data(); }

QPoint CenteredOn(const QRect& main, const QSize& size) {
  // Integer halves: a larger window sits left of and above the main window
  // rather than being clamped.
  return QPoint(main.left() + (main.width() - size.width()) / 2,
                main.top() + (main.height() - size.height()) / 2);
}

void CenterOnMainWindow(QWidget* window) {
  if (window == nullptr || g_main.isNull()) return;
  QSize size = window->size();
  if (!window->testAttribute(Qt::WA_Resized)) size = window->sizeHint().expandedTo(size);
  window->move(CenteredOn(g_main->frameGeometry(), size));
}

}  // namespace qv
