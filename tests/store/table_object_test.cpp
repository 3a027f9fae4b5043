// The table object: states and the order of its events, field text in and
// out, dates in the program's format, the code-page refusal, deletion and
// frozen views.
#include "store/table_object.h"

#include <gtest/gtest.h>

#include "store/apollo.h"
#include "store/dates.h"
#include "store_test_util.h"

namespace qv {
namespace {

using testing::Column;
using testing::RawRecord;
using testing::ReadRawTable;
using testing::RecordingMessages;

const std::vector<xb::FieldDef> kFields = {
    {"NAME", 'C', 10, 0}, {"CITY", 'C', 20, 0}, {"BORN", 'D', 8, 0},
    {"COUNT", 'N', 5, 0}, {"OK", 'L', 1, 0},    {"NOTE", 'M', 10, 0},
};

class TableObjectTest : public testing::OpenTableTest {
 protected:
  void SetUp() override {
    m_savedDates = ProgramDates();
    ProgramDates() = DateConvention();
    OpenNew(QStringLiteral("PEOPLE.DBF"), kFields,
            {
                {"Miller", "Boston", "20040709", "   12", "T", "first memo"},
                {"  Adams  ", "Chicago", "        ", "", "F", ""},
                {"Baker", "Denver", "19991231", "   -3", " ", "line 1\r\nline 2"},
            },
            {{"NAME", "UPPER(NAME)"}}, {}, QStringLiteral("NAME"));
    if (HasFatalFailure()) return;
    Record(&m_table);
  }
  void TearDown() override { ProgramDates() = m_savedDates; }

  QString path() const { return m_dir.file(QStringLiteral("PEOPLE.DBF")); }

  // Every signal, with the state the table was in when it came.
  void Record(TableObject* t) {
    auto log = [this, t](const char* name) {
      return [this, t, name] {
        static const char* const kStates[] = {"Inactive", "Browse", "Edit", "Insert"};
        m_events << QStringLiteral("%1@%2").arg(QLatin1String(name),
                                                QLatin1String(kStates[int(t->state())]));
      };
    };
    using Signal = void (TableObject::*)();
    const std::pair<const char*, Signal> kSignals[] = {
        {"beforeInsert", &TableObject::beforeInsert},
        {"afterInsert", &TableObject::afterInsert},
        {"afterEdit", &TableObject::afterEdit}, {"afterPost", &TableObject::afterPost},
        {"afterCancel", &TableObject::afterCancel},
        {"recordChanged", &TableObject::recordChanged},
        {"layoutChanged", &TableObject::layoutChanged}};
    for (const auto& [name, signal] : kSignals) QObject::connect(t, signal, log(name));
  }
  // Only the named events, in order.
  QStringList events(const QStringList& keep) const {
    QStringList out;
    for (const QString& e : m_events) {
      if (keep.contains(e.section(QLatin1Char('@'), 0, 0))) out << e;
    }
    return out;
  }

  QStringList m_events;
  DateConvention m_savedDates;
};

const QStringList kDatasetEvents = {"beforeInsert", "afterInsert", "afterEdit", "afterPost",
                                    "afterCancel"};

TEST_F(TableObjectTest, EditAndPost) {
  ASSERT_EQ(m_table.state(), TableObject::State::Browse);
  ASSERT_TRUE(m_table.last());
  ASSERT_EQ(m_table.fieldText("NAME"), "Miller");
  m_events.clear();
  m_table.edit();
  EXPECT_EQ(m_table.state(), TableObject::State::Edit);
  ASSERT_TRUE(m_table.setFieldText("CITY", QStringLiteral("Portland")));
  EXPECT_EQ(m_table.fieldText("CITY"), "Portland");
  ASSERT_TRUE(m_table.post());
  EXPECT_EQ(m_table.state(), TableObject::State::Browse);
  EXPECT_EQ(events(kDatasetEvents), QStringList({"afterEdit@Edit", "afterPost@Browse"}));
  EXPECT_EQ(m_events.last(), "recordChanged@Browse");  // views repaint the saved values
  EXPECT_EQ(m_table.fieldText("CITY"), "Portland");
  EXPECT_EQ(m_table.recordCount(), 3);
  ASSERT_TRUE(m_table.close());
  const std::vector<RawRecord> rows = ReadRawTable(path());
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].fields.at("CITY") + rows[0].fields.at("NAME"),
            "Portland            Miller    ");
}

