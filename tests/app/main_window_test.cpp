// The main window: first start, the enabling rules of SetButtons in each
// state, page buttons and keys while editing, closing, placement and the
// date settings.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWhatsThis>

#include "app/db_controls.h"
#include "app/preferences.h"
#include "app/reindex.h"
#include "app/shared.h"
#include "app_fixture.h"
#include "store/dates.h"
#include "store/settings.h"
#include "table_walk.h"

namespace qv::testing {
namespace {

const Contact kAnn = {{"LNAME", "Archer"}, {"FNAME", "Ann"}, {"CITY", "Denver"}};
const Contact kBob = {{"LNAME", "Baker"}, {"FNAME", "Bob"}, {"CITY", "Boston"}};
const Contact kCy = {{"LNAME", "Cole"}, {"FNAME", "Cy"}, {"CITY", "Austin"}};

// What SetButtons shows, as one comparable line: the names of the
// controls on show (menus: enabled).
QString Shown(const TQVPMain& m) {
  // A shown button is usable and a hidden one is not.
  EXPECT_EQ(m.AddButton->isHidden(), !m.AddButton->isEnabled());
  EXPECT_EQ(m.EditButton->isHidden(), !m.EditButton->isEnabled());
  const std::pair<const char*, bool> items[] = {
      {"add", !m.AddButton->isHidden()}, {"edit", !m.EditButton->isHidden()},
      {"save", !m.SaveButton->isHidden()},
      {"cancel", !m.CancelButton->isHidden()},
      {"arrows",
       !m.RecordNext->isHidden() && !m.RecordPrev->isHidden() && !m.BrowseNext->isHidden()},
      {"panel", !m.NoFilePanel->isHidden()}, {"clone", m.mnuClone->isEnabled()},
      {"order", m.OrderMenu->menuAction()->isEnabled()},
      {"file", m.FileMenu->menuAction()->isEnabled()},
      {"rebuild", m.mnuRebuildIndexes->isEnabled()}};
  QStringList on;
  for (const auto& [name, shown] : items) on << (shown ? QLatin1String(name) : QLatin1String());
  on.removeAll(QString());
  return on.join(QLatin1Char(' '));
}

class MainWindowTest : public AppTest {};

TEST_F(MainWindowTest, FirstStartOffersOnlyAddAndSetButtonsInEachState) {
  const QString path = MakeContacts(QStringLiteral("people.DBF"), {kAnn, kBob});
  // The first start (no recent file) creates the default file, opens it
  // and offers only Add.
  TQVPMain& m = Start();
  const QString first = dir_ + QStringLiteral("QUORVA1.DBF");
  EXPECT_TRUE(QFile::exists(dir_ + QStringLiteral("QUORVA1.cdx")));
  EXPECT_EQ(dialogs_->notices(), QStringList{kEmptyFileMessage});
  EXPECT_EQ(QStringList({CurrentFileName(), m.windowTitle(), m.currentOrder()}) + m.GetMRUList(),
            QStringList({first, "Quorvane for Windows - " + first, "LNAME", first}));
  EXPECT_EQ(m.currentPage(), TQVPMain::Page::Main);
  EXPECT_EQ(Shown(m), "add file rebuild") << "empty file";

  ASSERT_TRUE(m.OpenQVWDBF(path));
  m.SetButtons();
  EXPECT_EQ(Shown(m), "add edit arrows clone order file rebuild") << "browsing";

  m.EditButtonClick();
  EXPECT_EQ(Shown(m), "save cancel rebuild") << "editing";
  m.CancelButtonClick();

  dialogs_->clear();
  EXPECT_FALSE(m.OpenQVWDBF(dir_ + QStringLiteral("GONE.DBF")));
  m.SetButtons();
  EXPECT_EQ(dialogs_->notices(), QStringList{NotFoundMessage(dir_ + QStringLiteral("GONE.DBF"))});
  EXPECT_EQ(Shown(m), "panel file") << "no file";
  EXPECT_TRUE(CurrentFileName().isEmpty());

  dialogs_->clear();
  m.RebuildIndexesClick();
  EXPECT_EQ(dialogs_->notices(),
            QStringList{QStringLiteral("You need to have a QVW file open first")});
}

TEST_F(MainWindowTest, PageButtonsBeepWhileEditingAndSwitchOtherwise) {
  TQVPMain& m = OpenOn({kAnn});
  m.EditButtonClick();
  m.BrowseButtonClick();
  m.FilterButtonClick();
  EXPECT_EQ(dialogs_->beeps(), 2);
  EXPECT_EQ(m.Pages->currentWidget(), m.MainPage);

  m.CancelButtonClick();
  m.BrowseButtonClick();
  EXPECT_EQ(m.Pages->currentWidget(), m.BrowsePage);
  EXPECT_NE(m.BrowseButton->styleSheet(), m.MainButton->styleSheet())
      << "the current page's button is drawn apart from the others";
  EXPECT_EQ(m.MainButton->styleSheet(), m.FilterButton->styleSheet());
  for (void (TQVPMain::*page)() : {&TQVPMain::FilterButtonClick, &TQVPMain::MainButtonClick}) {
    m.HelpButtonClick();
    (m.*page)();
  }
  m.HelpButtonClick();
  m.ContentsClick();
  EXPECT_EQ(dialogs_->helpTopics(), (QList<int>{1005, 1020, 1027, 1010}));

  // What's this? explains controls one by one instead of opening the help.
  m.WhatsThisButton->click();
  EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
  QWhatsThis::leaveWhatsThisMode();
  EXPECT_EQ(dialogs_->helpTopics().size(), 4);
  for (QWidget* page : std::initializer_list<QWidget*>{m.MainPage, m.BrowsePage, m.FilterPage}) {
    for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                           qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTableView*>(w);
      EXPECT_FALSE(control && w->whatsThis().isEmpty()) << w->objectName().toStdString();
    }
  }
}

class KeyTest : public MainWindowTest {
 protected:
  static void Key(QWidget* target, int key) {
    target->setFocus();
    QTest::keyClick(target, static_cast<Qt::Key>(key));
  }
};

TEST_F(KeyTest, PgDnWhileEditingAsksToSaveAndNoKeepsTheEdit) {
  TQVPMain& m = StartShownOn({kAnn, kBob});
  m.EditButtonClick();
  QTest::keyClick(m.DBLName, Qt::Key_End);
  QTest::keyClicks(m.DBLName, QStringLiteral("X"));
  dialogs_->questionAnswers = {false};
  Key(m.DBLName, Qt::Key_PageDown);
  EXPECT_EQ(dialogs_->textsOf("question"), QStringList{"Save changes?"});
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Edit);
  EXPECT_EQ(m.TableQVW->fieldText("LNAME"), "ArcherX") << "the typing is still pending";

