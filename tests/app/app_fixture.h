// The set-up the window tests share: a fresh program directory per test,
// scripted dialogs, contact files made to order, and the main window.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <memory>

#include "app_dialogs.h"
#include "app/qvmain.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/table_object.h"

namespace qv::testing {

// One contact: field name -> text ("DATE" in the short date format).
using Contact = QList<QPair<QString, QString>>;

class AppTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureApplication(); }

  void SetUp() override {
    QByteArray tmpl = QDir::tempPath().toLocal8Bit() + "/qv_app_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = QString::fromLocal8Bit(tmpl) + QLatin1Char('/');
    qputenv("QUORVANE_HOME", tmpl);
    dialogs_ = std::make_unique<ScriptedDialogs>();
  }

  void TearDown() override {
    main_.reset();
    dialogs_.reset();
    QDir(dir_).removeRecursively();
    qunsetenv("QUORVANE_HOME");
  }

  TQVPMain& Start(QSize screen = QSize(1024, 768)) {
    TQVPMain::StartOptions options;
    options.screenSize = screen;
    main_ = std::make_unique<TQVPMain>(options);
    return *main_;
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
    table.close();
    return path;
  }

  QString dir_;
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<TQVPMain> main_;
};

inline const QString kEmptyFileMessage = QStringLiteral(
    "There are no records in this file\nPress Alt-A to add a new record OR\n"
    "From the File menu select\nImport from DBF File  or\nImport from ASCII File");

}  // namespace qv::testing
