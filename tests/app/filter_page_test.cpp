// The Filter page, Count Records and the search in the current order,
// driven through the main window on small contact files.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "app/edit_dialogs.h"
#include "app/shared.h"
#include "app_fixture.h"
#include "store/filter_text.h"
#include "store/table_grid_model.h"
#include "table_walk.h"

namespace qv::testing {
namespace {

const Contact kAnn = {{"LNAME", "Archer"}, {"FNAME", "Ann"},  {"CITY", "Denver"},
                      {"STATE", "CO"},     {"NOTES", "CLUB"}, {"DATE", "01/05/2020"}};
const Contact kBob = {{"LNAME", "Baker"}, {"FNAME", "Bob"}, {"CITY", "Boston"},
                      {"STATE", "MA"},    {"NOTES", "VIP"}, {"DATE", "06/01/2021"}};
const Contact kCy = {{"LNAME", "Cole"}, {"FNAME", "Cy"}, {"CITY", "Denver"}, {"STATE", "CO"}};
const Contact kGone = {{"LNAME", "Gone"}, {"PREFIX", "DELETED"}, {"CITY", "Denver"}};

class FilterPageTest : public AppTest {
 protected:
  TQVPMain& StartOn(const QList<Contact>& contacts) {
    TQVPMain& m = OpenOn(contacts);
    m.ApplyFilter();
    m.FilterButtonClick();
    dialogs_->clear();
    return m;
  }

  void Type(TQVPMain& m, const QString& field, const QString& text) {
    const int at = FilterFieldExpressions().indexOf(field);
    ASSERT_GE(at, 0);
    m.FilterBoxes[at]->setText(text);
  }

  QString Last(TQVPMain& m) { return m.TableQVW->fieldText(QStringLiteral("LNAME")); }

