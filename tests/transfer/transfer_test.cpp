// Imports into and copies out of scratch contact files: the text import's
// matching edge cases, the import loop's cancel and failure paths, the DBF
// import's proposals and match grid, and both copy-out formats. Expected
// records are worked out by hand; the engine's index check the rebuilt tags.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "store/apollo.h"
#include "store/dates.h"
#include "store/table_object.h"
#include "transfer/ascii_import.h"
#include "transfer/copy_out.h"
#include "transfer/csv.h"
#include "transfer/vcard.h"
#include "transfer/dbf_import.h"
#include "transfer/import_rows.h"
#include "failing_files.h"
#include "store/output_file.h"
#include "transfer_fixture.h"
#include "file.h"
#include "xbase/table.h"

namespace qv::testing {
namespace {

using T = ContactTarget;

const std::vector<std::string> kAll = {"PREFIX", "FNAME", "MIDDLE", "LNAME", "TITLE",  "ORG",
                                       "STREET", "CITY",  "STATE",  "ZIP",   "COUNTRY", "PHONE",
                                       "EMAIL",  "FAX",   "NOTES",  "DATE",  "CARRIER", "SEQNO",
                                       "MEMO"};

struct Destination {
  TApolloEnv env;
  TableObject table{&env};
  bool open(const QString& path) {
    const QFileInfo info(path);
    table.setDatabaseName(info.absolutePath());
    table.setTableName(info.fileName());
    table.setExclusive(true);
    return table.open();
  }
};

// Rows given by the test; a fault after `failAfter` rows.
class ListSource : public RowSource {
 public:
  explicit ListSource(std::vector<ImportRow> rows, int failAfter = -1)
      : m_rows(std::move(rows)), m_failAfter(failAfter) {}
  bool next(ImportRow* row, QString* error) override {
    if (m_at == m_failAfter) {
      *error = QStringLiteral("line 3 is bad");
      return false;
    }
    if (m_at >= static_cast<int>(m_rows.size())) return false;
    *row = m_rows[static_cast<size_t>(m_at++)];
    return true;
  }
  std::int64_t expected() const override { return static_cast<std::int64_t>(m_rows.size()); }

 private:
  std::vector<ImportRow> m_rows;
  int m_failAfter;
  int m_at = 0;
};

ImportRow Row(std::vector<std::pair<T, QString>> values) { return ImportRow{std::move(values)}; }

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WriteContactRows(m_path, {{{"LNAME", "Existing"}}})); }
  // The tags rebuilt after the import; that the checker agrees with the
  // engine's tags is the engine's test.
  void expectTagsRebuilt() { EXPECT_EQ(qvtest::IndexProblem(m_path), ""); }
  Scratch m_dir;
  std::string m_path = m_dir.path("contacts.dbf");
};

TEST_F(ImportTest, TextFileEdgeCases) {
  const QString text = m_dir.file("in.txt");
  // UTF-8 with its mark: accents the code page has, and two it has not.
  qvtest::WriteAll(text.toStdString(),
                   "\xEF\xBB\xBF"
                   "Smith,John,note one,,\"Acme, Inc\",123456789012\r\n"
                   "Doe,,,second note,,02110\r\n"
                   "M\xC3\xBCller,Zo\xC3\xAB,first,second\r\n"
                   "\xC5\x81ukasz,\xF0\x9F\x98\x80!\r\n"
                   "Short\r\n");
  AsciiSample sample;
  QString error;
  ASSERT_TRUE(SampleAsciiFile(text, &sample, &error)) << error.toStdString();
  ASSERT_EQ(sample.columnCount, 6);
  AsciiRowSource source(text, sample.columnCount,
                        {T::Last, T::First, T::Memo, T::Memo, T::Organization, T::Zip});
  ASSERT_TRUE(source.open(&error)) << error.toStdString();
  EXPECT_EQ(source.expected(), 5);
  Destination d;
  ASSERT_TRUE(d.open(QString::fromStdString(m_path)));
  ImportResult result;
  std::vector<int> percents;
  const xb::Status s = ImportRows(d.table, source, [&](int p, std::int64_t) {
    percents.push_back(p);
    return true;
  }, &result);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_EQ(std::tuple(result.posted, result.cancelled, percents.back(), result.unstorable,
                       result.valuesWithUnstorable, d.table.area()->order_count()),
            std::tuple(5, false, 100,
                       QStringLiteral(u"\u0141") + QString::fromUtf8("\xF0\x9F\x98\x80"), 2, 21));
  // The cut ZIP is told and kept whole in the memo.
  EXPECT_EQ(CutValuesMessage(result),
            "1 value was longer than its field and was cut (ZIP of record 2, 12 characters into 10).");
  ASSERT_TRUE(d.table.close());
  const std::vector<Fields> expected = {
      {{"LNAME", "Existing"}},
      {{"LNAME", "Smith"}, {"FNAME", "John"}, {"MEMO", "note one\r\nZIP: 123456789012"},
       {"ORG", "Acme, Inc"}, {"ZIP", "1234567890"}},
      {{"LNAME", "Doe"}, {"MEMO", "second note"}, {"ZIP", "02110"}},
      {{"LNAME", "M\xFCller"}, {"FNAME", "Zo\xEB"}, {"MEMO", "first\r\nsecond"}},
      {{"LNAME", "?ukasz"}, {"FNAME", "?!"}},
      {{"LNAME", "Short"}},
  };
  EXPECT_EQ(ReadContacts(m_path, kAll), expected);
  expectTagsRebuilt();
}

