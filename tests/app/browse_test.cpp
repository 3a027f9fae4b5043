// The Browse page: the grid's rows, columns and keys, and how it follows
// the table.
#include <QHeaderView>
#include <QTableView>
#include <QTest>

#include "app/db_controls.h"
#include "app_fixture.h"
#include "store/table_grid_model.h"

namespace qv::testing {
namespace {

class BrowseTest : public AppTest {
 protected:
  TQVPMain& StartBrowsing() {
    TQVPMain& m = StartShownOn(
        {{{"LNAME", "Cole"}, {"FNAME", "Cy"}, {"ZIP", "73301"}, {"DATE", "12/31/2020"}},
         {{"LNAME", "archer"}, {"FNAME", "Ann"}, {"ZIP", "80202"}},
         {{"LNAME", "Baker"}, {"FNAME", "Bob"}, {"ZIP", "02108"}, {"MEMO", "long memo"}}});
    m.BrowseButtonClick();
    return m;
  }

  static QStringList Column(const TQVPMain& m, int column) {
    QStringList values;
    for (int r = 0; r < m.GridModel->rowCount(); ++r) {
      values << m.GridModel->index(r, column).data().toString();
    }
    return values;
  }
  // Focus on the grid, then `key`.
  static void Key(TQVPMain& m, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    m.BrowseGrid->setFocus();
    QTest::keyClick(m.BrowseGrid, key, modifiers);
  }
};

TEST_F(BrowseTest, ColumnsInTheirOrderWithTitlesAndHiddenOnes) {
  TQVPMain& m = StartBrowsing();
  const QStringList titles = {
      "Last Name",      "First Name", "Middle", "Organization", "City",    "Zip/Postal Code",
      "Street Address", "PREFIX",     "State",  "Title",        "Country", "Phone",
      "Codes",          "Email",      "Fax",    "DATE"};
  QStringList shown, hidden;
  for (int c = 0; c < m.GridModel->columnCount(); ++c) {
    const QString title = m.GridModel->headerData(c, Qt::Horizontal).toString();
    (m.BrowseGrid->isColumnHidden(c) ? hidden : shown) << title;
  }
  EXPECT_EQ(shown, titles);
  EXPECT_EQ(hidden, (QStringList{"CARRIER", "MEMO", "SEQNO"}));
  EXPECT_EQ(m.BrowseGrid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
  EXPECT_EQ(m.BrowseGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(BrowseTest, RowsFollowTheOrderAndTheTable) {
  TQVPMain& m = StartBrowsing();
  EXPECT_EQ(Column(m, 0), (QStringList{"archer", "Baker", "Cole"}))
      << "Last Name order ignores case";
  EXPECT_EQ(Column(m, 15), (QStringList{"", "", "12/31/2020"}));
  EXPECT_EQ(Column(m, 5), (QStringList{"80202", "02108", "73301"}));

  m.SetMenuOrder(m.OrderItems.at(7));  // &Zip
  QApplication::processEvents();
  EXPECT_EQ(Column(m, 0), (QStringList{"Baker", "Cole", "archer"}));

  // The grid's current row is the table's record, both ways.
  m.BrowseGrid->setCurrentIndex(m.GridModel->index(1, 0));
  EXPECT_EQ(m.DBLName->text(), QStringLiteral("Cole"));
  m.RecordNextClick();
  EXPECT_EQ(m.BrowseGrid->currentIndex().row(), 2);

  // A change made on the Main page shows when the grid comes back.
  m.MainButtonClick();
  m.EditButtonClick();
  EXPECT_TRUE(m.TableQVW->setFieldText(QStringLiteral("ZIP"), QStringLiteral("00001")));
  m.SaveButtonClick();
  m.BrowseButtonClick();
  EXPECT_EQ(Column(m, 0), (QStringList{"archer", "Baker", "Cole"}));
  EXPECT_EQ(m.BrowseGrid->currentIndex().row(), 0);
}

TEST_F(BrowseTest, GridKeysReturnToMainSwallowInsertAndConfirmDeletion) {
  TQVPMain& m = StartBrowsing();
  Key(m, Qt::Key_Insert);
  EXPECT_EQ(m.currentPage(), TQVPMain::Page::Browse);
  EXPECT_EQ(m.TableQVW->state(), TableObject::State::Browse);
  EXPECT_EQ(m.GridModel->rowCount(), 3);

  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    m.BrowseButtonClick();
    Key(m, key);
    EXPECT_EQ(m.currentPage(), TQVPMain::Page::Main) << key;
  }
  m.BrowseButtonClick();
  m.BrowseGrid->setCurrentIndex(m.GridModel->index(1, 0));  // Baker
  dialogs_->questionAnswers = {false, true};
  Key(m, Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(m.GridModel->rowCount(), 3);
  Key(m, Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(dialogs_->questions().size(), 2);
  EXPECT_EQ(dialogs_->questions()[0].text, QStringLiteral("Delete record?"));
  QApplication::processEvents();
  EXPECT_EQ(Column(m, 0), (QStringList{"archer", "Cole"}));
  EXPECT_TRUE(m.Apollo1.Go(3));  // Baker, hidden now but still in the file
  EXPECT_TRUE(m.Apollo1.Deleted());
  EXPECT_EQ(m.TableQVW->fieldText(QStringLiteral("PREFIX")), QStringLiteral("DELETED"));
  EXPECT_EQ(m.TableQVW->fieldText(QStringLiteral("LNAME")), QStringLiteral("Baker"));
}

}  // namespace
}  // namespace qv::testing
