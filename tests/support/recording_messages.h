// A message service for tests: installed for its lifetime, it records
// every notice and question instead of showing them, and answers each
// question with `answer`.
#pragma once

#include <QString>
#include <QStringList>

#include "store/messages.h"

namespace qv::testing {

class RecordingMessages : public MessageService {
 public:
  RecordingMessages() : m_previous(InstallMessageService(this)) {}
  ~RecordingMessages() override { InstallMessageService(m_previous); }
  RecordingMessages(const RecordingMessages&) = delete;
  RecordingMessages& operator=(const RecordingMessages&) = delete;

  void information(const QString& text) override { shown.append(text); }
  bool question(const QString& text, bool) override {
    asked.append(text);
    return answer;
  }

  QStringList shown;
  QStringList asked;
  bool answer = true;

 private:
  MessageService* m_previous;
};

}  // namespace qv::testing
