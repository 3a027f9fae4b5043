// A dialog service for tests: records every question, notice, prompt and
// system dialog the code under test opens, and answers from queues the test
// fills beforehand. Installed for its lifetime. An unscripted question or
// file dialog gets the cautious answer (No, cancel, empty) and is counted in
// `unscripted`; with kFailOnUnscripted it also fails the test. Window tests
// route the data layer's notices and questions here too, the way they
// reach the user.
#pragma once

#include <gtest/gtest.h>

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "store/messages.h"
#include "ui/dialogs.h"

// Which button each question of the program offers as its default: Yes,
// except for the questions below, where a slip of the Enter key would add a
// duplicate, overwrite a file, abandon a copy, merge records away or
// rewrite many records. Every
// question a test makes the program ask is checked against this one table.
namespace qvtest {

struct NoDefaultQuestion {
  const char* caption;  // "" matches any caption
  const char* textStart;
  const char* textEnd = "";
};

inline constexpr NoDefaultQuestion kNoDefaultQuestions[] = {
    {"Possible Duplicate", "Possible duplicate:"},
    {"Warning!", ""},  // "... already exists. Do you want to overwrite it?" in Copy Records Out
    {"Cancel", "Cancel copy?"},
    {"", "Merge record "},
    {"", "Delete ", " records?"},  // Delete Records, counted
    {"", "Convert ", "This cannot be undone."},
    {"", "Discard the changes to this letter?"},
    {"", "Replace the text of this letter with the file's?"},
};

inline bool DefaultIsYes(const QString& caption, const QString& text) {
  for (const NoDefaultQuestion& q : kNoDefaultQuestions) {
    const bool captionMatches = *q.caption == '\0' || caption == QLatin1String(q.caption);
    if (captionMatches && text.startsWith(QLatin1String(q.textStart)) &&
        text.endsWith(QLatin1String(q.textEnd))) {
      return false;
    }
  }
  return true;
}

inline void ExpectTheSpecifiedDefault(const QString& caption, const QString& text,
                                      bool defaultYes) {
  EXPECT_EQ(defaultYes, DefaultIsYes(caption, text))
      << "the default button of \"" << text.toStdString() << "\" (caption \""
      << caption.toStdString() << "\")";
}

}  // namespace qvtest

namespace qv::testing {

class ScriptedDialogs : public DialogService {
 public:
  enum Option { kFailOnUnscripted = 1 };

  struct Call {
    // information, error, question, inputText, inputLines, openFile, saveFile,
    // print, printerSetup, font, help, beep
    QString kind;
    QString text;  // the message, the prompt, or the caption of a file dialog
    QString dir;   // the starting folder or path of a file dialog
    int topic = 0;
    bool defaultYes = false;  // of a question: Yes is the default button
    QString caption = QString();  // of a question or prompt asked under its own caption
    QString start = QString();    // of a prompt: the text offered (lines joined by |)
    bool confirmOverwrite = false;  // of a save dialog: it asks about an existing file itself
  };

  explicit ScriptedDialogs(int options = 0) : m_failOnUnscripted(options & kFailOnUnscripted) {
    m_previous = InstallDialogService(this);
  }
  ~ScriptedDialogs() override {
    if (m_restoreMessages) m_restoreMessages();
    InstallDialogService(m_previous);
  }
  // Installs `service` for the data layer's notices and questions for the
  // lifetime: window tests pass the program's DialogMessageService(), which
  // asks this service. (A template, so tests below the store need not link it.)
  template <typename Service>
  void routeStoreMessages(Service* service) {
    MessageService* previous = InstallMessageService(service);
    m_restoreMessages = [previous] { InstallMessageService(previous); };
  }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // Answers, taken from the front; nullopt is Cancel.
  std::deque<bool> questionAnswers;
  std::deque<std::optional<QString>> textAnswers;
  std::deque<std::optional<QStringList>> lineAnswers;
  std::deque<QString> openFileAnswers;  // "" is a cancelled dialog
  std::deque<QString> saveFileAnswers;
  std::deque<bool> printAnswers;
  std::deque<bool> printerSetupAnswers;
  // The user's part in Printer Setup when set: changes the printer, true for OK.
  std::function<bool(QPrinter*)> printerSetupAnswer;
  std::deque<std::optional<QFont>> fontAnswers;

  std::vector<Call> calls;
  int unscripted = 0;

