// Opening, creating and cloning contact files from the main window, and
// the recent-file list.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>

#include "app/db_controls.h"
#include "app_fixture.h"
#include "store/settings.h"
#include "xbase/workarea.h"

namespace qv::testing {
namespace {

class ContactFilesTest : public AppTest {
 protected:
  // The recent files as the File menu lists them.
  static QStringList MenuFiles(const TQVPMain& m) {
    QStringList files;
    bool after = false;
    for (QAction* a : m.FileMenu->actions()) {
      if (after) files << a->data().toString();
      if (a == m.StartOfMRU) after = true;
    }
    return files;
  }
};

TEST_F(ContactFilesTest, RecentFilesKeepFourMostRecentFirstComparedExactly) {
  // The last one is the first one's path in other letters: another folder.
  ASSERT_TRUE(QDir(dir_).mkpath(QStringLiteral("lists")));
  ASSERT_TRUE(QDir(dir_).mkpath(QStringLiteral("LISTS")));
  QStringList f;
  for (const char* name : {"lists/a.DBF", "b.DBF", "c.DBF", "d.DBF", "e.DBF", "LISTS/a.DBF"}) {
    f << MakeContacts(QString::fromLatin1(name), {{{"LNAME", "x"}}});
  }
  TQVPMain& m = Start();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(m.OpenQVWDBF(f[i]));
  EXPECT_EQ(m.GetMRUList(), (QStringList{f[3], f[2], f[1], f[0]}))
      << "the fifth entry (the default file) dropped out";
  ASSERT_TRUE(m.OpenQVWDBF(f[4]));
  ASSERT_TRUE(m.OpenQVWDBF(f[2]));
  EXPECT_EQ(m.GetMRUList(), (QStringList{f[2], f[4], f[3], f[1]})) << "moved up, not doubled";

  ASSERT_TRUE(m.OpenQVWDBF(f[0]));
  ASSERT_TRUE(m.OpenQVWDBF(f[5]));  // f[0] in other letters: another entry
  EXPECT_EQ(m.GetMRUList(), (QStringList{f[5], f[0], f[2], f[4]}));
  EXPECT_EQ(MenuFiles(m), m.GetMRUList());

  // A menu entry opens its file and moves it to the top.
  QAction* last = m.FileMenu->actions().last();
  EXPECT_EQ(last->text(), f[4]);
  m.MRUITemClick(last);
  EXPECT_EQ(CurrentFileName(), f[4]);
  EXPECT_EQ(m.GetMRUList(), (QStringList{f[4], f[5], f[0], f[2]}));

  // A failed open leaves the list alone.
  const QStringList before = m.GetMRUList();
  EXPECT_FALSE(m.OpenQVWDBF(dir_ + QStringLiteral("missing.DBF")));
  EXPECT_EQ(m.GetMRUList(), before);

  // The next start opens the most recent file.
  main_.reset();
  dialogs_->clear();
  EXPECT_EQ(Start().TableQVW->fullPath(), f[4]);
}

TEST_F(ContactFilesTest, OpenChecksTheExtension) {
  const QString people = MakeContacts(QStringLiteral("people.dbf"), {{{"LNAME", "x"}}});
  TQVPMain& m = Start();
  const QString opened = CurrentFileName();
  dialogs_->clear();
  dialogs_->openFileAnswers = {dir_ + QStringLiteral("notes.txt"), dir_ + QStringLiteral("noext"),
                               QString(), people};
  m.OpenFileMenuClick();
  m.OpenFileMenuClick();
  EXPECT_EQ(dialogs_->notices(), QStringList(2, "Must be a DBF file"));
  m.OpenFileMenuClick();  // cancelled
  EXPECT_EQ(CurrentFileName(), opened);
  EXPECT_EQ(dialogs_->callsOf("openFile").at(0).dir, dir_) << "it starts in the program directory";
  m.OpenFileMenuClick();
  EXPECT_EQ(CurrentFileName(), people) << "the extension is compared in capitals";
  EXPECT_EQ(m.GetDatabasePath(), dir_);
}

TEST_F(ContactFilesTest, NewRefusesExistingNamesAndWrongExtensions) {
  const QString existing = MakeContacts(QStringLiteral("old.DBF"), {{{"LNAME", "keep"}}});
  const qint64 size = QFileInfo(existing).size();
  TQVPMain& m = Start();
  dialogs_->clear();
  dialogs_->saveFileAnswers = {existing, dir_ + QStringLiteral("list.txt"),
                               dir_ + QStringLiteral("fresh")};
  m.NewFileMenuClick();
  m.NewFileMenuClick();
  EXPECT_EQ(dialogs_->notices(), (QStringList{"That file already exists.Please select another name",
                                             "Must have a .DBF extension"}));
  EXPECT_EQ(QFileInfo(existing).size(), size);
  EXPECT_EQ(CurrentFileName(), dir_ + QStringLiteral("QUORVA1.DBF"));
  // The program asks its own question, so the file dialog asks none: a Yes
  // there would only be refused here.
  for (const auto& c : dialogs_->callsOf("saveFile")) EXPECT_FALSE(c.confirmOverwrite);

  dialogs_->clear();
  m.NewFileMenuClick();  // a bare name takes the default extension
  const QString fresh = dir_ + QStringLiteral("fresh.DBF");
  EXPECT_EQ(CurrentFileName(), fresh);
  EXPECT_EQ(dialogs_->notices(), QStringList{kEmptyFileMessage});
  EXPECT_EQ(m.GetMRUList().first(), fresh);
}

TEST_F(ContactFilesTest, FileWithoutItsIndexOpensUnorderedWithTheRebuildMessage) {
  const QString path =
      MakeContacts(QStringLiteral("loose.DBF"), {{{"LNAME", "Zed"}}, {{"LNAME", "Abe"}}});
  ASSERT_TRUE(QFile::remove(dir_ + QStringLiteral("loose.cdx")));
  TQVPMain& m = Start();
  dialogs_->clear();
  EXPECT_TRUE(m.OpenQVWDBF(path));
  EXPECT_EQ(dialogs_->notices(), QStringList{MissingIndexMessage(path)});
  EXPECT_TRUE(m.NoFilePanel->isHidden());
  // No orders until the indexes are rebuilt.
  m.SetMenuOrder(m.OrderItems.at(1));
  EXPECT_EQ(m.TableQVW->fieldText(QStringLiteral("LNAME")), QStringLiteral("Zed"));
}

// A file whose last job was cut off has its indexes rebuilt at the open, the
// window showing why it waits and leaving nothing on screen after.
TEST_F(ContactFilesTest, IndexesLeftOutOfDateAreRebuiltAtTheOpenWithAGauge) {
  const QString path =
      MakeContacts(QStringLiteral("cut.DBF"), {{{"LNAME", "Zed"}}, {{"LNAME", "Abe"}}});
  {
    xb::Settings settings;
    std::unique_ptr<xb::WorkArea> area;
    ASSERT_TRUE(xb::WorkArea::Open(path.toStdString(), xb::OpenOptions(), &settings, &area).ok());
    ASSERT_TRUE(area->MarkIndexStale().ok());
  }  // and the job never came back to say it finished
  const QString marker = dir_ + QStringLiteral("cut.qvi");
  ASSERT_TRUE(QFileInfo::exists(marker));
  TQVPMain& m = Start();
  dialogs_->clear();
  EXPECT_TRUE(m.OpenQVWDBF(path));
  const auto* gauge = m.findChild<QProgressDialog*>();
  EXPECT_TRUE(gauge != nullptr && !gauge->isVisible()) << "the rebuild was not shown, or stays";
  EXPECT_FALSE(QFileInfo::exists(marker));
  EXPECT_EQ(dialogs_->notices(), QStringList());
  EXPECT_EQ(m.TableQVW->fieldText(QStringLiteral("LNAME")), QStringLiteral("Abe"));  // LNAME order
}

TEST_F(ContactFilesTest, CloneCopiesTheListedFieldsDateAndMemo) {
  const QString path =
      MakeContacts(QStringLiteral("people.DBF"),
                   {{{"LNAME", "Archer"}, {"FNAME", "Ann"}, {"MIDDLE", "B"}, {"PREFIX", "Dr."},
                     {"STREET", "1 Elm St"}, {"ZIP", "80202"}, {"NOTES", "VIP"},
                     {"DATE", "07/04/1999"}, {"MEMO", "Met at the fair.\nLikes tulips."},
                     {"CARRIER", "C001"}, {"SEQNO", "12"}}});
  TQVPMain& m = Start();
  ASSERT_TRUE(m.OpenQVWDBF(path));
  const int original = m.TableQVW->recNo();
  m.mnuCloneClick();
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Browse) << "posted at once";
  EXPECT_NE(m.TableQVW->recNo(), original) << "the clone is the current record";
  QStringList cloned;
  for (const char* f : {"LNAME", "FNAME", "MIDDLE", "PREFIX", "STREET", "ZIP", "NOTES", "MEMO",
                        "CARRIER", "SEQNO"}) {
    cloned << m.TableQVW->fieldText(QString::fromLatin1(f));
  }
  EXPECT_EQ(cloned, QStringList({"Archer", "Ann", "B", "Dr.", "1 Elm St", "80202", "VIP",
                                 "Met at the fair.\nLikes tulips.", "", ""}));
  EXPECT_EQ(m.TableQVW->fieldDate(QStringLiteral("DATE")), QDate(1999, 7, 4));

  // With the memo file cut after its header the memo cannot be read: no
  // copy is made without it, and the user is told why.
  ASSERT_TRUE(m.Apollo1.Go(original));
  ASSERT_TRUE(m.TableQVW->close());
  const QString stem = path.left(path.size() - 3);
  const QString memoFile = QFile::exists(stem + "FPT") ? stem + "FPT" : stem + "fpt";
  ASSERT_TRUE(QFile::resize(memoFile, 512));
  ASSERT_TRUE(m.OpenQVWDBF(path));
  EXPECT_TRUE(m.DBMemoBox->placeholderText().contains(QStringLiteral("memo block")))
      << "the memo box says why it is empty";
  EXPECT_TRUE(m.DBMemoBox->isReadOnly());
  const int records = m.TableQVW->recordCount();
  const qsizetype told = dialogs_->notices().size();
  m.mnuCloneClick();
  EXPECT_EQ(m.TableQVW->recordCount(), records);
  EXPECT_EQ(dialogs_->notices().size(), told + 1);
  EXPECT_TRUE(dialogs_->lastNotice().contains(QStringLiteral("memo block"))) << dialogs_->lastNotice().toStdString();
}

}  // namespace
}  // namespace qv::testing
