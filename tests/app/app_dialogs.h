// A dialog service for the main window tests: it records every notice, question,
// beep and help request, and answers questions and file dialogs from
// queues the test fills. A question nobody scripted fails the test.
// Installing it also routes the store's messages through it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "app/shared.h"
#include "qstring_print.h"
#include "question_defaults.h"
#include "store/messages.h"
#include "ui/dialogs.h"

namespace qv::testing {

// The one QApplication of a test binary (widget tests run offscreen).
inline QApplication* EnsureApplication() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return app;
  static int argc = 1;
  static char name[] = "qv-test";
  static char* argv[] = {name, nullptr};
  return new QApplication(argc, argv);
}

class ScriptedDialogs : public DialogService {
 public:
  struct Question {
    QString text;
    bool defaultYes;
  };

  ScriptedDialogs() {
    m_previousDialogs = InstallDialogService(this);
    m_previousMessages = InstallMessageService(&DialogMessageService());
  }
  ~ScriptedDialogs() override {
    InstallDialogService(m_previousDialogs);
    InstallMessageService(m_previousMessages);
  }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  // ---- what happened ----
  QStringList notices;
  QList<Question> questions;
  QList<int> helpTopics;
  int beeps = 0;
  QStringList fileDialogDirs;
  QList<bool> overwriteQuestions;  // whether each save dialog was to ask its own

  // ---- what to answer ----
  std::deque<bool> answers;
  std::deque<QString> fileNames;  // "" is a cancelled dialog
  std::deque<QString> texts;      // typed into text prompts; none left: Cancel
  QStringList captions;           // of the questions asked under their own caption
  QStringList prompts;            // of the text prompts
  // The user's part in Printer Setup: changes the printer, true for OK.
  std::function<bool(QPrinter*)> printerSetupAnswer;

  void clear() {
    notices.clear();
    questions.clear();
    helpTopics.clear();
    beeps = 0;
    fileDialogDirs.clear();
    overwriteQuestions.clear();
    captions.clear();
    prompts.clear();
  }

  void information(QWidget*, const QString& text) override { notices << text; }
  bool question(QWidget*, const QString& text, bool defaultYes) override {
    if (m_caption.isNull()) qvtest::ExpectTheSpecifiedDefault(QString(), text, defaultYes);
    questions << Question{text, defaultYes};
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted question: " << text.toStdString();
      return false;
    }
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool titledQuestion(QWidget* parent, const QString& caption, const QString& text,
                      bool defaultYes) override {
    captions << caption;
    qvtest::ExpectTheSpecifiedDefault(caption, text, defaultYes);
    m_caption = caption;
    const bool answer = question(parent, text, defaultYes);
    m_caption = QString();
    return answer;
  }
  bool inputText(QWidget*, const QString& caption, const QString& prompt,
                 QString* text) override {
    prompts << caption + QStringLiteral(": ") + prompt;
    if (texts.empty()) return false;
    *text = texts.front();
    texts.pop_front();
    return true;
  }
  QString openFileName(QWidget*, const QString&, const QString& dir, const QString&) override {
    return nextFileName(dir);
  }
  QString saveFileName(QWidget*, const QString&, const QString& dir, const QString&,
                       bool confirmOverwrite) override {
    overwriteQuestions << confirmOverwrite;
    return nextFileName(dir);
  }
  bool print(QWidget*, QPrinter*) override { return false; }
  bool printerSetup(QWidget*, QPrinter* printer) override {
    return printerSetupAnswer && printerSetupAnswer(printer);
  }
  bool chooseFont(QWidget*, QFont*) override { return false; }
  void showHelp(QWidget*, int topic) override { helpTopics << topic; }
  void beep() override { ++beeps; }

 private:
  QString nextFileName(const QString& dir) {
    fileDialogDirs << dir;
    if (fileNames.empty()) {
      ADD_FAILURE() << "unscripted file dialog";
      return QString();
    }
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
  }

  QString m_caption;  // of the titled question being asked
  DialogService* m_previousDialogs = nullptr;
  MessageService* m_previousMessages = nullptr;
};

}  // namespace qv::testing
