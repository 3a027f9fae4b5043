// The set-up the window tests share: a fresh program directory per test,
// scripted dialogs, contact files made to order, and the main window.
#pragma once

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/qvmain.h"
#include "app/shared.h"
#include "scripted_dialogs.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/dates.h"
#include "store/filter_text.h"
#include "store/settings.h"
#include "store/support_install.h"
#include "store/table_object.h"
#include "when_shown.h"

namespace qv::testing {

// One contact: field name -> text ("DATE" in the short date format).
using Contact = QList<QPair<QString, QString>>;

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    dir_ = home_.path() + QLatin1Char('/');
    qputenv("QUORVANE_HOME", home_.path().toLocal8Bit());
    dialogs_ = std::make_unique<ScriptedDialogs>(ScriptedDialogs::kFailOnUnscripted);
    dialogs_->routeStoreMessages(&DialogMessageService());
  }

  void TearDown() override {
    // Some tests change the date settings of the whole program.
    ProgramDates() = DateConvention();
    main_.reset();
    dialogs_.reset();
    qunsetenv("QUORVANE_HOME");
  }

  TQVPMain& Start(QSize screen = QSize(1024, 768)) {
    TQVPMain::StartOptions options;
    options.screenSize = screen;
    main_ = std::make_unique<TQVPMain>(options);
    return *main_;
  }

  // The main window with a new contact file `name` holding `contacts` open;
  // with `supportTables` the program's support tables are installed first.
  TQVPMain& OpenOn(const QList<Contact>& contacts, const QString& name = QStringLiteral("people.DBF"),
                   bool supportTables = false) {
    if (supportTables) EXPECT_TRUE(InstallSupportTables(dir_).isEmpty());
    path_ = MakeContacts(name, contacts);
    TQVPMain& m = Start();
    EXPECT_TRUE(m.OpenQVWDBF(path_));
    return m;
  }

  // OpenOn with the support tables installed, the buttons set as the
  // window's start sets them and nothing said so far.
  TQVPMain& OpenWithSupportTables(const QList<Contact>& contacts) {
    TQVPMain& m = OpenOn(contacts, QStringLiteral("people.dbf"), true);
    m.SetButtons();
    dialogs_->clear();
    return m;
  }

  // The main window shown and active, having opened the contact file made
  // of `contacts` as the last file of the previous session.
  TQVPMain& StartShownOn(const QList<Contact>& contacts) {
    path_ = MakeContacts(QStringLiteral("people.DBF"), contacts);
    IniFile ini = SettingsFile();
    EXPECT_TRUE(WriteRecentFiles(ini, {path_}));
    TQVPMain& m = Start();
    m.show();
    m.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&m));
    return m;
  }

  // Sets the Filter page's filter to the contacts in New York and goes back
  // to the Main page.
  static void FilterOnNewYork(TQVPMain& m) {
    m.FilterButtonClick();
    m.FilterBoxes[FilterFieldExpressions().indexOf(QStringLiteral("STATE"))]->setText("NY");
    m.qSetFilterButtonClick();
    m.MainButtonClick();
  }

  // A contact file in the program directory holding `contacts` in order.
  QString MakeContacts(const QString& name, const QList<Contact>& contacts) {
    const QString path = dir_ + name;
    TApolloEnv env;
    env.SetCentury(true);
    TableObject table(&env);
    TApollo apollo;
    EXPECT_TRUE(CreateContactFile(path, table, apollo)) << path.toStdString();
    for (const Contact& c : contacts) {
      table.insert();
      for (const auto& [field, text] : c) EXPECT_TRUE(table.setFieldText(field, text));
      EXPECT_TRUE(table.post());
    }
    EXPECT_TRUE(table.close());
    return path;
  }

  QTemporaryDir home_;
  QString dir_;   // home_'s path with its slash
  QString path_;  // the contact file OpenOn or StartShownOn made
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<TQVPMain> main_;
};

inline const QString kEmptyFileMessage = QStringLiteral(
    "There are no records in this file\nPress Alt-A to add a new record OR\n"
    "From the File menu select\nImport from DBF File  or\nImport from ASCII File");

}  // namespace qv::testing