  dialogs_->questionAnswers = {true};
  Key(m.DBLName, Qt::Key_PageDown);
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Browse);
  EXPECT_EQ(m.TableQVW->fieldText("LNAME"), "ArcherX");
}

TEST_F(KeyTest, EscAsksToCancelAndPagingKeysMoveOnlyWhileBrowsing) {
  TQVPMain& m = StartShownOn({kAnn, kBob, kCy});
  QStringList shown{m.DBLName->text()};
  for (int key : {Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp}) {
    Key(m.DBLName, key);
    shown << m.DBLName->text();
  }
  EXPECT_EQ(shown, QStringList({"Archer", "Baker", "Cole", "Cole", "Baker"}));
  EXPECT_EQ(dialogs_->beeps(), 1) << "the end is not a record";

  m.EditButtonClick();
  QTest::keyClicks(m.DBCity, QStringLiteral("ville"));
  Key(m.DBCity, Qt::Key_PageUp);
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Edit) << "PgUp does nothing while editing";
  dialogs_->questionAnswers = {false, true};
  Key(m.DBCity, Qt::Key_Escape);
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Edit);
  Key(m.DBCity, Qt::Key_Escape);
  EXPECT_EQ(dialogs_->textsOf("question"), QStringList(2, "Cancel changes?"));
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Browse);
  EXPECT_EQ(m.DBCity->text(), QStringLiteral("Boston"));
}

TEST_F(KeyTest, FieldBoxesTakeTypingOnlyWhileEditingMiddleInitialInCapitals) {
  TQVPMain& m = StartShownOn({kAnn});
  QTest::keyClicks(m.DBFName, QStringLiteral("zz"));
  EXPECT_EQ(m.DBFName->text(), "Ann") << "read-only while browsing";
  m.EditFieldClick();
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Edit) << "a double click starts editing";
  m.DBMiddle->setFocus();
  QTest::keyClicks(m.DBMiddle, QStringLiteral("q"));
  EXPECT_EQ(m.DBMiddle->text(), "Q");
  m.SaveButtonClick();
  EXPECT_EQ(m.TableQVW->fieldText("MIDDLE"), "Q");
}

