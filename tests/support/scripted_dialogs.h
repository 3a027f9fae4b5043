// A dialog service for tests: records every question, notice and system
// dialog the code under test opens, and answers from queues the test fills
// beforehand. Installed for its lifetime; an unscripted question gets the
// cautious answer (No, cancel, empty) and is counted in `unscripted`.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "question_defaults.h"
#include "ui/dialogs.h"

namespace qv::testing {

class ScriptedDialogs : public DialogService {
 public:
  struct Call {
    QString
        kind;  // information, question, openFile, saveFile, print, printerSetup, font, help, beep
    QString text;  // the message, or the caption of a file dialog
    QString dir;   // the starting folder or path of a file dialog
    int topic = 0;
    bool defaultYes = false;  // of a question: Yes is the default button
    QString caption = QString();  // of a question asked under its own caption
  };

  ScriptedDialogs() { m_previous = InstallDialogService(this); }
  ~ScriptedDialogs() override { InstallDialogService(m_previous); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // Answers, taken from the front.
  std::deque<bool> questionAnswers;
  std::deque<QString> openFileAnswers;
  std::deque<QString> saveFileAnswers;
  std::deque<bool> printAnswers;
  std::deque<bool> printerSetupAnswers;
  std::deque<std::optional<QFont>> fontAnswers;  // nullopt: cancelled

  std::vector<Call> calls;
  int unscripted = 0;

  QStringList kinds() const {
    QStringList out;
    for (const Call& c : calls) out << c.kind;
    return out;
  }
  // The calls of one kind, in order.
  std::vector<Call> callsOf(const QString& kind) const {
    std::vector<Call> out;
    for (const Call& c : calls) {
      if (c.kind == kind) out.push_back(c);
    }
    return out;
  }

  void information(QWidget*, const QString& text) override {
    calls.push_back({QStringLiteral("information"), text, {}, 0});
  }
  bool question(QWidget*, const QString& text, bool defaultYes) override {
    qvtest::ExpectTheSpecifiedDefault(QString(), text, defaultYes);
    calls.push_back({QStringLiteral("question"), text, {}, 0, defaultYes});
    return take(questionAnswers, false);
  }
  bool titledQuestion(QWidget*, const QString& caption, const QString& text,
                      bool defaultYes) override {
    qvtest::ExpectTheSpecifiedDefault(caption, text, defaultYes);
    calls.push_back({QStringLiteral("question"), text, {}, 0, defaultYes, caption});
    return take(questionAnswers, false);
  }
  QString openFileName(QWidget*, const QString& caption, const QString& dir,
                       const QString&) override {
    calls.push_back({QStringLiteral("openFile"), caption, dir, 0});
    return take(openFileAnswers, QString());
  }
  QString saveFileName(QWidget*, const QString& caption, const QString& dir, const QString&,
                       bool) override {
    calls.push_back({QStringLiteral("saveFile"), caption, dir, 0});
    return take(saveFileAnswers, QString());
  }
  bool print(QWidget*, QPrinter*) override {
    calls.push_back({QStringLiteral("print"), {}, {}, 0});
    return take(printAnswers, false);
  }
  bool printerSetup(QWidget*, QPrinter*) override {
    calls.push_back({QStringLiteral("printerSetup"), {}, {}, 0});
    return take(printerSetupAnswers, false);
  }
  bool chooseFont(QWidget*, QFont* font) override {
    calls.push_back({QStringLiteral("font"), font->family(), {}, 0});
    std::optional<QFont> answer = take(fontAnswers, std::optional<QFont>());
    if (answer) *font = *answer;
    return answer.has_value();
  }
  void showHelp(QWidget*, int topic) override {
    calls.push_back({QStringLiteral("help"), {}, {}, topic});
  }
  void beep() override { calls.push_back({QStringLiteral("beep"), {}, {}, 0}); }

 private:
  template <typename T>
  T take(std::deque<T>& queue, T fallback) {
    if (queue.empty()) {
      ++unscripted;
      return fallback;
    }
    T answer = queue.front();
    queue.pop_front();
    return answer;
  }

  DialogService* m_previous = nullptr;
};

}  // namespace qv::testing