TEST_F(ImportTest, CancelAndFailureKeepWhatWasPostedAndRebuild) {
  std::vector<ImportRow> rows;
  for (const char* name : {"A", "B", "C", "D"}) rows.push_back(Row({{T::Last, name}}));
  struct Case {
    int cancelAt;   // the progress call that says stop
    int failAfter;  // rows before the source fails
    std::int64_t posted;
    bool cancelled;
    bool ok;
  } cases[] = {{2, -1, 2, true, true}, {-1, 3, 3, false, false}, {-1, 0, 0, false, false}};
  for (const Case& c : cases) {
    SetUp();
    Destination d;
    ASSERT_TRUE(d.open(QString::fromStdString(m_path)));
    ListSource source(rows, c.failAfter);
    ImportResult result;
    int calls = 0;
    const xb::Status s = ImportRows(d.table, source, [&](int, std::int64_t) {
      return ++calls != c.cancelAt;
    }, &result);
    EXPECT_EQ(s.ok(), c.ok) << s.ToString();
    if (!c.ok) {
      EXPECT_EQ(s.message(), "line 3 is bad");
    }
    EXPECT_EQ(std::tuple(result.posted, result.cancelled), std::tuple(c.posted, c.cancelled));
    ASSERT_TRUE(d.table.close());
    EXPECT_EQ(ReadContacts(m_path, {"LNAME"}).size(), static_cast<size_t>(1 + c.posted));
    expectTagsRebuilt();
  }
}

// The contact file on a disk with room up to `limit` bytes: a write past
// it is cut where the room ends and fails, as on a full disk.
class FullDiskFile final : public xb::File {
 public:
  FullDiskFile(std::unique_ptr<xb::File> base, uint64_t limit)
      : File(base->path()), m_base(std::move(base)), m_limit(limit) {}
  xb::Status Write(uint64_t offset, std::string_view data) override {
    if (offset + data.size() <= m_limit) return m_base->Write(offset, data);
    if (offset < m_limit) (void)m_base->Write(offset, data.substr(0, m_limit - offset));
    return xb::Status::IOError("cannot write " + path() + ": No space left on device");
  }
  xb::Status Read(uint64_t o, size_t n, char* b, size_t* g) override { return m_base->Read(o, n, b, g); }
  xb::Status Size(uint64_t* size) override { return m_base->Size(size); }
  xb::Status Truncate(uint64_t size) override { return m_base->Truncate(size); }
  xb::Status Sync() override { return m_base->Sync(); }
  xb::Status Close() override { return m_base->Close(); }
  xb::Status Lock(xb::LockKind kind) override { return m_base->Lock(kind); }
  xb::Status LockAppend() override { return m_base->LockAppend(); }
  xb::Status UnlockAppend() override { return m_base->UnlockAppend(); }

 private:
  std::unique_ptr<xb::File> m_base;
  uint64_t m_limit;
};