TEST_F(MainWindowTest, ExitAsksAndCancelsAPendingEdit) {
  TQVPMain& m = OpenOn({kAnn});
  m.show();
  m.EditButtonClick();
  EXPECT_TRUE(m.TableQVW->setFieldText("LNAME", "Changed"));
  dialogs_->questionAnswers = {false};
  m.ExitClick();
  EXPECT_TRUE(m.isVisible() && m.TableQVW->state() == TableObject::State::Edit);
  dialogs_->questionAnswers = {true};
  m.close();
  EXPECT_FALSE(m.isVisible());
  EXPECT_EQ(dialogs_->textsOf("question"), QStringList(2, "Exit now?"));
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Browse);
  EXPECT_EQ(m.TableQVW->fieldText("LNAME"), "Archer");
}

TEST_F(MainWindowTest, PlacementTopLeftOnlyOnA640By480Screen) {
  // (screen - 610 x 450) / 2; exactly 640 x 480 is the corner.
  const std::pair<QSize, QPoint> cases[] = {{{640, 480}, {0, 0}},
                                            {{1024, 768}, {207, 159}}, {{640, 481}, {15, 15}},
                                            {{600, 400}, {-5, -25}}};
  for (const auto& [screen, at] : cases) {
    EXPECT_EQ(MainWindowPosition(screen, QSize(610, 450)), at) << screen.width();
  }
  EXPECT_EQ(Start(QSize(640, 480)).pos(), QPoint(0, 0));
}

// A larger window gives its room to the pages: the Browse grid and the memo
// grow, the full-width boxes widen, the button rows follow the bottom edge;
// the size and place come back at the next start.
TEST_F(MainWindowTest, ResizingStretchesThePagesAndTheSizeIsRemembered) {
  TQVPMain& m = Start();
  m.show();
  const QList<QWidget*> boxes = {m.BrowseGrid, m.DBMemoBox, m.DBStreet, m.DBCity, m.ExitButton};
  QList<QRect> before, after;
  for (QWidget* w : boxes) before << w->geometry();
  m.resize(m.width() + 200, m.height() + 120);
  QCoreApplication::processEvents();
  for (QWidget* w : boxes) after << w->geometry();
  EXPECT_EQ(
      after,
      QList<QRect>({before[0].adjusted(0, 0, 200, 120), before[1].adjusted(0, 0, 200, 120),
                    before[2].adjusted(0, 0, 200, 0), before[3], before[4].translated(0, 120)}));
  // Smaller than designed is refused.
  EXPECT_EQ(m.minimumSize(), QSize(610, 450));

  m.move(40, 30);
  const QSize size = m.size();
  dialogs_->questionAnswers = {true};
  m.close();
  main_.reset();
  dialogs_->clear();
  TQVPMain& again = Start();
  EXPECT_EQ(again.size(), size);
  EXPECT_EQ(again.pos(), QPoint(40, 30));
}

// Preferences shows centred; whatever the answer, the date settings are
// read again and applied to the date box, its mask and the program's dates.
TEST_F(MainWindowTest, PreferencesShowCentredThenTheDateSettingsAreApplied) {
  MakeContacts(QStringLiteral("QUORVA1.DBF"), {{{"LNAME", "Archer"}, {"DATE", "03/25/2024"}}});
  TQVPMain& m = Start();
  m.show();
  EXPECT_EQ(QStringList({m.DateFormatLabel->text(), m.blankDate(), m.DBDate->text()}),
            QStringList({"(mm/dd/yyyy)", "  /  /    ", "03/25/2024"}))
      << "defaults";
  QPoint at, expected;
  WhenShown<TPreferences>([&](TPreferences* p) {
    at = p->pos();
    expected = CenteredOn(m.frameGeometry(), p->size());
    const int entry = p->DateFormat->findText(QStringLiteral("dd.mm.yyyy"));
    p->DateFormat->setCurrentIndex(entry);
    p->DateFormatClick(entry);
    p->OKButton->click();
  });
  m.PreferencesClick();
  EXPECT_EQ(at, expected);
  EXPECT_EQ(QStringList({m.DateFormatLabel->text(), m.blankDate(), ProgramDates().separator,
                         m.DBDate->text()}),
            QStringList({"(dd.mm.yyyy)", "  .  .    ", ".", "25.03.2024"}));

  // Typing follows the new order; emptying every digit empties the date.
  m.EditButtonClick();
  m.DBDate->selectAll();
  QTest::keyClicks(m.DBDate, QStringLiteral("01022025"));
  EXPECT_EQ(m.TableQVW->fieldDate(QStringLiteral("DATE")), QDate(2025, 2, 1));
  m.DBDate->selectAll();
  QTest::keyClick(m.DBDate, Qt::Key_Delete);
  m.SaveButtonClick();
  EXPECT_FALSE(m.TableQVW->fieldDate(QStringLiteral("DATE")).isValid());

  IniFile ini = SettingsFile();
  WriteDateSettings(ini, DateSettings{"-", "mm-dd-yy", "!99-99-99;1;_"});
  WhenShown<TPreferences>([](TPreferences* p) { p->CancelButton->click(); });
  m.PreferencesClick();
  EXPECT_EQ(m.DateFormatLabel->text(), QStringLiteral("(mm-dd-yy)"));
}

