// The data-quality jobs on hand-made contact files. Expected record lists
// and counts are worked out by hand from the rules of each check; every
// rewrite ends with the engine's check of the 21 tags.
#include <gtest/gtest.h>

#include <QDir>

#include "cleanup/cleanup_open.h"
#include "cleanup/cleanup_text.h"
#include "cleanup/dup_check.h"
#include "cleanup/merge.h"
#include "cleanup/rewrite.h"
#include "cleanup/zip_check.h"
#include "cleanup_test_util.h"
#include "engine_tables.h"
#include "store/contact_file.h"
#include "store/filter_text.h"
#include "recording_messages.h"
#include "xbase/expr.h"

namespace qv::testing {
namespace {

xb::Status Query(TableObject& table, const QString& condition) {
  const xb::Status s = table.area()->Query(condition.toStdString());
  table.resync();
  return s;
}

// ---- text rules ----

TEST(CleanupText, ReplaceMatchesLeftToRight) {
  struct Case {
    const char *text, *find, *with;
    bool ignoreCase;
    const char* expected;
  } cases[] = {
      {"abab", "ab", "x", false, "xx"},
      {"ABab", "ab", "x", false, "ABx"},
      {"ABab", "ab", "x", true, "xx"},
      {"new YORK city", "york", "Town", true, "new Town city"},
      {"aaa", "aa", "a", false, "aa"},         // replaced text is not searched again
      {"aXa", "a", "aa", false, "aaXaa"},      // nor is the replacement
      {"Main", "", "x", false, "Main"},
      {"Main", "Main", "", false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceMatches(c.text, c.find, c.with, c.ignoreCase), c.expected) << c.text;
  }
}

TEST(CleanupText, SoundexAndStreets) {
  const std::pair<const char*, const char*> sounds[] = {
      {"Robert", "R163"}, {"Rupert", "R163"}, {"Ashcraft", "A261"}, {"Tymczak", "T522"},
      {"Pfister", "P236"}, {"Smith", "S530"}, {"smyth", "S530"},    {"O'Brien", "O165"},
      {"Lee", "L000"},     {"", ""},          {"123", ""},
  };
  for (const auto& [name, code] : sounds) EXPECT_EQ(Soundex(name), code) << name;
  const std::pair<const char*, const char*> streets[] = {
      {"North Main Street, Apt. 4", "N MAIN ST APT 4"},
      {"12 n. main st", "12 N MAIN ST"},
      {"P.O. Box 12", "PO BOX 12"},
      {"5 Oak Avenue", "5 OAK AVE"},
      {"  ", ""},
  };
  for (const auto& [street, normal] : streets) EXPECT_EQ(NormalStreet(street), normal) << street;
}

// ---- duplicate check ----

const std::vector<Contact> kNameContacts = {
    C({{"LNAME", "Smith"}, {"FNAME", "John"}}),                       // 1
    C({{"LNAME", "SMITH"}, {"FNAME", "JOHN"}}),                       // 2 case only
    C({{"LNAME", "Smith"}, {"FNAME", "Jane"}}),                       // 3 initial only
    C({{"LNAME", ""}, {"FNAME", "John"}}),                            // 4 empty key
    C({{"LNAME", ""}, {"FNAME", "John"}}),                            // 5 empty key
    C({{"LNAME", "Jones"}, {"FNAME", "Bob"}, {"PREFIX", "Deleted"}}), // 6 outside the query
    C({{"LNAME", "Jones"}, {"FNAME", "Bob"}}),                        // 7
    C({{"LNAME", "Adams"}, {"FNAME", "Ann"}}),                        // 8 three equal
    C({{"LNAME", "Adams"}, {"FNAME", "Ann"}}),                        // 9
    C({{"LNAME", "Adams"}, {"FNAME", "Ann"}}),                        // 10
    C({{"LNAME", "Clark"}, {"FNAME", "Carl"}}),                       // 11
    C({{"LNAME", "Clark"}, {"FNAME", "Carl"}}, true),                 // 12 flagged, between
    C({{"LNAME", "Clark"}, {"FNAME", "Carl"}}),                       // 13
};

const std::vector<Contact> kStreetContacts = {
    C({{"LNAME", "Able"}, {"STREET", "100 Lakeview Drive"}}),  // 1
    C({{"LNAME", "Baker"}, {"STREET", "100 Lakeview Road"}}),  // 2 same first 13
    C({{"LNAME", "Cole"}}),                                    // 3 empty street
    C({{"LNAME", "Dunn"}}),                                    // 4 empty street
    C({{"LNAME", "Eve"}, {"STREET", "9 elm st"}}),             // 5
    C({{"LNAME", "Fay"}, {"STREET", "9 ELM ST"}}),             // 6
};

const std::vector<Contact> kSimilarContacts = {
    C({{"LNAME", "Smith"}, {"FNAME", "John"}, {"STREET", "12 North Main Street"}, {"ZIP", "12207"}}),
    C({{"LNAME", "Smyth"}, {"FNAME", "J."}, {"STREET", "12 N. Main St"}, {"ZIP", "12207-1234"}}),
    C({{"LNAME", "Smith"}, {"FNAME", "Mary"}, {"STREET", "12 N Main St"}, {"ZIP", "12207"}}),
    C({{"LNAME", "Smith"}, {"FNAME", "John"}, {"STREET", "12 N Main St"}, {"ZIP", "12208"}}),
    C({{"LNAME", "Smith"}, {"FNAME", "John"}, {"STREET", "14 N Main St"}, {"ZIP", "12207"}}),
    C({{"LNAME", "Robert"}, {"FNAME", "Ann"}, {"STREET", "5 Oak Avenue"}, {"ZIP", "30301"}}),
    C({{"LNAME", "Rupert"}, {"FNAME", "anne"}, {"STREET", "5 Oak Ave."}, {"ZIP", "30301"}}),
    C({{"LNAME", "Lee"}, {"FNAME", "Ann"}, {"STREET", "5 Oak Ave"}, {"ZIP", "30301"}}),
    C({{"LNAME", "Brown"}, {"FNAME", "Al"}, {"ZIP", "30301"}}),
    C({{"LNAME", "Brown"}, {"FNAME", "Al"}, {"ZIP", "30301"}}),
    C({{"LNAME", "Green"}, {"FNAME", "Al"}, {"STREET", "7 Elm Rd"}}),
    C({{"LNAME", "Green"}, {"FNAME", "Al"}, {"STREET", "7 Elm Road"}}),
};

struct DupCase {
  const char* name;
  const std::vector<Contact>* contacts;
  DupKind kind;
  int chars;
  bool hideFlagged;  // the engine's deleted setting
  std::vector<uint32_t> listed;
  int found;
};

class DupCheck : public ::testing::TestWithParam<DupCase> {};

TEST_P(DupCheck, ListsThePairsInKeyOrder) {
  const DupCase& c = GetParam();
  CleanupFixture f;
  ASSERT_TRUE(f.write(*c.contacts));
  f.env.SetDeleted(c.hideFlagged);
  RecordingMessages messages;
  ASSERT_TRUE(OpenContactsExclusively(f.path(), f.table)) << messages.shown.join("; ").toStdString();
  const std::string index = (f.dir() + DupIndexFileName()).toStdString();
  DupCheckResult result;
  ASSERT_TRUE(RunDupCheck(*f.table.area(), {c.kind, c.chars}, index, {}, &result).ok());
  std::vector<uint32_t> listed;
  ASSERT_TRUE(f.table.visibleRecords(&listed).ok());
  EXPECT_EQ(listed, c.listed);
  EXPECT_EQ(result.found, c.found);
  EXPECT_FALSE(result.cancelled);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DupCheck,
    ::testing::Values(
        DupCase{"LastFirst", &kNameContacts, DupKind::LastFirst, 30, true,
                {8, 9, 10, 11, 13, 1, 2}, 4},
        DupCase{"LastFirstFlaggedShown", &kNameContacts, DupKind::LastFirst, 30, false,
                {8, 9, 10, 11, 13, 1, 2}, 4},
        DupCase{"LastInitial", &kNameContacts, DupKind::LastInitial, 30, true,
                {8, 9, 10, 11, 13, 3, 1, 2}, 5},
        DupCase{"Street30", &kStreetContacts, DupKind::Street, 30, true, {5, 6}, 1},
        DupCase{"Street13", &kStreetContacts, DupKind::Street, 13, true, {1, 2, 5, 6}, 2},
        DupCase{"Street14", &kStreetContacts, DupKind::Street, 14, true, {5, 6}, 1},
        DupCase{"Similar", &kSimilarContacts, DupKind::Similar, 30, true, {2, 1, 7, 6}, 2}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- state and ZIP check ----

bool WriteStateTable(const QString& path) {
  return qvtest::MakeTable(path.toStdString(),
                           {{"NAME", 'C', 20, 0}, {"STATE", 'C', 4, 0}, {"LOW_ZIP", 'C', 10, 0},
                            {"HIGH_ZIP", 'C', 10, 0}},
                           {{"New York", "NY", "10000", "14999"},
                            {"New York", "NY", "00501", "00544"},
                            {"Pennsylvania", "PA", "15000", "19699"},
                            {"Alaska", "AK", "99500", "99999"}},
                           {{"STATE", "UPPER(STATE)"}})
      .ok();
}

const std::vector<Contact> kZipContacts = {
    C({{"LNAME", "A"}, {"STATE", "NY"}, {"ZIP", "12207"}}),       // 1 fits the first range
    C({{"LNAME", "B"}, {"STATE", "NY"}, {"ZIP", "00501"}}),       // 2 fits the second range
    C({{"LNAME", "C"}, {"STATE", "ny"}, {"ZIP", "12207"}}),       // 3 lower case
    C({{"LNAME", "D"}, {"STATE", "XX"}, {"ZIP", "12345"}}),       // 4 unknown code
    C({{"LNAME", "E"}, {"STATE", "NY"}, {"ZIP", "14999-1234"}}),  // 5 ZIP+4 at the top
    C({{"LNAME", "F"}, {"STATE", "NY"}, {"ZIP", "14998-1234"}}),  // 6 ZIP+4 below it
    C({{"LNAME", "G"}, {"STATE", ""}, {"ZIP", "12207"}}),         // 7 blank state
    C({{"LNAME", "H"}, {"STATE", "PA"}, {"ZIP", ""}}),            // 8 blank ZIP
    C({{"LNAME", "I"}, {"STATE", "PA"}, {"ZIP", "20000"}}),       // 9 above the range
    C({{"LNAME", "J"}, {"STATE", "PA"}, {"ZIP", "99999"}, {"PREFIX", "DELETED"}}),  // 10
    C({{"LNAME", "K"}, {"STATE", "AK"}, {"ZIP", "00000"}}, true),  // 11 flagged
};

TEST(StateZipCheck, ReportsEveryRecordNoRangeOfItsStateHolds) {
  for (const bool blanks : {false, true}) {
    CleanupFixture f;
    ASSERT_TRUE(f.write(kZipContacts));
    const QString stateTable = f.dir() + StateZipTableName();
    ASSERT_TRUE(WriteStateTable(stateTable));
    StateZipRanges ranges;
    ASSERT_TRUE(ReadStateZipTable(stateTable.toStdString(), f.env.settings(), &ranges).ok());
    ASSERT_TRUE(OpenContactsExclusively(f.path(), f.table));
    ZipCheckResult result;
    const std::string index = (f.dir() + ZipIndexFileName()).toStdString();
    ASSERT_TRUE(RunStateZipCheck(*f.table.area(), ranges, {blanks}, index, {}, &result).ok());
    std::vector<uint32_t> listed;
    ASSERT_TRUE(f.table.visibleRecords(&listed).ok());
    const std::vector<uint32_t> expected =
        blanks ? std::vector<uint32_t>{3, 4, 5, 7, 8, 9} : std::vector<uint32_t>{3, 4, 5, 9};
    EXPECT_EQ(listed, expected) << "blanks " << blanks;
    EXPECT_EQ(result.found, static_cast<int>(expected.size()));
  }
}

// ---- capitals ----

const std::vector<Contact> kUpperContacts = {
    C({{"LNAME", "smith"}, {"FNAME", "john"}, {"EMAIL", "js@example.com"}, {"PREFIX", "mr"}}),
    C({{"LNAME", "jones"}, {"PREFIX", "deleted"}}),
    C({{"LNAME", "\xE9lan"}, {"CITY", "albany"}, {"NOTES", "vip"}}),
};

TEST(ConvertToUpper, AllRecordsLeaveMarkedOnesAndOtherFields) {
  CleanupFixture f;
  ASSERT_TRUE(f.write(kUpperContacts));
  ASSERT_TRUE(OpenContactFile(f.path(), f.table));
  ASSERT_TRUE(Query(f.table, kNotDeletedCondition).ok());
  int converted = 0;
  ASSERT_TRUE(ConvertToUpper(f.table, {QStringLiteral("LNAME"), QStringLiteral("PREFIX")}, false,
                             {}, &converted)
                  .ok());
  EXPECT_EQ(converted, 2);
  // FNAME and EMAIL not chosen; record 2 carries the deleted marker.
  EXPECT_EQ(f.texts({{1, "LNAME"}, {1, "PREFIX"}, {1, "FNAME"}, {1, "EMAIL"}, {2, "LNAME"},
                     {3, "LNAME"}}),
            "SMITH|MR|john|js@example.com|jones|\xE9LAN");
  ExpectIndexesVerify(f);
}

// ---- search and replace ----

const std::vector<Contact> kReplaceContacts = {
    C({{"LNAME", "Smith"}, {"STREET", "abab"}, {"CITY", "new YORK city"}}),  // 1
    C({{"LNAME", "smith"}, {"STREET", "xabx"}, {"CITY", "Albany"}}),          // 2
    C({{"LNAME", "Smithers"}, {"CITY", "Albany"}}),                           // 3
    C({{"LNAME", "O\"Neil"}, {"CITY", "Troy"}, {"PREFIX", "DELETED"}}),        // 4 marker
    C({{"LNAME", "Smith"}, {"CITY", "Troy"}}, true),                          // 5 flagged
    C({{"LNAME", "a\"b'c]d"}, {"CITY", "Troy"}}),                             // 6
};

struct ReplaceCase {
  const char* name;
  const char* query;  // the query the window or command sets
  ReplaceOptions options;
  int replaced;
  std::vector<std::tuple<uint32_t, const char*, std::string>> after;
};

ReplaceOptions R(const char* field, const char* find, FindKind kind, bool cs, bool whole,
                 const QString& with) {
  ReplaceOptions o;
  o.field = QString::fromLatin1(field);
  o.findValue = QString::fromLatin1(find);
  o.kind = kind;
  o.caseSensitive = cs;
  o.replaceWhole = whole;
  o.replaceValue = with;
  return o;
}

class SearchReplace : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(SearchReplace, RewritesTheMatchingRecords) {
  const ReplaceCase& c = GetParam();
  CleanupFixture f;
  ASSERT_TRUE(f.write(kReplaceContacts));
  ASSERT_TRUE(OpenContactFile(f.path(), f.table));
  ASSERT_TRUE(Query(f.table, QString::fromLatin1(c.query)).ok());
  int replaced = 0;
  ASSERT_TRUE(SearchAndReplace(f.table, c.options, {}, &replaced).ok());
  EXPECT_EQ(replaced, c.replaced);
  for (const auto& [recno, field, value] : c.after) {
    EXPECT_EQ(f.text(recno, field), value) << "record " << recno << " " << field;
  }
  ExpectIndexesVerify(f);
}

const QString kLong = QStringLiteral("Abcdefghijklmnopqrstuvwxyz0123456789");

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchReplace,
    ::testing::Values(
        // Partial replacement of one value is the text rules' table above.
        ReplaceCase{"PartialInTwoRecords", "", R("STREET", "ab", FindKind::Contains, true, false, "x"),
                    2, {{1, "STREET", "xx"}, {2, "STREET", "xxx"}}},
        // Exact means the value typed, not the padded field; Smithers and
        // the flagged record stay.
        ReplaceCase{"ExactTrimmed", "", R("LNAME", "Smith", FindKind::Exact, true, true, "Jones"),
                    1, {{1, "LNAME", "Jones"}, {2, "LNAME", "smith"}, {3, "LNAME", "Smithers"},
                        {5, "LNAME", "Smith"}}},
        ReplaceCase{"ExactIgnoringCase", "",
                    R("LNAME", "SMITH", FindKind::Exact, false, true, "Jones"), 2,
                    {{1, "LNAME", "Jones"}, {2, "LNAME", "Jones"}, {3, "LNAME", "Smithers"}}},
        // All records with a filter set: the deleted marker does not keep
        // record 4 out.
        ReplaceCase{"DoubleQuoteValue", "", R("LNAME", "O\"Neil", FindKind::Exact, true, true, "ONeil"),
                    1, {{4, "LNAME", "ONeil"}}},
        ReplaceCase{"EveryDelimiter", "", R("LNAME", "b'c]", FindKind::Contains, true, false, "\""),
                    1, {{6, "LNAME", "a\"\"d"}}},
        ReplaceCase{"LongerThanTheField", "",
                    R("LNAME", "Smithers", FindKind::Exact, true, true, kLong), 1,
                    {{3, "LNAME", kLong.left(30).toStdString()}}},
        ReplaceCase{"EmptyFindValue", "", R("STREET", "", FindKind::Contains, true, true, "none"), 3,
                    {{3, "STREET", "none"}, {4, "STREET", "none"}, {6, "STREET", "none"},
                     {5, "STREET", ""}}},
        ReplaceCase{"DeleteWithinFilter", "CITY=\"Albany\"",
                    R("LNAME", "mith", FindKind::Contains, true, true, ""), 2,
                    {{1, "LNAME", "Smith"}, {2, "LNAME", ""}, {3, "LNAME", ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SearchReplaceText, QuestionAndCondition) {
  ReplaceOptions o = R("LNAME", "Smith", FindKind::Exact, false, false, "Jones");
  EXPECT_EQ(ReplaceQuestion(o, QStringLiteral("LastName")),
            QStringLiteral("Find records where field LastName\rexactly matches: \"Smith\" (not "
                           "case sensitive)\rand replace only the matching text with \"Jones\""));
  o = R("CITY", "", FindKind::Contains, true, true, "");
  EXPECT_EQ(ReplaceQuestion(o, QStringLiteral("City")),
            QStringLiteral("Find records where field City\ris empty \rand delete the entire field "));
}

// ---- deletion ----

const std::vector<Contact> kDeleteContacts = {
    C({{"LNAME", "A"}, {"CITY", "Albany"}}), C({{"LNAME", "B"}, {"CITY", "Troy"}}),
    C({{"LNAME", "C"}, {"CITY", "Albany"}}), C({{"LNAME", "D"}, {"CITY", "Utica"}}, true),
    C({{"LNAME", "E"}, {"CITY", "Utica"}, {"PREFIX", "DELETED"}}),
};

TEST(DeleteRecordsRun, NotFilterLeavesExactlyThatCity) {
  CleanupFixture f;
  ASSERT_TRUE(f.write(kDeleteContacts));
  ASSERT_TRUE(OpenContactFile(f.path(), f.table));
  ASSERT_TRUE(Query(f.table, QStringLiteral(".not.(CITY=\"Albany\")")).ok());
  int deleted = 0;
  ASSERT_TRUE(DeleteRecords(f.table, {}, &deleted).ok());
  EXPECT_EQ(deleted, 3);  // B, the flagged D again, E
  EXPECT_TRUE(f.table.env()->Deleted());  // the setting is back
  ASSERT_TRUE(Query(f.table, kNotDeletedCondition).ok());
  std::vector<uint32_t> kept;
  ASSERT_TRUE(f.table.area()->VisibleRecnos(&kept).ok());
  EXPECT_EQ(kept, (std::vector<uint32_t>{1, 3}));
  EXPECT_EQ(f.texts({{2, "PREFIX"}, {4, "PREFIX"}, {5, "PREFIX"}}), "DELETED|DELETED|DELETED");
  ExpectIndexesVerify(f);
}

TEST(MergeDuplicates, KeepsOneFillsItsGapsAndDeletesTheOther) {
  CleanupFixture f;
  ASSERT_TRUE(f.write({C({{"LNAME", "Smith"}, {"FNAME", "John"}, {"PHONE", "555-1234"}}),
                       C({{"LNAME", "SMITH"}, {"FNAME", "John"}, {"PHONE", "555-9999"},
                          {"EMAIL", "js@example.com"}, {"CITY", "Albany"}})}));
  ASSERT_TRUE(OpenContactsExclusively(f.path(), f.table));
  ASSERT_TRUE(MergeRecords(f.table, 1, 2).ok());
  // The phone kept, not overwritten; the other record marked and flagged.
  EXPECT_EQ(f.texts({{1, "PHONE"}, {1, "EMAIL"}, {1, "CITY"}, {2, "PREFIX"}, {2, "*"}}),
            "555-1234|js@example.com|Albany|DELETED|*");
  ExpectIndexesVerify(f);
}

}  // namespace
}  // namespace qv::testing
