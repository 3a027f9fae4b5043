#include "app/shared.h"

#include <QApplication>
#include <QStringList>
#include <utility>
#include <QWidget>

#include "store/messages.h"
#include "ui/dialogs.h"

namespace qv {

namespace {

// The window a message belongs to: the one the user is looking at.
QWidget* MessageParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return MainWindow();
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

namespace {
bool g_holdInformation = false;
QStringList g_heldInformation;
}  // namespace

void ShowInformation(const QString& text) {
  if (g_holdInformation) {
    g_heldInformation << text;
    return;
  }
  Dialogs().information(MessageParent(), text);
}

void HoldInformation(bool hold) {
  g_holdInformation = hold;
  if (hold) return;
  const QStringList held = std::exchange(g_heldInformation, {});
  for (const QString& text : held) ShowInformation(text);
}

bool AskYesNo(const QString& text) { return Dialogs().question(MessageParent(), text, true); }

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