TEST_F(ImportTest, AFullDiskTellsTheRecordsTheTableThenHolds) {
  const std::vector<ImportRow> rows(6000, Row({{T::Last, "Many"}, {T::City, "Springfield"}}));
  std::unique_ptr<xb::Table> probe;
  ASSERT_TRUE(xb::Table::Open(m_path, xb::OpenOptions(), &probe).ok());
  const uint64_t header = probe->header_length(), rl = probe->record_length();
  probe.reset();
  // Room for a few records, past one batch of appends, past two, each
  // ending inside a record.
  for (double room : {10.5, 3000.3, 5000.7}) {
    SCOPED_TRACE(room);
    SetUp();
    const uint64_t limit = header + static_cast<uint64_t>((1 + room) * static_cast<double>(rl));
    const xb::FileOpener previous = xb::SetFileOpenerForTesting(
        [&](const std::string& path, xb::FileMode mode, std::unique_ptr<xb::File>* out) {
          XB_RETURN_IF_ERROR(xb::OpenPosixFile(path, mode, out));
          if (path == m_path) *out = std::make_unique<FullDiskFile>(std::move(*out), limit);
          return xb::Status::OK();
        });
    Destination d;
    ASSERT_TRUE(d.open(QString::fromStdString(m_path)));
    ListSource source(rows);
    ImportResult result;
    const xb::Status s = ImportRows(d.table, source, nullptr, &result);
    (void)d.table.close();
    xb::SetFileOpenerForTesting(previous);
    EXPECT_FALSE(s.ok());
    std::unique_ptr<xb::Table> t;
    ASSERT_TRUE(xb::Table::Open(m_path, xb::OpenOptions(), &t).ok());
    EXPECT_EQ(result.posted + 1, static_cast<std::int64_t>(t->record_count()));
    EXPECT_EQ(t->header_record_count(), t->record_count());
    EXPECT_EQ(QFileInfo(QString::fromStdString(m_path)).size(),
              static_cast<qint64>(header + t->record_count() * rl + 1))
        << "records past the count";
  }
}

TEST_F(ImportTest, DatesAndMemosByTheRowsRules) {
  DateConvention& dates = ProgramDates();
  const DateConvention saved = dates;
  dates.shortDateFmt = QStringLiteral("dd.mm.yyyy");
  dates.separator = QLatin1Char('.');
  ImportRow replaced = Row({{T::Memo, "old"}, {T::Memo, "line1\r\nline2"}});
  replaced.memoReplaces = true;
  ListSource source({Row({{T::Last, "Dated"}, {T::Date, "31.01.2020"}}),
                     Row({{T::Last, "Bad"}, {T::Date, "01/31/2020"}, {T::Zip, ""}}),
                     replaced,
                     Row({{T::Memo, ""}, {T::Memo, "only"}})});
  Destination d;
  ASSERT_TRUE(d.open(QString::fromStdString(m_path)));
  ImportResult result;
  ASSERT_TRUE(ImportRows(d.table, source, nullptr, &result).ok());
  dates = saved;
  EXPECT_EQ(std::tuple(result.badDates, result.firstBadDate), std::tuple(1, "01/31/2020"));
  ASSERT_TRUE(d.table.close());
  const std::vector<Fields> expected = {{{"LNAME", "Existing"}},
                                        {{"LNAME", "Dated"}, {"DATE", "20200131"}},
                                        {{"LNAME", "Bad"}},
                                        {{"MEMO", "line1\r\nline2"}},
                                        {{"MEMO", "only"}}};
  EXPECT_EQ(ReadContacts(m_path, {"LNAME", "DATE", "ZIP", "MEMO"}), expected);
}

// ---- DBF import ----

TEST(AutoTarget, WholeNamesFirstThenNamesInRuleOrder) {
  struct Case {
    const char* name;
    char type;
    const char* target;
  } cases[] = {
      {"LNAME", 'C', "Last"}, {"FIRSTNAME", 'C', "First"}, {"ADDRESS", 'C', "Street"},
      {"ADDRESS2", 'C', "Street"}, {"ST", 'C', "State/Province"}, {"CODES", 'C', "Codes"},
      {"CODE", 'C', "Zip/Post Code"}, {"ZIPCODE", 'C', "Zip/Post Code"}, {"HOMEADDR", 'C', "Street"},
      {"FIRST_ST", 'C', "First"},
      {"NOTES", 'C', "Codes"}, {"SALUTATION", 'C', "Prefix"}, {"INITIALS", 'C', "Middle"},
      {"JOBNAME", 'C', "Title"}, {"COMPANY", 'C', "Organization"}, {"USA_STATE", 'C', "Street"},
      {"PROVINCE", 'C', "State/Province"}, {"POSTAL", 'N', "Zip/Post Code"},
      {"CTRY", 'C', "Country"}, {"TELEFAX", 'C', "Phone"}, {"FAXNO", 'C', "Fax"},
      {"E-MAIL", 'C', "E-Mail"}, {"E_MAIL", 'C', "E-Mail"}, {"LASTSEEN", 'D', "Last"},
      {"BORN", 'D', "Date"}, {"REMARKS", 'M', "Memo"}, {"PHOTO_SA", 'G', ""},
      {"lname", 'C', "Last"},
  };
  for (const Case& c : cases) {
    DbfSourceField f{QLatin1Char(c.type), QString::fromLatin1(c.name), 10, {}};
    EXPECT_EQ(AutoTarget(f), QString::fromLatin1(c.target)) << c.name;
  }
}

