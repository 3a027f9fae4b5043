#include "store/messages.h"

#include <cstdio>

namespace qv {

namespace {

class ConsoleMessages : public MessageService {
 public:
  void information(const QString& text) override {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
  bool question(const QString& text, bool defaultYes) override {
    std::fprintf(stderr, "%s [%s]\n", text.toLocal8Bit().constData(), defaultYes ? "Yes" : "No");
    return defaultYes;
  }
};

ConsoleMessages g_console;
MessageService* g_current = nullptr;

}  // namespace

MessageService& Messages() { return g_current != nullptr ? *g_current : g_console; }

QString DamagedFileMessage(const QString& reason) {
  QString why = reason.trimmed();
  while (why.endsWith(QLatin1Char('.'))) why.chop(1);
  return QStringLiteral("The contact file is damaged: %1. Rebuild Indexes may repair it.").arg(why);
}

MessageService* InstallMessageService(MessageService* service) {
  MessageService* previous = g_current;
  g_current = service;
  return previous;
}

}  // namespace qv