  int GridRows(TQVPMain& m) {
    m.BrowseButtonClick();
    const int rows = m.GridModel->rowCount();
    m.FilterButtonClick();
    return rows;
  }
};

// What each kind of text selects is the filter text's test and what it
// counts the engine's; here Set Now's count, indicator, grid and notices.
TEST_F(FilterPageTest, SetNowCountsIndicatesAndNarrowsTheGrid) {
  struct Case {
    const char* name;
    QList<QPair<QString, QString>> boxes;
    QString label;
    bool indicator;
    int rows;
    QStringList notices;
  };
  const QString kDateMessage = QStringLiteral("Invalid date. Must be in the format:mm/dd/yyyy");
  const QList<Case> cases = {
      {"nothing matches", {{"LNAME", "zz"}}, "0 matches", false, 0, {}},
      {"city and state", {{"CITY+STATE", "denver"}}, "2 matches", true, 2, {}},
      {"invalid date left out",
       {{"DTOS(DATE)", ">=13/45/2021"}, {"CITY+STATE", "denver"}},
       "2 matches", true, 2, {kDateMessage}},
      {"only an invalid date", {{"DTOS(DATE)", "soon"}}, "3 matches (all records)", false, 3,
       {kDateMessage}},
      {"marked record never matches", {{"LNAME", "gone"}}, "0 matches", false, 0, {}},
  };
  TQVPMain& m = StartOn({kAnn, kBob, kGone, kCy});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (QLineEdit* box : m.FilterBoxes) box->clear();
    for (const auto& [field, text] : c.boxes) Type(m, field, text);
    dialogs_->clear();
    m.qSetFilterButtonClick();
    EXPECT_EQ(m.qMatchCount->text(), c.label);
    EXPECT_EQ(!m.FilterIndicator->isHidden(), c.indicator);
    EXPECT_EQ(m.currentFilter().isEmpty(), !c.indicator);
    EXPECT_EQ(GridRows(m), c.rows);
    EXPECT_EQ(dialogs_->notices(), c.notices);
  }
}

TEST_F(FilterPageTest, CountRecordsWithAFilterThenClearShowsAllRecords) {
  TQVPMain& m = StartOn({kAnn, kBob, kGone, kCy});
  m.CountRecords1Click();
  Type(m, QStringLiteral("LNAME"), QStringLiteral("a"));
  Type(m, QStringLiteral("NOTES"), QStringLiteral("club"));
  m.qSetFilterButtonClick();
  ASSERT_EQ(m.qMatchCount->text(), QStringLiteral("1 matches"));
  m.CountRecords1Click();
  EXPECT_EQ(dialogs_->notices(),
            (QStringList{QStringLiteral("There are 3 records"),
                         QStringLiteral("There are 1 records which match the current filter")}));
  m.qClearButtonClick();
  for (QLineEdit* box : m.FilterBoxes) EXPECT_EQ(box->text(), "");
  EXPECT_EQ(m.qMatchCount->text(), QStringLiteral("3 matches (all records)"));
  EXPECT_TRUE(m.FilterIndicator->isHidden());
}

TEST_F(FilterPageTest, TooComplexHidesOnlyMarkedRecords) {
  TQVPMain& m = StartOn({kAnn, kBob, kGone});
  // UPPER(ORG)="..." with the 99 characters a value keeps is 112, " and "
  // 5, UPPER(STREET)="..." 16 besides its value: 225 leaves room for the
  // marker test, 226 does not.
  Type(m, QStringLiteral("ORG"), QString(120, QLatin1Char('x')));
  Type(m, QStringLiteral("STREET"), QString(92, QLatin1Char('y')));
  m.qSetFilterButtonClick();
  EXPECT_TRUE(dialogs_->notices().isEmpty());
  EXPECT_EQ(m.Apollo1.Filter().size(), 255);  // the longest query the engine takes
  EXPECT_EQ(qv::testing::CountOf(m.Apollo1), 0);

  Type(m, QStringLiteral("STREET"), QString(93, QLatin1Char('y')));
  m.qSetFilterButtonClick();
  EXPECT_EQ(dialogs_->notices(),
            QStringList{QStringLiteral("Sorry - filter is too complex.Please simplify it.")});
  EXPECT_TRUE(m.currentFilter().isEmpty());
  EXPECT_EQ(qv::testing::CountOf(m.Apollo1), 2);
}

TEST_F(FilterPageTest, OrdersCheckOneItemAndMapToTags) {
  TQVPMain& m = StartOn({kAnn, kBob});
  const char* const tags[] = {"LNAME", "FNAME",   "TITLE", "ORG",   "STREET", "CITY", "STATE",
                              "ZIP",   "COUNTRY", "PHONE", "EMAIL", "FAX",    "DATE", "NOTES"};
  ASSERT_EQ(m.OrderItems.size(), 14);
  for (int i = 0; i < 14; ++i) {
    m.SetMenuOrder(m.OrderItems[i]);
    EXPECT_EQ(m.currentOrder(), QString::fromLatin1(tags[i]));
    EXPECT_EQ(m.Apollo1.IndexOrd(), m.Apollo1.TagArea(QString::fromLatin1(tags[i])));
    EXPECT_TRUE(m.OrderItems[i]->isChecked() && !m.OrderItems[(i + 13) % 14]->isChecked());
  }
}

class SearchTest : public FilterPageTest {
 protected:
  // Runs Search with `typed` in the box; returns the box's two labels.
  QStringList Search(TQVPMain& m, const QString& typed) {
    QStringList labels;
    m.ChangeToRecord();  // lets pending events run: before the box is awaited
    WhenShown<TSearchBox>([&labels, typed](TSearchBox* box) {
      labels << box->SearchLabel->text()
             << (box->DateFormatLabel->isHidden() ? QString() : box->DateFormatLabel->text());
      box->SearchEdit->setText(typed);
      box->OkButton->click();
    });
    m.SearchButtonClick();
    return labels;
  }
};

// Each search starts from the first record in the order (Cole's empty
// codes sort before CLUB and VIP), or from Baker in last-name order.
TEST_F(SearchTest, FindsInTheCurrentOrderAndStaysWhenNothingIsFound) {
  const QStringList byCodes{QStringLiteral("Search for Codes"), QString()};
  const QStringList byDate{QStringLiteral("Search for Date"), QStringLiteral("mm/dd/yyyy")};
  const QStringList badDate{QStringLiteral("Invalid date entered")};
  const struct {
    int order;  // the Order menu's item
    const char* from;
    std::vector<std::pair<const char*, const char*>> searches;  // typed, then on
    QStringList labels;                                         // of the first search's box
    QStringList notices;
  } cases[] = {
      {13, "Cole", {{"vi", "Baker"}}, byCodes, {}},
      // "bz" would soft-seek onto Cole; the first name is not needed.
      {0, "Baker", {{"bz", "Baker"}, {"co", "Cole"}}, {}, {}},
      // No such date: back where it began.
      {12, "Cole", {{"31/31/2021", "Cole"}, {"6/1/2021", "Baker"}, {"1/1/2021", "Baker"}}, byDate,
       badDate},
  };
  TQVPMain& m = StartOn({kAnn, kBob, kCy});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.order);
    dialogs_->clear();
    m.SetMenuOrder(m.OrderItems[c.order]);
    EXPECT_TRUE(m.TableQVW->first() && (c.order != 0 || m.TableQVW->next()));
    ASSERT_EQ(Last(m), QString::fromLatin1(c.from));
    for (size_t i = 0; i < c.searches.size(); ++i) {
      const QStringList labels = Search(m, QString::fromLatin1(c.searches[i].first));
      EXPECT_TRUE(i > 0 || c.labels.isEmpty() || labels == c.labels)
          << labels.join('|').toStdString();
      EXPECT_EQ(Last(m), QString::fromLatin1(c.searches[i].second)) << c.searches[i].first;
    }
    EXPECT_EQ(dialogs_->notices(), c.notices);
  }
}

// Opening another file starts it from the empty filter: boxes, count,
// indicator and query agree, and the deleted marker keeps its records out.
TEST_F(FilterPageTest, OpeningAnotherFileResetsTheFilter) {
  TQVPMain& m = StartOn({kAnn, kBob, kCy});
  Type(m, QStringLiteral("STATE"), QStringLiteral("CO"));
  m.qSetFilterButtonClick();
  ASSERT_FALSE(m.currentFilter().isEmpty() || m.FilterIndicator->isHidden());
  const QString other = MakeContacts(QStringLiteral("other.DBF"), {kBob, kGone, kCy});
  dialogs_->openFileAnswers = {other};
  m.OpenFileMenuClick();
  for (QLineEdit* box : m.FilterBoxes) EXPECT_TRUE(box->text().isEmpty());
  EXPECT_TRUE(m.currentFilter().isEmpty());
  EXPECT_TRUE(m.qMatchCount->text().isEmpty());
  EXPECT_TRUE(m.FilterIndicator->isHidden());
  EXPECT_EQ(m.Apollo1.DBFilter(), kNotDeletedCondition);
  EXPECT_EQ(GridRows(m), 2);
  m.CountRecords1Click();
  EXPECT_EQ(dialogs_->lastNotice(), QStringLiteral("There are 2 records"));
}

}  // namespace
}  // namespace qv::testing