std::vector<DbfSourceField> SourceFields(std::initializer_list<std::pair<const char*, char>> list) {
  std::vector<DbfSourceField> fields;
  for (const auto& [name, type] : list) fields.push_back({QLatin1Char(type), name, 10, {}});
  return fields;
}

int Row(const char* label) { return static_cast<int>(DbfMatchLabels().indexOf(label)); }

TEST(MatchGrid, AWholeNameWinsOverAnEarlierWordInAName) {
  auto fields = SourceFields({{"CODES", 'C'}, {"ZIPCODE", 'C'}, {"ZIP", 'C'}, {"TELEPHONE", 'C'},
                              {"PHONE", 'C'}});
  const QStringList grid = OpenMatchGrid(&fields, false);
  EXPECT_EQ(QStringList({grid[Row("Codes")], grid[Row("Zip/Post Code")], grid[Row("Phone")]}),
            QStringList({"CODES", "ZIPCODE", "PHONE"}));
}

TEST(MatchGrid, ProposalsSaveSelectAndClear) {
  auto fields = SourceFields({{"LNAME", 'C'}, {"FNAME", 'C'}, {"ADDRESS", 'C'}, {"CITY", 'C'},
                              {"ST", 'C'}, {"PHONE1", 'C'}, {"PHONE2", 'C'}, {"BORN", 'D'},
                              {"NOTE", 'M'}});
  QStringList grid = OpenMatchGrid(&fields, false);
  ASSERT_EQ(grid.size(), kDbfMatchRows);
  // The first of two phone fields stands in the row; both are proposed in the copy.
  EXPECT_EQ(QStringList({grid[Row("Street")], grid[Row("Phone")], grid[Row("State/Province")],
                         fields[6].target}),
            QStringList({"ADDRESS", "PHONE1", "ST", "Phone"}));
  EXPECT_EQ(SelectableFields(fields, Row("Date")), (QStringList{"(None)", "BORN"}));
  EXPECT_EQ(SelectableFields(fields, Row("Memo")), (QStringList{"(None)", "NOTE"}));
  EXPECT_EQ(SelectableFields(fields, Row("Last")).size(), 8);
  SelectFieldInRow(&grid, Row("State/Province"), "ST");
  SelectFieldInRow(&grid, Row("City"), "ADDRESS");  // moves it out of Street
  EXPECT_EQ(grid[Row("Street")] + "|" + grid[Row("City")], "|ADDRESS");
  ASSERT_TRUE(SaveMatchGrid(grid, &fields));
  const QStringList targets = [&] {
    QStringList t;
    for (const auto& f : fields) t << f.target;
    return t;
  }();
  EXPECT_EQ(targets, (QStringList{"Last", "First", "City", "", "State/Province", "Phone", "",
                                  "Date", "Memo"}));
  // Reopened after Save: no new proposals, the saved matching shows.
  QStringList again = OpenMatchGrid(&fields, true);
  EXPECT_EQ(again, grid);
  ClearGrid(&again);
  EXPECT_EQ(again.join(""), "");
  EXPECT_FALSE(SaveMatchGrid(again, &fields));
}

TEST(DbfImport, SourcesThatCannotBeTaken) {
  Scratch dir;
  const std::string empty = dir.path("empty.dbf");
  ASSERT_TRUE(WriteContactRows(empty, {}));
  qvtest::WriteAll(dir.path("junk.dbf"), std::string(600, '\x01'));
  struct Case {
    QString file;
    QString message;
  } cases[] = {
      {QString::fromStdString(empty), NoRecordsMessage(QString::fromStdString(empty))},
      {dir.file("junk.dbf"), "Unable to open the file " + dir.file("junk.dbf")},
      {dir.file("none.dbf"), "Unable to open the file " + dir.file("none.dbf")},
  };
  for (const Case& c : cases) {
    TApolloEnv env;
    TableObject source(&env);
    QString message;
    EXPECT_FALSE(OpenDbfSource(c.file, source, &message));
    EXPECT_EQ(std::tuple(message, source.active()), std::tuple(c.message, false));
  }
}