  void clear() {
    calls.clear();
    unscripted = 0;
  }
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
  QStringList textsOf(const QString& kind) const {
    QStringList out;
    for (const Call& c : callsOf(kind)) out << c.text;
    return out;
  }
  QStringList notices() const { return textsOf(QStringLiteral("information")); }
  QString lastNotice() const { return notices().value(notices().size() - 1); }
  QList<Call> questions() const {
    const std::vector<Call> asked = callsOf(QStringLiteral("question"));
    return QList<Call>(asked.begin(), asked.end());
  }
  QList<int> helpTopics() const {
    QList<int> out;
    for (const Call& c : callsOf(QStringLiteral("help"))) out << c.topic;
    return out;
  }
  int beeps() const { return static_cast<int>(callsOf(QStringLiteral("beep")).size()); }

  void information(QWidget*, const QString& text) override {
    calls.push_back({QStringLiteral("information"), text, {}, 0});
  }
  void error(QWidget*, const QString& text) override {
    calls.push_back({QStringLiteral("error"), text, {}, 0});
  }
  bool question(QWidget*, const QString& text, bool defaultYes) override {
    return titledQuestion(nullptr, QString(), text, defaultYes);
  }
  bool titledQuestion(QWidget*, const QString& caption, const QString& text,
                      bool defaultYes) override {
    qvtest::ExpectTheSpecifiedDefault(caption, text, defaultYes);
    calls.push_back({QStringLiteral("question"), text, {}, 0, defaultYes, caption});
    return take(questionAnswers, false, text);
  }
  bool inputText(QWidget*, const QString& caption, const QString& prompt,
                 QString* text) override {
    calls.push_back({QStringLiteral("inputText"), prompt, {}, 0, false, caption, *text});
    return answer(textAnswers, text);
  }
  bool inputLines(QWidget*, const QString& caption, QStringList* lines) override {
    calls.push_back(
        {QStringLiteral("inputLines"), {}, {}, 0, false, caption, lines->join(QLatin1Char('|'))});
    return answer(lineAnswers, lines);
  }
  QString openFileName(QWidget*, const QString& caption, const QString& dir,
                       const QString&) override {
    calls.push_back({QStringLiteral("openFile"), caption, dir, 0});
    return take(openFileAnswers, QString(), QStringLiteral("open file: ") + caption);
  }
  QString saveFileName(QWidget*, const QString& caption, const QString& dir, const QString&,
                       bool confirmOverwrite) override {
    calls.push_back({QStringLiteral("saveFile"), caption, dir, 0, false, {}, {}, confirmOverwrite});
    return take(saveFileAnswers, QString(), QStringLiteral("save file: ") + caption);
  }
  bool print(QWidget*, QPrinter*) override {
    calls.push_back({QStringLiteral("print"), {}, {}, 0});
    return take(printAnswers, false, QString());
  }
  bool printerSetup(QWidget*, QPrinter* printer) override {
    calls.push_back({QStringLiteral("printerSetup"), {}, {}, 0});
    if (printerSetupAnswer) return printerSetupAnswer(printer);
    return take(printerSetupAnswers, false, QString());
  }
  bool chooseFont(QWidget*, QFont* font) override {
    calls.push_back({QStringLiteral("font"), font->family(), {}, 0});
    std::optional<QFont> answer = take(fontAnswers, std::optional<QFont>(), QString());
    if (answer) *font = *answer;
    return answer.has_value();
  }
  void showHelp(QWidget*, int topic) override {
    calls.push_back({QStringLiteral("help"), {}, {}, topic});
  }
  void beep() override { calls.push_back({QStringLiteral("beep"), {}, {}, 0}); }

 private:
  // `what` names a question or file dialog, whose absence from the script
  // fails the test under kFailOnUnscripted; other dialogs pass "".
  template <typename T>
  T take(std::deque<T>& queue, T fallback, const QString& what) {
    if (queue.empty()) {
      ++unscripted;
      if (m_failOnUnscripted && !what.isEmpty()) {
        ADD_FAILURE() << "unscripted dialog: " << what.toStdString();
      }
      return fallback;
    }
    T answer = queue.front();
    queue.pop_front();
    return answer;
  }
  // A prompt: no answer left, or nullopt, is Cancel.
  template <typename T>
  bool answer(std::deque<std::optional<T>>& queue, T* value) {
    if (queue.empty()) {
      ++unscripted;
      return false;
    }
    const bool given = queue.front().has_value();
    if (given) *value = *queue.front();
    queue.pop_front();
    return given;
  }

  bool m_failOnUnscripted = false;
  DialogService* m_previous = nullptr;
  std::function<void()> m_restoreMessages;
};

}  // namespace qv::testing