// Something the engine does under a pending edit ends it as Cancel would.
TEST_F(TableObjectTest, EngineMoveDuringEditEndsItAsCancel) {
  TApollo apollo;
  apollo.SetDataSource(&m_table);
  m_table.edit();
  ASSERT_TRUE(m_table.setFieldText("CITY", QStringLiteral("Nowhere")));
  m_events.clear();
  ASSERT_TRUE(apollo.GoTop());
  EXPECT_EQ(m_table.state(), TableObject::State::Browse);
  EXPECT_EQ(events(kDatasetEvents), QStringList({"afterCancel@Browse"}));
  EXPECT_NE(m_table.fieldText("CITY"), "Nowhere");
}

TEST_F(TableObjectTest, InsertThenCancelAddsNothingInsertThenPostAppends) {
  m_events.clear();
  m_table.insert();
  ASSERT_TRUE(m_table.setFieldText("NAME", QStringLiteral("Ghost")));
  m_table.cancel();
  EXPECT_EQ(m_table.state(), TableObject::State::Browse);
  EXPECT_EQ(events(kDatasetEvents),
            QStringList({"beforeInsert@Browse", "afterInsert@Insert", "afterCancel@Browse"}));
  EXPECT_EQ(m_table.recordCount(), 3);
  EXPECT_NE(m_table.fieldText("NAME"), "Ghost");

  m_events.clear();
  m_table.insert();
  EXPECT_EQ(m_table.state(), TableObject::State::Insert);
  EXPECT_EQ(m_table.recNo(), 4);  // record count + 1 while inserting
  EXPECT_EQ(m_table.fieldText("NAME"), "");
  for (const auto& [field, text] :
       {std::pair{"NAME", "Young"}, {"COUNT", "7"}, {"NOTE", "new memo"}}) {
    ASSERT_TRUE(m_table.setFieldText(field, QString::fromLatin1(text)));
  }
  ASSERT_TRUE(m_table.post());
  EXPECT_EQ(events(kDatasetEvents),
            QStringList({"beforeInsert@Browse", "afterInsert@Insert", "afterPost@Browse"}));
  EXPECT_EQ(m_table.recordCount(), 4);
  EXPECT_EQ(m_table.recNo(), 4);
  EXPECT_EQ(m_table.fieldText("NOTE"), "new memo");

  ASSERT_TRUE(m_table.close());
  const std::vector<RawRecord> rows = ReadRawTable(path());
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3].fields, (std::map<std::string, std::string>{
                                {"NAME", "Young     "}, {"CITY", std::string(20, ' ')},
                                {"BORN", "        "}, {"COUNT", "    7"}, {"OK", " "},
                                {"NOTE", "new memo"}}));
}

TEST_F(TableObjectTest, FieldTextAsTheScreensShowIt) {
  // NAME order: Adams, Baker. Leading blanks stay, an empty number or a
  // blank logical is empty, names go in any case.
  const char* const fields[] = {"NAME", "BORN", "COUNT", "NOTE", "OK", "name", "NOSUCH"};
  const QStringList want[] = {{"  Adams", "", "", "", "F", "  Adams", ""},
                              {"Baker", "12/31/1999", "-3", "line 1\r\nline 2", "", "Baker", ""}};
  for (const QStringList& record : want) {
    ASSERT_TRUE(&record == want ? m_table.first() : m_table.next());
    QStringList got;
    for (const char* f : fields) got << m_table.fieldText(f);
    EXPECT_EQ(got, record);
  }
  ASSERT_TRUE(m_table.first());
  EXPECT_FALSE(m_table.fieldDate("BORN").isValid());
}

