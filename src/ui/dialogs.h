// The one place every question, notice and system dialog goes through.
// Windows call Dialogs(); the program installs the real service at start-up
// and tests install one that answers from a script, so no test needs a
// screen or a person.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace qv {

// The application's title: the main window's caption begins with it and
// untitled questions carry it. It is not Qt's display name, which window
// systems would append to every caption.
inline constexpr char kApplicationTitle[] = "Quorvane for Windows";

class DialogService {
 public:
  virtual ~DialogService() = default;

  // The information box: caption "Information", information icon, OK.
  virtual void information(QWidget* parent, const QString& text) = 0;
  // A failure the user must not take for a notice: the error icon, OK. A
  // service that shows no icons says it as information.
  virtual void error(QWidget* parent, const QString& text) { information(parent, text); }
  // A Yes/No question; `defaultYes` picks the default button.
  virtual bool question(QWidget* parent, const QString& text, bool defaultYes) = 0;
  // The same question under its own caption ("Possible Duplicate"); a
  // service that shows no captions asks it plainly.
  virtual bool titledQuestion(QWidget* parent, const QString& caption, const QString& text,
                              bool defaultYes) {
    (void)caption;
    return question(parent, text, defaultYes);
  }
  // One line of text under a caption and a prompt, starting from *text;
  // false when cancelled. A service without a way to ask answers Cancel.
  virtual bool inputText(QWidget* parent, const QString& caption, const QString& prompt,
                         QString* text) {
    (void)parent, (void)caption, (void)prompt, (void)text;
    return false;
  }
  // Several lines of text (a memo with "Save" and "Cancel") under a
  // caption, starting from *lines; false when cancelled. A service without
  // a way to ask answers Cancel.
  virtual bool inputLines(QWidget* parent, const QString& caption, QStringList* lines) {
    (void)parent, (void)caption, (void)lines;
    return false;
  }

  // File dialogs; an empty result means the user cancelled.
  virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                               const QString& filter) = 0;
  // `confirmOverwrite` false: the caller asks its own question about an
  // existing file (or refuses one), so the dialog asks none.
  virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                               const QString& filter, bool confirmOverwrite = true) = 0;

  // The Print dialog and the printer set-up dialog on `printer`; false when
  // cancelled.
  virtual bool print(QWidget* parent, QPrinter* printer) = 0;
  virtual bool printerSetup(QWidget* parent, QPrinter* printer) = 0;

  // The font dialog starting at `font`; false when cancelled.
  virtual bool chooseFont(QWidget* parent, QFont* font) = 0;

  // Opens the help at a topic number (0: the contents).
  virtual void showHelp(QWidget* parent, int topic) = 0;

  // The system beep.
  virtual void beep() = 0;
};

// The service in force. Never null: until one is installed, a service built
// on the standard Qt dialogs answers.
DialogService& Dialogs();
// Installs `service` (not owned; null restores the standard one) and returns
// the previous one.
DialogService* InstallDialogService(DialogService* service);

// The standard service: Qt's message boxes and dialogs.
class StandardDialogService : public DialogService {
 public:
  void information(QWidget* parent, const QString& text) override;
  void error(QWidget* parent, const QString& text) override;
  bool question(QWidget* parent, const QString& text, bool defaultYes) override;
  bool titledQuestion(QWidget* parent, const QString& caption, const QString& text,
                      bool defaultYes) override;
  bool inputText(QWidget* parent, const QString& caption, const QString& prompt,
                 QString* text) override;
  bool inputLines(QWidget* parent, const QString& caption, QStringList* lines) override;
  QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                       const QString& filter) override;
  QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                       const QString& filter, bool confirmOverwrite = true) override;
  bool print(QWidget* parent, QPrinter* printer) override;
  bool printerSetup(QWidget* parent, QPrinter* printer) override;
  bool chooseFont(QWidget* parent, QFont* font) override;
  void showHelp(QWidget* parent, int topic) override;
  void beep() override;
};

}  // namespace qv
