// Every notice and question of the data layer goes through one interface.
// The windows install an implementation built on the dialog service; tests
// install one that answers directly; without either, notices go to the
// standard error stream and questions take their default answer.
#pragma once

#include <QString>

namespace qv {

class MessageService {
 public:
  virtual ~MessageService() = default;
  // The information box (caption "Information", one OK button).
  virtual void information(const QString& text) = 0;
  // A Yes/No question; `defaultYes` picks the default button.
  virtual bool question(const QString& text, bool defaultYes) = 0;
};

MessageService& Messages();

// What the user is told when the engine fails on the contact file (a read
// error, a damaged index page): "The contact file is damaged: <reason>.
// Rebuild Indexes may repair it."
QString DamagedFileMessage(const QString& reason);
// Installs `service` (not owned; null restores the default) and returns the
// previous one (null for the default).
MessageService* InstallMessageService(MessageService* service);

}  // namespace qv