// ---- copy out ----

class CopyOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteContactRows(
        m_path,
        {{{"LNAME", "Zed"}, {"CITY", "Boston"}, {"PREFIX", "Mr."}, {"FNAME", "Al"},
          {"DATE", "20200131"}, {"MEMO", "m1\r\nm2"}, {"SEQNO", "     7"}, {"CARRIER", "C001"}},
         {{"LNAME", "Gone"}, {"CITY", "Boston"}, {"PREFIX", "deleted"}},
         {{"LNAME", "O\"Hara"}, {"CITY", "BOSTON"}, {"NOTES", "q\"uote"}},
         {{"LNAME", "Elsewhere"}, {"CITY", "Chicago"}}},
        {false, true, false, false}));
    const QFileInfo info(QString::fromStdString(m_path));
    m_table.setDatabaseName(info.absolutePath());
    m_table.setTableName(info.fileName());
    m_table.setExclusive(false);
    m_env.SetDeleted(true);
    ASSERT_TRUE(m_table.open());
  }
  Scratch m_dir;
  std::string m_path = m_dir.path("contacts.dbf");
  TApolloEnv m_env;
  TableObject m_table{&m_env};
};

TEST_F(CopyOutTest, TextInTagOrderOnTheFilterAndAnUnknownTagStopsIt) {
  AsciiCopyWriter writer;
  const QString out = m_dir.file("out.txt");
  ASSERT_TRUE(writer.open(out).ok());
  std::int64_t copied = 0;
  const uint32_t before = m_table.area()->recno();
  const xb::Status s = CopyRecordsOut(m_table, "UPPER(CITY)=\"BOSTON\"", "LNAME", writer, nullptr,
                                      &copied);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_EQ(copied, 2);
  EXPECT_EQ(qvtest::ReadAll(out.toStdString()),
            "\"\",\"\",\"\",\"O\"Hara\",\"\",\"\",\"\",\"BOSTON\",\"\",\"\",\"\",\"\",\"\",\"\","
            "\"\",\"q\"uote\"\r\n"
            "\"Mr.\",\"Al\",\"\",\"Zed\",\"\",\"\",\"\",\"Boston\",\"\",\"\",\"\",\"\",\"\",\"\","
            "\"01/31/2020\",\"\"\r\n");
  // The walk leaves the table as it found it.
  const auto* area = m_table.area();
  EXPECT_EQ(std::tuple(area->filter(), area->IndexOrd(), area->recno()), std::tuple("", 0, before));

  // An unknown tag stops the copy before anything is written.
  AsciiCopyWriter other;
  ASSERT_TRUE(other.open(m_dir.file("o.txt")).ok());
  copied = 5;
  EXPECT_TRUE(CopyRecordsOut(m_table, "", "NOSUCH", other, nullptr, &copied).IsNotFound());
  EXPECT_EQ(copied, 0);
}

TEST_F(CopyOutTest, DbfWithoutIndexOldCdxRemoved) {
  const QString out = m_dir.file("out.dbf");
  qvtest::WriteAll(m_dir.path("out.cdx"), "stale index");
  DbfCopyWriter writer;
  ASSERT_TRUE(writer.open(out, m_table).ok());
  std::int64_t copied = 0;
  ASSERT_TRUE(CopyRecordsOut(m_table, "", "", writer, nullptr, &copied).ok());
  EXPECT_EQ(copied, 3);
  EXPECT_FALSE(QFileInfo::exists(m_dir.file("out.cdx")));
  const std::vector<Fields> expected = {
      {{"LNAME", "Zed"}, {"CITY", "Boston"}, {"PREFIX", "Mr."}, {"FNAME", "Al"},
       {"DATE", "20200131"}, {"MEMO", "m1\r\nm2"}},
      {{"LNAME", "O\"Hara"}, {"CITY", "BOSTON"}, {"NOTES", "q\"uote"}},
      {{"LNAME", "Elsewhere"}, {"CITY", "Chicago"}}};
  EXPECT_EQ(ReadContacts(out.toStdString(), kAll), expected);
  EXPECT_EQ(qvtest::ReadAll(out.toStdString()).at(28) & 1, 0) << "the header names an index";
}