TEST_F(MainWindowTest, RebuildIndexesPacksFreezesViewsAndReturnsToLastNameOrder) {
  TQVPMain& m = OpenOn({kCy, kAnn, kBob});
  EXPECT_TRUE(m.Apollo1.Go(2));
  ASSERT_TRUE(m.TableQVW->deleteRecord());
  m.SetMenuOrder(m.OrderItems.at(5));  // &City
  bool frozen = false;
  WhenShown<TQVReindex>([&](TQVReindex* r) {
    frozen = m.TableQVW->controlsDisabled() && !m.tracksTableEvents();
    r->DoitClick();
  });
  m.RebuildIndexesClick();
  EXPECT_TRUE(frozen && !m.TableQVW->controlsDisabled() && m.tracksTableEvents());
  EXPECT_EQ(m.currentOrder(), QStringLiteral("LNAME"));
  EXPECT_FALSE(m.OrderItems.at(5)->isChecked());
}

// The Filter page's boxes stand over the Main page's boxes of the same
// fields, at the designed size, grown and shrunk back, never over each
// other; the right-hand column of the Main page grows with the window.
TEST_F(MainWindowTest, FilterPageLinesUpWithMainThroughResizes) {
  TQVPMain& m = Start();
  EXPECT_TRUE(m.firstActivate());
  m.show();
  EXPECT_FALSE(m.firstActivate());
  const QSize designed = m.size();
  const QRect first = m.DBFName->geometry(), middle = m.DBMiddle->geometry();
  const QRect dial = m.DialButton->geometry(), email = m.DBEmail->geometry();
  for (const int grow : {0, 240, 0, 90}) {
    SCOPED_TRACE(grow);
    m.resize(designed.width() + grow, designed.height() + grow / 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(m.DBFName->geometry(), first.adjusted(0, 0, grow, 0));
    EXPECT_EQ(m.DBEmail->geometry(), email.adjusted(0, 0, grow, 0));
    EXPECT_EQ(m.DBMiddle->geometry(), middle.translated(grow, 0));
    EXPECT_EQ(m.DialButton->geometry(), dial.translated(grow, 0));
    for (const auto& [box, i] : {std::pair<QWidget*, int>{m.DBLName, 0}, {m.DBFName, 1},
                                 {m.DBZip, 5}, {m.DBCity, 6}, {m.DBDate, 12}, {m.DBNotes, 13}}) {
      const QRect f = m.FilterBoxes[i]->geometry();
      EXPECT_EQ(QRect(f.left(), f.top(), f.width(), box->height()), box->geometry()) << i;
    }
    QList<QWidget*> placed(m.FilterBoxes.begin(), m.FilterBoxes.end());
    for (QLabel* l : m.FilterLabels) placed << l;
    for (int i = 0; i < placed.size(); ++i) {
      for (int j = i + 1; j < placed.size(); ++j) {
        EXPECT_FALSE(placed[i]->geometry().intersects(placed[j]->geometry())) << i << " " << j;
      }
    }
  }
}

// A record holding the deleted marker but not the deletion flag (as another
// program may leave it) is out of sight from the first moment.
TEST_F(MainWindowTest, StartUpHidesRecordsCarryingTheDeletedMarker) {
  const QString path = MakeContacts(
      QStringLiteral("marked.DBF"),
      {{{"LNAME", "Adams"}, {"PREFIX", "DELETED"}}, {{"LNAME", "Brown"}, {"PREFIX", "Mr."}}});
  IniFile ini = SettingsFile();
  WriteRecentFiles(ini, {path});
  TQVPMain& m = Start();
  EXPECT_EQ(m.TableQVW->fieldText(QStringLiteral("LNAME")), QStringLiteral("Brown"));
  EXPECT_EQ(qv::testing::CountOf(m.Apollo1), 1);
}

}  // namespace
}  // namespace qv::testing
