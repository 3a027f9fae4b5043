#include "app/shared.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

#include "store/messages.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

QPointer<QWidget> g_main;

// The window a message belongs to: the one the user is looking at.
QWidget* MessageParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return g_main.data();
}

class DialogMessages : public MessageService {
 public:
  void information(const QString& text) override { ShowInformation(text); }
  bool question(const QString& text, bool defaultYes) override {
    return Dialogs().question(MessageParent(), text, defaultYes);
  }
};

bool IsBlank(QChar c) { return c.unicode() <= ' '; }

}  // namespace

void ShowInformation(const QString& text) { Dialogs().information(MessageParent(), text); }

bool AskYesNo(const QString& text) { return Dialogs().question(MessageParent(), text, true); }

void SetMainWindow(QWidget* main) { g_main = main; }
QWidget* MainWindow() { return g_main.data(); }

QPoint CenteredOn(const QRect& main, const QSize& size) {
  // Integer division as the old "div": a larger window sits left of and
  // above the main window rather than being clamped.
  return QPoint(main.left() + (main.width() - size.width()) / 2,
                main.top() + (main.height() - size.height()) / 2);
}

void CenterOnMainWindow(QWidget* window) {
  if (window == nullptr || g_main.isNull()) return;
  QSize size = window->size();
  if (!window->testAttribute(Qt::WA_Resized)) size = window->sizeHint().expandedTo(size);
  window->move(CenteredOn(g_main->frameGeometry(), size));
}

QString TrimLeft(const QString& text) {
  qsizetype i = 0;
  while (i < text.size() && IsBlank(text.at(i))) ++i;
  return text.mid(i);
}

QString TrimRight(const QString& text) {
  qsizetype n = text.size();
  while (n > 0 && IsBlank(text.at(n - 1))) --n;
  return text.left(n);
}

QString TrimBoth(const QString& text) { return TrimLeft(TrimRight(text)); }

QStringList SplitText(const QString& text, QChar separator) {
  return text.split(separator, Qt::KeepEmptyParts);
}

QString CurrentPrinterName(const QString& printerName) {
  const qsizetype at = printerName.indexOf(QLatin1String(" ON "), 0, Qt::CaseInsensitive);
  return at < 0 ? printerName : printerName.left(at);
}

MessageService& DialogMessageService() {
  static DialogMessages service;
  return service;
}

}  // namespace qv