// Text is cut to the field's width; cutting the digits of a number would
// store another number, so that is refused at post like any value that does
// not fit.
TEST_F(TableObjectTest, TextIsCutToTheWidthANumberTooWideIsRefused) {
  RecordingMessages messages;
  m_table.edit();
  ASSERT_TRUE(m_table.setFieldText("NAME", QStringLiteral("Abcdefghijklmno")));
  EXPECT_EQ(m_table.fieldText("NAME"), "Abcdefghij");
  ASSERT_TRUE(m_table.setFieldText("COUNT", QStringLiteral("123456")));
  EXPECT_FALSE(m_table.post());
  EXPECT_EQ(messages.shown.size(), 1);
  EXPECT_EQ(m_table.state(), TableObject::State::Edit);
  ASSERT_TRUE(m_table.setFieldText("COUNT", QStringLiteral("-1234")) && m_table.post());
  EXPECT_EQ(m_table.fieldText("NAME") + m_table.fieldText("COUNT"), "Abcdefghij-1234");
}

TEST_F(TableObjectTest, DatesInTheProgramsShortFormat) {
  ProgramDates().separator = QLatin1Char('.');
  ProgramDates().shortDateFmt = QStringLiteral("dd.mm.yyyy");
  ASSERT_TRUE(m_table.last());  // Miller
  EXPECT_EQ(m_table.fieldText("BORN"), "09.07.2004");
  EXPECT_EQ(m_table.fieldDate("BORN"), QDate(2004, 7, 9));

  m_table.edit();
  EXPECT_FALSE(m_table.setFieldText("BORN", QStringLiteral("31.02.2001")));
  EXPECT_EQ(m_table.fieldText("BORN"), "09.07.2004");  // unchanged by a bad date
  ASSERT_TRUE(m_table.setFieldText("BORN", QStringLiteral("01.02.2003")));
  EXPECT_EQ(m_table.fieldDate("BORN"), QDate(2003, 2, 1));
  ASSERT_TRUE(m_table.post());
  ASSERT_TRUE(m_table.close());
  EXPECT_EQ(ReadRawTable(path())[0].fields["BORN"], "20030201");

  // An empty date box hands over its mask's blank text, not "".
  ASSERT_TRUE(m_table.open());
  ASSERT_TRUE(m_table.last());
  m_table.edit();
  EXPECT_FALSE(m_table.setFieldText("BORN", QStringLiteral("12.  .2004")));
  ASSERT_TRUE(m_table.setFieldText("BORN", BlankDateText(QStringLiteral("!99.99.9999;1;_"))));
  EXPECT_FALSE(m_table.fieldDate("BORN").isValid());
  ASSERT_TRUE(m_table.post());
  EXPECT_EQ(m_table.fieldText("BORN"), "");
}

// The conversion itself is the code page's test; here the post is refused,
// the message names the whole character (one of two UTF-16 units here) and
// the file keeps the record as it was.
TEST_F(TableObjectTest, CharacterOutsideTheCodePageIsRefused) {
  ASSERT_TRUE(m_table.last());  // Miller
  RecordingMessages messages;
  m_table.edit();
  ASSERT_TRUE(m_table.setFieldText("NAME", QStringLiteral("M\u00fcller")));  // fits the code page
  ASSERT_TRUE(m_table.setFieldText("CITY", QString::fromUtf8("Rome \xF0\x9F\x98\x80")));
  EXPECT_FALSE(m_table.post());
  ASSERT_EQ(messages.shown.size(), 1);
  EXPECT_TRUE(messages.shown[0].contains(QString::fromUtf8("\"\xF0\x9F\x98\x80\"")))
      << messages.shown[0].toStdString();
  EXPECT_EQ(m_table.state(), TableObject::State::Edit);
  EXPECT_EQ(m_table.fieldText("NAME"), QString::fromUtf8("M\xC3\xBCller"));
  ASSERT_TRUE(m_table.close());
  const std::vector<RawRecord> rows = ReadRawTable(path());
  EXPECT_EQ(rows[0].fields.at("NAME") + rows[0].fields.at("CITY"),
            "Miller    Boston              ");

  // A memo likewise; fixed by the user, the next post goes through.
  ASSERT_TRUE(m_table.open());
  ASSERT_TRUE(m_table.last());
  m_table.edit();
  ASSERT_TRUE(m_table.setFieldText("NOTE", QString::fromUtf8("über ∑")));
  EXPECT_FALSE(m_table.post());
  EXPECT_EQ(messages.shown.size(), 2);
  ASSERT_TRUE(m_table.setFieldText("NOTE", QString::fromUtf8("über alles")) && m_table.post());
  ASSERT_TRUE(m_table.close());
  EXPECT_EQ(ReadRawTable(path())[0].fields["NOTE"], "\xFC" "ber alles");
}