// Every export's output fails at each point in turn (each byte of a text,
// each file operation of a table): the failure is told, the target keeps
// the file it had, no side file stays, and the contact file is untouched;
// past the last point the export completes.
TEST_F(CopyOutTest, EveryFailedWriteIsToldAndLeavesTheTargetAsItWas) {
  using Open = std::function<xb::Status(std::unique_ptr<RecordWriter>*, const QString&)>;
  auto text = [](auto writer) {
    return [](std::unique_ptr<RecordWriter>* w, const QString& path) {
      auto made = std::make_unique<decltype(writer)>();
      const xb::Status s = made->open(path);
      *w = std::move(made);
      return s;
    };
  };
  const struct {
    const char* name;
    bool table;  // failed through the engine's files, else through the output file
    Open open;
    const char* says;
  } cases[] = {
      {"text", false, text(AsciiCopyWriter()), "No space left on device"},
      {"CSV", false, text(CsvWriter()), "No space left on device"},
      {"vCard", false, text(VcardWriter()), "No space left on device"},
      {"table", true,
       [&](std::unique_ptr<RecordWriter>* w, const QString& path) {
         auto made = std::make_unique<DbfCopyWriter>();
         const xb::Status s = made->open(path, m_table);
         *w = std::move(made);
         return s;
       },
       "input/output error"},
  };
  const std::string contacts = qvtest::ReadAll(m_path);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch out;
    const QString target = out.file(c.table ? "out.dbf" : "out.txt");
    qvtest::WriteAll(target.toStdString(), "old");
    qvtest::FailingFiles files;  // opened before it, the contact file is not failed
    int64_t n = 0;
    for (;; ++n) {
      ASSERT_LT(n, 5000) << "never completes";
      if (c.table) files.failAfter(n); else OutputFile::FailAfter(n);
      std::unique_ptr<RecordWriter> writer;
      std::int64_t copied = 0;
      xb::Status s = c.open(&writer, target);
      if (s.ok()) s = CopyRecordsOut(m_table, "", "", *writer, nullptr, &copied);
      writer.reset();
      files.never();
      OutputFile::FailAfter(-1);
      const QStringList left = QDir(out.file("")).entryList(QDir::Files | QDir::Hidden);
      if (s.ok()) {
        EXPECT_EQ(copied, 3);
        EXPECT_EQ(left, QStringList{QFileInfo(target).fileName()} + (c.table ? QStringList{"out.fpt"} : QStringList{}));
        break;
      }
      EXPECT_NE(s.message().find(c.says), std::string::npos) << n << ": " << s.ToString();
      EXPECT_EQ(qvtest::ReadAll(target.toStdString()), "old") << n;
      EXPECT_EQ(left, QStringList{QFileInfo(target).fileName()}) << n;
    }
    EXPECT_GT(n, 2);
    EXPECT_NE(qvtest::ReadAll(target.toStdString()), "old");
  }
  EXPECT_EQ(qvtest::ReadAll(m_path), contacts);
}

TEST(CopyName, Checks) {
  Scratch dir;
  const QString contacts = dir.file("contacts.dbf");
  qvtest::WriteAll(dir.path("taken.dbf"), "x");
  struct Case {
    QString name;
    bool toDbf;
    CopyNameCheck check;
  } cases[] = {
      {dir.file("out.txt"), true, CopyNameCheck::NotDbf},
      {dir.file("out.dbf"), true, CopyNameCheck::Ok},
      {dir.file("OUT.DbF"), true, CopyNameCheck::Ok},
      {dir.file("CONTACTS.DBF"), true, CopyNameCheck::ToItself},
      {dir.file("contacts.dbf"), false, CopyNameCheck::ToItself},
      {dir.file("taken.dbf"), true, CopyNameCheck::Exists},
      {dir.file("out.txt"), false, CopyNameCheck::Ok},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckCopyName(c.name, c.toDbf, contacts), c.check) << c.name.toStdString();
  EXPECT_EQ(CopyNameMessage(CopyNameCheck::Exists, "a.dbf"),
            "a.dbf already exists.\r\nDo you want to overwrite it?");
}

}  // namespace
}  // namespace qv::testing