TEST_F(TableObjectTest, DeletedRecordIsHiddenWhenDeletedIsOn) {
  m_env.SetDeleted(true);
  ASSERT_TRUE(m_table.first());  // Adams, Baker, Miller
  ASSERT_TRUE(m_table.next());
  ASSERT_EQ(m_table.fieldText("NAME"), "Baker");
  ASSERT_TRUE(m_table.deleteRecord());
  EXPECT_EQ(m_table.fieldText("NAME"), "Miller");  // moved to the next one
  EXPECT_EQ(Column(m_table, "NAME"), QStringList({"  Adams", "Miller"}));
  EXPECT_EQ(m_table.recordCount(), 3);  // still in the file

  // The last visible record deleted: the table stands on the one before.
  ASSERT_TRUE(m_table.last());
  ASSERT_TRUE(m_table.deleteRecord());
  EXPECT_FALSE(m_table.eof());
  EXPECT_EQ(m_table.fieldText("NAME"), "  Adams");

  m_env.SetDeleted(false);
  EXPECT_EQ(Column(m_table, "NAME").size(), 3);
  ASSERT_TRUE(m_table.close());
  const std::vector<RawRecord> rows = ReadRawTable(path());
  EXPECT_EQ(std::vector<bool>({rows[0].deleted, rows[1].deleted, rows[2].deleted}),
            std::vector<bool>({true, false, true}));
}

TEST_F(TableObjectTest, FrozenViewsGetOneRefreshAtTheEnd) {
  m_events.clear();
  m_table.disableControls();
  m_table.disableControls();
  EXPECT_TRUE(m_table.controlsDisabled());
  ASSERT_TRUE(m_table.first() && m_table.next());
  m_table.edit();
  ASSERT_TRUE(m_table.setFieldText("CITY", QStringLiteral("Reno")) && m_table.post());
  ASSERT_TRUE(m_table.last());
  m_table.enableControls();
  EXPECT_TRUE(m_table.controlsDisabled());
  EXPECT_EQ(events({"recordChanged", "layoutChanged"}), QStringList());
  m_table.enableControls();
  EXPECT_FALSE(m_table.controlsDisabled());
  EXPECT_EQ(QList<qsizetype>({events({"recordChanged"}).size(), events({"layoutChanged"}).size()}),
            QList<qsizetype>({1, 1}));
  // One enable too many does nothing.
  m_events.clear();
  m_table.enableControls();
  EXPECT_TRUE(m_events.isEmpty());
  ASSERT_TRUE(m_table.next());
  EXPECT_EQ(events({"recordChanged"}).size(), 1);
}

TEST_F(TableObjectTest, ChangesNeedEditOrInsert) {
  EXPECT_FALSE(m_table.setFieldText("NAME", QStringLiteral("x")));
  EXPECT_FALSE(m_table.setFieldDate("BORN", QDate(2001, 1, 1)));
  EXPECT_FALSE(m_table.post());
  m_table.edit();
  EXPECT_FALSE(m_table.setFieldDate("NAME", QDate(2001, 1, 1)));  // not a date field
  EXPECT_FALSE(m_table.setFieldText("NOSUCH", QStringLiteral("x")));
  // Moving away cancels the edit.
  ASSERT_TRUE(m_table.setFieldText("NAME", QStringLiteral("Moved")));
  ASSERT_TRUE(m_table.next());
  EXPECT_EQ(m_table.state(), TableObject::State::Browse);
  ASSERT_TRUE(m_table.close());
  for (const RawRecord& r : ReadRawTable(path())) EXPECT_NE(r.fields.at("NAME"), "Moved     ");
}

}  // namespace
}  // namespace qv
